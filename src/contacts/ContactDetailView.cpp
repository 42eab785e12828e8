#include "contacts/ContactDetailView.h"

#include "contacts/ContactEditView.h"
#include "contacts/ContactInitials.h"
#include "contacts/ContactPolicyRows.h"
#include "model/CalendarMath.h"
#include "model/ClientReminderMessage.h"
#include "model/Contact.h"
#include "model/Policy.h"
#include "model/PolicyRules.h"
#include "model/PolicyStatus.h"
#include "model/StatusClassifier.h"
#include "platform/Clock.h"
#include "platform/LogChannel.h"
#include "store/ManagedObjectContext.h"
#include "ui/ActionButtonRow.h"
#include "ui/Confirmation.h"
#include "ui/Icons.h"
#include "ui/Palette.h"
#include "ui/RoundedPanel.h"
#include "ui/TextLabel.h"
#include "ui/Typography.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

constexpr int kAvatar = 80;
constexpr int kIconColumn = 24;
constexpr int kPageMargin = 40;
constexpr int kHeaderSpacing = 16;
// Below this width of the page's content the policies go under the contact's cards: side by
// side each column would be too narrow for a phone number or an e-mail address.
constexpr int kTwoColumnsWidth = 560;

QLabel* iconLabel() {
    auto* icon = new QLabel;
    icon->setAlignment(Qt::AlignCenter);
    return icon;
}

QPixmap avatarPixmap(const QString& initials, const QWidget& host) {
    const qreal ratio = host.devicePixelRatioF();
    QPixmap pixmap(QSize(kAvatar, kAvatar) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor accent = Palette::color(ColorName::Accent, host.palette());
    painter.setPen(Qt::NoPen);
    painter.setBrush(Palette::withOpacity(accent, 0.2));
    painter.drawEllipse(QRect(0, 0, kAvatar, kAvatar));
    painter.setFont(Typography::system(32, QFont::Bold, host.font()));
    painter.setPen(accent);
    painter.drawText(QRect(0, 0, kAvatar, kAvatar), Qt::AlignCenter, initials);
    return pixmap;
}

RoundedPanel* card(int spacing) {
    return new RoundedPanel({.radius = 12, .padding = 20, .spacing = spacing});
}

bool hasText(const std::optional<QString>& text) {
    return text && !text->isEmpty();
}

} // namespace

ContactDetailView::ContactDetailView(Services services, std::shared_ptr<Contact> contact,
                                     QWidget* parent)
    : QWidget(parent)
    , m_services(services)
    , m_contact(std::move(contact))
    , m_scroll(new QScrollArea(this)) {
    setObjectName(QStringLiteral("contactDetailView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_scroll);
    // A frame, not a stop of its own: Tab goes to the controls it holds, which it scrolls to.
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_scroll->viewport()->installEventFilter(this);
    buildPage();
    if (!m_contact->isDeleted()) {
        m_observed = m_contact->managedObjectContext();
        m_observed->addObserver(this);
    }
    // Time moving on changes only the colours of the policies; a new zone may move dates.
    for (auto signal : {&Clock::minuteChanged, &Clock::dayChanged, &Clock::wallClockJumped}) {
        connect(&m_services.clock, signal, this, &ContactDetailView::recolourPolicies);
    }
    connect(&m_services.clock, &Clock::timeZoneChanged, this, &ContactDetailView::scheduleRefresh);
    showValues();
    // Filled before it goes in, so the area takes its size from the page as shown.
    m_scroll->setWidget(m_page);
    applyLook();
}

ContactDetailView::~ContactDetailView() {
    if (m_observed) {
        m_observed->removeObserver(this);
    }
}

void ContactDetailView::editContact() {
    auto* sheet = new ContactEditView(m_services.editor(), m_contact, this);
    sheet->open();
}

void ContactDetailView::deleteContact() {
    const Confirmation::Question question =
        Confirmation::deletion(QStringLiteral("Elimina Contatto"), m_contact->fullName());
    QPointer<ContactDetailView> self(this);
    m_services.confirmation.ask(this, question, [self](bool confirmed) {
        if (self) {
            self->confirmDelete(confirmed);
        }
    });
}

void ContactDetailView::confirmDelete(bool confirmed) {
    if (!confirmed || m_contact->isDeleted()) {
        return;
    }
    // Whoever shows this page may let it go as soon as the contact is deleted: nothing below
    // reads the page again.
    ManagedObjectContext& context = m_services.context;
    LogChannel& log = m_services.log;
    const std::shared_ptr<Contact> contact = m_contact;
    context.deleteObject(contact.get());
    QString error;
    if (!context.save(&error)) {
        // The contact comes back whole, links and all, rather than stay half deleted. Every
        // screen saves its own change at once, so nothing else is undone with it.
        context.rollback();
        log.write(QStringLiteral("Error saving contact: "), error);
    }
}

void ContactDetailView::openPolicy(int row) {
    if (row >= 0 && size_t(row) < m_policies.size()) {
        Q_EMIT policyActivated(m_policies[size_t(row)].policy->id());
    }
}

void ContactDetailView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange) {
        applyLook();
    }
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        fitPage(true);
    }
}

bool ContactDetailView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_scroll->viewport() && event->type() == QEvent::Resize) {
        fitPage();
    }
    return QWidget::eventFilter(watched, event);
}

// The page fits the room the pane shows rather than scrolling sideways: the buttons show their
// icons alone beside a name's longest word that leaves them too little room, and in a narrow
// pane the policies go under the cards.
void ContactDetailView::fitPage(bool measureAgain) {
    if (!m_columns) {
        return; // the page is still being built
    }
    const int width = m_scroll->viewport()->width() - 2 * kPageMargin;
    m_actions->fit(width - kAvatar - 2 * kHeaderSpacing - m_fullName->minimumSizeHint().width(),
                   measureAgain);
    const bool oneColumn = width < kTwoColumnsWidth;
    if (oneColumn == m_oneColumn) {
        return;
    }
    m_oneColumn = oneColumn;
    m_columns->removeWidget(m_policiesSection);
    if (oneColumn) {
        m_columns->addWidget(m_policiesSection, 1, 0);
    } else {
        m_columns->addWidget(m_policiesSection, 0, 1, Qt::AlignTop);
    }
    m_columns->setColumnStretch(1, oneColumn ? 0 : 1);
    m_columns->setColumnMinimumWidth(1, oneColumn ? 0 : 10);
}

bool ContactDetailView::concerns(const ObjectChange& change) const {
    if (change.object == m_contact.get()) {
        return true;
    }
    const auto* policy = dynamic_cast<const Policy*>(change.object);
    return policy && policy->contact() == m_contact;
}

void ContactDetailView::objectWillChange(const ObjectChange& change) {
    if (concerns(change)) {
        scheduleRefresh();
    }
}

void ContactDetailView::objectDidChange(const ObjectChange& change) {
    if (concerns(change)) {
        scheduleRefresh();
    }
}

void ContactDetailView::contextWillBeDestroyed() {
    m_observed = nullptr;
}

void ContactDetailView::contextWillReload() {
    m_observed->removeObserver(this);
    m_observed = nullptr;
}

// Changes come one property at a time (an editor's save writes many): the page is updated
// once, after the last of them.
void ContactDetailView::scheduleRefresh() {
    if (m_refreshPending) {
        return;
    }
    m_refreshPending = true;
    QMetaObject::invokeMethod(this, &ContactDetailView::refresh, Qt::QueuedConnection);
}

void ContactDetailView::refresh() {
    m_refreshPending = false;
    // A deleted contact's page is about to go: it keeps showing what it showed.
    if (!m_contact->isDeleted()) {
        showValues();
    }
}

// Every text set again in place: a label given the text it has keeps its selection.
void ContactDetailView::showValues() {
    paintAvatar();
    m_fullName->setText(m_contact->fullName());
    const std::optional<QString> company = m_contact->company();
    m_company->setText(company.value_or(QString()));
    m_company->setVisible(hasText(company));
    const std::pair<std::optional<QString>, std::pair<RoundedPanel*, QLabel*>> methods[] = {
        {m_contact->phoneNumber(), {m_phoneRow, m_phone}},
        {m_contact->email(), {m_emailRow, m_email}}};
    for (const auto& [text, shown] : methods) {
        shown.second->setText(text.value_or(QString()));
        shown.first->setVisible(hasText(text));
    }
    const std::optional<QString> notes = m_contact->notes();
    m_hasNotes = hasText(notes);
    m_notes->setText(m_hasNotes ? *notes : QStringLiteral("Nessuna nota fornita."));
    styleNotes();
    refreshPolicies();
}

void ContactDetailView::refreshPolicies() {
    const Clock& clock = m_services.clock;
    m_policies.clear();
    for (std::shared_ptr<Policy>& policy : m_contact->policiesArray()) {
        const Instant expiry = policy->expirationDate();
        const qint64 horizon = policy->reminderHorizon();
        m_policies.push_back({std::move(policy), expiry, horizon});
    }
    m_assigned->setText(QStringLiteral("%1 assigned").arg(m_policies.size()));
    m_noPolicies->setVisible(m_policies.empty());
    m_rows->setVisible(!m_policies.empty());
    m_dateFormat = ClientReminderMessage::abbreviatedDateFormat(clock.locale());
    const QLocale locale = clock.locale();
    const QTimeZone zone = clock.timeZone();
    StatusClassifier classifier(clock.now(), zone);
    std::vector<ContactPolicyRows::Row> rows;
    rows.reserve(m_policies.size());
    for (const ShownPolicy& shown : m_policies) {
        const Policy& policy = *shown.policy;
        const QDate date = CalendarMath::toLocal(shown.expiry, zone).date;
        const PolicyStatus status = classifier.classify(shown.expiry, shown.horizon);
        rows.push_back({policy.name(), policy.provider(), locale.toString(date, m_dateFormat),
                        policy.policyNumber(),
                        Palette::byName(PolicyStatusRules::colorName(status)),
                        PolicyStatusRules::badgeText(status)});
    }
    m_rows->setRows(std::move(rows));
}

// A minute, a day or a jump of the clock: only the colours can change, unless the dates are
// now written otherwise.
void ContactDetailView::recolourPolicies() {
    const Clock& clock = m_services.clock;
    if (m_refreshPending || m_contact->isDeleted()) {
        return;
    }
    if (ClientReminderMessage::abbreviatedDateFormat(clock.locale()) != m_dateFormat) {
        refreshPolicies();
        return;
    }
    StatusClassifier classifier(clock.now(), clock.timeZone());
    for (size_t row = 0; row < m_policies.size(); ++row) {
        const ShownPolicy& shown = m_policies[row];
        const PolicyStatus status = classifier.classify(shown.expiry, shown.horizon);
        m_rows->setStatus(row, Palette::byName(PolicyStatusRules::colorName(status)),
                          PolicyStatusRules::badgeText(status));
    }
}

void ContactDetailView::paintAvatar() {
    const QString initials = ContactInitials::of(m_contact->firstName(), m_contact->lastName());
    m_avatar->setAccessibleName(initials);
    m_avatar->setPixmap(avatarPixmap(initials, *this));
}

// Fonts and colours follow the desktop's, so a dark look or a larger font shows at once.
void ContactDetailView::applyLook() {
    if (!m_page) {
        return; // a change that comes while the page is being built
    }
    const QPalette& colors = palette();
    const qreal ratio = devicePixelRatioF();
    const QColor primary = Palette::color(ColorName::Primary, colors);
    const QColor secondary = Palette::color(ColorName::Secondary, colors);
    QPalette background = m_page->palette();
    background.setColor(QPalette::Window, Palette::color(ColorName::TextBackground, colors));
    m_page->setPalette(background);
    paintAvatar();
    const QFont headline = Typography::font(TextStyle::Headline, font());
    for (const Heading& part : std::as_const(m_headings)) {
        part.icon->setPixmap(
            Icons::pixmap(part.iconName, QFontMetrics(headline).height(), primary, ratio));
    }
    m_phoneIcon->setPixmap(Icons::pixmap(QStringLiteral("phone.fill"), 16,
                                         Palette::color(ColorName::Green, colors), ratio));
    m_emailIcon->setPixmap(Icons::pixmap(QStringLiteral("envelope.fill"), 16,
                                         Palette::color(ColorName::Blue, colors), ratio));
    m_noPoliciesIcon->setPixmap(Icons::pixmap(QStringLiteral("doc.text.magnifyingglass"), 32,
                                              Palette::withOpacity(secondary, 0.3), ratio));
}

// The notes in the secondary colour; the placeholder fainter.
void ContactDetailView::styleNotes() {
    m_notes->setTextColor(ColorName::Secondary, m_hasNotes ? 1 : 0.5);
}

QWidget* ContactDetailView::buildPage() {
    m_page = new QWidget;
    m_page->setObjectName(QStringLiteral("contactDetailPage"));
    m_page->setAutoFillBackground(true);
    auto* stack = new QVBoxLayout(m_page);
    stack->setContentsMargins(kPageMargin, kPageMargin, kPageMargin, kPageMargin);
    stack->setSpacing(32);
    stack->addWidget(buildHeader());
    auto* grid = new QGridLayout;
    m_columns = grid;
    grid->setHorizontalSpacing(24);
    grid->setVerticalSpacing(24);
    for (int column = 0; column < 2; ++column) {
        grid->setColumnStretch(column, 1);
        grid->setColumnMinimumWidth(column, 10);
    }
    auto* left = new QVBoxLayout;
    left->setSpacing(24);
    left->addWidget(buildContactCard());
    left->addWidget(buildNotesCard());
    left->addStretch();
    grid->addLayout(left, 0, 0);
    m_policiesSection = buildPoliciesSection();
    grid->addWidget(m_policiesSection, 0, 1, Qt::AlignTop);
    stack->addLayout(grid);
    stack->addStretch();
    return m_page;
}

QWidget* ContactDetailView::buildHeader() {
    auto* header = new QWidget;
    header->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(kHeaderSpacing);
    m_avatar = new QLabel;
    m_avatar->setObjectName(QStringLiteral("contactAvatar"));
    row->addWidget(m_avatar, 0, Qt::AlignTop);
    auto* names = new QVBoxLayout;
    names->setSpacing(8);
    m_fullName = new TextLabel(QString(), TextLabel::points(32, QFont::Bold),
                               TextLabel::named(ColorName::Primary));
    m_fullName->setObjectName(QStringLiteral("contactFullName"));
    // A long name wraps; a single word longer than the room is cut rather than the buttons.
    m_fullName->setWordWrap(true);
    m_fullName->setMinimumWidth(1);
    m_company = new TextLabel(QString(), TextStyle::Title3, ColorName::Secondary);
    m_company->setObjectName(QStringLiteral("contactCompany"));
    names->addWidget(m_fullName);
    names->addWidget(m_company);
    names->setAlignment(Qt::AlignTop);
    row->addLayout(names, 1);
    m_actions = buildActions();
    row->addWidget(m_actions, 0, Qt::AlignTop);
    return header;
}

ActionButtonRow* ContactDetailView::buildActions() {
    auto* actions = new ActionButtonRow(8);
    QPushButton* remove = actions->add(QStringLiteral("Elimina"), QStringLiteral("trash"),
                                       QStringLiteral("deleteContactButton"));
    QPushButton* edit = actions->add(QStringLiteral("Modifica"), QStringLiteral("pencil"),
                                     QStringLiteral("editContactButton"));
    connect(remove, &QPushButton::clicked, this, &ContactDetailView::deleteContact);
    connect(edit, &QPushButton::clicked, this, &ContactDetailView::editContact);
    return actions;
}

// A label with its icon in the headline style.
QWidget* ContactDetailView::heading(const QString& text, const QString& iconName) {
    auto* row = new QWidget;
    auto* box = new QHBoxLayout(row);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(6);
    Heading part{iconLabel(), new TextLabel(text, TextStyle::Headline, ColorName::Primary),
                 iconName};
    box->addWidget(part.icon);
    box->addWidget(part.text);
    box->addStretch();
    m_headings.append(part);
    return row;
}

// A phone or e-mail row: icon and text side by side on the control background.
RoundedPanel* ContactDetailView::buildMethodRow(const char* objectName, QLabel*& icon,
                                                QLabel*& text) {
    auto* row = new RoundedPanel({.radius = 8,
                                  .padding = 12,
                                  .spacing = 12,
                                  .fill = ColorName::ControlBackground,
                                  .orientation = Qt::Horizontal});
    row->setObjectName(QLatin1String(objectName));
    icon = iconLabel();
    icon->setFixedWidth(kIconColumn);
    row->body()->addWidget(icon);
    text = new TextLabel(QString(), TextLabel::points(15), TextLabel::named(ColorName::Primary));
    text->setObjectName(QLatin1String(objectName) + QStringLiteral("Text"));
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    row->body()->addWidget(text, 1);
    return row;
}

QWidget* ContactDetailView::buildContactCard() {
    RoundedPanel* panel = card(16);
    panel->setObjectName(QStringLiteral("contactCard"));
    panel->body()->addWidget(
        heading(QStringLiteral("Dettagli Contatto"), QStringLiteral("person.text.rectangle")));
    auto* rows = new QVBoxLayout;
    rows->setSpacing(12);
    m_phoneRow = buildMethodRow("contactPhoneRow", m_phoneIcon, m_phone);
    m_emailRow = buildMethodRow("contactEmailRow", m_emailIcon, m_email);
    rows->addWidget(m_phoneRow);
    rows->addWidget(m_emailRow);
    panel->body()->addLayout(rows);
    return panel;
}

QWidget* ContactDetailView::buildNotesCard() {
    RoundedPanel* panel = card(16);
    panel->setObjectName(QStringLiteral("notesCard"));
    panel->body()->addWidget(heading(QStringLiteral("Note"), QStringLiteral("note.text")));
    m_notes =
        new TextLabel(QString(), TextLabel::points(14), TextLabel::named(ColorName::Secondary));
    m_notes->setObjectName(QStringLiteral("contactNotes"));
    m_notes->setWordWrap(true);
    panel->body()->addWidget(m_notes);
    return panel;
}

QWidget* ContactDetailView::buildPoliciesSection() {
    auto* section = new QWidget;
    section->setObjectName(QStringLiteral("policiesSection"));
    auto* stack = new QVBoxLayout(section);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(16);
    auto* top = new QHBoxLayout;
    top->addWidget(heading(QStringLiteral("Polizze"), QStringLiteral("doc.text")), 1);
    m_assigned = new TextLabel(QString(), TextStyle::Caption, ColorName::Secondary);
    m_assigned->setObjectName(QStringLiteral("assignedCount"));
    top->addWidget(m_assigned);
    stack->addLayout(top);
    stack->addWidget(buildNoPolicies());
    m_rows = new ContactPolicyRows({});
    connect(m_rows, &ContactPolicyRows::activated, this, &ContactDetailView::openPolicy);
    stack->addWidget(m_rows);
    return section;
}

QWidget* ContactDetailView::buildNoPolicies() {
    m_noPolicies = new RoundedPanel({.radius = 12, .padding = 30, .spacing = 12});
    m_noPolicies->setObjectName(QStringLiteral("noPolicies"));
    m_noPoliciesIcon = iconLabel();
    m_noPolicies->body()->addWidget(m_noPoliciesIcon);
    m_noPoliciesText = new TextLabel(QStringLiteral("Nessuna polizza assegnata a questo contatto."),
                                     TextStyle::Subheadline, ColorName::Secondary);
    m_noPoliciesText->setObjectName(QStringLiteral("noPoliciesText"));
    m_noPoliciesText->setAlignment(Qt::AlignCenter);
    m_noPoliciesText->setWordWrap(true);
    m_noPolicies->body()->addWidget(m_noPoliciesText);
    return m_noPolicies;
}
