#include "agenda/AgendaDayModel.h"

#include "agenda/AgendaData.h"
#include "model/Category.h"
#include "model/Event.h"
#include "model/Task.h"
#include "platform/Clock.h"
#include "ui/ItemDataRole.h"

namespace {

template <typename T> QString categoryColorOf(const T& object) {
    const auto category = object.category();
    return category ? category->color() : QStringLiteral("blue");
}

QString timeOf(Instant instant, const Clock& clock) {
    return clock.locale().toString(instant.toUtcDateTime().toTimeZone(clock.timeZone()).time(),
                                   QLocale::ShortFormat);
}

} // namespace

AgendaDayModel::AgendaDayModel(AgendaData& data, const Clock& clock, QObject* parent)
    : QAbstractListModel(parent)
    , m_data(data)
    , m_clock(clock)
    , m_day(data.dayOf(clock.now())) {
    m_rows = entries();
    connect(&m_data, &AgendaData::changed, this, &AgendaDayModel::refresh);
    // What is overdue moves with the clock.
    connect(&m_clock, &Clock::minuteChanged, this, &AgendaDayModel::refresh);
}

void AgendaDayModel::setDay(QDate day) {
    if (day != m_day) {
        m_day = day;
        refresh();
    }
}

std::vector<AgendaDayEntry> AgendaDayModel::entries() const {
    using Kind = AgendaDayEntry::Kind;
    std::vector<AgendaDayEntry> rows;
    for (const AgendaOccurrence& occurrence : m_data.occurrencesOn(m_day)) {
        rows.push_back({Kind::Event, {}, occurrence.event, occurrence.start, occurrence.end});
    }
    const auto addGroup = [&rows](const QString& heading, const auto& tasks, bool overdue) {
        if (tasks.empty()) {
            return;
        }
        rows.push_back({Kind::Heading, heading, nullptr, {}, {}, overdue});
        for (const auto& task : tasks) {
            rows.push_back(
                {Kind::Task, {}, task, task->dueDate().value_or(Instant()), {}, overdue});
        }
    };
    const auto due = m_data.tasksDueOn(m_day);
    if (rows.empty() && due.empty()) {
        rows.push_back({Kind::Free, QStringLiteral("Nessun evento"), nullptr, {}, {}, false});
    }
    addGroup(QStringLiteral("Compiti"), due, false);
    addGroup(QStringLiteral("Senza Scadenza"), m_data.undatedTasks(), false);
    addGroup(QStringLiteral("In Ritardo"), m_data.overdueTasks(m_clock.now(), m_day), true);
    return rows;
}

void AgendaDayModel::refresh() {
    std::vector<AgendaDayEntry> fresh = entries();
    if (fresh == m_rows) {
        m_rows = std::move(fresh);
        if (!m_rows.empty()) {
            Q_EMIT dataChanged(index(0), index(int(m_rows.size()) - 1));
        }
        return;
    }
    beginResetModel();
    m_rows = std::move(fresh);
    endResetModel();
}

int AgendaDayModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

const AgendaDayEntry* AgendaDayModel::entryAt(int row) const {
    return row >= 0 && row < int(m_rows.size()) ? &m_rows[size_t(row)] : nullptr;
}

int AgendaDayModel::rowOf(const ManagedObject* object) const {
    for (size_t row = 0; row < m_rows.size(); ++row) {
        if (object && m_rows[row].object.get() == object) {
            return int(row);
        }
    }
    return -1;
}

Qt::ItemFlags AgendaDayModel::flags(const QModelIndex& index) const {
    const AgendaDayEntry* entry = entryAt(index.row());
    if (!entry || !index.isValid()) {
        return Qt::NoItemFlags;
    }
    const bool item =
        entry->kind == AgendaDayEntry::Kind::Event || entry->kind == AgendaDayEntry::Kind::Task;
    return item ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren
                : Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
}

QString AgendaDayModel::timeRange(const AgendaDayEntry& entry) const {
    const auto& event = static_cast<const Event&>(*entry.object);
    if (event.isAllDay()) {
        return QStringLiteral("Tutto il giorno");
    }
    return timeOf(entry.start, m_clock) + QStringLiteral(" – ") + timeOf(entry.end, m_clock);
}

QString AgendaDayModel::dueText(const AgendaDayEntry& entry) const {
    const auto& task = static_cast<const Task&>(*entry.object);
    const std::optional<Instant> due = task.dueDate();
    if (!due) {
        return {};
    }
    if (m_data.dayOf(*due) == m_day) {
        return timeOf(*due, m_clock);
    }
    return m_clock.locale().toString(m_data.dayOf(*due), QLocale::ShortFormat);
}

QVariant AgendaDayModel::data(const QModelIndex& index, int role) const {
    using Kind = AgendaDayEntry::Kind;
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return {};
    }
    const AgendaDayEntry& entry = m_rows[size_t(index.row())];
    switch (role) {
    case KindRole:
        return int(entry.kind);
    case OverdueRole:
        return entry.overdue;
    case ObjectRole:
        return QVariant::fromValue(entry.object.get());
    default:
        break;
    }
    if (entry.kind == Kind::Heading || entry.kind == Kind::Free) {
        return role == Qt::DisplayRole || role == TitleRole || role == Qt::AccessibleTextRole
                   ? QVariant(entry.heading)
                   : QVariant();
    }
    if (entry.kind == Kind::Event) {
        const auto& event = static_cast<const Event&>(*entry.object);
        switch (role) {
        case Qt::DisplayRole:
        case TitleRole:
            return event.title();
        case SubtitleRole:
            return event.location().value_or(QString());
        case DetailRole:
            return timeRange(entry);
        case ColorNameRole:
            return categoryColorOf(event);
        case Qt::AccessibleTextRole:
            return QStringList{event.title(), timeRange(entry),
                               event.location().value_or(QString())}
                .join(QStringLiteral(", "));
        default:
            return {};
        }
    }
    const auto& task = static_cast<const Task&>(*entry.object);
    switch (role) {
    case Qt::DisplayRole:
    case TitleRole:
        return task.title();
    case DetailRole:
        return dueText(entry);
    case ColorNameRole:
        return entry.overdue ? QStringLiteral("red") : categoryColorOf(task);
    case DoneRole:
        return task.isCompleted();
    case Qt::AccessibleTextRole:
        return task.title() +
               (task.isCompleted() ? QStringLiteral(", completato") : QStringLiteral(", da fare"));
    default:
        return {};
    }
}
