#pragma once

#include "model/ClientReminderMessage.h"
#include "policies/ClientContactCard.h"
#include "policies/PDFViewer.h"
#include "policies/PolicyEditView.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

class ActionButtonRow;
class Confirmation;
class DetailItem;
class DocumentPreview;
class InfoBlock;
class ObjectObservation;
class Policy;
class QLabel;
class TextLabel;
class QHBoxLayout;
class QPushButton;
class QVBoxLayout;
class StatusBadge;

// The right pane of the policy screen for one policy: its name, status, number and provider
// with "Elimina", "Modifica", "Rinnova" and a menu to mark the client told or not; the expiry,
// renewal cycle and reminder days; the client's card with the WhatsApp and e-mail reminders and
// when the client was last told; the notes; and the attached document inline.
//
// The pane follows its policy, the policy's contact and the clock, so a save anywhere, a
// renewal or a new day shows at once. It never deletes the policy: a confirmed "Elimina" runs
// `onDelete`, and a deletion made elsewhere empties the pane and emits policyDeleted().
class PolicyDetailView final : public QWidget {
    Q_OBJECT
public:
    struct Services {
        ManagedObjectContext& context;
        NotificationManager& reminders;
        const Clock& clock;
        LogChannel& log;
        DesktopActions& desktop;
        Confirmation& confirmation;
        PDFShareExport exporter;
        DocumentRenderer& documents;
        // Handed on to the editor sheet that "Modifica" opens.
        std::function<void(QWidget* over)> openContactEditor;

        // What the pane hands to the editor sheet and to the document viewer.
        PolicyEditView::Services editor() const;
        PDFViewer::Services viewer() const;
    };

    PolicyDetailView(Services services, std::shared_ptr<Policy> policy,
                     std::function<void()> onDelete, QWidget* parent = nullptr);
    ~PolicyDetailView() override;

    const std::shared_ptr<Policy>& policy() const { return m_policy; }
    QColor statusColor() const;
    bool isShowingEditSheet() const { return !m_editSheet.isNull(); }
    bool isShowingDeleteConfirmation() const { return m_showingDeleteConfirmation; }

    // Moves the expiry by one renewal period, clears lastNotified and saves; once saved, the
    // reminders are scheduled again for the new expiry. A save the store refuses is not
    // reported and is undone at once, leaving the policy and its reminders as they were.
    void renewPolicy();
    // Opens the client's WhatsApp reminder and records the client as told through it; nothing
    // when there is no phone to write to. A refused save writes its line and leaves
    // lastNotified as it was; the reminder is opened all the same.
    void sendWhatsApp();
    // The same by e-mail; an address that is not a single plausible one opens nothing and
    // writes "Error composing e-mail: ".
    void sendEmail();
    // Records the client as told now by other means (a call), or as not told.
    void markNotified(bool notified);

Q_SIGNALS:
    // The policy was deleted (here or elsewhere); the pane shows nothing of it any more.
    void policyDeleted();

protected:
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildHeader();
    ActionButtonRow* buildButtons();
    void addMoreButton(ActionButtonRow& buttons);
    QWidget* buildBody();
    QWidget* buildKeyFacts();
    QWidget* buildContactSection();
    QWidget* buildNotesSection();
    QWidget* buildDocumentSection();
    QLabel* sectionHeading(const QString& text, QWidget* parent);

    ClientReminderMessage::Input messageInput() const;
    ClientContactCard::Shown contactShown() const;
    void observeContact();
    void policyChanged(const QStringList& properties);
    void refresh();
    void refreshStatus();
    void refreshContact();
    void refreshNotice();
    void recordNotice(std::optional<Instant> notified);
    void policyWasDeleted();
    void openEditSheet();
    void confirmDelete();
    void applyLook();
    void fitHeader(bool measureAgain = false);
    void fitKeyFacts();

    Services m_services;
    std::shared_ptr<Policy> m_policy;
    std::function<void()> m_onDelete;
    std::unique_ptr<ObjectObservation> m_observation;
    std::unique_ptr<ObjectObservation> m_contactObservation;
    QPointer<PolicyEditView> m_editSheet;
    bool m_showingDeleteConfirmation = false;
    bool m_deleted = false;
    ClientContactCard::Shown m_contactShown;

    QWidget* m_page = nullptr;
    QWidget* m_header = nullptr;
    ActionButtonRow* m_buttons = nullptr;
    QWidget* m_bodyView = nullptr; // the viewport the body scrolls in
    QHBoxLayout* m_factsRow = nullptr;
    std::array<InfoBlock*, 3> m_facts{};
    QLabel* m_name = nullptr;
    StatusBadge* m_badge = nullptr;
    DetailItem* m_number = nullptr;
    DetailItem* m_provider = nullptr;
    TextLabel* m_expiry = nullptr;
    QLabel* m_remaining = nullptr;
    QLabel* m_renewal = nullptr;
    QLabel* m_reminders = nullptr;
    QVBoxLayout* m_contactStack = nullptr;
    ClientContactCard* m_contactCard = nullptr;
    TextLabel* m_notice = nullptr;
    QAction* m_markNotified = nullptr;
    QAction* m_markNotNotified = nullptr;
    QWidget* m_notesSection = nullptr;
    QLabel* m_notes = nullptr;
    DocumentPreview* m_document = nullptr;
};
