#pragma once

#include "model/PolicyStatus.h"
#include "store/FetchRequest.h"
#include "store/ManagedObject.h"

#include <QByteArray>
#include <QString>
#include <QUuid>

#include <vector>

class Category;
class Contact;

// An insurance policy. Its status and the values computed from it read the context's clock at
// each call, so they are never stale.
class Policy final : public ManagedObject {
public:
    enum Attribute : int {
        kId,
        kName,
        kPolicyNumber,
        kProvider,
        kExpirationDate,
        kRenewalType,
        kNotes,
        kReminderDays,
        kCustomReminderDays,
        kCreatedAt,
        kLastNotified,
        kPdfData,
        kPdfFileName,
        kClientPhoneNumber,
    };
    enum Relationship : int { kCategory, kContact };

    using ManagedObject::ManagedObject;

    // What a new policy starts with, in the store and in the editor alike.
    static constexpr qint32 kDefaultReminderDays = 30;
    static QString defaultRenewalType() { return QStringLiteral("yearly"); }
    static QString defaultCustomReminderDays() { return QString::number(kDefaultReminderDays); }

    static QString entityName() { return QStringLiteral("Policy"); }
    static FetchRequest<Policy> fetchRequest() { return {}; }

    QUuid id() const { return requiredAt<QUuid>(kId); }
    QString name() const { return requiredAt<QString>(kName); }
    void setName(const QString& name) { setValueAt(kName, name); }
    QString policyNumber() const { return requiredAt<QString>(kPolicyNumber); }
    void setPolicyNumber(const QString& number) { setValueAt(kPolicyNumber, number); }
    QString provider() const { return requiredAt<QString>(kProvider); }
    void setProvider(const QString& provider) { setValueAt(kProvider, provider); }
    Instant expirationDate() const { return requiredAt<Instant>(kExpirationDate); }
    void setExpirationDate(Instant date) { setValueAt(kExpirationDate, date); }
    QString renewalType() const { return requiredAt<QString>(kRenewalType); }
    void setRenewalType(const QString& type) { setValueAt(kRenewalType, type); }
    std::optional<QString> notes() const { return optionalAt<QString>(kNotes); }
    void setNotes(const std::optional<QString>& text) { setOptionalAt(kNotes, text); }
    qint32 reminderDays() const { return qint32(requiredAt<qint64>(kReminderDays)); }
    void setReminderDays(qint32 days) { setValueAt(kReminderDays, qint64(days)); }
    std::optional<QString> customReminderDays() const {
        return optionalAt<QString>(kCustomReminderDays);
    }
    void setCustomReminderDays(const std::optional<QString>& text) {
        setOptionalAt(kCustomReminderDays, text);
    }
    Instant createdAt() const { return requiredAt<Instant>(kCreatedAt); }
    void setCreatedAt(Instant instant) { setValueAt(kCreatedAt, instant); }
    std::optional<Instant> lastNotified() const { return optionalAt<Instant>(kLastNotified); }
    void setLastNotified(std::optional<Instant> instant) { setOptionalAt(kLastNotified, instant); }
    // The attached document, whole, read from the store now (see ManagedObject::document);
    // an empty document is not the same as none.
    std::optional<QByteArray> pdfData() const {
        const std::shared_ptr<const QByteArray> bytes = document(kPdfData);
        return bytes ? std::optional(*bytes) : std::nullopt;
    }
    // The document's bytes, shared with every other reader that holds them.
    std::shared_ptr<const QByteArray> pdfDocument() const { return document(kPdfData); }
    // The same, read off this thread when it is in the store file (see
    // ManagedObject::documentLater).
    void pdfDocumentLater(QObject* receiver,
                          std::function<void(std::shared_ptr<const QByteArray>)> done) const {
        documentLater(kPdfData, receiver, std::move(done));
    }
    // The document's size in bytes, and whether there is one, without reading it.
    std::optional<qint64> pdfDataSize() const { return documentSize(kPdfData); }
    bool hasPdfData() const { return hasValue(kPdfData); }
    void setPdfData(const std::optional<QByteArray>& bytes) { setOptionalAt(kPdfData, bytes); }
    std::optional<QString> pdfFileName() const { return optionalAt<QString>(kPdfFileName); }
    void setPdfFileName(const std::optional<QString>& name) { setOptionalAt(kPdfFileName, name); }
    std::optional<QString> clientPhoneNumber() const {
        return optionalAt<QString>(kClientPhoneNumber);
    }
    void setClientPhoneNumber(const std::optional<QString>& phone) {
        setOptionalAt(kClientPhoneNumber, phone);
    }

    std::shared_ptr<Category> category() const;
    // The category as a plain pointer, for comparing many policies with one category without
    // taking a reference to each (a list's filter).
    const ManagedObject* categoryObject() const { return destinationAt(kCategory); }
    void setCategory(const std::shared_ptr<Category>& category);
    std::shared_ptr<Contact> contact() const;
    void setContact(const std::shared_ptr<Contact>& contact);

    // The days before expiry at which to remind, as written in customReminderDays, or
    // reminderDays alone when that text is absent or empty.
    std::vector<qint64> reminderDaysArray() const;
    // Whole calendar days from now until the expiry; negative once past.
    qint64 daysUntilExpiration() const;
    // The expiry moved forward by one renewal period.
    Instant calculateNextRenewalDate() const;
    // Past its expiry by at least a whole day.
    bool isExpired() const;
    // Expiring within the largest reminder day, today included.
    bool isExpiringSoon() const;
    // The largest reminder day, from customReminderDays or else reminderDays.
    qint64 reminderHorizon() const;
    // Expired, expiring soon or active, now.
    PolicyStatus status() const;
    // Whether the client was told of this expiry once its reminder window had opened.
    bool isClientNotified() const;
    // Expiring soon and the client not yet told: the list's "Da Avvisare".
    bool needsClientNotice() const;

protected:
    void awakeFromInsert() override;

private:
    // Set once, on insertion; the context refuses any later change.
    void setId(const QUuid& id) { setValueAt(kId, id); }
};
