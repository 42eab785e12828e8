#pragma once

#include "platform/Clock.h"

// A clock whose instant, zone and locale are set by its owner: tests, and the screenshot
// renderer that shows every screen at a chosen moment. Nothing about the process changes.
class ManualClock final : public Clock {
    Q_OBJECT
public:
    explicit ManualClock(Instant now, QTimeZone zone = QTimeZone::utc(),
                         QLocale locale = QLocale(QLocale::English, QLocale::UnitedStates),
                         QObject* parent = nullptr);

    Instant now() const override { return m_now; }
    QTimeZone timeZone() const override { return m_zone; }
    QLocale locale() const override { return m_locale; }

    // Moves time as a running clock would: minute and day signals as they are crossed.
    void advanceTo(Instant later);
    // Moves time as a clock set by hand or a resume would: a jump, then minute and day.
    void jumpTo(Instant instant);
    void setTimeZone(const QTimeZone& zone);
    void setLocale(const QLocale& locale) { m_locale = locale; }

private:
    void moveTo(Instant instant, bool jumped);

    Instant m_now;
    QTimeZone m_zone;
    QLocale m_locale;
};
