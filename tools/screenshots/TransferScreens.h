#pragma once

class Clock;
class LogChannel;
class ManagedObjectContext;
class ScreenCamera;

// The import sheet on a CSV file (as detected, with a column remapped, with its progress bar,
// and the result) and the export sheet.
bool shootTransferScreens(ScreenCamera& camera, ManagedObjectContext& context, const Clock& clock,
                          LogChannel& log);
