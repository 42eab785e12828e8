#include "platform/SystemClock.h"

#include <cerrno>
#include <ctime>
#include <sys/timerfd.h>
#include <unistd.h>

namespace {

qint64 clockMs(clockid_t id) {
    timespec ts{};
    clock_gettime(id, &ts);
    return qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}
} // namespace

SystemClock::SystemClock(QObject* parent)
    : Clock(parent)
    , m_zoneId(QTimeZone::systemTimeZoneId())
    , m_date(QDateTime::currentDateTime().date())
    , m_suspendedMs(suspendedMs()) {
    m_timerFd = timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_timerFd >= 0) {
        m_notifier = std::make_unique<QSocketNotifier>(m_timerFd, QSocketNotifier::Read);
        connect(m_notifier.get(), &QSocketNotifier::activated, this, &SystemClock::onTimer);
        arm();
    }
    for (const QString& file :
         {QStringLiteral("/etc/localtime"), QStringLiteral("/etc/timezone")}) {
        m_zoneFiles.addPath(file);
    }
    connect(&m_zoneFiles, &QFileSystemWatcher::fileChanged, this, [this](const QString& path) {
        // A zone change replaces the file (a new symlink), which ends the watch on it.
        if (!m_zoneFiles.files().contains(path)) {
            m_zoneFiles.addPath(path);
        }
        checkZoneAndDate();
    });
}

SystemClock::~SystemClock() {
    m_notifier.reset();
    if (m_timerFd >= 0) {
        ::close(m_timerFd);
    }
}

Instant SystemClock::now() const {
    return Instant(clockMs(CLOCK_REALTIME));
}

QTimeZone SystemClock::timeZone() const {
    return QTimeZone::systemTimeZone();
}

QLocale SystemClock::locale() const {
    return QLocale::system();
}

qint64 SystemClock::suspendedMs() {
    // CLOCK_BOOTTIME counts suspended time and CLOCK_MONOTONIC does not.
    return clockMs(CLOCK_BOOTTIME) - clockMs(CLOCK_MONOTONIC);
}

void SystemClock::arm() {
    const qint64 nowMs = clockMs(CLOCK_REALTIME);
    const qint64 nextMinuteMs = (nowMs / 60000 + 1) * 60000;
    itimerspec spec{};
    spec.it_value.tv_sec = nextMinuteMs / 1000;
    spec.it_value.tv_nsec = (nextMinuteMs % 1000) * 1000000;
    timerfd_settime(m_timerFd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &spec, nullptr);
}

void SystemClock::onTimer() {
    quint64 expirations = 0;
    const ssize_t n = ::read(m_timerFd, &expirations, sizeof expirations);
    const bool clockWasSet = n < 0 && errno == ECANCELED;
    if (n < 0 && !clockWasSet) {
        return; // Spurious wake-up: the timer stays armed.
    }
    const qint64 suspended = suspendedMs();
    const bool resumed = suspended - m_suspendedMs > 1000;
    m_suspendedMs = suspended;
    arm();
    if (clockWasSet || resumed) {
        Q_EMIT wallClockJumped();
    }
    Q_EMIT minuteChanged();
    checkZoneAndDate();
}

void SystemClock::checkZoneAndDate() {
    const QByteArray zoneId = QTimeZone::systemTimeZoneId();
    if (zoneId != m_zoneId) {
        m_zoneId = zoneId;
        Q_EMIT timeZoneChanged();
    }
    const QDate date = now().toUtcDateTime().toTimeZone(timeZone()).date();
    if (date != m_date) {
        m_date = date;
        Q_EMIT dayChanged();
    }
}
