#include "contacts/ContactDetailView.h"

#include "contacts/ContactEditView.h"
#include "contacts/ContactInitials.h"
#include "contacts/ContactPolicyRows.h"
#include "contacts/RoundedPanel.h"
#include "model/CalendarMath.h"
#include "model/ClientReminderMessage.h"
#include "model/Contact.h"
#include "model/Policy.h"
#include "model/PolicyRules.h"
#include "model/PolicyStatus.h"
#include "platform/Clock.h"
#include "platform/LogChannel.h"
#include "store/ManagedObjectContext.h"
#include "ui/Confirmation.h"
#include "ui/Icons.h"
#include "ui/Palette.h"
#include "ui/Typography.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

constexpr int kAvatar = 80;
constexpr int kIconColumn = 24;

QLabel* textLabel(const QString& text, const QFont& font, const QColor& color,
                  const QString& objectName, QWidget* parent = nullptr) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(objectName);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    return label;
}

QLabel* iconLabel(const QString& name, int size, const QColor& color, qreal ratio) {
    auto* icon = new QLabel;
    icon->setPixmap(Icons::pixmap(name, size, color, ratio));
    icon->setAlignment(Qt::AlignCenter);
    return icon;
}

// A label with its icon in the headline style, in the primary colour.
QWidget* headline(const QString& text, const QString& iconName, const QWidget& host) {
    auto* row = new QWidget;
    auto* box = new QHBoxLayout(row);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(6);
    const QFont font = Typography::font(TextStyle::Headline, host.font());
    const QColor primary = Palette::color(ColorName::Primary, host.palette());
    box->addWidget(
        iconLabel(iconName, QFontMetrics(font).height(), primary, host.devicePixelRatioF()));
    box->addWidget(textLabel(text, font, primary, QString()));
    box->addStretch();
    return row;
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
    return new RoundedPanel(Qt::Vertical, 20, spacing, 12,
                            [](const QPalette& palette) { return Palette::gray(0.05, palette); });
}

// A phone or e-mail row: icon and text side by side on the control background.
RoundedPanel* methodRow() {
    return new RoundedPanel(Qt::Horizontal, 12, 12, 8, [](const QPalette& palette) {
        return Palette::color(ColorName::ControlBackground, palette);
    });
}

bool hasText(const std::optional<QString>& text) {
    return text && !text->isEmpty();
}

// The expiry's colour: red once past, orange within the reminder horizon, green before.
ColorName expiryColor(const Policy& policy, const Clock& clock) {
    const qint64 days =
        PolicyRules::daysUntilExpiration(clock.now(), policy.expirationDate(), clock.timeZone());
    const qint64 horizon =
        PolicyRules::reminderHorizon(policy.reminderDaysArray(), policy.reminderDays());
    const PolicyStatus status = PolicyStatusRules::status(days, horizon);
    return Palette::byName(PolicyStatusRules::colorName(status)).value_or(ColorName::Secondary);
}

// A row of the policies: the expiry as day, short month name and year, as the locale writes
// its long date ("Mar 10, 2026"), in the status colour.
ContactPolicyRows::Row policyRow(const Policy& policy, const Clock& clock, const QString& format) {
    const QDate date = CalendarMath::toLocal(policy.expirationDate(), clock.timeZone()).date;
    return {policy.name(), policy.provider(), clock.locale().toString(date, format),
            policy.policyNumber(), expiryColor(policy, clock)};
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
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    if (!m_contact->isDeleted()) {
        m_observed = m_contact->managedObjectContext();
        m_observed->addObserver(this);
    }
    for (auto signal : {&Clock::minuteChanged, &Clock::dayChanged, &Clock::timeZoneChanged,
                        &Clock::wallClockJumped}) {
        connect(&m_services.clock, signal, this, &ContactDetailView::scheduleRefresh);
    }
    refresh();
}

ContactDetailView::~ContactDetailView() {
    if (m_observed) {
        m_observed->removeObserver(this);
    }
}

void ContactDetailView::editContact() {
    auto* sheet = new ContactEditView(m_services.context, m_contact, m_services.log, this);
    sheet->open();
}

void ContactDetailView::deleteContact() {
    const Confirmation::Question question{
        QStringLiteral("Elimina Contatto"),
        QStringLiteral("Are you sure you want to delete '") + m_contact->fullName() +
            QStringLiteral("'? This action cannot be undone."),
        QStringLiteral("Elimina"), QStringLiteral("Annulla"), true};
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
        // The contact comes back whole, links and all, rather than stay half deleted.
        context.rollback();
        log.write(QStringLiteral("Error saving contact: "), error);
    }
}

void ContactDetailView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange) {
        scheduleRefresh();
    }
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

// Changes come one property at a time (an editor's save writes many): the page is built again
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
    if (m_contact->isDeleted() && m_scroll->widget()) {
        return;
    }
    const int scrolled = m_scroll->verticalScrollBar() ? m_scroll->verticalScrollBar()->value() : 0;
    m_scroll->setWidget(buildPage());
    m_scroll->verticalScrollBar()->setValue(scrolled);
}

QWidget* ContactDetailView::buildPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("contactDetailPage"));
    page->setAutoFillBackground(true);
    QPalette background = page->palette();
    background.setColor(QPalette::Window, Palette::color(ColorName::TextBackground, palette()));
    page->setPalette(background);
    auto* stack = new QVBoxLayout(page);
    stack->setContentsMargins(40, 40, 40, 40);
    stack->setSpacing(32);
    stack->addWidget(buildHeader());
    auto* grid = new QGridLayout;
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
    grid->addWidget(buildPoliciesSection(), 0, 1, Qt::AlignTop);
    stack->addLayout(grid);
    stack->addStretch();
    return page;
}

QWidget* ContactDetailView::buildHeader() {
    auto* header = new QWidget;
    header->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(16);
    const QString initials = ContactInitials::of(m_contact->firstName(), m_contact->lastName());
    auto* avatar = new QLabel;
    avatar->setObjectName(QStringLiteral("contactAvatar"));
    avatar->setAccessibleName(initials);
    avatar->setPixmap(avatarPixmap(initials, *this));
    row->addWidget(avatar, 0, Qt::AlignTop);
    auto* names = new QVBoxLayout;
    names->setSpacing(8);
    names->addWidget(textLabel(m_contact->fullName(), Typography::system(32, QFont::Bold, font()),
                               Palette::color(ColorName::Primary, palette()),
                               QStringLiteral("contactFullName")));
    const std::optional<QString> company = m_contact->company();
    if (hasText(company)) {
        names->addWidget(textLabel(*company, Typography::font(TextStyle::Title3, font()),
                                   Palette::color(ColorName::Secondary, palette()),
                                   QStringLiteral("contactCompany")));
    }
    names->setAlignment(Qt::AlignTop);
    row->addLayout(names, 1);
    row->addWidget(buildActions(), 0, Qt::AlignTop);
    return header;
}

QWidget* ContactDetailView::buildActions() {
    auto* actions = new QWidget;
    auto* row = new QHBoxLayout(actions);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    const QColor text = palette().color(QPalette::ButtonText);
    struct Action {
        const char* caption;
        const char* icon;
        const char* objectName;
        void (ContactDetailView::*run)();
    };
    const Action buttons[] = {
        {"Elimina", "trash", "deleteContactButton", &ContactDetailView::deleteContact},
        {"Modifica", "pencil", "editContactButton", &ContactDetailView::editContact}};
    for (const Action& action : buttons) {
        auto* button = new QPushButton(Icons::icon(QString::fromLatin1(action.icon), text),
                                       QString::fromLatin1(action.caption));
        button->setObjectName(QLatin1String(action.objectName));
        button->setAccessibleName(button->text());
        connect(button, &QPushButton::clicked, this, action.run);
        row->addWidget(button);
    }
    return actions;
}

QWidget* ContactDetailView::buildContactCard() {
    RoundedPanel* panel = card(16);
    panel->setObjectName(QStringLiteral("contactCard"));
    panel->box()->addWidget(headline(QStringLiteral("Dettagli Contatto"),
                                     QStringLiteral("person.text.rectangle"), *this));
    auto* rows = new QVBoxLayout;
    rows->setSpacing(12);
    const std::tuple<std::optional<QString>, const char*, ColorName, const char*> methods[] = {
        {m_contact->phoneNumber(), "phone.fill", ColorName::Green, "contactPhoneRow"},
        {m_contact->email(), "envelope.fill", ColorName::Blue, "contactEmailRow"}};
    for (const auto& [text, icon, color, name] : methods) {
        if (!hasText(text)) {
            continue;
        }
        RoundedPanel* row = methodRow();
        row->setObjectName(QLatin1String(name));
        QLabel* iconView = iconLabel(QString::fromLatin1(icon), 16,
                                     Palette::color(color, palette()), devicePixelRatioF());
        iconView->setFixedWidth(kIconColumn);
        row->box()->addWidget(iconView);
        QLabel* label = textLabel(*text, Typography::system(15, QFont::Normal, font()),
                                  Palette::color(ColorName::Primary, palette()),
                                  QLatin1String(name) + QStringLiteral("Text"));
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        row->box()->addWidget(label, 1);
        rows->addWidget(row);
    }
    panel->box()->addLayout(rows);
    return panel;
}

QWidget* ContactDetailView::buildNotesCard() {
    RoundedPanel* panel = card(16);
    panel->setObjectName(QStringLiteral("notesCard"));
    panel->box()->addWidget(headline(QStringLiteral("Note"), QStringLiteral("note.text"), *this));
    const std::optional<QString> notes = m_contact->notes();
    const QColor secondary = Palette::color(ColorName::Secondary, palette());
    QLabel* text = hasText(notes) ? textLabel(*notes, Typography::system(14, QFont::Normal, font()),
                                              secondary, QStringLiteral("contactNotes"))
                                  : textLabel(QStringLiteral("Nessuna nota fornita."),
                                              Typography::system(14, QFont::Normal, font()),
                                              Palette::withOpacity(secondary, 0.5),
                                              QStringLiteral("contactNotes"));
    text->setWordWrap(true);
    panel->box()->addWidget(text);
    return panel;
}

QWidget* ContactDetailView::buildPoliciesSection() {
    auto* section = new QWidget;
    section->setObjectName(QStringLiteral("policiesSection"));
    auto* stack = new QVBoxLayout(section);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(16);
    const std::vector<std::shared_ptr<Policy>> policies = m_contact->policiesArray();
    auto* heading = new QHBoxLayout;
    heading->addWidget(headline(QStringLiteral("Polizze"), QStringLiteral("doc.text"), *this), 1);
    heading->addWidget(textLabel(QStringLiteral("%1 assigned").arg(policies.size()),
                                 Typography::font(TextStyle::Caption, font()),
                                 Palette::color(ColorName::Secondary, palette()),
                                 QStringLiteral("assignedCount")));
    stack->addLayout(heading);
    if (policies.empty()) {
        stack->addWidget(buildNoPolicies());
        return section;
    }
    // One date format for every row: working it out is the dearest part of a row.
    QString format = ClientReminderMessage::longDateFormat(m_services.clock.locale());
    format.replace(QStringLiteral("MMMM"), QStringLiteral("MMM"));
    std::vector<ContactPolicyRows::Row> rows;
    rows.reserve(policies.size());
    for (const auto& policy : policies) {
        rows.push_back(policyRow(*policy, m_services.clock, format));
    }
    stack->addWidget(new ContactPolicyRows(std::move(rows)));
    return section;
}

QWidget* ContactDetailView::buildNoPolicies() {
    RoundedPanel* empty = new RoundedPanel(Qt::Vertical, 30, 12, 12, [](const QPalette& palette) {
        return Palette::gray(0.05, palette);
    });
    empty->setObjectName(QStringLiteral("noPolicies"));
    const QColor secondary = Palette::color(ColorName::Secondary, palette());
    empty->box()->addWidget(iconLabel(QStringLiteral("doc.text.magnifyingglass"), 32,
                                      Palette::withOpacity(secondary, 0.3), devicePixelRatioF()));
    QLabel* text = textLabel(QStringLiteral("Nessuna polizza assegnata a questo contatto."),
                             Typography::font(TextStyle::Subheadline, font()), secondary,
                             QStringLiteral("noPoliciesText"));
    text->setAlignment(Qt::AlignCenter);
    text->setWordWrap(true);
    empty->box()->addWidget(text);
    return empty;
}
