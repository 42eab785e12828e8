#pragma once

#include "store/FetchRequest.h"
#include "store/ManagedObject.h"

#include <QString>
#include <QUuid>

class Category;

// A to-do item, with a due date, a reminder and a checklist (model/Checklist) of its own.
class Task final : public ManagedObject {
public:
    enum Attribute : int {
        kId,
        kTitle,
        kDueDate,
        kIsCompleted,
        kPriority,
        kNotes,
        kSubtasks,
        kReminderDate,
        kCreatedAt,
        kCompletedAt,
    };
    enum Relationship : int { kCategory };

    using ManagedObject::ManagedObject;

    static QString entityName() { return QStringLiteral("Task"); }
    static FetchRequest<Task> fetchRequest() { return {}; }

    QUuid id() const { return requiredAt<QUuid>(kId); }
    QString title() const { return requiredAt<QString>(kTitle); }
    void setTitle(const QString& title) { setValueAt(kTitle, title); }
    std::optional<Instant> dueDate() const { return optionalAt<Instant>(kDueDate); }
    void setDueDate(std::optional<Instant> date) { setOptionalAt(kDueDate, date); }
    bool isCompleted() const { return requiredAt<bool>(kIsCompleted); }
    void setIsCompleted(bool completed) { setValueAt(kIsCompleted, completed); }
    qint32 priority() const { return qint32(requiredAt<qint64>(kPriority)); }
    void setPriority(qint32 priority) { setValueAt(kPriority, qint64(priority)); }
    std::optional<QString> notes() const { return optionalAt<QString>(kNotes); }
    void setNotes(const std::optional<QString>& text) { setOptionalAt(kNotes, text); }
    std::optional<QString> subtasks() const { return optionalAt<QString>(kSubtasks); }
    void setSubtasks(const std::optional<QString>& text) { setOptionalAt(kSubtasks, text); }
    std::optional<Instant> reminderDate() const { return optionalAt<Instant>(kReminderDate); }
    void setReminderDate(std::optional<Instant> date) { setOptionalAt(kReminderDate, date); }
    Instant createdAt() const { return requiredAt<Instant>(kCreatedAt); }
    void setCreatedAt(Instant instant) { setValueAt(kCreatedAt, instant); }
    std::optional<Instant> completedAt() const { return optionalAt<Instant>(kCompletedAt); }
    void setCompletedAt(std::optional<Instant> date) { setOptionalAt(kCompletedAt, date); }

    // Ticked done at `at`: completed, and when (a task already done keeps its time). Unticked:
    // neither.
    void setDone(bool done, Instant at);

    std::shared_ptr<Category> category() const;
    void setCategory(const std::shared_ptr<Category>& category);

protected:
    void awakeFromInsert() override;

private:
    // Set once, on insertion; the context refuses any later change.
    void setId(const QUuid& id) { setValueAt(kId, id); }
};
