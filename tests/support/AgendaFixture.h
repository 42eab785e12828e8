#pragma once

#include "agenda/AgendaData.h"
#include "model/CalendarMath.h"
#include "model/EventRules.h"
#include "support/PolicyScreenFixture.h"

// An in-memory store of events, tasks and categories at a chosen instant in Rome, with the
// screen world (reminders as in an installed program) for the agenda's screens.
class AgendaFixture : public PolicyScreenFixture {
protected:
    AgendaFixture() {
        m_clock.setLocale(QLocale(QLocale::Italian, QLocale::Italy));
        m_clock.jumpTo(at("2026-03-12 10:30"));
    }

    Instant at(const char* wall) const {
        const QDateTime local =
            QDateTime::fromString(QString::fromLatin1(wall), QStringLiteral("yyyy-MM-dd HH:mm"));
        return *CalendarMath::fromLocal(local.date(), local.time().msecsSinceStartOfDay(),
                                        m_clock.timeZone());
    }
    static QDate day(const char* iso) {
        return QDate::fromString(QString::fromLatin1(iso), Qt::ISODate);
    }

    std::shared_ptr<Category> category(const QString& name, const QString& color) {
        auto category = context().insert<Category>();
        category->setName(name);
        category->setColor(color);
        return category;
    }
    std::shared_ptr<Event> event(const QString& title, Instant start, Instant end,
                                 std::optional<QString> rule = std::nullopt,
                                 const std::shared_ptr<Category>& category = nullptr) {
        auto event = context().insert<Event>();
        event->setTitle(title);
        event->setStartDate(start);
        event->setEndDate(end);
        event->setRecurrenceRule(std::move(rule));
        event->setCategory(category);
        return event;
    }
    std::shared_ptr<Event> allDay(const QString& title, QDate first, QDate last) {
        const EventRules::Times bounds =
            EventRules::allDayBounds({first, last}, m_clock.timeZone());
        auto made = event(title, bounds.start, bounds.end);
        made->setIsAllDay(true);
        return made;
    }
    std::shared_ptr<Task> task(const QString& title, std::optional<Instant> due = std::nullopt) {
        auto task = context().insert<Task>();
        task->setTitle(title);
        task->setDueDate(due);
        return task;
    }
    void save() { ASSERT_TRUE(context().save()); }
};
