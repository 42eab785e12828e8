#include "AgentWorld.h"
#include "Harness.h"
#include "PolicyWorld.h"
#include "backup/BackupService.h"
#include "backup/StoreFileCheck.h"
#include "backup/StoreRestore.h"
#include "model/Event.h"
#include "model/Policy.h"
#include "model/Task.h"
#include "policies/PolicyListModel.h"

#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kPolicies = 100'000;
constexpr int kDocuments = 1'000;
constexpr qsizetype kDocumentBytes = 1 << 20;
constexpr int kSaves = 15;
constexpr int kSyncRounds = 5;
// The agenda beside the book in the reminder sync: a tenth of the events repeat weekly.
constexpr int kEvents = 1'000;
constexpr int kTasks = 1'000;

QString milliseconds(double seconds) {
    return QString::number(seconds * 1e3, 'f', 1);
}

// The longest stall of an event loop with nothing to do for `ms`: what the machine itself
// costs, beside the figures' own.
double idleStallMs(int ms) {
    Bench::StallWatch stalls;
    Bench::idle(ms);
    return stalls.longestMs();
}

// The program's store, open, as the backups find it.
struct OpenBook {
    explicit OpenBook(const QString& path)
        : nullFile(::open("/dev/null", O_WRONLY | O_CLOEXEC))
        , log(nullFile)
        , store(path, clock, log) {}
    ~OpenBook() { ::close(nullFile); }
    OpenBook(const OpenBook&) = delete;
    OpenBook& operator=(const OpenBook&) = delete;

    ManualClock clock{PolicyWorld::kNow, QTimeZone("Europe/Rome")};
    int nullFile;
    LogChannel log;
    PersistenceController store;
};

void buildBook(const QString& path) {
    OpenBook book(path);
    ManagedObjectContext& context = book.store.container().viewContext();
    PolicyWorld::fill(context, kPolicies);
    const QByteArray document =
        QByteArray("%PDF-1.7 ").repeated(int(kDocumentBytes / 9 + 1)).left(kDocumentBytes);
    const std::vector<std::shared_ptr<Policy>> policies = context.fetch(Policy::fetchRequest());
    for (int i = 0; i < kDocuments; ++i) {
        policies[size_t(i) * (kPolicies / kDocuments)]->setPdfData(document);
    }
    if (!context.save()) {
        std::fprintf(stderr, "could not build %s\n", qPrintable(path));
        std::exit(1);
    }
}

// Saves one changed policy and says how long the save took, in seconds.
double saveOne(ManagedObjectContext& context, const std::shared_ptr<Policy>& policy, int n) {
    policy->setNotes(QStringLiteral("Nota %1").arg(n));
    QElapsedTimer timer;
    timer.start();
    context.save();
    return double(timer.nsecsElapsed()) / 1e9;
}

void backupFigures() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("QuintaverModel.sqlite"));
    QElapsedTimer built;
    built.start();
    buildBook(path);
    std::fprintf(stderr, "book built in %.1f s\n", double(built.elapsed()) / 1e3);

    OpenBook book(path);
    ManagedObjectContext& context = book.store.container().viewContext();
    const std::shared_ptr<Policy> changed = context.fetch(Policy::fetchRequest()).back();
    BackupService backups({book.clock, book.log}, path, BackupService::folderBeside(path));
    std::optional<BackupOutcome> outcome;
    QObject::connect(&backups, &BackupService::backupFinished, &backups,
                     [&](const BackupOutcome& finished) { outcome = finished; });

    // The program idle while the backup runs.
    QElapsedTimer timer;
    timer.start();
    Bench::StallWatch stalls;
    backups.backUpNow();
    AgentWorld::waitFor([&] { return outcome.has_value(); }, 1'200'000, 1);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    const double stall = stalls.longestMs();
    const double work = stalls.mostWorkMs();
    if (!outcome->written()) {
        Bench::report(QStringLiteral("backup"), QStringLiteral("failed: ") + outcome->error,
                      QString());
        return;
    }
    Bench::report(QStringLiteral("backup of %L1 policies and %L2 documents of 1 MB, written, "
                                 "checked and renamed (s)")
                      .arg(kPolicies)
                      .arg(kDocuments),
                  QString::number(seconds, 'f', 1), QStringLiteral("printed"));
    Bench::report(QStringLiteral("backup: longest event-loop stall while it runs, the most work "
                                 "of one turn, and the longest stall while idle as long (ms)"),
                  QStringLiteral("%1, %2, %3")
                      .arg(stall, 0, 'f', 1)
                      .arg(work, 0, 'f', 1)
                      .arg(idleStallMs(int(seconds * 1e3)), 0, 'f', 1),
                  QStringLiteral("at most 16"));

    // Saves of one changed policy, without a backup and while one runs.
    std::vector<double> alone;
    for (int i = 0; i < kSaves; ++i) {
        alone.push_back(saveOne(context, changed, i));
        Bench::idle(20);
    }
    std::vector<double> during;
    outcome.reset();
    book.clock.advanceTo(Instant(book.clock.now().msSinceEpoch() + 1000));
    backups.backUpNow();
    for (int i = 0; !outcome; ++i) {
        during.push_back(saveOne(context, changed, i));
        Bench::idle(100);
    }
    const double aloneMedian = Bench::median(alone);
    const double duringMedian = Bench::median(during);
    Bench::report(QStringLiteral("backup: saving one changed policy while it runs, and against "
                                 "without (ms, ratio; median of %1)")
                      .arg(during.size()),
                  QStringLiteral("%1, %2")
                      .arg(milliseconds(duringMedian))
                      .arg(duringMedian / aloneMedian, 0, 'f', 2),
                  QStringLiteral("printed, at most 2"));
    // The median hides a save that waits: the slowest ones, with and without a backup.
    Bench::report(QStringLiteral("backup: the slowest save of one changed policy while it runs, "
                                 "and without (ms)"),
                  QStringLiteral("%1, %2")
                      .arg(milliseconds(*std::max_element(during.begin(), during.end())))
                      .arg(milliseconds(*std::max_element(alone.begin(), alone.end()))),
                  QStringLiteral("printed"));

    // Quitting in the middle of a backup: how long the window waits for it to stop.
    {
        BackupService stopped({book.clock, book.log}, path, BackupService::folderBeside(path));
        book.clock.advanceTo(Instant(book.clock.now().msSinceEpoch() + 1000));
        stopped.backUpNow();
        Bench::idle(int(seconds * 1e3 / 3));
        timer.restart();
    }
    Bench::report(QStringLiteral("backup: stopped a third of the way through, its stop (ms)"),
                  milliseconds(double(timer.nsecsElapsed()) / 1e9), QStringLiteral("printed"));
}

// Events over the next months, a tenth repeating weekly, and tasks with a reminder each.
void fillAgenda(ManagedObjectContext& context, Instant now) {
    constexpr qint64 kHourMs = 3'600'000;
    for (int i = 0; i < kEvents; ++i) {
        auto event = context.insert<Event>();
        event->setTitle(QStringLiteral("Appuntamento %1").arg(i));
        event->setStartDate(Instant(now.msSinceEpoch() + (i + 1) * 7 * kHourMs));
        event->setEndDate(Instant(event->startDate().msSinceEpoch() + kHourMs));
        if (i % 10 == 0) {
            event->setRecurrenceRule(QStringLiteral("FREQ=WEEKLY"));
        }
    }
    for (int i = 0; i < kTasks; ++i) {
        auto task = context.insert<Task>();
        task->setTitle(QStringLiteral("Compito %1").arg(i));
        task->setReminderDate(Instant(now.msSinceEpoch() + (i + 1) * 5 * kHourMs));
    }
    context.save();
}

// The start-up match of the reminders with nothing to change: every reminder of 100,000
// policies and of the agenda already pending on the built agent.
void syncFigures(AgentWorld::Program& program) {
    PersistenceController store(true, program.clock, program.log);
    ManagedObjectContext& context = store.container().viewContext();
    PolicyWorld::fill(context, kPolicies);
    fillAgenda(context, program.clock.now());
    std::optional<NotificationManager::MatchResult> first;
    program.manager->matchPendingToStore(context, [&](const auto& result) { first = result; });
    AgentWorld::waitFor([&] { return first.has_value(); }, 1'200'000, 100);
    std::fprintf(stderr, "reminders scheduled on the agent: %d\n", first->scheduled);

    std::vector<double> durations;
    double stall = 0;
    double work = 0;
    bool nothing = true;
    for (int round = 0; round < kSyncRounds; ++round) {
        std::optional<NotificationManager::MatchResult> again;
        QElapsedTimer timer;
        timer.start();
        Bench::StallWatch stalls;
        program.manager->matchPendingToStore(context, [&](const auto& result) { again = result; });
        AgentWorld::waitFor([&] { return again.has_value(); }, 600'000, 1);
        durations.push_back(double(timer.nsecsElapsed()) / 1e9);
        stall = std::max(stall, stalls.longestMs());
        work = std::max(work, stalls.mostWorkMs());
        nothing = nothing && again->matched && again->removed == 0 && again->scheduled == 0;
    }
    const double seconds = Bench::median(durations);
    Bench::report(QStringLiteral("reminder sync of %L1 policies, %L2 events and %L3 tasks (%L4 "
                                 "pending), nothing to change (s, median of %5)")
                      .arg(kPolicies)
                      .arg(kEvents)
                      .arg(kTasks)
                      .arg(first->scheduled)
                      .arg(kSyncRounds),
                  nothing ? QString::number(seconds, 'f', 2) : QStringLiteral("it changed some"),
                  QStringLiteral("at most 1"));
    Bench::report(QStringLiteral("reminder sync: longest event-loop stall while it runs, the "
                                 "most work of one turn, and the longest stall while idle as "
                                 "long (ms)"),
                  QStringLiteral("%1, %2, %3")
                      .arg(stall, 0, 'f', 1)
                      .arg(work, 0, 'f', 1)
                      .arg(idleStallMs(int(seconds * kSyncRounds * 1e3)), 0, 'f', 1),
                  QStringLiteral("at most 16"));
}

// Rows of one height, as the program's list has them: otherwise the view would measure all
// 100,000 rows to lay them out, a second that the program never spends.
void paintList(QListView& view, PolicyListModel& model) {
    view.setUniformItemSizes(true);
    view.resize(420, 800);
    view.setModel(&model);
    view.grab();
}

// A restore of a 100,000-policy store as the program does it, the list on screen following,
// against the program's own start: the store opened and fetched, the list made and painted. The
// chosen file is checked, and the store backed up, while the user is asked: that wait is
// printed apart, against the check alone that it replaces.
void restoreFigures() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("QuintaverModel.sqlite"));
    const QString chosen = dir.filePath(QStringLiteral("chosen.sqlite"));
    {
        OpenBook book(chosen);
        PolicyWorld::fill(book.store.container().viewContext(), kPolicies);
        book.store.container().viewContext().save();
    }
    QFile::copy(chosen, path);
    OpenBook book(path);
    PolicyListModel model(book.store.container().viewContext(), book.clock);
    QListView view;
    paintList(view, model);
    const auto request = [&] {
        book.clock.advanceTo(Instant(book.clock.now().msSinceEpoch() + 1000));
        return RestoreRequest{chosen, path, BackupService::folderBeside(path), book.clock.now(),
                              book.clock.timeZone()};
    };
    int restored = 0;
    std::vector<double> opens;
    std::vector<double> checks;
    std::vector<double> prepares;
    std::vector<double> restores;
    for (int round = 0; round < 3; ++round) {
        opens.push_back(Bench::elapsedMs([&] {
            OpenBook opened(chosen);
            PolicyListModel fresh(opened.store.container().viewContext(), opened.clock);
            QListView shown;
            paintList(shown, fresh);
        }));
        checks.push_back(Bench::elapsedMs([&] { StoreFileCheck::check(chosen); }));
        PreparedRestore prepared;
        prepares.push_back(
            Bench::elapsedMs([&] { prepared = StoreRestore::prepare(request(), nullptr); }));
        restores.push_back(Bench::elapsedMs([&] {
            book.store.close();
            restored += StoreRestore::commit(request(), std::move(prepared)).restored;
            book.store.reopen();
            view.grab();
        }));
    }
    const double open = Bench::median(opens) / 1e3;
    const double restore = Bench::median(restores) / 1e3;
    const bool whole = restored == 3 && model.totalCount() == kPolicies;
    Bench::report(QStringLiteral("restore of %L1 policies, from Ripristina to the painted list, "
                                 "against the store's own open and fetch to the painted list "
                                 "(s, s, ratio)")
                      .arg(kPolicies),
                  whole ? QStringLiteral("%1, %2, %3")
                              .arg(restore, 0, 'f', 2)
                              .arg(open, 0, 'f', 2)
                              .arg(restore / open, 0, 'f', 2)
                        : QStringLiteral("failed"),
                  QStringLiteral("at most 1.5"));
    Bench::report(QStringLiteral("restore: the chosen file copied and checked and the store "
                                 "backed up before the question, against checking the file "
                                 "alone (s, s)"),
                  QStringLiteral("%1, %2")
                      .arg(Bench::median(prepares) / 1e3, 0, 'f', 2)
                      .arg(Bench::median(checks) / 1e3, 0, 'f', 2),
                  QStringLiteral("printed"));
}

void backupBench() {
    AgentWorld::withAgent(QStringLiteral("reminder sync"), syncFigures);
    restoreFigures();
    backupFigures();
}

} // namespace

QS_BENCH_GROUP("backup", backupBench);
