#pragma once

class Clock;
class Instant;
class LogChannel;
class ScreenCamera;

// The fixed style, font and palette of every picture.
void setScreenLook();
// The instant the pictures are taken at.
Instant screensInstant();

// Every screen and state of the program that the pictures show, each drawn from a fixture store
// of its own at the clock's instant and handed to the camera. False when a picture failed.
bool shootAllScreens(ScreenCamera& camera, const Clock& clock, LogChannel& log);
