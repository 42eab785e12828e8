#include "reminders/EventReminders.h"

#include "model/CalendarMath.h"
#include "model/Event.h"
#include "model/EventRules.h"
#include "model/RecurrenceExpansion.h"

EventReminderSource EventReminderSource::of(const Event& event) {
    return {event.id(),       event.title(),    event.startDate(),      event.endDate(),
            event.isAllDay(), event.location(), event.recurrenceRule(), event.reminderMinutes()};
}

QString EventReminderSource::idText() const {
    return id.toString(QUuid::WithoutBraces).toUpper();
}

namespace EventReminders {

QString eventIdOf(const QString& identifier) {
    const qsizetype dash = kPrefix.size() + kIdTextLength;
    if (!identifier.startsWith(kPrefix) || identifier.size() != dash + 1 + kStartTextLength ||
        identifier[dash] != u'-') {
        return QString();
    }
    return identifier.mid(kPrefix.size(), kIdTextLength);
}

std::optional<Instant> occurrenceStartOf(const QString& identifier) {
    if (eventIdOf(identifier).isEmpty()) {
        return std::nullopt;
    }
    QDateTime start = QDateTime::fromString(identifier.right(kStartTextLength),
                                            QStringLiteral("yyyyMMdd'T'HHmm"));
    if (!start.isValid()) {
        return std::nullopt;
    }
    start.setTimeZone(QTimeZone::utc());
    return Instant::fromDateTime(start);
}

QString identifier(const QString& idText, Instant occurrenceStart) {
    return QString(kPrefix) + idText + u'-' +
           occurrenceStart.toUtcDateTime().toString(QStringLiteral("yyyyMMdd'T'HHmm"));
}

QString body(const EventReminderSource& event, Instant occurrenceStart, const QTimeZone& zone,
             const QLocale& locale) {
    const CalendarMath::LocalDateTime start = CalendarMath::toLocal(occurrenceStart, zone);
    const QString date = locale.toString(start.date, QLocale::ShortFormat);
    QString range;
    if (event.allDay) {
        const EventRules::Days days = EventRules::days({event.start, event.end}, zone);
        const qint64 more = days.first.daysTo(days.last);
        range = more == 0 ? date
                          : date + QStringLiteral(" – ") +
                                locale.toString(start.date.addDays(more), QLocale::ShortFormat);
    } else {
        const qint64 length =
            std::max<qint64>(0, event.end.msSinceEpoch() - event.start.msSinceEpoch());
        const CalendarMath::LocalDateTime end =
            CalendarMath::toLocal(Instant(occurrenceStart.msSinceEpoch() + length), zone);
        const auto time = [&locale](const CalendarMath::LocalDateTime& at) {
            return locale.toString(QTime::fromMSecsSinceStartOfDay(int(at.msOfDay)),
                                   QLocale::ShortFormat);
        };
        range = date + QStringLiteral(", ") + time(start) + QStringLiteral(" – ");
        if (end.date != start.date) {
            range += locale.toString(end.date, QLocale::ShortFormat) + QStringLiteral(", ");
        }
        range += time(end);
    }
    if (event.location && !event.location->trimmed().isEmpty()) {
        range += QStringLiteral(" · ") + Reminder::shortened(*event.location);
    }
    return range;
}

std::vector<Reminder> all(const EventReminderSource& event, const QTimeZone& zone,
                          const QLocale& locale, Instant now, RepeatRuleLog& log) {
    if (!EventRules::hasReminder(event.minutes)) {
        return {};
    }
    std::vector<Instant> starts{event.start};
    if (event.rule && !event.rule->trimmed().isEmpty()) {
        const Instant windowEnd =
            CalendarMath::addDays(now, RecurrenceExpansion::kWindowDays, zone).value_or(now);
        RecurrenceExpansion::Occurrences occurrences = RecurrenceExpansion::occurrences(
            event.rule, event.start, event.allDay, zone, now, windowEnd, event.id, log);
        if (!occurrences.error) {
            starts = std::move(occurrences.starts);
        }
    }
    const QString id = event.idText();
    const QString title = Reminder::shortened(event.title);
    std::vector<Reminder> reminders;
    reminders.reserve(starts.size());
    for (const Instant start : starts) {
        const std::optional<Instant> at = EventRules::reminderInstant(start, event.minutes, zone);
        // Occurrences within one minute (a rule repeating by the second) share one request.
        const QString name = identifier(id, start);
        if (!at || (!reminders.empty() && reminders.back().request.identifier == name)) {
            continue;
        }
        reminders.push_back(
            {Reminder::requestAt(name, title, body(event, start, zone, locale), *at, zone),
             Reminder::Kind::Event, id, title, 0, *at});
    }
    return reminders;
}

std::vector<Reminder> toCome(const EventReminderSource& event, const QTimeZone& zone,
                             const QLocale& locale, Instant now, RepeatRuleLog& log) {
    std::vector<Reminder> reminders = all(event, zone, locale, now, log);
    std::erase_if(reminders,
                  [&](const Reminder& reminder) { return reminder.hasBegun(now, zone); });
    return reminders;
}

} // namespace EventReminders
