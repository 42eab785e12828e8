#pragma once

#include "platform/Instant.h"

#include <QAbstractListModel>
#include <QDate>

#include <memory>
#include <vector>

class AgendaData;
class Clock;
class ManagedObject;

// One row of the day list: a group's heading, a line saying the day is free, an event's
// occurrence or a task.
struct AgendaDayEntry {
    enum class Kind { Heading, Free, Event, Task };
    Kind kind = Kind::Heading;
    QString heading;
    std::shared_ptr<ManagedObject> object;
    Instant start;
    Instant end;
    bool overdue = false;
    bool operator==(const AgendaDayEntry& other) const {
        return kind == other.kind && heading == other.heading && object == other.object &&
               start == other.start;
    }
};

// The day list beside the month grid: the chosen day's events in start order (all-day first),
// then the tasks due that day, then the open tasks without a due date and, under "In Ritardo",
// those whose due date has passed. It reads the agenda's data, so the rows follow every save;
// rows that stay the same are only repainted, any other change replaces the rows at once.
class AgendaDayModel final : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role : int {
        KindRole = Qt::UserRole + 200, // int: AgendaDayEntry::Kind
        DoneRole,                      // bool: a task ticked done
        OverdueRole,                   // bool
    };

    AgendaDayModel(AgendaData& data, const Clock& clock, QObject* parent = nullptr);

    QDate day() const { return m_day; }
    void setDay(QDate day);
    // The day, for the next refresh: the data's change, when its month is about to change too,
    // so that the list is made once, for the new day alone.
    void setDayForNextRefresh(QDate day) { m_day = day; }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    const AgendaDayEntry* entryAt(int row) const;
    // The row of the object's first entry, or -1.
    int rowOf(const ManagedObject* object) const;

private:
    void refresh();
    std::vector<AgendaDayEntry> entries() const;
    QString timeRange(const AgendaDayEntry& entry) const;
    QString dueText(const AgendaDayEntry& entry) const;

    AgendaData& m_data;
    const Clock& m_clock;
    QDate m_day;
    std::vector<AgendaDayEntry> m_rows;
};
