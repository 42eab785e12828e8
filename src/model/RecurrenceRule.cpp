#include "model/RecurrenceRule.h"

#include "model/CalendarMath.h"

#include <QStringList>

namespace {

constexpr qint64 kLastSecondOfDayMs = CalendarMath::kMsPerDay - 1'000;

QString frequencyOf(RecurrenceRule::Repeat repeat) {
    switch (repeat) {
    case RecurrenceRule::Repeat::Daily:
        return QStringLiteral("FREQ=DAILY");
    case RecurrenceRule::Repeat::Weekly:
        return QStringLiteral("FREQ=WEEKLY");
    case RecurrenceRule::Repeat::EveryTwoWeeks:
        return QStringLiteral("FREQ=WEEKLY;INTERVAL=2");
    case RecurrenceRule::Repeat::Monthly:
        return QStringLiteral("FREQ=MONTHLY");
    case RecurrenceRule::Repeat::Yearly:
        return QStringLiteral("FREQ=YEARLY");
    case RecurrenceRule::Repeat::Never:
    case RecurrenceRule::Repeat::Custom:
        break;
    }
    return QString();
}

std::optional<RecurrenceRule::Repeat> repeatOf(const QString& frequency) {
    if (frequency == QLatin1StringView("FREQ=DAILY")) {
        return RecurrenceRule::Repeat::Daily;
    }
    if (frequency == QLatin1StringView("FREQ=WEEKLY")) {
        return RecurrenceRule::Repeat::Weekly;
    }
    if (frequency == QLatin1StringView("FREQ=MONTHLY")) {
        return RecurrenceRule::Repeat::Monthly;
    }
    if (frequency == QLatin1StringView("FREQ=YEARLY")) {
        return RecurrenceRule::Repeat::Yearly;
    }
    return std::nullopt;
}

// An UNTIL value: a DATE (yyyyMMdd) as it stands, a UTC DATE-TIME (yyyyMMddTHHmmssZ) as the
// local date it falls on.
std::optional<QDate> untilDate(const QString& value, const QTimeZone& zone) {
    if (value.size() == 8) {
        const QDate date = QDate::fromString(value, QStringLiteral("yyyyMMdd"));
        return date.isValid() ? std::optional(date) : std::nullopt;
    }
    if (value.size() == 16 && value.endsWith(u'Z')) {
        QDateTime utc = QDateTime::fromString(value.left(15), QStringLiteral("yyyyMMdd'T'HHmmss"));
        if (!utc.isValid()) {
            return std::nullopt;
        }
        utc.setTimeZone(QTimeZone::utc());
        return CalendarMath::toLocal(Instant::fromDateTime(utc), zone).date;
    }
    return std::nullopt;
}

// A COUNT value: decimal digits only, at least 1.
std::optional<int> countOf(const QString& value) {
    for (const QChar c : value) {
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
    }
    bool ok = false;
    const int count = value.toInt(&ok);
    return ok && count >= 1 ? std::optional(count) : std::nullopt;
}

} // namespace

std::optional<QString> RecurrenceRule::text(bool allDay, const QTimeZone& zone) const {
    QString text = frequencyOf(repeat);
    if (text.isEmpty()) {
        return std::nullopt;
    }
    if (end == End::AfterCount) {
        text += QStringLiteral(";COUNT=") + QString::number(std::max(count, 1));
    } else if (end == End::OnDate && until.isValid()) {
        if (allDay) {
            text += QStringLiteral(";UNTIL=") + until.toString(QStringLiteral("yyyyMMdd"));
        } else if (const std::optional<Instant> last =
                       CalendarMath::fromLocal(until, kLastSecondOfDayMs, zone)) {
            text += QStringLiteral(";UNTIL=") +
                    last->toUtcDateTime().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
        }
    }
    return text;
}

RecurrenceRule RecurrenceRule::read(const std::optional<QString>& stored, const QTimeZone& zone) {
    if (!stored || stored->trimmed().isEmpty()) {
        return {};
    }
    const RecurrenceRule custom = every(Repeat::Custom);
    QStringList parts = stored->split(u';');
    const std::optional<Repeat> repeat = repeatOf(parts.takeFirst());
    if (!repeat) {
        return custom;
    }
    RecurrenceRule rule = every(*repeat);
    if (rule.repeat == Repeat::Weekly && !parts.isEmpty() &&
        parts.first() == QLatin1StringView("INTERVAL=2")) {
        rule.repeat = Repeat::EveryTwoWeeks;
        parts.removeFirst();
    }
    if (parts.isEmpty()) {
        return rule;
    }
    if (parts.size() > 1) {
        return custom;
    }
    const QString& part = parts.first();
    if (part.startsWith(QLatin1StringView("COUNT="))) {
        if (const std::optional<int> count = countOf(part.mid(6))) {
            return rule.endingAfter(*count);
        }
    } else if (part.startsWith(QLatin1StringView("UNTIL="))) {
        if (const std::optional<QDate> date = untilDate(part.mid(6), zone)) {
            return rule.endingOn(*date);
        }
    }
    return custom;
}

std::optional<QString> RecurrenceRule::textToStore(const RecurrenceRule& chosen,
                                                   const std::optional<QString>& stored,
                                                   bool allDay, const QTimeZone& zone) {
    if (stored && read(stored, zone) == chosen) {
        return stored;
    }
    return chosen.text(allDay, zone);
}
