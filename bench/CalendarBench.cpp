#include "AgentWorld.h"
#include "Harness.h"
#include "PolicyWorld.h"
#include "calendar/CalendarBook.h"
#include "calendar/CalendarWriter.h"
#include "calendar/LiveCalendar.h"
#include "model/Policy.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

namespace {

constexpr int kCalendarExportPolicies = 100'000;
constexpr int kLivePolicies = 10'000;
constexpr int kLiveRounds = 5;

// "Esporta Calendario..." of a large book: the store read on its thread, then the text made
// and the file written, as the worker does.
void calendarExportFigures() {
    PolicyWorld::InMemory world(kCalendarExportPolicies);
    ManagedObjectContext& context = world.store.container().viewContext();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Quintaver.ics"));
    QElapsedTimer timer;
    timer.start();
    const CalendarBook book = CalendarBook::of(context);
    const double readMs = double(timer.nsecsElapsed()) / 1e6;
    const QByteArray text = CalendarWriter::text(book, world.clock.timeZone());
    const std::optional<QString> error = CalendarWriter::writeFile(path, text);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    if (error) {
        Bench::report(QStringLiteral("calendar export"), QStringLiteral("failed: ") + *error,
                      QString());
        return;
    }
    Bench::report(QStringLiteral("calendar export of %L1 policies, read, made and written (s; "
                                 "%L2 MB)")
                      .arg(kCalendarExportPolicies)
                      .arg(double(text.size()) / 1e6, 0, 'f', 1),
                  QString::number(seconds, 'f', 2), QStringLiteral("printed"));
    Bench::report(QStringLiteral("calendar export: reading the store on the UI thread (ms)"),
                  QString::number(readMs, 'f', 1), QStringLiteral("printed"));
}

// The live file after one save that renames a policy: the longest the UI thread's event loop
// goes without turning, from the save's return until the file is written.
void liveCalendarFigures() {
    PolicyWorld::InMemory world(kLivePolicies);
    ManagedObjectContext& context = world.store.container().viewContext();
    QTemporaryDir dir;
    LiveCalendar live({context, world.clock, world.log},
                      dir.filePath(QStringLiteral("Quintaver.ics")));
    context.setSavedHandler([&live] { live.noteSaved(); });
    int writes = 0;
    QObject::connect(&live, &LiveCalendar::updated,
                     [&writes](bool written) { writes += written ? 1 : 0; });
    live.setEnabled(true);
    AgentWorld::waitFor([&] { return writes == 1; }, 60'000, 1);
    const std::shared_ptr<Policy> renamed = context.fetch(Policy::fetchRequest()).front();
    double worst = 0;
    std::vector<double> durations;
    for (int round = 0; round < kLiveRounds; ++round) {
        renamed->setName(QStringLiteral("Polizza rinominata %1").arg(round));
        context.save();
        QElapsedTimer timer;
        timer.start();
        Bench::StallWatch stalls;
        AgentWorld::waitFor([&] { return writes == round + 2; }, 60'000, 1);
        worst = std::max(worst, stalls.longestMs());
        durations.push_back(double(timer.nsecsElapsed()) / 1e9);
    }
    if (writes != kLiveRounds + 1 || live.failure()) {
        Bench::report(QStringLiteral("live calendar"),
                      QStringLiteral("failed: ") + live.failure().value_or(QStringLiteral("late")),
                      QString());
        return;
    }
    Bench::report(QStringLiteral("live calendar of %L1 policies: longest event-loop stall while "
                                 "it is rewritten after one save (ms, worst of %2)")
                      .arg(kLivePolicies)
                      .arg(kLiveRounds),
                  QString::number(worst, 'f', 1), QStringLiteral("at most 16"));
    Bench::report(QStringLiteral("live calendar of %L1 policies: from the save to the file "
                                 "written, the %L2 ms wait included (s, median of %3)")
                      .arg(kLivePolicies)
                      .arg(LiveCalendar::kDefaultDelayMs)
                      .arg(kLiveRounds),
                  QString::number(Bench::median(durations), 'f', 2), QStringLiteral("printed"));
}

void calendarBench() {
    calendarExportFigures();
    liveCalendarFigures();
}

} // namespace

QS_BENCH_GROUP("calendar", calendarBench);
