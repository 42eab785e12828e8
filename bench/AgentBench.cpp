#include "Harness.h"
#include "PrivateBus.h"
#include "agent/ReminderAgent.h"
#include "platform/ReminderBus.h"
#include "support/ManualClock.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kFew = 300;
constexpr int kMany = 300'000;
constexpr int kDueSoon = 6'000;
constexpr int kBurst = 20'000;

// No server on the bench's bus: every request lies in the future and nothing is shown.
class NoServer final : public NotificationPresenter {
public:
    void show(const NotificationRequest&, ShowCompletion completion) override {
        completion(std::nullopt, QStringLiteral("no server"));
    }
    void probe(std::function<void(bool)> completion) override { completion(false); }
    QString server() const override { return QString(); }
};

// Requests spread over the next ten years, a few every day, as a long-used store holds them;
// all in the future, as the agent that reads them later runs on the real clock.
QList<NotificationRequest> requests(int count) {
    QList<NotificationRequest> list;
    list.reserve(count);
    const QDate first = QDate::currentDate().addDays(2);
    for (int i = 0; i < count; ++i) {
        const QDate date = first.addDays(i % 3650);
        list.append({QStringLiteral("policy-%1-30").arg(i, 8, 10, QLatin1Char('0')),
                     QStringLiteral("Policy Expiring Soon"),
                     QStringLiteral("Casa %1 (P-%1) expires in 30 days").arg(i), true, date.year(),
                     date.month(), date.day(), i % 24, (i * 7) % 60});
    }
    return list;
}

// Requests due within the next day, after the bench has ended: a busy day's reminders.
QList<NotificationRequest> dueSoon(int count) {
    QList<NotificationRequest> list;
    list.reserve(count);
    const QDateTime first = QDateTime::currentDateTime().addSecs(15 * 60);
    for (int i = 0; i < count; ++i) {
        const QDateTime local = first.addSecs(qint64(i) * 13 % (23 * 3600));
        list.append(
            {QStringLiteral("policy-soon-%1-7").arg(i), QStringLiteral("Policy Expiring Soon"),
             QStringLiteral("Soon %1 (S-%1) expires in 7 days").arg(i), true, local.date().year(),
             local.date().month(), local.date().day(), local.time().hour(), local.time().minute()});
    }
    return list;
}

std::unique_ptr<ReminderStore> filledStore(const QString& path,
                                           const QList<NotificationRequest>& contents) {
    QString error;
    auto store = ReminderStore::open(path, &error);
    if (!store || store->putAll(contents)) {
        qFatal("Cannot fill the bench's reminder store: %s", qPrintable(error));
    }
    return store;
}

// Times any thread of the process was woken: its context switches, summed over its threads.
qint64 wakeUps(qint64 pid) {
    qint64 total = 0;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile status(tasks.filePath(task + QStringLiteral("/status")));
        if (!status.open(QIODevice::ReadOnly)) {
            continue;
        }
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("voluntary_ctxt_switches:") ||
                line.startsWith("nonvoluntary_ctxt_switches:")) {
                total += line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
            }
        }
    }
    return total;
}

// User and system time of the process, in clock ticks.
qint64 cpuTicks(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QByteArray text = stat.readAll();
    // Fields after the command name, which is in parentheses and may hold spaces.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.value(11).toLongLong() + fields.value(12).toLongLong();
}

void addFigures(QTemporaryDir& dir) {
    int devNull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    LogChannel log(devNull);
    ManualClock clock(Instant::fromDateTime(QDateTime::currentDateTimeUtc()),
                      QTimeZone::systemTimeZone());
    NoServer presenter;
    auto few = filledStore(dir.filePath(QStringLiteral("few/reminders.sqlite")), requests(kFew));
    auto many = filledStore(
        dir.filePath(QStringLiteral("data/quintaver-scheduler/reminders.sqlite")), requests(kMany));
    auto soon = filledStore(dir.filePath(QStringLiteral("soon/reminders.sqlite")),
                            requests(kFew) + dueSoon(kDueSoon));
    ReminderAgent fewAgent(clock, *few, presenter, log);
    ReminderAgent manyAgent(clock, *many, presenter, log);
    ReminderAgent soonAgent(clock, *soon, presenter, log);
    fewAgent.start();
    manyAgent.start();
    soonAgent.start();
    int next = 0;
    const auto adder = [&](ReminderAgent& agent) {
        return [&] {
            const QDate date = QDate::currentDate().addDays(400 + next % 3000);
            agent.add({QStringLiteral("policy-bench-%1").arg(next++), "Policy Expiring Soon",
                       "Bench (B-1) expires in 7 days", true, date.year(), date.month(), date.day(),
                       9, 0});
        };
    };
    const std::vector<double> medians =
        Bench::medianSeconds({adder(fewAgent), adder(manyAgent), adder(soonAgent)}, 151);
    Bench::report(QStringLiteral("agent add, 300,000 pending vs 300 (ratio)"),
                  QString::number(medians[1] / medians[0], 'f', 2), QStringLiteral("at most 1.5"));
    Bench::report(QStringLiteral("agent add, 6,000 due within the day vs 300 pending (ratio)"),
                  QString::number(medians[2] / medians[0], 'f', 2), QStringLiteral("at most 1.5"));
    Bench::report(QStringLiteral("agent add, 300 / 300,000 / 6,000 due soon (ms, durable)"),
                  QStringLiteral("%1 / %2 / %3")
                      .arg(medians[0] * 1000, 0, 'f', 2)
                      .arg(medians[1] * 1000, 0, 'f', 2)
                      .arg(medians[2] * 1000, 0, 'f', 2),
                  QStringLiteral("context: one fsync each"));
    ::close(devNull);
}

// Adds sent back to back without waiting for any answer, as a program scheduling many policies
// at once would; then the agent is left alone and its resident set read.
void burstFigure(PrivateBus& bus, qint64 pid) {
    const QString name =
        QStringLiteral("agent resident memory, idle after %L1 pipelined adds (MB)").arg(kBurst);
    QList<QDBusPendingCall> calls;
    {
        QDBusConnection connection = bus.connect();
        calls.reserve(kBurst);
        const QDate date = QDate::currentDate().addDays(30);
        for (int i = 0; i < kBurst; ++i) {
            QDBusMessage add =
                QDBusMessage::createMethodCall(ReminderBus::kAgentService, ReminderBus::kAgentPath,
                                               ReminderBus::kAgentInterface, QStringLiteral("Add"));
            add.setArguments({QStringLiteral("policy-burst-%1-30").arg(i),
                              QStringLiteral("Policy Expiring Soon"),
                              QStringLiteral("Burst %1 (B-%1) expires in 30 days").arg(i), true,
                              date.year(), date.month(), date.day(), i % 24, i % 60});
            calls.append(connection.asyncCall(add, 600'000));
        }
        int failed = 0;
        for (QDBusPendingCall& call : calls) {
            call.waitForFinished();
            failed += call.isError() ? 1 : 0;
        }
        calls.clear();
        QDBusConnection::disconnectFromBus(connection.name());
        if (failed > 0) {
            Bench::report(name, QStringLiteral("%1 adds failed").arg(failed),
                          QStringLiteral("at most 30 MB"));
            return;
        }
    }
    QThread::sleep(5);
    Bench::report(name, QString::number(Bench::residentKb(pid) / 1024.0, 'f', 1),
                  QStringLiteral("at most 30 MB"));
}

void memoryFigures(QTemporaryDir& dir) {
    // The agent on a bus of its own, with the store of 300,000 requests as its data.
    PrivateBus bus;
    if (!bus.isRunning()) {
        Bench::report(QStringLiteral("agent resident memory"), QStringLiteral("no bus"),
                      QStringLiteral("at most 30 MB"));
        return;
    }
    const QString address = bus.address();
    QProcess agent;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
    agent.setProcessEnvironment(environment);
    agent.setStandardOutputFile(QProcess::nullDevice());
    QDeadlineTimer started(30'000);
    const auto startTime = std::chrono::steady_clock::now();
    agent.start(QStringLiteral(QS_AGENT_EXECUTABLE), {});
    while (!Bench::nameOnBus(address, QStringLiteral("org.quintaver.Scheduler.Reminders")) &&
           !started.hasExpired()) {
        QThread::msleep(20);
    }
    const std::chrono::duration<double> startup = std::chrono::steady_clock::now() - startTime;
    Bench::report(QStringLiteral("agent start with 300,000 pending (ms)"),
                  started.hasExpired() ? QStringLiteral("did not start")
                                       : QString::number(startup.count() * 1000, 'f', 0),
                  QStringLiteral("quick"));
    QThread::sleep(2);
    const qint64 pid = agent.processId();
    const qint64 ticksBefore = cpuTicks(pid);
    const qint64 wakeUpsBefore = wakeUps(pid);
    QThread::sleep(10);
    const qint64 ticksAfter = cpuTicks(pid);
    const qint64 wakeUpsAfter = wakeUps(pid);
    const qint64 kb = Bench::residentKb(pid);
    Bench::report(QStringLiteral("agent resident memory, idle with 300,000 pending (MB)"),
                  QString::number(kb / 1024.0, 'f', 1), QStringLiteral("at most 30 MB"));
    Bench::report(QStringLiteral("agent CPU time over 10 s idle (ms)"),
                  QString::number((ticksAfter - ticksBefore) * 1000 / sysconf(_SC_CLK_TCK)),
                  QStringLiteral("no busy loop: near 0"));
    Bench::report(QStringLiteral("agent wake-ups over 10 s idle"),
                  QString::number(wakeUpsAfter - wakeUpsBefore),
                  QStringLiteral("at most one a minute, plus the minute tick"));
    burstFigure(bus, pid);
    agent.kill();
    agent.waitForFinished(5000);
}

void agentBench() {
    QTemporaryDir dir;
    addFigures(dir);
    memoryFigures(dir);
}

} // namespace

QS_BENCH_GROUP("agent", agentBench);
