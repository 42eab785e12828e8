#pragma once

class Clock;
class ScreenCamera;
class LogChannel;

// The contact section: the list with a contact and its policies, a search, a contact with
// nothing but a name, no contacts at all, and the delete question; each from a store of its
// own.
bool shootContactScreens(ScreenCamera& camera, const Clock& clock, LogChannel& log);
