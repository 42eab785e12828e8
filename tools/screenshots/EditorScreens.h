#pragma once

class Clock;
class LogChannel;
class ManagedObjectContext;
class ScreenCamera;

// The event and task editors: new, filled in (a repeating event, an all-day one, a task with
// its checklist) and in the dark look, over a store with the usual insurance categories.
bool shootEventTaskEditors(ScreenCamera& camera, ManagedObjectContext& context, const Clock& clock,
                           LogChannel& log);
