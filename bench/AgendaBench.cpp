#include "Harness.h"
#include "PolicyWorld.h"
#include "agenda/AgendaData.h"
#include "agenda/AgendaDayModel.h"
#include "agenda/AgendaView.h"
#include "model/Category.h"
#include "model/Event.h"
#include "model/PersistenceController.h"
#include "model/Task.h"
#include "platform/LogChannel.h"
#include "store/ManagedObjectContext.h"
#include "support/ScreenWorld.h"
#include "support/TimeHelpers.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListView>
#include <QTableView>

#include <algorithm>
#include <fcntl.h>
#include <random>
#include <unistd.h>

namespace {

using PolicyWorld::kNow;
using TimeHelpers::kDayMs;
using TimeHelpers::kHourMs;
constexpr int kAgendaEvents = 10'000;
constexpr int kAgendaTasks = 5'000;

// An in-memory store of 10,000 events over two years around now (a tenth repeating: weekly,
// daily for a month, monthly), 5,000 tasks (a fifth undated, a tenth done) and six categories.
struct AgendaWorld {
    AgendaWorld()
        : nullFile(::open("/dev/null", O_WRONLY | O_CLOEXEC))
        , log(nullFile)
        , store(true, clock, log)
        , screens(clock, log, {.installed = false}) {
        ManagedObjectContext& context = store.container().viewContext();
        std::mt19937_64 random(23);
        std::vector<std::shared_ptr<Category>> categories;
        for (const char* color : {"red", "orange", "green", "purple", "teal", "brown"}) {
            auto category = context.insert<Category>();
            category->setName(QString::fromLatin1(color));
            category->setColor(QString::fromLatin1(color));
            categories.push_back(category);
        }
        const auto someInstant = [&random] {
            return Instant(kNow.msSinceEpoch() - 365 * kDayMs +
                           qint64(random() % (2 * 365 * 24)) * kHourMs);
        };
        static const char* const kRules[] = {"FREQ=WEEKLY", "FREQ=DAILY;COUNT=30", "FREQ=MONTHLY"};
        for (int i = 0; i < kAgendaEvents; ++i) {
            auto event = context.insert<Event>();
            event->setTitle(PolicyWorld::madeUpName(random, 2) + QStringLiteral(" riunione"));
            const Instant start = someInstant();
            event->setStartDate(start);
            event->setEndDate(Instant(start.msSinceEpoch() + kHourMs));
            if (random() % 3 == 0) {
                event->setLocation(PolicyWorld::madeUpName(random));
            }
            if (i % 10 == 0) {
                event->setRecurrenceRule(QString::fromLatin1(kRules[(i / 10) % 3]));
            }
            event->setCategory(categories[random() % categories.size()]);
        }
        for (int i = 0; i < kAgendaTasks; ++i) {
            auto task = context.insert<Task>();
            task->setTitle(PolicyWorld::madeUpName(random, 3));
            if (i % 5 != 0) {
                task->setDueDate(someInstant());
            }
            if (i % 10 == 1) {
                task->setDone(true, kNow);
            }
        }
        context.save();
    }
    ~AgendaWorld() { ::close(nullFile); }

    ManualClock clock{kNow, QTimeZone("Europe/Rome"), QLocale(QLocale::Italian, QLocale::Italy)};
    int nullFile;
    LogChannel log;
    PersistenceController store;
    ScreenWorld screens;
};

using Bench::elapsedMs;

double worst(const std::vector<double>& samples) {
    return *std::max_element(samples.begin(), samples.end());
}

// Counts the paints of the widgets it watches.
class PaintCount final : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return QObject::eventFilter(watched, event);
    }
};

QString worstAgainst(const std::vector<double>& samples, const std::vector<double>& baseline) {
    const double base = Bench::median(baseline);
    return QStringLiteral("%1 (worst of %2), against %3 for the paint alone: %4x")
        .arg(worst(samples), 0, 'f', 1)
        .arg(samples.size())
        .arg(base, 0, 'f', 1)
        .arg(worst(samples) / std::max(base, 0.001), 0, 'f', 1);
}

void agendaBench() {
    AgendaWorld world;
    ManagedObjectContext& context = world.store.container().viewContext();
    AgendaView view(world.screens.agenda(context));
    view.resize(1100, 720);
    view.show();
    QApplication::processEvents();
    auto* grid = view.findChild<QTableView*>(QStringLiteral("agendaMonthGrid"));
    auto* dayList = view.findChild<QListView*>(QStringLiteral("agendaDayList"));
    auto* matches = view.findChild<QListView*>(QStringLiteral("agendaSearchResults"));
    auto* field = view.findChild<QLineEdit*>(QStringLiteral("agendaSearchField"));

    // A change and the paint that follows it, once: the window's pending update paints what
    // changed; a view it left out is painted here, so that no figure leaves out a paint.
    PaintCount gridPaintCount;
    PaintCount dayPaintCount;
    grid->viewport()->installEventFilter(&gridPaintCount);
    dayList->viewport()->installEventFilter(&dayPaintCount);
    const auto repainted = [&](const std::function<void()>& change) {
        return elapsedMs([&] {
            const int gridBefore = gridPaintCount.paints;
            const int dayBefore = dayPaintCount.paints;
            change();
            QCoreApplication::sendPostedEvents();
            if (gridPaintCount.paints == gridBefore) {
                grid->viewport()->repaint();
            }
            if (dayPaintCount.paints == dayBefore) {
                dayList->viewport()->repaint();
            }
        });
    };

    // The painted grid alone, the other side of each figure.
    std::vector<double> gridPaints;
    std::vector<double> dayPaints;
    for (int round = 0; round < 12; ++round) {
        gridPaints.push_back(elapsedMs([&] { grid->viewport()->repaint(); }));
        dayPaints.push_back(elapsedMs([&] { dayList->viewport()->repaint(); }));
    }

    // Next month: its fetch made, its days worked out, the grid and the day painted; then, as
    // a user pauses, until its repeats (worked out ahead, or on a worker now) are painted too.
    const auto settle = [&] {
        while (!view.data().isSettled()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        }
        grid->viewport()->repaint();
    };
    settle();
    std::vector<double> moves;
    std::vector<double> settled;
    for (int round = 0; round < 12; ++round) {
        QElapsedTimer since;
        since.start();
        moves.push_back(repainted([&] { view.showMonth(1); }));
        settle();
        settled.push_back(double(since.nsecsElapsed()) / 1e6);
        Bench::idle(300);
    }
    Bench::report(QStringLiteral("agenda: next month repainted, 10,000 events (a tenth "
                                 "repeating), 5,000 tasks (ms)"),
                  worstAgainst(moves, gridPaints), QStringLiteral("at most 16 ms"));
    Bench::report(QStringLiteral("agenda: next month with its repeats painted, after a pause "
                                 "of 300 ms before each move (ms)"),
                  worstAgainst(settled, gridPaints), QStringLiteral("printed"));
    // With no pause the repeats of each month are worked out after the move.
    std::vector<double> rushed;
    for (int round = 0; round < 6; ++round) {
        rushed.push_back(elapsedMs([&] {
            view.showMonth(1);
            QCoreApplication::sendPostedEvents();
            settle();
        }));
    }
    Bench::report(QStringLiteral("agenda: next month with its repeats painted, moving on at "
                                 "once (ms)"),
                  worstAgainst(rushed, gridPaints), QStringLiteral("printed"));

    // Days of the month shown, in a scattered order: a move to another month is the figure
    // above.
    view.showToday();
    settle();
    const QDate first(view.selectedDay().year(), view.selectedDay().month(), 1);
    std::vector<double> days;
    for (int step = 0; step < 24; ++step) {
        days.push_back(
            repainted([&] { view.selectDay(first.addDays((step * 11) % first.daysInMonth())); }));
        QApplication::processEvents();
    }
    Bench::report(QStringLiteral("agenda: choosing a day, its list painted (ms)"),
                  worstAgainst(days, dayPaints), QStringLiteral("at most 16 ms"));

    std::vector<double> keystrokes;
    std::vector<double> listPaints;
    for (const QString& word : {QStringLiteral("riunione"), QStringLiteral("bace")}) {
        const auto type = [&](const QString& text) {
            keystrokes.push_back(elapsedMs([&] {
                field->setText(text);
                QCoreApplication::sendPostedEvents();
                matches->viewport()->repaint();
            }));
            listPaints.push_back(elapsedMs([&] { matches->viewport()->repaint(); }));
        };
        for (qsizetype length = 1; length <= word.size(); ++length) {
            type(word.left(length));
        }
        for (qsizetype length = word.size() - 1; length >= 0; --length) {
            type(word.left(length));
        }
    }
    Bench::report(QStringLiteral("agenda: a keystroke in the search, typed words and their "
                                 "erasure, 15,000 events and tasks (ms)"),
                  worstAgainst(keystrokes, listPaints), QStringLiteral("at most 16 ms"));
}

} // namespace

QS_BENCH_GROUP("agenda", agendaBench);
