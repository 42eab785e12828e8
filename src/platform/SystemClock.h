#pragma once

#include "platform/Clock.h"

#include <QDate>
#include <QFileSystemWatcher>
#include <QSocketNotifier>

#include <memory>

// The machine's clock, zone and locale. It wakes once a minute on a CLOCK_REALTIME timer that
// the kernel cancels when the wall clock is set, so a clock set by hand is noticed at once; a
// resume from suspend is noticed at the next tick (the timer's deadline is in wall time, so it
// fires as soon as the machine is awake again) by the growth of the time spent suspended.
// The zone files are watched as well, and the zone is compared at every tick.
class SystemClock final : public Clock {
    Q_OBJECT
public:
    explicit SystemClock(QObject* parent = nullptr);
    ~SystemClock() override;

    Instant now() const override;
    QTimeZone timeZone() const override;
    QLocale locale() const override;

private:
    void arm();
    void onTimer();
    void checkZoneAndDate();
    static qint64 suspendedMs();

    int m_timerFd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QFileSystemWatcher m_zoneFiles;
    QByteArray m_zoneId;
    QDate m_date;
    qint64 m_suspendedMs = 0;
};
