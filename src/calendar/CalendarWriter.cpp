#include "calendar/CalendarWriter.h"

#include "backup/DurableFiles.h"
#include "model/CalendarMath.h"
#include "model/EventRules.h"
#include "model/PolicyRules.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <libical/ical.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace CalendarWriter {
namespace {

constexpr QLatin1StringView kUidDomain("@quintaver-scheduler");
constexpr const char* kProductId = "-//Quintaver//Quintaver Scheduler//IT";
constexpr const char* kCalendarName = "Quintaver Scheduler";
constexpr qint64 kCalendarMsPerSecond = 1'000;
// A reminder further from the expiry than this reads as a mistake and gets no alarm.
constexpr qint64 kMaxAlarmDays = 36'600;
constexpr qint32 kCalendarMinutesPerDay = 1'440;

struct ComponentDeleter {
    void operator()(icalcomponent* component) const { icalcomponent_free(component); }
};
using Component = std::unique_ptr<icalcomponent, ComponentDeleter>;

QString uidOf(QLatin1StringView kind, const QUuid& id) {
    return kind + id.toString(QUuid::WithoutBraces) + kUidDomain;
}

// A TEXT value as RFC 5545 allows it: line breaks as LF (escaped by libical), no other control
// character, no NUL that would end the C string early.
QByteArray calendarText(const QString& text) {
    QString clean;
    clean.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r') {
            clean += u'\n';
            if (i + 1 < text.size() && text[i + 1] == u'\n') {
                ++i;
            }
        } else if (c == u'\n' || c == u'\t' || (c.unicode() >= 0x20 && c.unicode() != 0x7F)) {
            clean += c;
        }
    }
    return clean.toUtf8();
}

bool hasText(const std::optional<QString>& text) {
    return text && !text->trimmed().isEmpty();
}

icaltimetype utcTime(Instant instant) {
    qint64 ms = instant.msSinceEpoch();
    // Whole seconds toward the past, before 1970 too.
    const qint64 seconds = ms >= 0 ? ms / kCalendarMsPerSecond
                                   : -((-ms + kCalendarMsPerSecond - 1) / kCalendarMsPerSecond);
    return icaltime_from_timet_with_zone(time_t(seconds), 0, icaltimezone_get_utc_timezone());
}

icaltimetype dateValue(QDate date) {
    icaltimetype t = icaltime_null_date();
    t.year = date.year();
    t.month = date.month();
    t.day = date.day();
    return t;
}

void addText(icalcomponent* component, icalproperty* (*make)(const char*), const QString& text) {
    icalcomponent_add_property(component, make(calendarText(text).constData()));
}

void addCommon(icalcomponent* component, const QString& uid, Instant created,
               const QString& summary) {
    addText(component, icalproperty_new_uid, uid);
    // The store keeps no time of change; the time of creation keeps the text the same from
    // one writing to the next.
    icalcomponent_add_property(component, icalproperty_new_dtstamp(utcTime(created)));
    addText(component, icalproperty_new_summary, summary);
}

void addAlarm(icalcomponent* owner, const icaltriggertype& trigger, const QString& text) {
    icalcomponent* alarm = icalcomponent_new(ICAL_VALARM_COMPONENT);
    icalcomponent_add_property(alarm, icalproperty_new_action(ICAL_ACTION_DISPLAY));
    icalcomponent_add_property(alarm, icalproperty_new_trigger(trigger));
    addText(alarm, icalproperty_new_description, text);
    icalcomponent_add_component(owner, alarm);
}

// An alarm `days` whole days before the start (after it, for a negative number).
void addAlarmDaysBefore(icalcomponent* owner, qint64 days, const QString& text) {
    icaltriggertype trigger{};
    trigger.time = icaltime_null_time();
    trigger.duration = icaldurationtype_null_duration();
    trigger.duration.is_neg = days > 0 ? 1 : 0;
    trigger.duration.days = static_cast<unsigned int>(days >= 0 ? days : -days);
    addAlarm(owner, trigger, text);
}

void addAlarmMinutesBefore(icalcomponent* owner, qint32 minutes, const QString& text) {
    icaltriggertype trigger{};
    trigger.time = icaltime_null_time();
    trigger.duration = icaldurationtype_null_duration();
    trigger.duration.is_neg = minutes > 0 ? 1 : 0;
    if (minutes > 0 && minutes % kCalendarMinutesPerDay == 0) {
        trigger.duration.days = static_cast<unsigned int>(minutes / kCalendarMinutesPerDay);
    } else {
        trigger.duration.minutes = static_cast<unsigned int>(minutes);
    }
    addAlarm(owner, trigger, text);
}

void addAlarmAt(icalcomponent* owner, Instant at, const QString& text) {
    icaltriggertype trigger{};
    trigger.time = utcTime(at);
    trigger.duration = icaldurationtype_null_duration();
    addAlarm(owner, trigger, text);
}

// The rule as libical reads it; nothing when it does not.
std::optional<icalrecurrencetype> readableRule(const std::optional<QString>& text) {
    if (!hasText(text) || text->contains(QChar(0))) {
        return std::nullopt;
    }
    QString body = text->trimmed();
    if (body.startsWith(QLatin1StringView("RRULE:"), Qt::CaseInsensitive)) {
        body = body.mid(6);
    }
    icalerror_clear_errno();
    icalrecurrencetype rule = icalrecurrencetype_from_string(body.toUtf8().constData());
    const icalerrorenum error = icalerrno;
    icalerror_clear_errno();
    if (rule.rscale) {
        std::free(rule.rscale); // allocated by the parser; calendar scales are not written
        return std::nullopt;
    }
    if (error != ICAL_NO_ERROR || rule.freq == ICAL_NO_RECURRENCE) {
        return std::nullopt;
    }
    return rule;
}

QString expirySummary(const CalendarBook::Policy& policy) {
    return policy.number.trimmed().isEmpty()
               ? QStringLiteral("Scadenza: %1").arg(policy.name)
               : QStringLiteral("Scadenza: %1 (%2)").arg(policy.name, policy.number);
}

QString expiryDescription(const CalendarBook::Policy& policy) {
    QStringList lines;
    if (policy.hasClient) {
        const QString client = PolicyRules::fullName(policy.clientFirstName, policy.clientLastName);
        if (!client.isEmpty()) {
            lines << QStringLiteral("Cliente: ") + client;
        }
    }
    if (!policy.phone.trimmed().isEmpty()) {
        lines << QStringLiteral("Telefono: ") + policy.phone.trimmed();
    }
    return lines.join(u'\n');
}

Component expiryEvent(const CalendarBook::Policy& policy, const QTimeZone& zone) {
    Component event(icalcomponent_new(ICAL_VEVENT_COMPONENT));
    const QString summary = expirySummary(policy);
    addCommon(event.get(), policyUid(policy.id), policy.createdAt, summary);
    const QDate day = CalendarMath::toLocal(policy.expiry, zone).date;
    icalcomponent_add_property(event.get(), icalproperty_new_dtstart(dateValue(day)));
    icalcomponent_add_property(event.get(), icalproperty_new_dtend(dateValue(day.addDays(1))));
    if (const QString description = expiryDescription(policy); !description.isEmpty()) {
        addText(event.get(), icalproperty_new_description, description);
    }
    // The expiry shows as free time: it is a date to remember, not an appointment.
    icalcomponent_add_property(event.get(), icalproperty_new_transp(ICAL_TRANSP_TRANSPARENT));
    std::vector<qint64> days =
        PolicyRules::reminderDaysArray(policy.customReminderDays, policy.reminderDays);
    std::sort(days.begin(), days.end(), std::greater<>());
    days.erase(std::unique(days.begin(), days.end()), days.end());
    for (const qint64 before : days) {
        if (before >= -kMaxAlarmDays && before <= kMaxAlarmDays) {
            addAlarmDaysBefore(event.get(), before, summary);
        }
    }
    return event;
}

Component agendaEvent(const CalendarBook::Event& item, const QTimeZone& zone) {
    Component event(icalcomponent_new(ICAL_VEVENT_COMPONENT));
    addCommon(event.get(), eventUid(item.id), item.createdAt, item.title);
    if (item.allDay) {
        const EventRules::Days days = EventRules::days({item.start, item.end}, zone);
        icalcomponent_add_property(event.get(), icalproperty_new_dtstart(dateValue(days.first)));
        const QDate after = std::max(days.last, days.first).addDays(1);
        icalcomponent_add_property(event.get(), icalproperty_new_dtend(dateValue(after)));
    } else {
        icalcomponent_add_property(event.get(), icalproperty_new_dtstart(utcTime(item.start)));
        if (item.end > item.start) {
            icalcomponent_add_property(event.get(), icalproperty_new_dtend(utcTime(item.end)));
        }
    }
    if (hasText(item.location)) {
        addText(event.get(), icalproperty_new_location, *item.location);
    }
    if (hasText(item.notes)) {
        addText(event.get(), icalproperty_new_description, *item.notes);
    }
    if (const std::optional<icalrecurrencetype> rule = readableRule(item.recurrenceRule)) {
        icalcomponent_add_property(event.get(), icalproperty_new_rrule(*rule));
    }
    if (EventRules::hasReminder(item.reminderMinutes)) {
        addAlarmMinutesBefore(event.get(), item.reminderMinutes, item.title);
    }
    return event;
}

// The editor's priorities (0 low, 1 normal, 2 high) on RFC 5545's scale, 1 the highest; 0
// for one it does not name.
int calendarPriority(qint32 priority) {
    switch (priority) {
    case 0:
        return 9;
    case 1:
        return 5;
    case 2:
        return 1;
    default:
        return 0;
    }
}

Component agendaTask(const CalendarBook::Task& item) {
    Component todo(icalcomponent_new(ICAL_VTODO_COMPONENT));
    addCommon(todo.get(), taskUid(item.id), item.createdAt, item.title);
    if (item.due) {
        icalcomponent_add_property(todo.get(), icalproperty_new_due(utcTime(*item.due)));
    }
    icalcomponent_add_property(
        todo.get(),
        icalproperty_new_status(item.completed ? ICAL_STATUS_COMPLETED : ICAL_STATUS_NEEDSACTION));
    if (item.completed && item.completedAt) {
        icalcomponent_add_property(todo.get(),
                                   icalproperty_new_completed(utcTime(*item.completedAt)));
    }
    if (const int priority = calendarPriority(item.priority); priority != 0) {
        icalcomponent_add_property(todo.get(), icalproperty_new_priority(priority));
    }
    if (hasText(item.notes)) {
        addText(todo.get(), icalproperty_new_description, *item.notes);
    }
    if (item.reminder) {
        addAlarmAt(todo.get(), *item.reminder, item.title);
    }
    return todo;
}

void append(QByteArray& out, icalcomponent* component) {
    char* serialised = icalcomponent_as_ical_string_r(component);
    out.append(serialised);
    icalmemory_free_buffer(serialised);
}

// Indices of `items` by `key` then id, so that the text does not depend on the store's order.
template <typename Item, typename Key>
std::vector<size_t> orderOf(const std::vector<Item>& items, Key key) {
    std::vector<size_t> order(items.size());
    for (size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const auto keyA = key(items[a]);
        const auto keyB = key(items[b]);
        return keyA != keyB ? keyA < keyB : items[a].id < items[b].id;
    });
    return order;
}

} // namespace

QString policyUid(const QUuid& id) {
    return uidOf(QLatin1StringView("policy-"), id);
}

QString eventUid(const QUuid& id) {
    return uidOf(QLatin1StringView("event-"), id);
}

QString taskUid(const QUuid& id) {
    return uidOf(QLatin1StringView("task-"), id);
}

QByteArray text(const CalendarBook& book, const QTimeZone& zone) {
    // The calendar's own properties, written by libical; the items go before its END line,
    // each serialised and freed in turn rather than all held as one tree.
    const Component calendar(icalcomponent_new(ICAL_VCALENDAR_COMPONENT));
    icalcomponent_add_property(calendar.get(), icalproperty_new_prodid(kProductId));
    icalcomponent_add_property(calendar.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(calendar.get(), icalproperty_new_calscale("GREGORIAN"));
    icalproperty* name = icalproperty_new_x(kCalendarName);
    icalproperty_set_x_name(name, "X-WR-CALNAME");
    icalcomponent_add_property(calendar.get(), name);
    QByteArray envelope;
    append(envelope, calendar.get());
    const QByteArray end("END:VCALENDAR\r\n");
    QByteArray out = envelope.left(envelope.size() - end.size());

    for (const size_t i : orderOf(book.policies, [](const auto& p) { return p.expiry; })) {
        append(out, expiryEvent(book.policies[i], zone).get());
    }
    for (const size_t i : orderOf(book.events, [](const auto& e) { return e.start; })) {
        append(out, agendaEvent(book.events[i], zone).get());
    }
    for (const size_t i : orderOf(book.tasks, [](const auto& t) { return t.createdAt; })) {
        append(out, agendaTask(book.tasks[i]).get());
    }
    out.append(end);
    return out;
}

std::optional<QString> writeFile(const QString& path, const QByteArray& text) {
    const QFileInfo target(path);
    QTemporaryFile file(
        target.absoluteDir().filePath(QStringLiteral(".%1.XXXXXX").arg(target.fileName())));
    if (!file.open()) {
        return QStringLiteral("Cannot create a file in %1: %2")
            .arg(target.absolutePath(), file.errorString());
    }
    if (file.write(text) != text.size() || !file.flush()) {
        return QStringLiteral("Cannot write %1: %2").arg(file.fileName(), file.errorString());
    }
    if (std::optional<QString> error = DurableFiles::syncFile(file.fileName())) {
        return error;
    }
    if (std::optional<QString> error = DurableFiles::renameReplacing(file.fileName(), path)) {
        return error;
    }
    file.setAutoRemove(false);
    return DurableFiles::syncFolder(target.absolutePath());
}

} // namespace CalendarWriter
