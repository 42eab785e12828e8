#include "policies/PolicyDetailView.h"

#include "model/ClientNotice.h"
#include "model/Contact.h"
#include "model/Policy.h"
#include "model/PolicyStatus.h"
#include "platform/Clock.h"
#include "platform/DesktopActions.h"
#include "platform/LogChannel.h"
#include "policies/ClientNoticeSave.h"
#include "policies/DetailItem.h"
#include "policies/DocumentPreview.h"
#include "policies/InfoBlock.h"
#include "policies/StatusBadge.h"
#include "reminders/NotificationManager.h"
#include "store/ManagedObjectContext.h"
#include "store/ObjectObservation.h"
#include "ui/ActionButtonRow.h"
#include "ui/Confirmation.h"
#include "ui/Divider.h"
#include "ui/Palette.h"
#include "ui/RoundedPanel.h"
#include "ui/TextLabel.h"
#include "ui/Typography.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kMargin = 32;
constexpr int kHeaderSpacing = 12; // between the name and the buttons
constexpr int kWidestFactsGap = 48;
constexpr int kNarrowestFactsGap = 16;
constexpr int kNamePoints = 28;

// First letter of each blank-separated word in upper case, the rest in lower case.
QString capitalizedWords(const QString& text) {
    QString result = text.toLower();
    bool wordStart = true;
    for (QChar& c : result) {
        if (c.isSpace()) {
            wordStart = true;
        } else if (wordStart) {
            c = c.toUpper();
            wordStart = false;
        }
    }
    return result;
}

QString reminderDaysLine(const std::vector<qint64>& days) {
    QStringList parts;
    for (qint64 day : days) {
        parts << QString::number(day);
    }
    return parts.join(QStringLiteral(", ")) + QStringLiteral(" giorni prima");
}

TextLabel* styledLabel(TextLabel::FontOf font, ColorName color, const QString& name,
                       QWidget* parent) {
    auto* label = new TextLabel(QString(), std::move(font), TextLabel::named(color), parent);
    label->setObjectName(name);
    return label;
}

QWidget* paddedSection(QLayout* content, int top, int bottom) {
    auto* section = new QWidget;
    content->setContentsMargins(kMargin, top, kMargin, bottom);
    section->setLayout(content);
    return section;
}

} // namespace

PolicyEditView::Services PolicyDetailView::Services::editor() const {
    return {.context = context,
            .reminders = reminders,
            .clock = clock,
            .log = log,
            .desktop = desktop,
            .exporter = exporter,
            .documents = documents,
            .openContactEditor = openContactEditor};
}

PDFViewer::Services PolicyDetailView::Services::viewer() const {
    return {.desktop = desktop, .log = log, .exporter = exporter, .documents = documents};
}

PolicyDetailView::PolicyDetailView(Services services, std::shared_ptr<Policy> policy,
                                   std::function<void()> onDelete, QWidget* parent)
    : QWidget(parent)
    , m_services(std::move(services))
    , m_policy(std::move(policy))
    , m_onDelete(std::move(onDelete)) {
    setObjectName(QStringLiteral("policyDetailView"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_page = new QWidget(this);
    auto* stack = new QVBoxLayout(m_page);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    stack->addWidget(buildHeader());
    stack->addWidget(new Divider(Qt::Horizontal, m_page));
    stack->addWidget(buildBody(), 1);
    outer->addWidget(m_page);

    m_observation = std::make_unique<ObjectObservation>(
        m_policy, [this](const QStringList& properties) { policyChanged(properties); },
        [this] { policyWasDeleted(); });
    const Clock& clock = m_services.clock;
    for (auto signal : {&Clock::minuteChanged, &Clock::dayChanged, &Clock::timeZoneChanged,
                        &Clock::wallClockJumped}) {
        connect(&clock, signal, this, &PolicyDetailView::refreshStatus);
    }
    observeContact();
    refresh();
    m_document->refresh(clock.locale());
    applyLook();
    if (m_policy->isDeleted()) {
        policyWasDeleted();
    }
}

PolicyDetailView::~PolicyDetailView() = default;

QWidget* PolicyDetailView::buildHeader() {
    auto* header = new QWidget(m_page);
    m_header = header;
    header->setObjectName(QStringLiteral("detailHeader"));
    header->installEventFilter(this);
    header->setAutoFillBackground(true);
    // The name alone beside the buttons, the status, number and provider under the whole
    // header: beside the buttons they would leave the name too little room.
    auto* stack = new QVBoxLayout(header);
    stack->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    stack->setSpacing(10);
    m_name = styledLabel(TextLabel::points(kNamePoints, QFont::Bold), ColorName::Primary,
                         QStringLiteral("policyNameLabel"), header);
    // A long name wraps rather than being cut by the buttons beside it; a single word longer
    // than the room left is cut rather than the buttons (see fitHeader).
    m_name->setWordWrap(true);
    m_name->setMinimumWidth(1);
    auto* row = new QHBoxLayout;
    row->setSpacing(kHeaderSpacing);
    row->addWidget(m_name, 1);
    m_buttons = buildButtons();
    row->addWidget(m_buttons, 0, Qt::AlignTop);
    m_badge = new StatusBadge(m_policy, header);
    auto* items = new QHBoxLayout;
    items->setSpacing(20);
    m_number =
        new DetailItem(QStringLiteral("number"), QStringLiteral("Policy #"), QString(), header);
    m_number->setObjectName(QStringLiteral("policyNumberItem"));
    m_provider =
        new DetailItem(QStringLiteral("building.2"), QStringLiteral("Provider"), QString(), header);
    m_provider->setObjectName(QStringLiteral("providerItem"));
    items->addWidget(m_badge, 0, Qt::AlignVCenter);
    items->addWidget(m_number);
    items->addWidget(m_provider);
    items->addStretch();
    stack->addLayout(row);
    stack->addLayout(items);
    return header;
}

ActionButtonRow* PolicyDetailView::buildButtons() {
    auto* buttons = new ActionButtonRow(12);
    struct Action {
        const char* name;
        const char* icon;
        const char* objectName;
        void (PolicyDetailView::*run)();
    };
    const Action actions[] = {
        {"Elimina", "trash", "deleteButton", &PolicyDetailView::confirmDelete},
        {"Modifica", "pencil", "editButton", &PolicyDetailView::openEditSheet},
        {"Rinnova", "arrow.clockwise", "renewButton", &PolicyDetailView::renewPolicy}};
    for (const Action& action : actions) {
        QPushButton* button =
            buttons->add(QString::fromLatin1(action.name), QString::fromLatin1(action.icon),
                         QString::fromLatin1(action.objectName));
        button->setMinimumHeight(32);
        connect(button, &QPushButton::clicked, this, action.run);
    }
    addMoreButton(*buttons);
    return buttons;
}

void PolicyDetailView::addMoreButton(ActionButtonRow& buttons) {
    // An icon alone, as desktops draw a menu of further actions.
    QPushButton* more =
        buttons.add(QString(), QStringLiteral("ellipsis"), QStringLiteral("moreButton"));
    more->setMinimumHeight(32);
    more->setAccessibleName(QStringLiteral("Altro"));
    more->setToolTip(QStringLiteral("Altro"));
    auto* menu = new QMenu(more);
    menu->setObjectName(QStringLiteral("policyMoreMenu"));
    m_markNotified = menu->addAction(QStringLiteral("Segna come Avvisato"));
    m_markNotified->setObjectName(QStringLiteral("markNotifiedAction"));
    m_markNotNotified = menu->addAction(QStringLiteral("Segna come Non Avvisato"));
    m_markNotNotified->setObjectName(QStringLiteral("markNotNotifiedAction"));
    connect(m_markNotified, &QAction::triggered, this, [this] { markNotified(true); });
    connect(m_markNotNotified, &QAction::triggered, this, [this] { markNotified(false); });
    more->setMenu(menu);
}

QWidget* PolicyDetailView::buildBody() {
    auto* scroll = new QScrollArea(m_page);
    m_bodyView = scroll->viewport();
    m_bodyView->installEventFilter(this);
    scroll->setObjectName(QStringLiteral("detailScroll"));
    // A frame, not a stop of its own: Tab goes to the controls it holds, which it scrolls to.
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* body = new QWidget;
    body->setObjectName(QStringLiteral("detailBody"));
    body->setAutoFillBackground(true);
    body->setBackgroundRole(QPalette::Base);
    auto* stack = new QVBoxLayout(body);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(32);
    stack->addWidget(buildKeyFacts());
    stack->addWidget(buildContactSection());
    stack->addWidget(buildNotesSection());
    stack->addWidget(buildDocumentSection());
    stack->addStretch();
    scroll->setWidget(body);
    return scroll;
}

QWidget* PolicyDetailView::buildKeyFacts() {
    const TextLabel::FontOf value = TextLabel::style(TextStyle::Title3, QFont::Medium);
    auto* expiry = new QWidget;
    auto* expiryStack = new QVBoxLayout(expiry);
    expiryStack->setContentsMargins(0, 0, 0, 0);
    expiryStack->setSpacing(4);
    m_expiry =
        styledLabel(value, ColorName::Primary, QStringLiteral("expirationDateLabel"), expiry);
    m_remaining = styledLabel(TextLabel::style(TextStyle::Caption), ColorName::Secondary,
                              QStringLiteral("remainingDaysLabel"), expiry);
    expiryStack->addWidget(m_expiry);
    expiryStack->addWidget(m_remaining);
    m_renewal = styledLabel(value, ColorName::Primary, QStringLiteral("renewalTypeLabel"), nullptr);
    m_reminders =
        styledLabel(value, ColorName::Primary, QStringLiteral("reminderDaysLabel"), nullptr);

    // In a narrow pane the gaps between the facts narrow, then their values wrap, rather than
    // the pane scrolling sideways (see fitKeyFacts).
    m_factsRow = new QHBoxLayout;
    m_factsRow->setSpacing(kWidestFactsGap);
    m_facts = {
        new InfoBlock(QStringLiteral("SCADENZA"), QStringLiteral("calendar"), expiry),
        new InfoBlock(QStringLiteral("CICLO DI RINNOVO"), QStringLiteral("repeat"), m_renewal),
        new InfoBlock(QStringLiteral("AVVISI"), QStringLiteral("bell"), m_reminders)};
    for (InfoBlock* fact : m_facts) {
        m_factsRow->addWidget(fact, 0, Qt::AlignTop);
    }
    m_factsRow->addStretch();
    return paddedSection(m_factsRow, 24, 0);
}

QLabel* PolicyDetailView::sectionHeading(const QString& text, QWidget* parent) {
    return new TextLabel(text, TextLabel::style(TextStyle::Caption, QFont::Bold),
                         TextLabel::named(ColorName::Secondary), parent);
}

QWidget* PolicyDetailView::buildContactSection() {
    m_contactStack = new QVBoxLayout;
    m_contactStack->setSpacing(12);
    QWidget* section = paddedSection(m_contactStack, 0, 0);
    section->setObjectName(QStringLiteral("contactSection"));
    m_contactStack->addWidget(sectionHeading(QStringLiteral("CONTATTO CLIENTE"), section));
    m_notice = styledLabel(TextLabel::style(TextStyle::Subheadline), ColorName::Secondary,
                           QStringLiteral("clientNoticeLabel"), section);
    m_notice->setWordWrap(true);
    m_contactStack->addWidget(m_notice);
    return section;
}

QWidget* PolicyDetailView::buildNotesSection() {
    auto* stack = new QVBoxLayout;
    stack->setSpacing(12);
    m_notesSection = paddedSection(stack, 0, 0);
    m_notesSection->setObjectName(QStringLiteral("notesSection"));
    stack->addWidget(sectionHeading(QStringLiteral("NOTES"), m_notesSection));
    auto* panel = new RoundedPanel({.wash = 0.05, .radius = 8, .padding = 16}, m_notesSection);
    m_notes = styledLabel(TextLabel::style(TextStyle::Body), ColorName::Primary,
                          QStringLiteral("notesLabel"), panel);
    m_notes->setWordWrap(true);
    m_notes->setTextInteractionFlags(Qt::TextSelectableByMouse);
    panel->body()->addWidget(m_notes);
    stack->addWidget(panel);
    return m_notesSection;
}

QWidget* PolicyDetailView::buildDocumentSection() {
    auto* stack = new QVBoxLayout;
    stack->setSpacing(12);
    QWidget* section = paddedSection(stack, 0, 60);
    section->setObjectName(QStringLiteral("documentSection"));
    stack->addWidget(sectionHeading(QStringLiteral("DOCUMENTO ALLEGATO"), section));
    m_document = new DocumentPreview(m_policy, m_services.viewer(), section);
    stack->addWidget(m_document);
    return section;
}

ClientReminderMessage::Input PolicyDetailView::messageInput() const {
    ClientReminderMessage::Input input;
    input.name = m_policy->name();
    input.policyNumber = m_policy->policyNumber();
    input.expirationDate = m_policy->expirationDate();
    input.clientPhoneNumber = m_policy->clientPhoneNumber();
    if (const std::shared_ptr<Contact> contact = m_policy->contact()) {
        input.hasContact = true;
        input.contactPhoneNumber = contact->phoneNumber();
        input.contactEmail = contact->email();
    }
    return input;
}

ClientContactCard::Shown PolicyDetailView::contactShown() const {
    const std::shared_ptr<Contact> contact = m_policy->contact();
    const ClientReminderMessage::Input input = messageInput();
    return {contact != nullptr, contact ? contact->fullName() : QString(),
            ClientReminderMessage::contactPhone(input), ClientReminderMessage::contactEmail(input)};
}

// The card also shows the contact's own name and phone, which change without the policy.
void PolicyDetailView::observeContact() {
    const std::shared_ptr<Contact> contact = m_policy->contact();
    if (m_contactObservation && m_contactObservation->object() == contact) {
        return;
    }
    m_contactObservation.reset();
    if (contact) {
        m_contactObservation = std::make_unique<ObjectObservation>(
            contact, [this](const QStringList&) { refreshContact(); },
            [this] { refreshContact(); });
    }
}

void PolicyDetailView::policyChanged(const QStringList& properties) {
    if (properties.contains(QStringLiteral("contact"))) {
        observeContact();
    }
    refresh();
    if (properties.contains(QStringLiteral("pdfData")) ||
        properties.contains(QStringLiteral("pdfFileName"))) {
        m_document->refresh(m_services.clock.locale());
    }
}

void PolicyDetailView::refresh() {
    if (m_deleted) {
        return;
    }
    m_name->setText(m_policy->name());
    if (m_header->isVisible()) {
        fitHeader(); // otherwise once it is laid out, when it first gets its size
    }
    m_number->setValue(m_policy->policyNumber());
    m_provider->setValue(m_policy->provider());
    m_renewal->setText(capitalizedWords(m_policy->renewalType()));
    m_reminders->setText(reminderDaysLine(m_policy->reminderDaysArray()));
    const std::optional<QString> notes = m_policy->notes();
    m_notesSection->setVisible(notes && !notes->isEmpty());
    m_notes->setText(notes.value_or(QString()));
    refreshStatus();
    refreshContact();
}

void PolicyDetailView::refreshStatus() {
    if (m_deleted) {
        return;
    }
    const Clock& clock = m_services.clock;
    m_badge->refresh();
    m_expiry->setText(ClientReminderMessage::longDate(m_policy->expirationDate(), clock.timeZone(),
                                                      clock.locale()));
    m_expiry->setTextColor(Palette::byName(PolicyStatusRules::colorName(m_policy->status())));
    m_remaining->setText(PolicyStatusRules::detailRemainingPhrase(m_policy->daysUntilExpiration()));
    refreshNotice();
}

// When the client was last told, or that they were not while it matters; nothing otherwise.
void PolicyDetailView::refreshNotice() {
    const std::optional<Instant> notified = m_policy->lastNotified();
    m_markNotNotified->setEnabled(notified.has_value());
    QString text;
    if (m_policy->needsClientNotice()) {
        text = QStringLiteral("Cliente non ancora avvisato");
    } else if (notified) {
        const Clock& clock = m_services.clock;
        const QLocale locale = clock.locale();
        const QDateTime at = notified->toUtcDateTime().toTimeZone(clock.timeZone());
        text = QStringLiteral("Cliente avvisato il ") +
               locale.toString(at.date(), ClientReminderMessage::abbreviatedDateFormat(locale)) +
               QStringLiteral(", ") + locale.toString(at.time(), QLocale::ShortFormat);
        switch (ClientNotice::channelOf(*notified)) {
        case ClientNotice::Channel::WhatsApp:
            text += QStringLiteral(" via WhatsApp");
            break;
        case ClientNotice::Channel::Email:
            text += QStringLiteral(" via e-mail");
            break;
        case ClientNotice::Channel::Unknown:
            break;
        }
    }
    m_notice->setText(text);
    m_notice->setAccessibleName(text);
    m_notice->setVisible(!text.isEmpty());
}

void PolicyDetailView::refreshContact() {
    if (m_deleted) {
        return;
    }
    const ClientContactCard::Shown shown = contactShown();
    if (m_contactCard && shown == m_contactShown) {
        return;
    }
    m_contactShown = shown;
    delete m_contactCard;
    m_contactCard = new ClientContactCard(shown);
    connect(m_contactCard, &ClientContactCard::whatsAppClicked, this,
            &PolicyDetailView::sendWhatsApp);
    connect(m_contactCard, &ClientContactCard::emailClicked, this, &PolicyDetailView::sendEmail);
    // Under the heading, over the line saying when the client was told.
    m_contactStack->insertWidget(1, m_contactCard);
}

QColor PolicyDetailView::statusColor() const {
    return StatusBadge::colorOf(m_policy->status(), palette());
}

void PolicyDetailView::policyWasDeleted() {
    m_deleted = true;
    m_contactObservation.reset();
    m_page->hide();
    if (m_editSheet) {
        m_editSheet->reject();
    }
    Q_EMIT policyDeleted();
}

void PolicyDetailView::openEditSheet() {
    if (m_deleted || m_editSheet) {
        return;
    }
    m_editSheet = new PolicyEditView(m_services.editor(), m_policy, this);
    m_editSheet->open();
}

void PolicyDetailView::confirmDelete() {
    if (m_deleted || m_showingDeleteConfirmation) {
        return;
    }
    m_showingDeleteConfirmation = true;
    const Confirmation::Question question =
        Confirmation::deletion(QStringLiteral("Elimina Polizza"), m_policy->name());
    m_services.confirmation.ask(this, question, [pane = QPointer(this)](bool confirmed) {
        if (!pane) {
            return;
        }
        pane->m_showingDeleteConfirmation = false;
        // The owner may replace this pane from the callback: nothing is touched after it.
        if (confirmed && !pane->m_deleted && pane->m_onDelete) {
            pane->m_onDelete();
        }
    });
}

void PolicyDetailView::renewPolicy() {
    if (m_deleted) {
        return;
    }
    m_policy->setExpirationDate(m_policy->calculateNextRenewalDate());
    m_policy->setLastNotified(std::nullopt);
    ManagedObjectContext& context = m_services.context;
    if (!context.save()) {
        // Undone at once: a renewal left unsaved would be written by the next save anywhere
        // with its reminders never moved, and a second press would renew twice. Every screen
        // saves its own change at once, so the renewal is the only change in the context.
        context.rollback();
        return;
    }
    // The reminders of the old expiry would announce a renewed policy as expiring, and the
    // new period would have none.
    m_services.reminders.schedulePolicyReminder(*m_policy);
}

void PolicyDetailView::sendWhatsApp() {
    if (m_deleted) {
        return;
    }
    const Clock& clock = m_services.clock;
    const std::optional<QUrl> link =
        ClientReminderMessage::link(messageInput(), clock.now(), clock.timeZone(), clock.locale());
    if (link) {
        recordNotice(ClientNotice::stamped(clock.now(), ClientNotice::Channel::WhatsApp));
        m_services.desktop.openUrl(*link);
    }
}

void PolicyDetailView::sendEmail() {
    if (m_deleted) {
        return;
    }
    const Clock& clock = m_services.clock;
    const ClientReminderMessage::Input input = messageInput();
    if (ClientReminderMessage::contactEmail(input).isEmpty()) {
        return;
    }
    const std::optional<QUrl> link =
        ClientReminderMessage::emailLink(input, clock.now(), clock.timeZone(), clock.locale());
    if (!link) {
        m_services.log.write(QStringLiteral("Error composing e-mail: "),
                             QStringLiteral("the contact's address is not a single e-mail "
                                            "address"));
        return;
    }
    recordNotice(ClientNotice::stamped(clock.now(), ClientNotice::Channel::Email));
    m_services.desktop.openUrl(*link);
}

void PolicyDetailView::markNotified(bool notified) {
    if (m_deleted) {
        return;
    }
    ClientNoticeSave::markByHand(m_services.context, m_services.log, *m_policy, m_services.clock,
                                 notified);
    refreshNotice();
}

void PolicyDetailView::recordNotice(std::optional<Instant> notified) {
    ClientNoticeSave::save(m_services.context, m_services.log, *m_policy, notified);
    // A refused save was undone: the pane shows what is stored either way.
    refreshNotice();
}

void PolicyDetailView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        applyLook();
    }
    // Before the pane is laid out, its first size fits the header.
    if ((event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) && m_header &&
        m_header->isVisible()) {
        fitHeader(true);
    }
}

bool PolicyDetailView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_header && event->type() == QEvent::Resize) {
        fitHeader();
    }
    if (watched == m_bodyView && event->type() == QEvent::Resize) {
        fitKeyFacts();
    }
    return QWidget::eventFilter(watched, event);
}

void PolicyDetailView::fitKeyFacts() {
    if (!m_factsRow) {
        return; // the body is still being built
    }
    const std::initializer_list<QLabel*> values = {m_expiry, m_renewal, m_reminders};
    // Each change lays the body out again: only what changes is set.
    const auto wrap = [&values](bool on) {
        for (QLabel* value : values) {
            if (value->wordWrap() != on) {
                value->setWordWrap(on);
            }
        }
    };
    wrap(false); // measured on one line each
    int facts = 0;
    for (const InfoBlock* fact : m_facts) {
        facts += fact->sizeHint().width();
    }
    const int gaps = int(m_facts.size()) - 1;
    // The room the pane shows, not the body's width, which the facts themselves may widen.
    const int room = m_bodyView->width() - 2 * kMargin - facts;
    const int gap = std::clamp(room / gaps, kNarrowestFactsGap, kWidestFactsGap);
    if (m_factsRow->spacing() != gap) {
        m_factsRow->setSpacing(gap);
    }
    wrap(room < gaps * kNarrowestFactsGap);
}

// In a pane too narrow for the name's longest word and the buttons with their names, the
// buttons show their icons alone.
void PolicyDetailView::fitHeader(bool measureAgain) {
    if (!m_header) {
        return;
    }
    const int room = m_header->width() - 2 * kMargin - kHeaderSpacing;
    m_buttons->fit(room - m_name->minimumSizeHint().width(), measureAgain);
}

// Colours follow the palette, so a dark desktop gets readable ones.
void PolicyDetailView::applyLook() {
    if (!m_remaining) {
        return;
    }
    // The prominent one in the accent colour; the others follow the pane's palette.
    const QPalette& palette = this->palette();
    QPalette look = palette;
    look.setColor(QPalette::Button, Palette::color(ColorName::Accent, palette));
    look.setColor(QPalette::ButtonText, palette.color(QPalette::HighlightedText));
    m_buttons->findChild<QPushButton*>(QStringLiteral("renewButton"))->setPalette(look);
    refreshStatus();
}
