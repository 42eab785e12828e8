#include "policies/PolicyListModel.h"

#include "model/CalendarMath.h"
#include "model/ClientReminderMessage.h"
#include "model/Policy.h"
#include "model/PolicyRules.h"
#include "platform/Clock.h"
#include "store/LiveFetchResults.h"
#include "store/ManagedObjectContext.h"
#include "ui/ItemDataRole.h"

#include <QTimer>

#include <algorithm>

namespace {

std::unique_ptr<LiveFetchResults> policiesByExpiry(ManagedObjectContext& context) {
    FetchRequest<Policy> request = Policy::fetchRequest();
    request.setSortDescriptors({SortDescriptor{QStringLiteral("expirationDate"), true}});
    return std::make_unique<LiveFetchResults>(context, request);
}

const Policy& policyOf(const ManagedObject* object) {
    return static_cast<const Policy&>(*object);
}

// Day, short month name and year, as the locale writes its long date: QLocale has no
// abbreviated style of its own ("Mar 10, 2026" in en_US, "10 mar 2026" in it_IT).
QString abbreviatedDateFormat(const QLocale& locale) {
    QString format = ClientReminderMessage::longDateFormat(locale);
    format.replace(QStringLiteral("MMMM"), QStringLiteral("MMM"));
    return format;
}

// Beyond this many rows shown or hidden at once, a reset costs a view less than one signal
// per row.
constexpr int kMostSingleRowChanges = 1000;

} // namespace

PolicyListModel::PolicyListModel(ManagedObjectContext& context, const Clock& clock, QObject* parent)
    : LiveResultsModel(policiesByExpiry(context), parent)
    , m_clock(clock)
    , m_searchLocale(clock.locale())
    , m_rule(m_searchLocale) {
    for (auto signal : {&Clock::minuteChanged, &Clock::dayChanged, &Clock::timeZoneChanged,
                        &Clock::wallClockJumped}) {
        connect(&m_clock, signal, this, &PolicyListModel::followClock);
    }
    fetchAll();
}

void PolicyListModel::setFilter(PolicyFilter filter) {
    PolicyListFilter rule = m_rule;
    rule.setFilter(filter);
    applyRule(rule);
}

void PolicyListModel::setSearchText(const QString& text) {
    PolicyListFilter rule = m_rule;
    rule.setSearchText(text);
    applyRule(rule);
}

int PolicyListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) {
        return 0;
    }
    return int(filtering() ? m_visible.size() : m_rows.size());
}

QVariant PolicyListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return {};
    }
    const Row& row = m_rows[size_t(sourceRow(index.row()))];
    switch (role) {
    case ObjectRole:
        return QVariant::fromValue(row.object);
    case Qt::DisplayRole:
    case TitleRole:
        return policyOf(row.object).name();
    case SubtitleRole:
        return policyOf(row.object).provider();
    case DetailRole:
        return dateText(row);
    case ColorNameRole:
        return PolicyStatusRules::colorName(row.status);
    case NoteRole:
        if (row.status != PolicyStatus::ExpiringSoon) {
            return QString();
        }
        return PolicyStatusRules::rowRemainingPhrase(PolicyRules::daysUntilExpiration(
            m_classifier->now(), policyOf(row.object).expirationDate(), m_zone));
    case Qt::AccessibleTextRole:
        return accessibleText(row);
    default:
        return {};
    }
}

ManagedObject* PolicyListModel::objectAt(int row) const {
    return row >= 0 && row < rowCount() ? m_rows[size_t(sourceRow(row))].object : nullptr;
}

int PolicyListModel::rowOf(const ManagedObject* object) const {
    const int row = results().indexOf(object);
    if (row < 0 || !filtering()) {
        return row;
    }
    const size_t position = visiblePosition(row);
    return position < m_visible.size() && m_visible[position] == row ? int(position) : -1;
}

PolicyListModel::Row PolicyListModel::makeRow(ManagedObject* object, bool withKeys) {
    const Policy& policy = policyOf(object);
    const qint64 horizon =
        PolicyRules::reminderHorizonOf(policy.customReminderDays(), policy.reminderDays());
    Row row{object, horizon, m_classifier->classify(policy.expirationDate(), horizon), {}, false};
    if (withKeys) {
        giveKeys(row);
    }
    return row;
}

void PolicyListModel::giveKeys(Row& row) const {
    row.keys = PolicyListFilter::searchKeys(policyOf(row.object), m_searchLocale);
    row.keyed = true;
}

void PolicyListModel::fillSomeKeys() {
    constexpr size_t kRowsPerTurn = 4000;
    size_t given = 0;
    for (; m_keyCursor < m_rows.size() && given < kRowsPerTurn; ++m_keyCursor) {
        if (!m_rows[m_keyCursor].keyed) {
            giveKeys(m_rows[m_keyCursor]);
            ++given;
        }
    }
    if (m_keyCursor < m_rows.size()) {
        QTimer::singleShot(0, this, &PolicyListModel::fillSomeKeys);
    }
}

void PolicyListModel::ensureKeys() {
    for (Row& row : m_rows) {
        if (!row.keyed) {
            giveKeys(row);
        }
    }
}

void PolicyListModel::count(const Row& row, int delta) {
    m_counts[size_t(row.status)] += delta;
}

void PolicyListModel::fetchAll() {
    beginResetModel();
    m_classifier.emplace(m_clock.now(), m_clock.timeZone());
    m_zone = m_clock.timeZone();
    m_locale = m_clock.locale();
    m_dateFormat = abbreviatedDateFormat(m_locale);
    results().performFetch();
    m_rows.clear();
    m_rows.reserve(size_t(results().count()));
    // The search keys are made a few thousand rows at a time once the list is shown, rather
    // than before its first paint; a search that comes first makes the rest at once.
    for (int row = 0; row < results().count(); ++row) {
        m_rows.push_back(makeRow(results().objectAt(row), false));
        count(m_rows.back(), 1);
    }
    m_keyCursor = 0;
    QTimer::singleShot(0, this, &PolicyListModel::fillSomeKeys);
    if (!m_rule.searchText().isEmpty()) {
        ensureKeys();
    }
    m_visible = filtering() ? admittedRows() : std::vector<int>();
    endResetModel();
}

void PolicyListModel::applyRule(const PolicyListFilter& rule) {
    if (!rule.searchText().isEmpty()) {
        ensureKeys();
    }
    const bool narrowing = filtering() && rule.narrows(m_rule);
    beginResetModel();
    m_rule = rule;
    if (!filtering()) {
        m_visible.clear();
    } else if (narrowing) {
        std::erase_if(m_visible, [this](int row) {
            return !m_rule.admits(m_rows[size_t(row)].status, m_rows[size_t(row)].keys);
        });
    } else {
        m_visible = admittedRows();
    }
    endResetModel();
}

std::vector<int> PolicyListModel::admittedRows() const {
    std::vector<int> rows;
    for (size_t row = 0; row < m_rows.size(); ++row) {
        if (m_rule.admits(m_rows[row].status, m_rows[row].keys)) {
            rows.push_back(int(row));
        }
    }
    return rows;
}

void PolicyListModel::followClock() {
    const std::array<int, 3> before = m_counts;
    m_classifier.emplace(m_clock.now(), m_clock.timeZone());
    m_zone = m_clock.timeZone();
    m_locale = m_clock.locale();
    m_dateFormat = abbreviatedDateFormat(m_locale);
    m_counts = {};
    for (Row& row : m_rows) {
        row.status = m_classifier->classify(policyOf(row.object).expirationDate(), row.horizon);
        count(row, 1);
    }
    if (filtering()) {
        showVisible(admittedRows());
    }
    // Dates, colours and remaining days may all read differently now.
    if (rowCount() > 0) {
        Q_EMIT dataChanged(index(0), index(rowCount() - 1));
    }
    emitCounters(before);
}

void PolicyListModel::showVisible(const std::vector<int>& visible) {
    std::vector<int> differ;
    std::set_symmetric_difference(m_visible.begin(), m_visible.end(), visible.begin(),
                                  visible.end(), std::back_inserter(differ));
    if (differ.size() > size_t(kMostSingleRowChanges)) {
        beginResetModel();
        m_visible = visible;
        endResetModel();
        return;
    }
    for (const int row : differ) {
        const size_t position = visiblePosition(row);
        if (position < m_visible.size() && m_visible[position] == row) {
            beginRemoveRows({}, int(position), int(position));
            m_visible.erase(m_visible.begin() + std::ptrdiff_t(position));
            endRemoveRows();
        } else {
            beginInsertRows({}, int(position), int(position));
            m_visible.insert(m_visible.begin() + std::ptrdiff_t(position), row);
            endInsertRows();
        }
    }
}

size_t PolicyListModel::visiblePosition(int row) const {
    return size_t(std::lower_bound(m_visible.begin(), m_visible.end(), row) - m_visible.begin());
}

void PolicyListModel::shiftVisible(size_t from, int delta) {
    for (size_t i = from; i < m_visible.size(); ++i) {
        m_visible[i] += delta;
    }
}

QString PolicyListModel::dateText(const Row& row) const {
    const QDate date = CalendarMath::toLocal(policyOf(row.object).expirationDate(), m_zone).date;
    return m_locale.toString(date, m_dateFormat);
}

QString PolicyListModel::accessibleText(const Row& row) const {
    const Policy& policy = policyOf(row.object);
    const QString separator = QStringLiteral(", ");
    return policy.name() + separator + policy.provider() + separator + dateText(row) + separator +
           PolicyStatusRules::badgeText(row.status);
}

void PolicyListModel::emitCounters(const std::array<int, 3>& before) {
    if (before != m_counts) {
        Q_EMIT countersChanged();
    }
}

// The results' changes. The rows kept here change only once the results have: the object of
// an inserted, moved or changed row is read in did..., a removed row is dropped in will...,
// before anything reads the results again.

void PolicyListModel::willInsertRow(int row) {
    if (!filtering()) {
        LiveResultsModel::willInsertRow(row);
    }
}

void PolicyListModel::didInsertRow(int row) {
    Row fresh = makeRow(results().objectAt(row));
    count(fresh, 1);
    const bool shown = m_rule.admits(fresh.status, fresh.keys);
    m_rows.insert(m_rows.begin() + row, std::move(fresh));
    if (!filtering()) {
        LiveResultsModel::didInsertRow(row);
    } else {
        const size_t position = visiblePosition(row);
        shiftVisible(position, 1);
        if (shown) {
            beginInsertRows({}, int(position), int(position));
            m_visible.insert(m_visible.begin() + std::ptrdiff_t(position), row);
            endInsertRows();
        }
    }
    Q_EMIT countersChanged();
}

void PolicyListModel::willRemoveRow(int row) {
    if (!filtering()) {
        LiveResultsModel::willRemoveRow(row);
        return;
    }
    const size_t position = visiblePosition(row);
    const bool shown = position < m_visible.size() && m_visible[position] == row;
    if (shown) {
        beginRemoveRows({}, int(position), int(position));
        m_visible.erase(m_visible.begin() + std::ptrdiff_t(position));
    }
    shiftVisible(position, -1);
    count(m_rows[size_t(row)], -1);
    m_rows.erase(m_rows.begin() + row);
    if (shown) {
        endRemoveRows();
    }
}

void PolicyListModel::didRemoveRow(int row) {
    if (!filtering()) {
        count(m_rows[size_t(row)], -1);
        m_rows.erase(m_rows.begin() + row);
        LiveResultsModel::didRemoveRow(row);
    }
    Q_EMIT countersChanged();
}

void PolicyListModel::willMoveRow(int from, int to) {
    if (!filtering()) {
        LiveResultsModel::willMoveRow(from, to);
    }
}

void PolicyListModel::didMoveRow(int from, int to) {
    const std::array<int, 3> before = m_counts;
    Row fresh = makeRow(results().objectAt(to));
    count(m_rows[size_t(from)], -1);
    count(fresh, 1);
    if (!filtering()) {
        m_rows.erase(m_rows.begin() + from);
        m_rows.insert(m_rows.begin() + to, std::move(fresh));
        LiveResultsModel::didMoveRow(from, to);
    } else {
        moveShownRow(from, to, std::move(fresh));
    }
    emitCounters(before);
}

void PolicyListModel::moveShownRow(int from, int to, Row fresh) {
    const size_t oldPosition = visiblePosition(from);
    const bool wasShown = oldPosition < m_visible.size() && m_visible[oldPosition] == from;
    const bool shown = m_rule.admits(fresh.status, fresh.keys);
    // The visible rows without the moving one, renumbered as they will be after the move.
    std::vector<int> next;
    next.reserve(m_visible.size() + 1);
    for (const int row : m_visible) {
        if (row != from) {
            const bool downward = from < to && row > from && row <= to;
            const bool upward = to < from && row >= to && row < from;
            next.push_back(row - int(downward) + int(upward));
        }
    }
    const size_t position = size_t(std::lower_bound(next.begin(), next.end(), to) - next.begin());
    const int p = int(oldPosition);
    const int q = int(position);
    const bool moving = wasShown && shown && beginMoveRows({}, p, p, {}, q > p ? q + 1 : q);
    if (wasShown && !shown) {
        beginRemoveRows({}, p, p);
    }
    m_rows.erase(m_rows.begin() + from);
    m_rows.insert(m_rows.begin() + to, std::move(fresh));
    if (shown && !wasShown) {
        m_visible = std::move(next);
        beginInsertRows({}, q, q);
        m_visible.insert(m_visible.begin() + q, to);
        endInsertRows();
        return;
    }
    if (shown) {
        next.insert(next.begin() + q, to);
    }
    m_visible = std::move(next);
    if (moving) {
        endMoveRows();
    } else if (wasShown && !shown) {
        endRemoveRows();
    }
    if (shown) {
        Q_EMIT dataChanged(index(q), index(q));
    }
}

void PolicyListModel::didChangeRow(int row) {
    const std::array<int, 3> before = m_counts;
    Row& kept = m_rows[size_t(row)];
    Row fresh = makeRow(kept.object);
    count(kept, -1);
    count(fresh, 1);
    if (!filtering()) {
        kept = std::move(fresh);
        LiveResultsModel::didChangeRow(row);
        emitCounters(before);
        return;
    }
    const size_t position = visiblePosition(row);
    const bool wasShown = position < m_visible.size() && m_visible[position] == row;
    const bool shown = m_rule.admits(fresh.status, fresh.keys);
    const int p = int(position);
    if (wasShown && !shown) {
        beginRemoveRows({}, p, p);
        m_visible.erase(m_visible.begin() + p);
    } else if (shown && !wasShown) {
        beginInsertRows({}, p, p);
        m_visible.insert(m_visible.begin() + p, row);
    }
    kept = std::move(fresh);
    if (wasShown && !shown) {
        endRemoveRows();
    } else if (shown && !wasShown) {
        endInsertRows();
    } else if (shown) {
        Q_EMIT dataChanged(index(p), index(p));
    }
    emitCounters(before);
}
