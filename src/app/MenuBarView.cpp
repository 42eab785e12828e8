#include "app/MenuBarView.h"

#include "app/ColorFromString.h"
#include "app/MiniStat.h"
#include "model/CalendarMath.h"
#include "model/Category.h"
#include "model/Event.h"
#include "model/Policy.h"
#include "model/PolicyRules.h"
#include "model/StatusClassifier.h"
#include "model/Task.h"
#include "platform/Clock.h"
#include "platform/DesktopActions.h"
#include "platform/NotificationCenter.h"
#include "store/LiveFetchResults.h"
#include "store/ManagedObjectContext.h"
#include "ui/Icons.h"
#include "ui/Palette.h"
#include "ui/Typography.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kPolicyWindowDays = 30;
// The counters of events and tasks show at most this many.
constexpr int kCountCap = 3;

QPushButton* button(const QString& text, bool plain, QWidget* parent) {
    auto* result = new QPushButton(text, parent);
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

std::unique_ptr<LiveFetchResults> liveFetch(ManagedObjectContext& context, FetchRequestBase request,
                                            const QString& predicate, std::vector<Value> arguments,
                                            const QString& sortKey) {
    request.setPredicate(Predicate::format(predicate, std::move(arguments)));
    request.setSortDescriptors({{sortKey, true}});
    auto results = std::make_unique<LiveFetchResults>(context, std::move(request));
    results->performFetch();
    return results;
}

// The first row of [first, last) for which `before` is false, where it is true for a leading
// run of rows and false after.
template <typename Before> int firstRowWhere(int first, int last, Before before) {
    while (first < last) {
        const int middle = first + (last - first) / 2;
        if (before(middle)) {
            first = middle + 1;
        } else {
            last = middle;
        }
    }
    return first;
}

QString warningText(int count) {
    return count == 1 ? QStringLiteral("1 policy expiring soon")
                      : QStringLiteral("%1 policies expiring soon").arg(count);
}

} // namespace

MenuBarView::MenuBarView(Services services, QWidget* parent)
    : QWidget(parent)
    , m_services(std::move(services)) {
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
    auto* name = new QLabel(QStringLiteral("Quintaver"), this);
    name->setFont(Typography::font(TextStyle::Headline));
    row->addWidget(name);
    row->addStretch(1);
    QPushButton* open = button(QStringLiteral("Open App"), true, this);
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
    const std::pair<QString, MenuBarAction> actions[] = {
        {QStringLiteral("Event"), MenuBarAction::newEvent},
        {QStringLiteral("Task"), MenuBarAction::newTask},
        {QStringLiteral("Policy"), MenuBarAction::newPolicy},
    };
    for (const auto& [text, action] : actions) {
        QPushButton* create = button(text, false, this);
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
    auto* block = new QVBoxLayout(m_nextEvent);
    block->setContentsMargins(0, 0, 0, 0);
    block->setSpacing(12);
    auto* heading = new QLabel(QStringLiteral("Next Event"), m_nextEvent);
    QFont headingFont = Typography::font(TextStyle::Caption);
    headingFont.setWeight(QFont::Medium);
    heading->setFont(headingFont);
    QPalette secondary = heading->palette();
    secondary.setColor(QPalette::WindowText, Palette::color(ColorName::Secondary, palette()));
    heading->setPalette(secondary);
    block->addWidget(heading);

    auto* row = new QHBoxLayout;
    m_nextEventDot = new QLabel(m_nextEvent);
    m_nextEventDot->setObjectName(QStringLiteral("nextEventDot"));
    row->addWidget(m_nextEventDot);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    m_nextEventTitle = new QLabel(m_nextEvent);
    m_nextEventTitle->setObjectName(QStringLiteral("nextEventTitle"));
    m_nextEventTitle->setTextFormat(Qt::PlainText);
    m_nextEventTitle->setFont(Typography::system(12, QFont::Medium));
    m_nextEventTitle->setWordWrap(false);
    m_nextEventTime = new QLabel(m_nextEvent);
    m_nextEventTime->setObjectName(QStringLiteral("nextEventTime"));
    m_nextEventTime->setFont(Typography::font(TextStyle::Caption2));
    m_nextEventTime->setPalette(secondary);
    texts->addWidget(m_nextEventTitle);
    texts->addWidget(m_nextEventTime);
    row->addLayout(texts, 1);
    block->addLayout(row);
    auto* line = new QFrame(m_nextEvent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    block->addWidget(line);
    static_cast<QVBoxLayout*>(layout())->addWidget(m_nextEvent);
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
    m_warningText = new QLabel(m_warning);
    m_warningText->setObjectName(QStringLiteral("warningText"));
    m_warningText->setFont(Typography::font(TextStyle::Caption));
    QPalette orangeText = m_warningText->palette();
    orangeText.setColor(QPalette::WindowText, orange);
    m_warningText->setPalette(orangeText);
    row->addWidget(m_warningText);
    row->addStretch(1);
    QPushButton* show = button(QStringLiteral("Vedi"), false, m_warning);
    connect(show, &QPushButton::clicked, this, [this] { openMainApp(std::nullopt); });
    row->addWidget(show);
    block->addLayout(row);
    auto* line = new QFrame(m_warning);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    block->addWidget(line);
    static_cast<QVBoxLayout*>(layout())->addWidget(m_warning);
}

void MenuBarView::buildFooter() {
    auto* row = new QHBoxLayout;
    QPushButton* preferences = button(QStringLiteral("Preferences..."), true, this);
    connect(preferences, &QPushButton::clicked, this, [this] {
        bringForward();
        Q_EMIT preferencesRequested();
    });
    row->addWidget(preferences);
    row->addStretch(1);
    QPushButton* quit = button(QStringLiteral("Quit"), true, this);
    connect(quit, &QPushButton::clicked, this, &MenuBarView::quitRequested);
    row->addWidget(quit);
    static_cast<QVBoxLayout*>(layout())->addLayout(row);
}

void MenuBarView::addDivider() {
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    static_cast<QVBoxLayout*>(layout())->addWidget(line);
}

void MenuBarView::takeNow() {
    const Clock& clock = m_services.clock;
    m_now = clock.now();
    // A whole day past is expired; anything later has not yet run out its days.
    m_policiesAfter =
        CalendarMath::addDays(m_now, -1, clock.timeZone()).value_or(Instant(Instant::kMinMs));
    m_windowEnd = CalendarMath::addDays(m_now, kPolicyWindowDays, clock.timeZone())
                      .value_or(Instant(Instant::kMaxMs));
    if (!m_upcomingEvents || m_policiesAfter < m_fetchFloor) {
        makeFetches();
    }
    updateContent();
}

void MenuBarView::makeFetches() {
    ManagedObjectContext& context = m_services.context;
    // The earliest window of the three, that of the policies; the others start later.
    m_fetchFloor = m_policiesAfter;
    m_upcomingEvents = liveFetch(context, Event::fetchRequest(), QStringLiteral("startDate >= %@"),
                                 {Value(m_fetchFloor)}, QStringLiteral("startDate"));
    m_pendingTasks =
        liveFetch(context, Task::fetchRequest(),
                  QStringLiteral("isCompleted == NO AND (dueDate == nil OR dueDate >= %@)"),
                  {Value(m_fetchFloor)}, QStringLiteral("dueDate"));
    m_expiringPolicies =
        liveFetch(context, Policy::fetchRequest(), QStringLiteral("expirationDate >= %@"),
                  {Value(m_fetchFloor)}, QStringLiteral("expirationDate"));
    for (LiveFetchResults* results :
         {m_upcomingEvents.get(), m_pendingTasks.get(), m_expiringPolicies.get()}) {
        results->addListener(this);
    }
}

int MenuBarView::firstUpcomingEvent() const {
    const LiveFetchResults& events = *m_upcomingEvents;
    return firstRowWhere(0, events.count(), [&](int row) {
        return static_cast<const Event*>(events.objectAt(row))->startDate() < m_now;
    });
}

int MenuBarView::pendingTaskCount() const {
    const LiveFetchResults& tasks = *m_pendingTasks;
    const auto due = [&](int row) {
        return static_cast<const Task*>(tasks.objectAt(row))->dueDate();
    };
    // Tasks without a due date sort first.
    const int undated = firstRowWhere(0, tasks.count(), [&](int row) { return !due(row); });
    const int past =
        firstRowWhere(undated, tasks.count(), [&](int row) { return *due(row) < m_now; });
    return undated + (tasks.count() - past);
}

std::pair<int, int> MenuBarView::expiringPolicyRows() const {
    const LiveFetchResults& policies = *m_expiringPolicies;
    const auto expiry = [&](int row) {
        return static_cast<const Policy*>(policies.objectAt(row))->expirationDate();
    };
    const int first =
        firstRowWhere(0, policies.count(), [&](int row) { return expiry(row) <= m_policiesAfter; });
    const int end =
        firstRowWhere(first, policies.count(), [&](int row) { return expiry(row) <= m_windowEnd; });
    return {first, end};
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
    const Clock& clock = m_services.clock;
    StatusClassifier classifier(clock.now(), clock.timeZone());
    const auto [first, end] = expiringPolicyRows();
    int count = 0;
    for (int row = first; row < end; ++row) {
        const auto* policy = static_cast<const Policy*>(m_expiringPolicies->objectAt(row));
        const qint64 horizon =
            PolicyRules::reminderHorizon(policy->reminderDaysArray(), policy->reminderDays());
        count += int(classifier.classify(policy->expirationDate(), horizon) ==
                     PolicyStatus::ExpiringSoon);
    }
    return count;
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
    m_eventsStat->setCount(std::min(m_upcomingEvents->count() - firstUpcomingEvent(), kCountCap));
    m_tasksStat->setCount(std::min(pendingTaskCount(), kCountCap));
    const int attention = attentionCount();
    m_policiesStat->setCount(attention);
    m_warning->setVisible(attention > 0);
    m_warningText->setText(warningText(attention));
    updateNextEvent();
}

void MenuBarView::updateNextEvent() {
    const int first = firstUpcomingEvent();
    m_nextEvent->setVisible(first < m_upcomingEvents->count());
    if (first == m_upcomingEvents->count()) {
        return;
    }
    const auto* event = static_cast<const Event*>(m_upcomingEvents->objectAt(first));
    const std::shared_ptr<Category> category = event->category();
    const QColor color = namedColorValue(
        colorFromString(category ? category->color() : QStringLiteral("blue")), palette());
    m_nextEventDot->setPixmap(dot(color, devicePixelRatioF()));
    m_nextEventDot->setProperty("dotColor", color);
    m_nextEventTitle->setText(event->title());
    const Clock& clock = m_services.clock;
    const QTime time = event->startDate().toUtcDateTime().toTimeZone(clock.timeZone()).time();
    m_nextEventTime->setText(clock.locale().toString(time, QLocale::ShortFormat));
}
