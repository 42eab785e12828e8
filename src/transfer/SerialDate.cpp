#include "transfer/SerialDate.h"

#include <QTime>

#include <cmath>

namespace SerialDate {
namespace {

constexpr qint64 kMsPerDay = 86'400'000;
constexpr double kPhantomDay = 60;
constexpr int kLastYear = 9999;

} // namespace

std::optional<LocalDateTime> toLocal(double serial, DateSystem system) {
    if (!std::isfinite(serial) || serial < 0 || serial >= 3'000'000) {
        return std::nullopt;
    }
    double whole = std::floor(serial);
    qint64 ms = std::llround((serial - whole) * double(kMsPerDay));
    if (ms >= kMsPerDay) {
        whole += 1;
        ms -= kMsPerDay;
    }
    QDate date;
    if (system == DateSystem::Since1904) {
        date = QDate(1904, 1, 1).addDays(qint64(whole));
    } else if (whole < 1 || whole == kPhantomDay) {
        return std::nullopt;
    } else {
        // Before the phantom day the count starts a day later.
        date = (whole < kPhantomDay ? QDate(1899, 12, 31) : QDate(1899, 12, 30))
                   .addDays(qint64(whole));
    }
    if (!date.isValid() || date.year() > kLastYear) {
        return std::nullopt;
    }
    return LocalDateTime{date, ms, ms != 0};
}

double fromLocal(QDate date, qint64 msOfDay, DateSystem system) {
    double days = 0;
    if (system == DateSystem::Since1904) {
        days = double(QDate(1904, 1, 1).daysTo(date));
    } else {
        days = double(QDate(1899, 12, 30).daysTo(date));
        if (date < QDate(1900, 3, 1)) {
            days -= 1;
        }
    }
    return days + double(msOfDay) / double(kMsPerDay);
}

QString isoText(const LocalDateTime& value) {
    QString text = value.date.toString(Qt::ISODate);
    if (value.hasTime) {
        const QTime time = QTime::fromMSecsSinceStartOfDay(int(value.msOfDay));
        text += u'T' + time.toString(time.msec() != 0 ? QStringLiteral("HH:mm:ss.zzz")
                                                      : QStringLiteral("HH:mm:ss"));
    }
    return text;
}

} // namespace SerialDate
