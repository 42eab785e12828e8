#pragma once

#include "store/FetchRequest.h"
#include "store/ManagedObject.h"

#include <QString>
#include <QUuid>

class Category;

// A calendar event. Its times and reminder follow model/EventRules; `recurrenceRule` holds an
// RFC 5545 RRULE (model/RecurrenceRule, model/RecurrenceExpansion).
class Event final : public ManagedObject {
public:
    // Attribute and relationship numbers, in the order the model declares them.
    enum Attribute : int {
        kId,
        kTitle,
        kStartDate,
        kEndDate,
        kIsAllDay,
        kLocation,
        kNotes,
        kRecurrenceRule,
        kReminderMinutes,
        kCreatedAt,
    };
    enum Relationship : int { kCategory };

    using ManagedObject::ManagedObject;

    static QString entityName() { return QStringLiteral("Event"); }
    static FetchRequest<Event> fetchRequest() { return {}; }

    QUuid id() const { return requiredAt<QUuid>(kId); }
    QString title() const { return requiredAt<QString>(kTitle); }
    void setTitle(const QString& title) { setValueAt(kTitle, title); }
    Instant startDate() const { return requiredAt<Instant>(kStartDate); }
    void setStartDate(Instant date) { setValueAt(kStartDate, date); }
    Instant endDate() const { return requiredAt<Instant>(kEndDate); }
    void setEndDate(Instant date) { setValueAt(kEndDate, date); }
    bool isAllDay() const { return requiredAt<bool>(kIsAllDay); }
    void setIsAllDay(bool allDay) { setValueAt(kIsAllDay, allDay); }
    std::optional<QString> location() const { return optionalAt<QString>(kLocation); }
    void setLocation(const std::optional<QString>& text) { setOptionalAt(kLocation, text); }
    std::optional<QString> notes() const { return optionalAt<QString>(kNotes); }
    void setNotes(const std::optional<QString>& text) { setOptionalAt(kNotes, text); }
    std::optional<QString> recurrenceRule() const { return optionalAt<QString>(kRecurrenceRule); }
    void setRecurrenceRule(const std::optional<QString>& text) {
        setOptionalAt(kRecurrenceRule, text);
    }
    qint32 reminderMinutes() const { return qint32(requiredAt<qint64>(kReminderMinutes)); }
    void setReminderMinutes(qint32 minutes) { setValueAt(kReminderMinutes, qint64(minutes)); }
    Instant createdAt() const { return requiredAt<Instant>(kCreatedAt); }
    void setCreatedAt(Instant instant) { setValueAt(kCreatedAt, instant); }

    std::shared_ptr<Category> category() const;
    void setCategory(const std::shared_ptr<Category>& category);

protected:
    void awakeFromInsert() override;

private:
    // Set once, on insertion; the context refuses any later change.
    void setId(const QUuid& id) { setValueAt(kId, id); }
};
