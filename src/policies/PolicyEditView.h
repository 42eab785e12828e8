#pragma once

#include "policies/PDFFileReader.h"
#include "policies/PDFShareExport.h"
#include "policies/PDFViewer.h"
#include "policies/PolicyDraft.h"
#include "ui/EditorSheet.h"

#include <QPointer>

#include <functional>
#include <memory>

class RoundedPanel;
class Clock;
class ContactPickerModel;
class DesktopActions;
class DocumentRenderer;
class DropZoneView;
class LogChannel;
class ManagedObjectContext;
class NotificationManager;
class PDFAttachmentView;
class Policy;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QStackedWidget;
class SegmentedControl;
class TextArea;

// The sheet in which a policy is created (given none) or changed (given one). It copies the
// policy's values once, when it is made; saving writes them into the policy (or a new one),
// saves the context, hands the policy to the reminders and closes. A failed save writes
// "Error saving policy: " and why, schedules nothing, and the sheet stays open with its values.
class PolicyEditView final : public EditorSheet {
    Q_OBJECT
public:
    struct Services {
        ManagedObjectContext& context;
        NotificationManager& reminders;
        const Clock& clock;
        LogChannel& log;
        DesktopActions& desktop;
        PDFShareExport exporter;
        // Reads and draws documents in a process of its own.
        DocumentRenderer& documents;
        // Opens the contact editor in create mode over the given sheet; the contacts screens
        // live beside this one, so the program supplies it.
        std::function<void(QWidget* over)> openContactEditor;

        // What the sheet hands to the document viewer.
        PDFViewer::Services viewer() const;
    };

    PolicyEditView(Services services, std::shared_ptr<Policy> policy, QWidget* parent = nullptr);
    ~PolicyEditView() override;

    const PolicyDraft& draft() const { return m_draft; }
    bool hasChanges() const override { return m_draft != m_original; }
    // True once saved (the sheet then closes).
    bool savePolicy();
    // Reads a picked or dropped file into the draft, off the screens' thread: the attachment
    // row appears once it is read, or "Error loading PDF: " says why it cannot be.
    void loadPDF(const QString& path);

protected:
    bool save() override { return savePolicy(); }
    void draftEdited() override;

private:
    QWidget* buildPolicyInfoCard();
    QWidget* buildClientContactCards();
    QWidget* buildContactCard();
    QWidget* buildPhoneCard();
    QWidget* buildExpirationCard();
    QWidget* buildNotesCard();
    QWidget* buildDocumentCard();
    void fillContactPicker();
    void showPhoneCard();
    void showDocument();
    void setExpiryDate(QDate date);
    void openFileDialog();
    void attachRead(PDFFileReader::Result file);
    void showPageCount();
    void openViewer();
    void openContactEditor();
    void applyLook();

    Services m_services;
    std::shared_ptr<Policy> m_policy;
    PolicyDraft m_draft;
    PolicyDraft m_original;
    ContactPickerModel* m_contacts = nullptr;
    QComboBox* m_contactPicker = nullptr;
    QLineEdit* m_nameField = nullptr;
    QLabel* m_contactIcon = nullptr;
    QLabel* m_phoneIcon = nullptr;
    QStackedWidget* m_phonePages = nullptr;
    QLabel* m_contactPhone = nullptr;
    QLabel* m_contactPhoneHint = nullptr;
    QDateEdit* m_expiry = nullptr;
    RoundedPanel* m_documentCard = nullptr;
    DropZoneView* m_dropZone = nullptr;
    QPointer<PDFAttachmentView> m_attachment;
    quint64 m_reading = 0; // the file read last asked for; earlier ones are dropped
};
