#include "policies/ClientNoticeSave.h"

#include "model/ClientNotice.h"
#include "model/Policy.h"
#include "platform/Clock.h"
#include "platform/LogChannel.h"
#include "store/ManagedObjectContext.h"

namespace ClientNoticeSave {

bool save(ManagedObjectContext& context, LogChannel& log, Policy& policy,
          std::optional<Instant> notified) {
    if (policy.isDeleted() || policy.lastNotified() == notified) {
        return true;
    }
    policy.setLastNotified(notified);
    QString error;
    if (!context.save(&error)) {
        log.write(QStringLiteral("Error saving policy: "), error);
        context.rollback();
        return false;
    }
    return true;
}

bool markByHand(ManagedObjectContext& context, LogChannel& log, Policy& policy, const Clock& clock,
                bool told) {
    return save(
        context, log, policy,
        told ? std::optional(ClientNotice::stamped(clock.now(), ClientNotice::Channel::Unknown))
             : std::nullopt);
}

} // namespace ClientNoticeSave
