#include "Harness.h"
#include "PrivateBus.h"
#include "app/AppDelegate.h"
#include "app/MenuBarView.h"
#include "app/Popover.h"
#include "model/Event.h"
#include "model/PersistenceController.h"
#include "model/Policy.h"
#include "model/Task.h"
#include "platform/DesktopActions.h"
#include "platform/LogChannel.h"
#include "platform/NotificationCenter.h"
#include "platform/TrayHost.h"
#include "support/ManualClock.h"
#include "support/TimeHelpers.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <fcntl.h>
#include <random>
#include <unistd.h>

namespace {

using TimeHelpers::kDayMs;

// A store of the given size: expiries spread over three years around now with assorted
// reminder days, events a year either side, tasks with and without due dates, a fifth done.
void fill(ManagedObjectContext& context, Instant now, int policies, int events, int tasks) {
    std::mt19937_64 random(7);
    const auto around = [&](qint64 spanDays) {
        return Instant(now.msSinceEpoch() - spanDays * kDayMs / 2 +
                       qint64(random() % quint64(spanDays * kDayMs)));
    };
    static const qint32 reminderDays[] = {7, 15, 30, 45, 60, 90};
    for (int i = 0; i < policies; ++i) {
        auto policy = context.insert<Policy>();
        policy->setName(QStringLiteral("Polizza %1").arg(i));
        policy->setPolicyNumber(QStringLiteral("N-%1").arg(i));
        policy->setProvider(QStringLiteral("Generali"));
        policy->setExpirationDate(around(3 * 365));
        policy->setReminderDays(reminderDays[random() % std::size(reminderDays)]);
    }
    for (int i = 0; i < events; ++i) {
        auto event = context.insert<Event>();
        event->setTitle(QStringLiteral("Event %1").arg(i));
        event->setStartDate(around(2 * 365));
        event->setEndDate(Instant(event->startDate().msSinceEpoch() + 3'600'000));
    }
    for (int i = 0; i < tasks; ++i) {
        auto task = context.insert<Task>();
        task->setTitle(QStringLiteral("Task %1").arg(i));
        if (random() % 3 != 0) {
            task->setDueDate(around(2 * 365));
        }
        task->setIsCompleted(random() % 5 == 0);
    }
    context.save();
}

struct AlwaysTray final : TrayHost {
    bool isAvailable() const override { return true; }
};
struct NoDesktop final : DesktopActions {
    void openUrl(const QUrl&) override {}
    void revealFile(const QString&) override {}
    void bringForward(QWindow*, const QString&) override {}
    void quit() override {}
};

// From the icon's click to the popover painted, its fetches starting at that moment; the
// median over rounds a little apart (a popover closed a moment ago does not reopen).
double openMs(int policies, int events, int tasks) {
    const int nullFile = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    LogChannel log(nullFile);
    ManualClock clock(Instant(1'773'136'200'000), QTimeZone("Europe/Rome"));
    PersistenceController store(true, clock, log);
    fill(store.container().viewContext(), clock.now(), policies, events, tasks);
    AlwaysTray tray;
    NoDesktop desktop;
    NotificationCenter center;
    AppDelegate delegate(
        {store.container().viewContext(), clock, desktop, center, tray, {}, {}, 0});
    delegate.setupMenuBar();
    std::vector<double> samples;
    for (int round = 0; round < 15; ++round) {
        QThread::msleep(320);
        QElapsedTimer timer;
        timer.start();
        delegate.togglePopover();
        Bench::doNotOptimize(delegate.popover()->grab());
        samples.push_back(double(timer.nsecsElapsed()) / 1e6);
        delegate.popover()->hide();
        QCoreApplication::processEvents();
    }
    ::close(nullFile);
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

// The program itself, started on a store of 10,000 policies, drawn offscreen on a bus of its
// own; its resident set once start-up has settled.
QString startupResidentMb() {
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("data"));
    QDir().mkpath(data + QStringLiteral("/quintaver-scheduler"));
    {
        const int nullFile = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        LogChannel log(nullFile);
        ManualClock clock(Instant::fromDateTime(QDateTime::currentDateTimeUtc()),
                          QTimeZone::systemTimeZone());
        PersistenceController store(
            data + QStringLiteral("/quintaver-scheduler/QuintaverModel.sqlite"), clock, log);
        fill(store.container().viewContext(), clock.now(), 10'000, 0, 0);
        ::close(nullFile);
    }
    PrivateBus bus;
    if (!bus.isRunning()) {
        return QStringLiteral("no bus");
    }
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
    environment.insert(QStringLiteral("XDG_DATA_HOME"), data);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("HOME"), dir.filePath(QStringLiteral("home")));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(environment);
    program.setStandardOutputFile(QProcess::nullDevice());
    program.start(QStringLiteral(QS_PROGRAM_EXECUTABLE), {});
    QDeadlineTimer started(30'000);
    while (!Bench::nameOnBus(bus.address(), QStringLiteral("org.quintaver.Scheduler")) &&
           !started.hasExpired()) {
        QThread::msleep(20);
    }
    QThread::sleep(3);
    const qint64 kb = Bench::residentKb(program.processId());
    program.kill();
    program.waitForFinished(5000);
    return started.hasExpired() ? QStringLiteral("did not start")
                                : QString::number(kb / 1024.0, 'f', 1);
}

void popoverBench() {
    Bench::report(QStringLiteral("popover: open with 100,000 policies, 10,000 events, 10,000 "
                                 "tasks, click to painted (ms)"),
                  QString::number(openMs(100'000, 10'000, 10'000), 'f', 2),
                  QStringLiteral("at most 16 ms"));
    Bench::report(QStringLiteral("popover: open with an empty store (ms)"),
                  QString::number(openMs(0, 0, 0), 'f', 2), QStringLiteral("for comparison"));
    Bench::report(QStringLiteral("program: resident memory after start-up with 10,000 "
                                 "policies (MB)"),
                  startupResidentMb(), QStringLiteral("under 120 MB"));
}

} // namespace

QS_BENCH_GROUP("popover", popoverBench);
