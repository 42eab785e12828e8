#include "agenda/MonthGridModel.h"

#include "agenda/AgendaData.h"
#include "model/Category.h"
#include "model/Event.h"
#include "platform/Clock.h"

namespace {

constexpr int kWeeks = 6;
constexpr int kWeekDays = 7;

} // namespace

MonthGridModel::MonthGridModel(AgendaData& data, const Clock& clock, QObject* parent)
    : QAbstractTableModel(parent)
    , m_data(data)
    , m_clock(clock) {
    connect(&m_data, &AgendaData::changed, this, &MonthGridModel::refresh);
    connect(&m_clock, &Clock::dayChanged, this, &MonthGridModel::refresh);
}

int MonthGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kWeeks;
}

int MonthGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kWeekDays;
}

QDate MonthGridModel::dateAt(const QModelIndex& index) const {
    return m_data.gridStart().addDays(index.row() * kWeekDays + index.column());
}

QModelIndex MonthGridModel::indexOf(QDate day) const {
    if (!m_data.isInGrid(day)) {
        return {};
    }
    const qint64 offset = m_data.gridStart().daysTo(day);
    return index(int(offset / kWeekDays), int(offset % kWeekDays));
}

QVariant MonthGridModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return {};
    }
    const QDate day = dateAt(index);
    switch (role) {
    case Qt::DisplayRole:
        return day.day();
    case DateRole:
        return day;
    case TodayRole:
        return day == m_data.dayOf(m_clock.now());
    case InMonthRole:
        return day.month() == m_data.month().month() && day.year() == m_data.month().year();
    case MoreRole:
        return std::max(0, int(m_data.occurrencesOn(day).size()) - kShownTitles);
    case TitlesRole:
    case ColorsRole: {
        QStringList texts;
        for (const AgendaOccurrence& occurrence : m_data.occurrencesOn(day)) {
            if (texts.size() == kShownTitles) {
                break;
            }
            if (role == TitlesRole) {
                texts << occurrence.event->title();
            } else {
                const auto category = occurrence.event->category();
                texts << (category ? category->color() : QStringLiteral("blue"));
            }
        }
        return texts;
    }
    case Qt::AccessibleTextRole: {
        const auto& occurrences = m_data.occurrencesOn(day);
        QString text = m_clock.locale().toString(day, QLocale::LongFormat);
        if (!occurrences.empty()) {
            text += QStringLiteral(", %1 eventi").arg(occurrences.size());
        }
        return text;
    }
    default:
        return {};
    }
}

QVariant MonthGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= kWeekDays) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    const int weekday = (int(m_clock.locale().firstDayOfWeek()) - 1 + section) % kWeekDays + 1;
    return m_clock.locale().dayName(weekday, QLocale::ShortFormat);
}

void MonthGridModel::refresh() {
    Q_EMIT dataChanged(index(0, 0), index(kWeeks - 1, kWeekDays - 1));
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, kWeekDays - 1);
}
