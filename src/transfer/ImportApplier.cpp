#include "transfer/ImportApplier.h"

#include "model/CalendarMath.h"
#include "model/Category.h"
#include "model/Contact.h"
#include "model/Policy.h"
#include "model/PolicyRules.h"
#include "platform/LogChannel.h"
#include "store/ManagedObjectContext.h"
#include "transfer/TextKey.h"

namespace ImportApplier {
namespace {

std::optional<QString> presentUnlessEmpty(const QString& text) {
    return text.isEmpty() ? std::nullopt : std::optional<QString>(text);
}

// As the contact editor saves a new client.
void writeContact(Contact& contact, const ContactValues& values) {
    contact.setFirstName(values.firstName);
    contact.setLastName(values.lastName);
    contact.setEmail(presentUnlessEmpty(values.email));
    contact.setPhoneNumber(presentUnlessEmpty(values.phone));
    contact.setCompany(presentUnlessEmpty(values.company));
    contact.setNotes(presentUnlessEmpty(values.notes));
}

// As the policy editor saves a new policy.
void writeNewPolicy(Policy& policy, const PolicyValues& values) {
    policy.setName(values.name);
    policy.setPolicyNumber(values.policyNumber);
    policy.setProvider(values.provider);
    policy.setExpirationDate(*values.expirationDate);
    policy.setRenewalType(values.renewalType);
    policy.setCustomReminderDays(values.customReminderDays);
    policy.setReminderDays(PolicyRules::storedReminderDays(values.customReminderDays));
    policy.setNotes(presentUnlessEmpty(values.notes));
    policy.setClientPhoneNumber(presentUnlessEmpty(values.clientPhoneNumber));
    policy.setLastNotified(values.lastNotified);
}

// The file's non-empty values over the stored ones. A day without a time keeps the stored
// time of day, as the editor does when only the date is changed.
void writeUpdate(Policy& policy, const PolicyValues& values, const QTimeZone& zone) {
    const auto replace = [](const QString& value, auto setter) {
        if (!value.isEmpty()) {
            setter(value);
        }
    };
    replace(values.name, [&](const QString& v) { policy.setName(v); });
    replace(values.provider, [&](const QString& v) { policy.setProvider(v); });
    replace(values.renewalType, [&](const QString& v) { policy.setRenewalType(v); });
    replace(values.notes, [&](const QString& v) { policy.setNotes(v); });
    replace(values.clientPhoneNumber, [&](const QString& v) { policy.setClientPhoneNumber(v); });
    replace(values.customReminderDays, [&](const QString& v) {
        policy.setCustomReminderDays(v);
        policy.setReminderDays(PolicyRules::storedReminderDays(v));
    });
    if (values.lastNotified) {
        policy.setLastNotified(values.lastNotified);
    }
    if (values.expirationDate) {
        std::optional<Instant> expiry = values.expirationDate;
        if (!values.expirationHasTime) {
            const qint64 timeOfDay = CalendarMath::toLocal(policy.expirationDate(), zone).msOfDay;
            expiry = CalendarMath::fromLocal(values.expirationDay, timeOfDay, zone)
                         .value_or(*values.expirationDate);
        }
        policy.setExpirationDate(*expiry);
    }
}

// The category of that name, whatever its case and blanks: the first stored one, or one made
// for the import (in the default colour, as the settings make one).
std::shared_ptr<Category> categoryNamed(const QString& name, ManagedObjectContext& context,
                                        Progress& progress) {
    if (!progress.categories) {
        progress.categories.emplace();
        FetchRequest<Category> request = Category::fetchRequest();
        request.setSortDescriptors({{QStringLiteral("createdAt")}});
        for (const std::shared_ptr<Category>& stored : context.fetch(request)) {
            progress.categories->insert(TextKey::name(stored->name()), stored);
        }
    }
    std::shared_ptr<Category>& found = (*progress.categories)[TextKey::name(name)];
    if (!found && (found = context.insert<Category>())) {
        found->setName(name.simplified());
    }
    return found;
}

bool isComplete(const PolicyValues& values) {
    return !values.name.isEmpty() && values.expirationDate.has_value();
}

} // namespace

void listRows(const ImportPlan& plan, const Table& table, ImportResult& result) {
    const QChar delimiter =
        table.source.format == SourceFormat::Csv ? table.source.delimiter : QChar(u';');
    for (size_t i = 0; i < plan.rows().size(); ++i) {
        const ImportPlan::Row& row = plan.rows()[i];
        if (row.verdict == ImportPlan::Verdict::Refused) {
            const TableRow& source = table.rows[size_t(plan.firstRow()) + i];
            result.skipped.push_back({row.line, row.notes.value(0), source.text(delimiter)});
        } else if (row.verdict == ImportPlan::Verdict::Adjusted) {
            result.adjusted.push_back({row.line, row.notes});
        }
    }
}

Progress start(const ImportPlan& plan, const Table& table) {
    Progress progress;
    listRows(plan, table, progress.outcome.result);
    progress.contacts.resize(plan.contacts().size());
    progress.used.assign(plan.contacts().size(), false);
    for (const ImportPlan::Row& row : plan.rows()) {
        if (row.contact >= 0) {
            progress.used[size_t(row.contact)] = true;
        }
    }
    return progress;
}

bool makeNext(const ImportPlan& plan, const QTimeZone& zone, ManagedObjectContext& context,
              Progress& progress, size_t count) {
    ImportResult& result = progress.outcome.result;
    for (; count > 0 && progress.contact < plan.contacts().size(); ++progress.contact) {
        const size_t i = progress.contact;
        if (!progress.used[i]) {
            continue;
        }
        --count;
        const ImportPlan::ContactTarget& target = plan.contacts()[i];
        std::shared_ptr<Contact>& contact = progress.contacts[i];
        if (target.stored) {
            contact = std::dynamic_pointer_cast<Contact>(
                context.existingObject(Contact::entityName(), *target.stored));
        }
        // A stored client deleted since the check is made again.
        if (!contact) {
            contact = context.insert<Contact>();
            writeContact(*contact, target.values);
            ++result.contactsCreated;
        }
    }
    for (; count > 0 && progress.policy < plan.policies().size(); ++progress.policy, --count) {
        const ImportPlan::PolicyTarget& target = plan.policies()[progress.policy];
        std::shared_ptr<Policy> policy;
        if (target.stored) {
            policy = std::dynamic_pointer_cast<Policy>(
                context.existingObject(Policy::entityName(), *target.stored));
        }
        if (policy) {
            writeUpdate(*policy, target.values, zone);
            ++result.policiesUpdated;
        } else if (!target.stored || isComplete(target.values)) {
            policy = context.insert<Policy>();
            writeNewPolicy(*policy, target.values);
            ++result.policiesImported;
        } else {
            result.skipped.push_back({target.firstLine,
                                      QStringLiteral("La polizza da aggiornare non è più "
                                                     "nell'archivio"),
                                      QString()});
            continue;
        }
        if (target.contact >= 0) {
            policy->setContact(progress.contacts[size_t(target.contact)]);
        }
        if (!target.values.category.isEmpty()) {
            if (const auto category = categoryNamed(target.values.category, context, progress)) {
                policy->setCategory(category);
            }
        }
        progress.outcome.policies.push_back(std::move(policy));
    }
    return progress.contact == plan.contacts().size() && progress.policy == plan.policies().size();
}

void refuse(Outcome& outcome, const QString& error, LogChannel& log) {
    log.write(QStringLiteral("Error importing: "), error);
    outcome.result.error = error;
    outcome.result.policiesImported = outcome.result.policiesUpdated =
        outcome.result.contactsCreated = 0;
    outcome.policies.clear();
}

} // namespace ImportApplier
