#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <libical/ical.h>

#include <memory>

// A calendar file's text read back with libical, as a calendar program reads it.
class CalendarFileReader final {
public:
    explicit CalendarFileReader(const QByteArray& text)
        : m_calendar(icalparser_parse_string(text.constData())) {}

    bool isRead() const {
        return m_calendar && icalcomponent_isa(m_calendar.get()) == ICAL_VCALENDAR_COMPONENT;
    }
    icalcomponent* calendar() const { return m_calendar.get(); }

    // The components of that kind, in the file's order.
    std::vector<icalcomponent*> all(icalcomponent_kind kind) const {
        std::vector<icalcomponent*> found;
        for (icalcomponent* c = icalcomponent_get_first_component(m_calendar.get(), kind); c;
             c = icalcomponent_get_next_component(m_calendar.get(), kind)) {
            found.push_back(c);
        }
        return found;
    }
    // The component whose UID is `uid`, or null.
    icalcomponent* withUid(const QString& uid) const {
        for (const icalcomponent_kind kind : {ICAL_VEVENT_COMPONENT, ICAL_VTODO_COMPONENT}) {
            for (icalcomponent* c : all(kind)) {
                if (QString::fromUtf8(icalcomponent_get_uid(c)) == uid) {
                    return c;
                }
            }
        }
        return nullptr;
    }
    // The relative triggers of its alarms, as RFC 5545 writes them ("-P30D").
    static QStringList triggers(icalcomponent* owner) {
        QStringList found;
        for (icalcomponent* alarm = icalcomponent_get_first_component(owner, ICAL_VALARM_COMPONENT);
             alarm; alarm = icalcomponent_get_next_component(owner, ICAL_VALARM_COMPONENT)) {
            icalproperty* trigger = icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY);
            const icaltriggertype value = icalproperty_get_trigger(trigger);
            found << (icaltime_is_null_time(value.time)
                          ? QString::fromUtf8(icaldurationtype_as_ical_string(value.duration))
                          : QString::fromUtf8(icaltime_as_ical_string(value.time)));
        }
        return found;
    }
    // A TEXT property's value, unescaped; empty when it is missing.
    static QString text(icalcomponent* owner, icalproperty_kind kind) {
        icalproperty* property = icalcomponent_get_first_property(owner, kind);
        return property ? QString::fromUtf8(icalvalue_get_text(icalproperty_get_value(property)))
                        : QString();
    }
    // Any property's value as the file writes it ("20300101", "FREQ=WEEKLY;COUNT=4").
    static QString raw(icalcomponent* owner, icalproperty_kind kind) {
        icalproperty* property = icalcomponent_get_first_property(owner, kind);
        return property ? QString::fromUtf8(icalproperty_get_value_as_string(property)) : QString();
    }

private:
    struct Free {
        void operator()(icalcomponent* c) const { icalcomponent_free(c); }
    };
    std::unique_ptr<icalcomponent, Free> m_calendar;
};
