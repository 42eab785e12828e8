#pragma once

#include "platform/Instant.h"

#include <QLocale>
#include <QObject>
#include <QTimeZone>

// The current instant, the user's time zone and locale, each read afresh at every call, so
// that every date computation uses the values current at that moment. Listeners hear when
// something that "now" depends on has moved, so that nothing shown goes stale.
class Clock : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual Instant now() const = 0;
    virtual QTimeZone timeZone() const = 0;
    virtual QLocale locale() const = 0;

Q_SIGNALS:
    // The wall clock entered a new minute.
    void minuteChanged();
    // The local date changed (midnight passed, or a jump or a zone change moved the date).
    void dayChanged();
    // The user's time zone changed.
    void timeZoneChanged();
    // The wall clock moved other than by running: set by hand, synchronised, or the machine
    // resumed from suspend.
    void wallClockJumped();
};
