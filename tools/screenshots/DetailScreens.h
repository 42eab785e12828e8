#pragma once

class Clock;
class ScreenCamera;
class LogChannel;
class ManagedObjectContext;

// The policy detail pane for an active policy with a contact and a document, an expiring one
// with only a client phone, an expired one with neither, the first again in the dark, and
// the delete alert.
bool shootDetailScreens(ScreenCamera& camera, ManagedObjectContext& context, const Clock& clock,
                        LogChannel& log);
