#pragma once

#include <QDir>

class Clock;
class LogChannel;
class ManagedObjectContext;

// The policy editor (empty, filled, with a document, dark), the attached document's viewer
// and the drop zone while a file hovers over it.
bool shootPolicyScreens(const QDir& out, ManagedObjectContext& context, const Clock& clock,
                        LogChannel& log);
