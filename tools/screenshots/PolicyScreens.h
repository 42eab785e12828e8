#pragma once

class Clock;
class ScreenCamera;
class LogChannel;
class ManagedObjectContext;

// The policy editor (empty, filled, with a document, dark), the attached document's viewer
// and the drop zone while a file hovers over it.
bool shootPolicyScreens(ScreenCamera& camera, ManagedObjectContext& context, const Clock& clock,
                        LogChannel& log);
