#pragma once

#include "platform/Instant.h"

#include <optional>

class Clock;
class LogChannel;
class ManagedObjectContext;
class Policy;

// Records when the client was told (or that they were not), and saves it at once, from the
// detail pane's buttons and menu and the list's context menu alike.
namespace ClientNoticeSave {

// Sets the policy's lastNotified (clears it for nothing) and saves. A save the store refuses
// writes "Error saving policy: " and why and is undone: the policy stays as it was. Every screen
// saves its own change at once, so this is the only change in the context.
bool save(ManagedObjectContext& context, LogChannel& log, Policy& policy,
          std::optional<Instant> notified);
// "Segna come Avvisato" (now, told by hand) or "Segna come Non Avvisato", saved as save() does.
bool markByHand(ManagedObjectContext& context, LogChannel& log, Policy& policy, const Clock& clock,
                bool told);

} // namespace ClientNoticeSave
