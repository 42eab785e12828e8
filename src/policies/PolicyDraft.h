#pragma once

#include "model/Policy.h"
#include "platform/Instant.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class Category;
class Contact;
class ManagedObjectContext;
class QObject;
class Policy;

// A policy's values as the editor holds them while the user types: plain values, so that
// cancelling leaves the store untouched. The document is read from the store only when it is
// shown; an unchanged one is never written again.
struct PolicyDraft {
    QString name;
    QString policyNumber;
    QString provider;
    Instant expirationDate;
    QString renewalType = Policy::defaultRenewalType();
    QString customReminderDays = Policy::defaultCustomReminderDays();
    QString notes;
    QString clientPhoneNumber;
    std::shared_ptr<Contact> selectedContact;
    std::shared_ptr<Category> category;
    std::optional<QString> pdfFileName;

    // A new policy's values; the expiry is `now`, time of day included.
    static PolicyDraft fresh(Instant now);
    // The policy's values, read once.
    static PolicyDraft of(const Policy& policy);

    bool operator==(const PolicyDraft&) const = default;

    // Name and number hold at least one character (blanks count; nothing is trimmed).
    bool canSave() const { return !name.isEmpty() && !policyNumber.isEmpty(); }

    // The largest reminder day in the text, 30 when none reads, kept to the signed 32-bit
    // range it is stored in.
    static qint32 reminderDaysFor(const QString& text);

    bool hasDocument() const;
    qint64 documentSize() const;
    // The document's bytes, handed to `done` later on this thread unless `receiver` is gone:
    // the ones attached in the editor, or the stored ones of `policy`, read off this thread.
    void documentBytesLater(const Policy* policy, QObject* receiver,
                            std::function<void(std::shared_ptr<const QByteArray>)> done) const;
    void attachDocument(QByteArray bytes, const QString& fileName);
    void removeDocument();

    // Writes every value into the policy; the document only when it changed.
    void writeInto(Policy& policy) const;

    // Writes into `policy`, or into a new policy when it is null, and saves the context. The
    // saved policy, or null with `error` set when the save failed; the context is then rolled
    // back to its last save, so nothing half-written or duplicated stays behind.
    std::shared_ptr<Policy> save(ManagedObjectContext& context, std::shared_ptr<Policy> policy,
                                 QString* error) const;

private:
    bool m_documentChanged = false;
    std::shared_ptr<const QByteArray> m_document; // when changed: the new bytes, or none
    std::optional<qint64> m_storedSize;           // when unchanged: the stored one's size
};
