#include "report/RenewalSelection.h"

#include "model/ClientReminderMessage.h"
#include "model/Contact.h"
#include "model/Policy.h"
#include "store/ManagedObjectContext.h"

namespace RenewalSelection {
namespace {

RenewalRow renewalRowOf(const Policy& policy) {
    RenewalRow row{.name = policy.name(),
                   .number = policy.policyNumber(),
                   .provider = policy.provider(),
                   .expiry = policy.expirationDate(),
                   .client = {},
                   .phone = {},
                   .email = {},
                   .lastNotified = policy.lastNotified()};
    const std::shared_ptr<Contact> contact = policy.contact();
    if (contact) {
        row.client = contact->fullName();
        row.email = contact->email().value_or(QString());
    }
    // The phone the client card shows and the reminder goes to.
    row.phone = ClientReminderMessage::contactPhone(contact != nullptr,
                                                    contact ? contact->phoneNumber() : std::nullopt,
                                                    policy.clientPhoneNumber())
                    .trimmed();
    return row;
}

} // namespace

std::vector<RenewalRow> rowsOf(const ManagedObjectContext& context, const RenewalRange& range,
                               bool includeExpired, Instant now, const QTimeZone& zone) {
    const std::optional<RenewalRange::Span> span = range.span(zone);
    if (!span) {
        return {};
    }
    FetchRequest<Policy> request;
    if (includeExpired) {
        request.setPredicate(Predicate::format(
            QStringLiteral("expirationDate < %@ AND (expirationDate >= %@ OR expirationDate < %@)"),
            {Value(span->until), Value(span->from), Value(now)}));
    } else {
        request.setPredicate(
            Predicate::format(QStringLiteral("expirationDate >= %@ AND expirationDate < %@"),
                              {Value(span->from), Value(span->until)}));
    }
    request.setSortDescriptors({{QStringLiteral("expirationDate")}});
    std::vector<RenewalRow> rows;
    const std::vector<std::shared_ptr<Policy>> policies = context.fetch(request);
    rows.reserve(policies.size());
    for (const std::shared_ptr<Policy>& policy : policies) {
        rows.push_back(renewalRowOf(*policy));
    }
    return rows;
}

} // namespace RenewalSelection
