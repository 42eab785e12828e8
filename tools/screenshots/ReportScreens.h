#pragma once

class Clock;
class LogChannel;
class ScreenCamera;

// The renewal report sheet, and the first page of the report it writes, drawn from the PDF.
bool shootReportScreens(ScreenCamera& camera, const Clock& clock, LogChannel& log);
