#include "policies/PolicyEditView.h"

#include "categories/CategoryPicker.h"
#include "documents/DocumentRenderer.h"
#include "model/CalendarMath.h"
#include "model/Contact.h"
#include "model/Policy.h"
#include "platform/BackgroundWork.h"
#include "platform/Clock.h"
#include "platform/LogChannel.h"
#include "policies/ContactPickerModel.h"
#include "policies/DropZoneView.h"
#include "policies/PDFAttachmentView.h"
#include "policies/PDFFileReader.h"
#include "policies/PDFViewer.h"
#include "reminders/NotificationManager.h"
#include "ui/FieldBlock.h"
#include "ui/Icons.h"
#include "ui/Palette.h"
#include "ui/RoundedPanel.h"
#include "ui/SegmentedControl.h"
#include "ui/TextArea.h"
#include "ui/TextLabel.h"
#include "ui/Typography.h"

#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

constexpr QLatin1StringView kRenewalValues[] = {
    QLatin1StringView("yearly"), QLatin1StringView("monthly"), QLatin1StringView("quarterly")};
constexpr int kNotesHeight = 80;

QString titleFor(const std::shared_ptr<Policy>& policy) {
    return policy ? QStringLiteral("Modifica Polizza") : QStringLiteral("Nuova Polizza");
}

std::optional<QString> phoneOf(const Contact& contact) {
    const std::optional<QString> phone = contact.phoneNumber();
    return phone && !phone->isEmpty() ? phone : std::nullopt;
}

} // namespace

PDFViewer::Services PolicyEditView::Services::viewer() const {
    return {.desktop = desktop, .log = log, .exporter = exporter, .documents = documents};
}

PolicyEditView::PolicyEditView(Services services, std::shared_ptr<Policy> policy, QWidget* parent)
    : EditorSheet(titleFor(policy), QStringLiteral("Inserisci i dettagli della polizza qui sotto"),
                  QStringLiteral("Salva Polizza"), parent)
    , m_services(std::move(services))
    , m_policy(std::move(policy))
    , m_draft(m_policy ? PolicyDraft::of(*m_policy) : PolicyDraft::fresh(m_services.clock.now())) {
    setObjectName(QStringLiteral("policyEditView"));
    setMinimumSize(600, 650);
    addSection(QStringLiteral("Informazioni Polizza"), QStringLiteral("doc.text"),
               buildPolicyInfoCard(), QStringLiteral("policyInfoSection"));
    addSection(QStringLiteral("Contatto Cliente"), QStringLiteral("person.badge.plus"),
               buildClientContactCards(), QStringLiteral("clientContactSection"));
    addSection(QStringLiteral("Stato & Scadenza"), QStringLiteral("calendar.badge.clock"),
               buildExpirationCard(), QStringLiteral("expirationSection"));
    addSection(QStringLiteral("Note"), QStringLiteral("note.text"), buildNotesCard(),
               QStringLiteral("notesSection"));
    addSection(QStringLiteral("Allegato Documento"), QStringLiteral("paperclip"),
               buildDocumentCard(), QStringLiteral("documentSection"));
    showPhoneCard();
    showDocument();
    draftEdited();
    m_nameField->setFocus();
    m_original = m_draft;
}

PolicyEditView::~PolicyEditView() = default;

QWidget* PolicyEditView::buildPolicyInfoCard() {
    auto* card = new RoundedPanel(RoundedPanel::card(12));
    auto* row = new QHBoxLayout;
    row->setSpacing(16);
    card->body()->addLayout(row);
    m_nameField =
        addField(row, QStringLiteral("Nome Polizza"), QStringLiteral("es. Assicurazione Casa"),
                 QStringLiteral("nameField"), m_draft.name);
    addField(row, QStringLiteral("Numero Polizza"), QStringLiteral("Inserisci ID polizza"),
             QStringLiteral("policyNumberField"), m_draft.policyNumber);
    auto* second = new QHBoxLayout;
    second->setSpacing(16);
    card->body()->addLayout(second);
    addField(second, QStringLiteral("Fornitore / Compagnia"),
             QStringLiteral("Nome compagnia assicurativa"), QStringLiteral("providerField"),
             m_draft.provider);
    auto* category = new CategoryPicker(m_services.context, QStringLiteral("Nessuna"),
                                        QStringLiteral("policyCategoryPicker"), card);
    category->setCategory(m_draft.category);
    m_draft.category = category->category();
    connect(category, &CategoryPicker::categoryChanged, this,
            [this, category] { m_draft.category = category->category(); });
    second->addWidget(FieldBlock::captioned(QStringLiteral("Categoria"), category, card), 0,
                      Qt::AlignTop);
    return card;
}

QWidget* PolicyEditView::buildClientContactCards() {
    auto* cards = new QWidget;
    auto* stack = new QVBoxLayout(cards);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(16);
    stack->addWidget(buildContactCard());
    stack->addWidget(buildPhoneCard());
    return cards;
}

QWidget* PolicyEditView::buildContactCard() {
    auto* card = new RoundedPanel(RoundedPanel::card(12));
    auto* row = new QHBoxLayout;
    row->setSpacing(12);
    m_contactIcon = new QLabel(card);
    row->addWidget(m_contactIcon);
    m_contacts = new ContactPickerModel(m_services.context, this);
    m_contactPicker = new QComboBox(card);
    m_contactPicker->setObjectName(QStringLiteral("contactPicker"));
    // Sized by a typical name, not by measuring every contact: thousands would slow opening.
    m_contactPicker->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_contactPicker->setMinimumContentsLength(24);
    m_contactPicker->setModel(m_contacts);
    fillContactPicker();
    // The picker's own label before it, as a form on this desktop shows one.
    auto* picker = new QWidget(card);
    auto* pickerRow = new QHBoxLayout(picker);
    pickerRow->setContentsMargins(0, 0, 0, 0);
    auto* pickerLabel = new QLabel(QStringLiteral("Seleziona Contatto"), picker);
    pickerLabel->setObjectName(QStringLiteral("contactPickerLabel"));
    pickerLabel->setAccessibleName(pickerLabel->text());
    pickerLabel->setBuddy(m_contactPicker);
    pickerRow->addWidget(pickerLabel);
    pickerRow->addWidget(m_contactPicker, 1);
    row->addWidget(FieldBlock::captioned(QStringLiteral("Contatto Assegnato"), picker, card), 1);
    m_contactPicker->setAccessibleName(QStringLiteral("Contatto Assegnato"));
    auto* create = new QPushButton(card);
    create->setObjectName(QStringLiteral("createContactButton"));
    create->setAccessibleName(QStringLiteral("Crea Nuovo Contatto"));
    create->setToolTip(QStringLiteral("Crea Nuovo Contatto"));
    create->setAutoDefault(false);
    create->setIcon(Icons::icon(u"person.badge.plus", palette().color(QPalette::ButtonText)));
    row->addWidget(create);
    card->body()->addLayout(row);
    connect(m_contactPicker, &QComboBox::currentIndexChanged, this, [this](int chosen) {
        ManagedObject* object = m_contacts->objectAt(chosen);
        m_draft.selectedContact =
            object ? std::static_pointer_cast<Contact>(object->shared_from_this()) : nullptr;
        showPhoneCard();
    });
    connect(create, &QPushButton::clicked, this, &PolicyEditView::openContactEditor);
    return card;
}

void PolicyEditView::fillContactPicker() {
    const int row = m_draft.selectedContact ? m_contacts->rowOf(m_draft.selectedContact.get()) : 0;
    m_contactPicker->setCurrentIndex(std::max(row, 0));
}

QWidget* PolicyEditView::buildPhoneCard() {
    auto* card = new RoundedPanel(RoundedPanel::card(12));
    auto* row = new QHBoxLayout;
    row->setSpacing(12);
    m_phoneIcon = new QLabel(card);
    row->addWidget(m_phoneIcon);
    m_phonePages = new QStackedWidget(card);
    m_phonePages->setObjectName(QStringLiteral("phonePages"));

    auto* typed = new QWidget(m_phonePages);
    auto* typedStack = new QVBoxLayout(typed);
    typedStack->setContentsMargins(0, 0, 0, 0);
    typedStack->setSpacing(4);
    auto* phone = new QLineEdit(typed);
    phone->setObjectName(QStringLiteral("clientPhoneField"));
    phone->setAccessibleName(QStringLiteral("Telefono Cliente"));
    phone->setPlaceholderText(QStringLiteral("e.g. +39 333 123 4567"));
    phone->setMaxLength(std::numeric_limits<int>::max());
    bind(phone, m_draft.clientPhoneNumber);
    typedStack->addWidget(phone);
    auto* format = new TextLabel(QStringLiteral("Formato internazionale: +[paese][numero]"),
                                 TextStyle::Caption2, ColorName::Secondary, typed);
    format->setAccessibleName(format->text());
    typedStack->addWidget(format);
    m_phonePages->addWidget(typed);

    auto* fromContact = new QWidget(m_phonePages);
    auto* contactStack = new QVBoxLayout(fromContact);
    contactStack->setContentsMargins(0, 0, 0, 0);
    contactStack->setSpacing(4);
    m_contactPhone = new QLabel(fromContact);
    m_contactPhone->setObjectName(QStringLiteral("contactPhoneLabel"));
    m_contactPhone->setTextFormat(Qt::PlainText);
    m_contactPhone->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_contactPhoneHint =
        new TextLabel(QString(), TextStyle::Caption2, ColorName::Secondary, fromContact);
    m_contactPhoneHint->setObjectName(QStringLiteral("contactPhoneHint"));
    contactStack->addWidget(m_contactPhone);
    contactStack->addWidget(m_contactPhoneHint);
    m_phonePages->addWidget(fromContact);

    row->addWidget(m_phonePages, 1);
    card->body()->addLayout(row);
    return card;
}

void PolicyEditView::showPhoneCard() {
    const Contact* contact = m_draft.selectedContact.get();
    const std::optional<QString> phone = contact ? phoneOf(*contact) : std::nullopt;
    m_phonePages->setCurrentIndex(contact ? 1 : 0);
    for (int page = 0; page < m_phonePages->count(); ++page) {
        m_phonePages->widget(page)->setSizePolicy(
            page == m_phonePages->currentIndex() ? QSizePolicy::Preferred : QSizePolicy::Ignored,
            page == m_phonePages->currentIndex() ? QSizePolicy::Preferred : QSizePolicy::Ignored);
    }
    if (contact) {
        m_contactPhone->setText(phone.value_or(QStringLiteral("Nessun numero di telefono")));
        m_contactPhone->setAccessibleName(m_contactPhone->text());
        m_contactPhoneHint->setText(phone ? QStringLiteral("Numero di telefono dal profilo")
                                          : QStringLiteral("Questo dettaglio manca nel profilo"));
        m_contactPhoneHint->setAccessibleName(m_contactPhoneHint->text());
    }
    applyLook();
}

QWidget* PolicyEditView::buildExpirationCard() {
    auto* card = new RoundedPanel(RoundedPanel::card(16));
    auto* row = new QHBoxLayout;
    row->setSpacing(24);
    m_expiry = new QDateEdit(card);
    m_expiry->setObjectName(QStringLiteral("expirationDatePicker"));
    m_expiry->setCalendarPopup(true);
    m_expiry->setDisplayFormat(locale().dateFormat(QLocale::ShortFormat));
    m_expiry->setDateRange(QDate(1, 1, 1), QDate(9999, 12, 31));
    m_expiry->setDate(
        CalendarMath::toLocal(m_draft.expirationDate, m_services.clock.timeZone()).date);
    connect(m_expiry, &QDateEdit::dateChanged, this, &PolicyEditView::setExpiryDate);
    row->addWidget(FieldBlock::captioned(QStringLiteral("Data di Scadenza"), m_expiry, card), 0,
                   Qt::AlignTop);

    QWidget* days =
        addField(row, QStringLiteral("Avvisi di Promemoria"), QStringLiteral("e.g. 30, 15, 7"),
                 QStringLiteral("reminderDaysField"), m_draft.customReminderDays)
            ->parentWidget();
    row->setStretchFactor(days, 1);
    auto* daysHint =
        new TextLabel(QStringLiteral("Giorni prima della scadenza, separati da virgola"),
                      TextStyle::Caption2, ColorName::Secondary, days);
    daysHint->setAccessibleName(daysHint->text());
    days->layout()->addWidget(daysHint);
    card->body()->addLayout(row);

    auto* cycle = new SegmentedControl(QStringLiteral("renewalTypePicker"), card);
    cycle->addSegment(QStringLiteral("Annuale"), QStringLiteral("yearlySegment"));
    cycle->addSegment(QStringLiteral("Mensile"), QStringLiteral("monthlySegment"));
    cycle->addSegment(QStringLiteral("Trimestrale"), QStringLiteral("quarterlySegment"));
    // A stored cycle none of the segments names stays as it is until the user picks one.
    for (int i = 0; i < 3; ++i) {
        if (kRenewalValues[i] == m_draft.renewalType) {
            cycle->setCurrentIndex(i);
        }
    }
    connect(cycle, &SegmentedControl::currentIndexChanged, this,
            [this](int index) { m_draft.renewalType = kRenewalValues[index]; });
    card->body()->addWidget(FieldBlock::captioned(QStringLiteral("Ciclo di Rinnovo"), cycle, card));
    return card;
}

void PolicyEditView::setExpiryDate(QDate date) {
    // Only the date changes: the expiry keeps its time of day, so its reminders keep theirs.
    const QTimeZone zone = m_services.clock.timeZone();
    const qint64 msOfDay = CalendarMath::toLocal(m_draft.expirationDate, zone).msOfDay;
    if (const std::optional<Instant> moved = CalendarMath::fromLocal(date, msOfDay, zone)) {
        m_draft.expirationDate = *moved;
    }
}

QWidget* PolicyEditView::buildNotesCard() {
    auto* card = new RoundedPanel(RoundedPanel::card(12));
    addNotes(card->body(), kNotesHeight, m_draft.notes);
    return card;
}

QWidget* PolicyEditView::buildDocumentCard() {
    m_documentCard = new RoundedPanel(RoundedPanel::card(12));
    m_dropZone = new DropZoneView(m_documentCard);
    connect(m_dropZone, &DropZoneView::tapped, this, &PolicyEditView::openFileDialog);
    connect(m_dropZone, &DropZoneView::dropped, this, &PolicyEditView::loadPDF);
    m_documentCard->body()->addWidget(m_dropZone);
    return m_documentCard;
}

void PolicyEditView::showDocument() {
    delete m_attachment;
    // The row only when both a name and bytes are there; bytes without a name offer the zone.
    const bool attached = m_draft.pdfFileName && m_draft.hasDocument();
    m_dropZone->setVisible(!attached);
    if (!attached) {
        return;
    }
    m_attachment = new PDFAttachmentView(*m_draft.pdfFileName, m_draft.documentSize());
    showPageCount();
    connect(m_attachment, &PDFAttachmentView::viewRequested, this, &PolicyEditView::openViewer);
    connect(m_attachment, &PDFAttachmentView::removeRequested, this, [this] {
        m_draft.removeDocument();
        // Not from inside the row's own click.
        QMetaObject::invokeMethod(this, &PolicyEditView::showDocument, Qt::QueuedConnection);
    });
    m_documentCard->body()->addWidget(m_attachment);
    // The row's buttons join the Tab chain where the row sits, once it is laid out.
    QMetaObject::invokeMethod(this, &EditorSheet::refreshTabOrder, Qt::QueuedConnection);
}

void PolicyEditView::openFileDialog() {
    auto* dialog = new QFileDialog(this);
    dialog->setObjectName(QStringLiteral("pdfFileDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setNameFilter(QStringLiteral("PDF (*.pdf *.PDF)"));
    dialog->setMimeTypeFilters({QStringLiteral("application/pdf")});
    // Read on acceptance: Qt's own dialog never emits urlsSelected, only a desktop's does.
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        const QList<QUrl> urls = dialog->selectedUrls();
        if (urls.isEmpty()) {
            return;
        }
        if (!urls.first().isLocalFile()) {
            m_services.log.write(QStringLiteral("Error picking file: "),
                                 urls.first().toDisplayString() +
                                     QStringLiteral(" is not a local file"));
            return;
        }
        loadPDF(urls.first().toLocalFile());
    });
    dialog->open();
}

void PolicyEditView::loadPDF(const QString& path) {
    // A large file takes a while to read: not on this thread. A later pick or drop wins.
    const quint64 reading = ++m_reading;
    runInBackground<PDFFileReader::Result>(
        this, [path] { return PDFFileReader::read(path); },
        [this, reading](PDFFileReader::Result file) {
            if (reading == m_reading) {
                attachRead(std::move(file));
            }
        });
}

void PolicyEditView::attachRead(PDFFileReader::Result file) {
    if (!file.error.isEmpty()) {
        m_services.log.write(QStringLiteral("Error loading PDF: "), file.error);
        return;
    }
    m_draft.attachDocument(std::move(file.data), file.fileName);
    showDocument();
}

// The row says how many pages the renderer finds, or that it cannot show the document, which
// is attached all the same.
void PolicyEditView::showPageCount() {
    QPointer<PDFAttachmentView> row = m_attachment;
    const QString name = m_draft.pdfFileName.value_or(QString());
    m_draft.documentBytesLater(m_policy.get(), m_attachment,
                               [this, row, name](const std::shared_ptr<const QByteArray>& bytes) {
                                   if (row && bytes) {
                                       row->setDocument(m_services.documents.show(*bytes, name));
                                   }
                               });
}

void PolicyEditView::openViewer() {
    const QString name = m_draft.pdfFileName.value_or(QStringLiteral("Document"));
    m_draft.documentBytesLater(
        m_policy.get(), this, [this, name](const std::shared_ptr<const QByteArray>& bytes) {
            if (bytes) {
                (new PDFViewer(*bytes, name, m_services.viewer(), this))->open();
            }
        });
}

void PolicyEditView::openContactEditor() {
    // Saved by its own editor; it appears in the picker at once, not selected.
    if (m_services.openContactEditor) {
        m_services.openContactEditor(this);
    }
}

void PolicyEditView::draftEdited() {
    setSaveEnabled(m_draft.canSave());
}

void PolicyEditView::applyLook() {
    if (!m_contactIcon) {
        return;
    }
    const int iconSize = QFontInfo(Typography::font(TextStyle::Title2, font())).pixelSize() + 6;
    m_contactIcon->setPixmap(Icons::pixmap(u"person.crop.circle", iconSize,
                                           Palette::color(ColorName::Blue, palette()),
                                           devicePixelRatioF()));
    const Contact* contact = m_draft.selectedContact.get();
    const bool hasPhone = !contact || phoneOf(*contact);
    m_phoneIcon->setPixmap(
        Icons::pixmap(u"phone.circle.fill", iconSize,
                      Palette::color(hasPhone ? ColorName::Green : ColorName::Secondary, palette()),
                      devicePixelRatioF()));
    if (m_contactPhone) {
        m_contactPhone->setFont(
            Typography::system(15, hasPhone ? QFont::Medium : QFont::Normal, font()));
        QPalette phonePalette = m_contactPhone->palette();
        phonePalette.setColor(
            QPalette::WindowText,
            Palette::color(hasPhone ? ColorName::Primary : ColorName::Secondary, palette()));
        m_contactPhone->setPalette(phonePalette);
    }
}

bool PolicyEditView::savePolicy() {
    QString error;
    const std::shared_ptr<Policy> saved = m_draft.save(m_services.context, m_policy, &error);
    if (!saved) {
        m_services.log.write(QStringLiteral("Error saving policy: "), error);
        return false;
    }
    m_services.reminders.schedulePolicyReminder(*saved);
    accept();
    return true;
}
