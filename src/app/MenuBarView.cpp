#include "app/MenuBarView.h"

#include "app/MiniStat.h"
#include "model/Category.h"
#include "model/Event.h"
#include "platform/Clock.h"
#include "platform/DesktopActions.h"
#include "platform/NotificationCenter.h"
#include "ui/Divider.h"
#include "ui/Icons.h"
#include "ui/Palette.h"
#include "ui/TextLabel.h"
#include "ui/Typography.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// The counters of events and tasks show at most this many.
constexpr int kCountCap = 3;

QPushButton* button(const QString& text, const QString& objectName, bool plain, QWidget* parent) {
    auto* result = new QPushButton(text, parent);
    result->setObjectName(objectName);
    result->setFont(Typography::font(TextStyle::Caption));
    result->setFlat(plain);
    result->setCursor(Qt::PointingHandCursor);
    return result;
}

QLabel* iconLabel(const QString& name, TextStyle style, const QColor& color, QWidget* parent) {
    auto* label = new QLabel(parent);
    const int size = QFontMetrics(Typography::font(style)).height();
    label->setPixmap(Icons::pixmap(name, size, color, parent->devicePixelRatioF()));
    return label;
}

QPixmap dot(const QColor& color, qreal ratio) {
    QPixmap pixmap(QSize(8, 8) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawEllipse(QRectF(0, 0, 8, 8));
    return pixmap;
}

QString warningText(int count) {
    return count == 1 ? QStringLiteral("1 policy expiring soon")
                      : QStringLiteral("%1 policies expiring soon").arg(count);
}

} // namespace

MenuBarView::MenuBarView(Services services, QWidget* parent)
    : QWidget(parent)
    , m_services(std::move(services))
    , m_summary(m_services.context, [this] { scheduleUpdate(); }) {
    setObjectName(QStringLiteral("menuBarView"));
    setFixedSize(kWidth, kHeight);
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(12, 12, 12, 12);
    stack->setSpacing(12);
    buildHeader();
    addDivider();
    buildCounters();
    addDivider();
    buildQuickCreation();
    addDivider();
    buildNextEvent();
    buildWarning();
    stack->addStretch(1);
    buildFooter();
    // The attention list counts days from the current instant, which a new day, a zone change
    // or a clock jump moves while the popover stays open.
    const Clock& clock = m_services.clock;
    for (const auto signal :
         {&Clock::dayChanged, &Clock::timeZoneChanged, &Clock::wallClockJumped}) {
        connect(&clock, signal, this, &MenuBarView::scheduleUpdate);
    }
    takeNow();
}

MenuBarView::~MenuBarView() = default;

void MenuBarView::buildHeader() {
    auto* row = new QHBoxLayout;
    const QColor blue = Palette::color(ColorName::Blue, palette());
    row->addWidget(
        iconLabel(QStringLiteral("calendar.badge.clock"), TextStyle::Title2, blue, this));
    row->addWidget(
        new TextLabel(QStringLiteral("Quintaver"), TextStyle::Headline, ColorName::Primary, this));
    row->addStretch(1);
    QPushButton* open =
        button(QStringLiteral("Open App"), QStringLiteral("openAppButton"), true, this);
    QPalette blueText = open->palette();
    blueText.setColor(QPalette::ButtonText, blue);
    open->setPalette(blueText);
    connect(open, &QPushButton::clicked, this, [this] { openMainApp(std::nullopt); });
    row->addWidget(open);
    static_cast<QVBoxLayout*>(layout())->addLayout(row);
}

void MenuBarView::buildCounters() {
    auto* row = new QHBoxLayout;
    row->setSpacing(16);
    const QColor blue = Palette::color(ColorName::Blue, palette());
    m_eventsStat = new MiniStat(QStringLiteral("Events"), QStringLiteral("calendar"), blue, this);
    m_eventsStat->setObjectName(QStringLiteral("eventsStat"));
    m_tasksStat = new MiniStat(QStringLiteral("Tasks"), QStringLiteral("checklist"), blue, this);
    m_tasksStat->setObjectName(QStringLiteral("tasksStat"));
    m_policiesStat = new MiniStat(QStringLiteral("Polizze"), QStringLiteral("doc.text"),
                                  Palette::color(ColorName::Orange, palette()), this);
    m_policiesStat->setObjectName(QStringLiteral("policiesStat"));
    row->addWidget(m_eventsStat);
    row->addWidget(m_tasksStat);
    row->addWidget(m_policiesStat);
    row->addStretch(1);
    static_cast<QVBoxLayout*>(layout())->addLayout(row);
}

void MenuBarView::buildQuickCreation() {
    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    const QIcon plus = Icons::icon(QStringLiteral("plus"), palette().color(QPalette::ButtonText));
    struct Creation {
        QString text;
        QString objectName;
        // The plus sign says "new" to the eye; the reader needs the word.
        QString told;
        MenuBarAction action;
    };
    const Creation actions[] = {
        {QStringLiteral("Event"), QStringLiteral("newEventButton"), QStringLiteral("New Event"),
         MenuBarAction::newEvent},
        {QStringLiteral("Task"), QStringLiteral("newTaskButton"), QStringLiteral("New Task"),
         MenuBarAction::newTask},
        {QStringLiteral("Policy"), QStringLiteral("newPolicyButton"), QStringLiteral("New Policy"),
         MenuBarAction::newPolicy},
    };
    for (const auto& [text, objectName, told, action] : actions) {
        QPushButton* create = button(text, objectName, false, this);
        create->setAccessibleName(told);
        create->setIcon(plus);
        connect(create, &QPushButton::clicked, this, [this, a = action] { openMainApp(a); });
        row->addWidget(create);
    }
    row->addStretch(1);
    static_cast<QVBoxLayout*>(layout())->addLayout(row);
}

void MenuBarView::buildNextEvent() {
    m_nextEvent = new QWidget(this);
    m_nextEvent->setObjectName(QStringLiteral("nextEventBlock"));
    m_nextEvent->setAccessibleName(QStringLiteral("Next Event"));
    m_nextEvent->setCursor(Qt::PointingHandCursor);
    m_nextEvent->setFocusPolicy(Qt::TabFocus);
    m_nextEvent->installEventFilter(this);
    auto* block = new QVBoxLayout(m_nextEvent);
    block->setContentsMargins(0, 0, 0, 0);
    block->setSpacing(12);
    block->addWidget(new TextLabel(QStringLiteral("Next Event"),
                                   TextLabel::style(TextStyle::Caption, QFont::Medium),
                                   TextLabel::named(ColorName::Secondary), m_nextEvent));

    auto* row = new QHBoxLayout;
    m_nextEventDot = new QLabel(m_nextEvent);
    m_nextEventDot->setObjectName(QStringLiteral("nextEventDot"));
    row->addWidget(m_nextEventDot);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    m_nextEventTitle = new TextLabel(QString(), TextLabel::points(12, QFont::Medium),
                                     TextLabel::named(ColorName::Primary), m_nextEvent);
    m_nextEventTitle->setObjectName(QStringLiteral("nextEventTitle"));
    m_nextEventTime =
        new TextLabel(QString(), TextStyle::Caption2, ColorName::Secondary, m_nextEvent);
    m_nextEventTime->setObjectName(QStringLiteral("nextEventTime"));
    texts->addWidget(m_nextEventTitle);
    texts->addWidget(m_nextEventTime);
    row->addLayout(texts, 1);
    block->addLayout(row);
    block->addWidget(new Divider(Qt::Horizontal, m_nextEvent));
    static_cast<QVBoxLayout*>(layout())->addWidget(m_nextEvent);
}

bool MenuBarView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_nextEvent) {
        const bool clicked = event->type() == QEvent::MouseButtonRelease &&
                             static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
        const bool pressed = event->type() == QEvent::KeyPress &&
                             (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Return ||
                              static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space);
        if (clicked || pressed) {
            openNextEvent();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MenuBarView::openNextEvent() {
    const Event* event = m_summary.nextEvent();
    if (!event) {
        return;
    }
    const QUuid id = event->id();
    bringForward();
    Q_EMIT eventOpenRequested(id);
}

void MenuBarView::buildWarning() {
    m_warning = new QWidget(this);
    m_warning->setObjectName(QStringLiteral("warningRow"));
    auto* block = new QVBoxLayout(m_warning);
    block->setContentsMargins(0, 0, 0, 0);
    block->setSpacing(12);
    auto* row = new QHBoxLayout;
    const QColor orange = Palette::color(ColorName::Orange, palette());
    row->addWidget(iconLabel(QStringLiteral("exclamationmark.triangle.fill"), TextStyle::Caption,
                             orange, m_warning));
    m_warningText = new TextLabel(QString(), TextStyle::Caption, ColorName::Orange, m_warning);
    m_warningText->setObjectName(QStringLiteral("warningText"));
    row->addWidget(m_warningText);
    row->addStretch(1);
    QPushButton* show =
        button(QStringLiteral("Vedi"), QStringLiteral("showExpiringButton"), false, m_warning);
    show->setAccessibleName(QStringLiteral("Vedi le polizze in scadenza"));
    connect(show, &QPushButton::clicked, this, [this] { openMainApp(std::nullopt); });
    row->addWidget(show);
    block->addLayout(row);
    block->addWidget(new Divider(Qt::Horizontal, m_warning));
    static_cast<QVBoxLayout*>(layout())->addWidget(m_warning);
}

void MenuBarView::buildFooter() {
    auto* row = new QHBoxLayout;
    QPushButton* preferences =
        button(QStringLiteral("Preferences..."), QStringLiteral("preferencesButton"), true, this);
    connect(preferences, &QPushButton::clicked, this, [this] {
        bringForward();
        Q_EMIT preferencesRequested();
    });
    row->addWidget(preferences);
    row->addStretch(1);
    QPushButton* quit = button(QStringLiteral("Quit"), QStringLiteral("quitButton"), true, this);
    connect(quit, &QPushButton::clicked, this, &MenuBarView::quitRequested);
    row->addWidget(quit);
    static_cast<QVBoxLayout*>(layout())->addLayout(row);
}

void MenuBarView::addDivider() {
    static_cast<QVBoxLayout*>(layout())->addWidget(new Divider(Qt::Horizontal, this));
}

void MenuBarView::takeNow() {
    m_summary.takeNow(m_services.clock.now(), m_services.clock.timeZone());
    updateContent();
}

void MenuBarView::openMainApp(std::optional<MenuBarAction> action) {
    bringForward();
    if (!action) {
        return;
    }
    switch (*action) {
    case MenuBarAction::newEvent:
        m_services.center.post(NotificationName::newEvent);
        break;
    case MenuBarAction::newTask:
        m_services.center.post(NotificationName::newTask);
        break;
    case MenuBarAction::newPolicy:
        m_services.center.post(NotificationName::newPolicy);
        break;
    }
}

void MenuBarView::bringForward() {
    m_services.desktop.bringForward(m_services.mainWindow ? m_services.mainWindow() : nullptr,
                                    QString());
}

int MenuBarView::attentionCount() const {
    return m_summary.attentionCount(m_services.clock.now(), m_services.clock.timeZone());
}

void MenuBarView::scheduleUpdate() {
    if (m_updatePending) {
        return;
    }
    m_updatePending = true;
    QTimer::singleShot(0, this, [this] { updateContent(); });
}

void MenuBarView::updateContent() {
    m_updatePending = false;
    m_eventsStat->setCount(std::min(m_summary.upcomingEventCount(), kCountCap));
    m_tasksStat->setCount(std::min(m_summary.pendingTaskCount(), kCountCap));
    const int attention = attentionCount();
    m_policiesStat->setCount(attention);
    m_warning->setVisible(attention > 0);
    m_warningText->setText(warningText(attention));
    updateNextEvent();
}

void MenuBarView::updateNextEvent() {
    const Event* event = m_summary.nextEvent();
    m_nextEvent->setVisible(event);
    if (!event) {
        return;
    }
    const std::shared_ptr<Category> category = event->category();
    const QColor color = Palette::color(
        Palette::categoryColor(category ? category->color() : QStringLiteral("blue")), palette());
    m_nextEventDot->setPixmap(dot(color, devicePixelRatioF()));
    m_nextEventDot->setProperty("dotColor", color);
    m_nextEventTitle->setText(event->title());
    const Clock& clock = m_services.clock;
    const QTime time = event->startDate().toUtcDateTime().toTimeZone(clock.timeZone()).time();
    m_nextEventTime->setText(clock.locale().toString(time, QLocale::ShortFormat));
    // The dot's colour names the category; the reader hears its name.
    QStringList told{event->title(), m_nextEventTime->text()};
    if (category) {
        told << category->name();
    }
    m_nextEvent->setAccessibleName(QStringLiteral("Next Event: ") +
                                   told.join(QStringLiteral(", ")));
}
