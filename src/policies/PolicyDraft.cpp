#include "policies/PolicyDraft.h"

#include "model/Category.h"
#include "model/Contact.h"
#include "model/DraftSave.h"
#include "model/Policy.h"
#include "model/PolicyRules.h"

#include <QTimer>

namespace {

std::optional<QString> presentUnlessEmpty(const QString& text) {
    return text.isEmpty() ? std::nullopt : std::optional<QString>(text);
}

} // namespace

PolicyDraft PolicyDraft::fresh(Instant now) {
    PolicyDraft draft;
    draft.expirationDate = now;
    return draft;
}

PolicyDraft PolicyDraft::of(const Policy& policy) {
    PolicyDraft draft;
    draft.name = policy.name();
    draft.policyNumber = policy.policyNumber();
    draft.provider = policy.provider();
    draft.expirationDate = policy.expirationDate();
    draft.renewalType = policy.renewalType();
    draft.customReminderDays =
        policy.customReminderDays().value_or(QString::number(policy.reminderDays()));
    draft.notes = policy.notes().value_or(QString());
    draft.clientPhoneNumber = policy.clientPhoneNumber().value_or(QString());
    draft.selectedContact = policy.contact();
    draft.category = policy.category();
    draft.pdfFileName = policy.pdfFileName();
    draft.m_storedSize = policy.pdfDataSize();
    return draft;
}

qint32 PolicyDraft::reminderDaysFor(const QString& text) {
    return PolicyRules::storedReminderDays(text);
}

bool PolicyDraft::hasDocument() const {
    return m_documentChanged ? m_document != nullptr : m_storedSize.has_value();
}

qint64 PolicyDraft::documentSize() const {
    if (m_documentChanged) {
        return m_document ? m_document->size() : 0;
    }
    return m_storedSize.value_or(0);
}

void PolicyDraft::documentBytesLater(
    const Policy* policy, QObject* receiver,
    std::function<void(std::shared_ptr<const QByteArray>)> done) const {
    if (!m_documentChanged && policy) {
        policy->pdfDocumentLater(receiver, std::move(done));
        return;
    }
    QTimer::singleShot(0, receiver,
                       [done = std::move(done), bytes = m_documentChanged ? m_document : nullptr] {
                           done(bytes);
                       });
}

void PolicyDraft::attachDocument(QByteArray bytes, const QString& fileName) {
    m_document = std::make_shared<const QByteArray>(std::move(bytes));
    m_documentChanged = true;
    pdfFileName = fileName;
}

void PolicyDraft::removeDocument() {
    m_document.reset();
    m_documentChanged = true;
    pdfFileName.reset();
}

void PolicyDraft::writeInto(Policy& policy) const {
    policy.setName(name);
    policy.setPolicyNumber(policyNumber);
    policy.setProvider(provider);
    policy.setExpirationDate(expirationDate);
    policy.setRenewalType(renewalType);
    policy.setCustomReminderDays(customReminderDays);
    policy.setReminderDays(reminderDaysFor(customReminderDays));
    policy.setNotes(presentUnlessEmpty(notes));
    if (m_documentChanged) {
        policy.setPdfData(m_document ? std::optional<QByteArray>(*m_document) : std::nullopt);
    }
    policy.setPdfFileName(pdfFileName);
    policy.setClientPhoneNumber(presentUnlessEmpty(clientPhoneNumber));
    policy.setContact(selectedContact);
    policy.setCategory(category);
}

std::shared_ptr<Policy> PolicyDraft::save(ManagedObjectContext& context,
                                          std::shared_ptr<Policy> policy, QString* error) const {
    return saveDraft(*this, context, std::move(policy), error);
}
