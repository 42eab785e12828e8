#pragma once

#include "store/FetchRequest.h"
#include "store/ManagedObject.h"

#include <QString>
#include <QUuid>

class Event;
class Policy;
class Task;

// A coloured label shared by events, tasks and policies.
class Category final : public ManagedObject {
public:
    enum Attribute : int { kId, kName, kColor, kIcon, kCreatedAt };
    enum Relationship : int { kEvents, kTasks, kPolicies };

    using ManagedObject::ManagedObject;

    static QString entityName() { return QStringLiteral("Category"); }
    static FetchRequest<Category> fetchRequest() { return {}; }

    QUuid id() const { return requiredAt<QUuid>(kId); }
    QString name() const { return requiredAt<QString>(kName); }
    void setName(const QString& name) { setValueAt(kName, name); }
    QString color() const { return requiredAt<QString>(kColor); }
    void setColor(const QString& color) { setValueAt(kColor, color); }
    std::optional<QString> icon() const { return optionalAt<QString>(kIcon); }
    void setIcon(const std::optional<QString>& icon) { setOptionalAt(kIcon, icon); }
    Instant createdAt() const { return requiredAt<Instant>(kCreatedAt); }
    void setCreatedAt(Instant instant) { setValueAt(kCreatedAt, instant); }

    // The members of each to-many side, in the order they were first stored.
    std::vector<std::shared_ptr<Event>> events() const;
    std::vector<std::shared_ptr<Task>> tasks() const;
    std::vector<std::shared_ptr<Policy>> policies() const;

protected:
    void awakeFromInsert() override;

private:
    // Set once, on insertion; the context refuses any later change.
    void setId(const QUuid& id) { setValueAt(kId, id); }
};
