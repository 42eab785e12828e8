#include "contacts/ContactListModel.h"

#include "contacts/ContactInitials.h"
#include "model/Contact.h"
#include "store/LiveFetchResults.h"
#include "store/ManagedObjectContext.h"
#include "ui/ItemDataRole.h"

#include <algorithm>

namespace {

std::unique_ptr<LiveFetchResults> contactsByName(ManagedObjectContext& context) {
    FetchRequest<Contact> request = Contact::fetchRequest();
    request.setSortDescriptors({SortDescriptor{QStringLiteral("lastName"), true},
                                SortDescriptor{QStringLiteral("firstName"), true}});
    return std::make_unique<LiveFetchResults>(context, request);
}

const Contact& contactOf(const ManagedObject* object) {
    return static_cast<const Contact&>(*object);
}

QString policiesText(const Contact& contact) {
    const size_t count = contact.policies().size();
    return count == 0 ? QString() : QStringLiteral("%1 policies").arg(count);
}

} // namespace

ContactListModel::ContactListModel(ManagedObjectContext& context, const QLocale& locale,
                                   QObject* parent)
    : LiveResultsModel(contactsByName(context), parent)
    , m_locale(locale)
    , m_search(m_locale) {
    fetchAll();
}

void ContactListModel::setSearchText(const QString& text) {
    ContactSearch search = m_search;
    search.setText(text);
    const bool narrowing = searching() && search.narrows(m_search);
    beginResetModel();
    m_search = search;
    if (!searching()) {
        m_visible.clear();
    } else if (narrowing) {
        std::erase_if(m_visible,
                      [this](int row) { return !m_search.admits(m_rows[size_t(row)].keys); });
    } else {
        m_visible = admittedRows();
    }
    endResetModel();
}

int ContactListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) {
        return 0;
    }
    return int(searching() ? m_visible.size() : m_rows.size());
}

QVariant ContactListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return {};
    }
    ManagedObject* object = m_rows[size_t(sourceRow(index.row()))].object;
    const Contact& contact = contactOf(object);
    switch (role) {
    case ObjectRole:
        return QVariant::fromValue(object);
    case Qt::DisplayRole:
    case TitleRole:
        return contact.fullName();
    case SubtitleRole:
        return contact.company().value_or(QString());
    case DetailRole:
        return policiesText(contact);
    case InitialsRole:
        return ContactInitials::of(contact.firstName(), contact.lastName());
    case Qt::AccessibleTextRole: {
        QStringList parts{contact.fullName(), contact.company().value_or(QString()),
                          policiesText(contact)};
        parts.removeAll(QString());
        return parts.join(QStringLiteral(", "));
    }
    default:
        return {};
    }
}

ManagedObject* ContactListModel::objectAt(int row) const {
    return row >= 0 && row < rowCount() ? m_rows[size_t(sourceRow(row))].object : nullptr;
}

int ContactListModel::rowOf(const ManagedObject* object) const {
    const int row = results().indexOf(object);
    if (row < 0 || !searching()) {
        return row;
    }
    const size_t position = visiblePosition(row);
    return isShown(row, position) ? int(position) : -1;
}

ContactListModel::Row ContactListModel::makeRow(ManagedObject* object) const {
    return {object, ContactSearch::keys(contactOf(object), m_locale)};
}

void ContactListModel::fetchAll() {
    beginResetModel();
    results().performFetch();
    m_rows.clear();
    m_rows.reserve(size_t(results().count()));
    for (int row = 0; row < results().count(); ++row) {
        m_rows.push_back(makeRow(results().objectAt(row)));
    }
    m_visible = searching() ? admittedRows() : std::vector<int>();
    endResetModel();
}

std::vector<int> ContactListModel::admittedRows() const {
    std::vector<int> rows;
    for (size_t row = 0; row < m_rows.size(); ++row) {
        if (m_search.admits(m_rows[row].keys)) {
            rows.push_back(int(row));
        }
    }
    return rows;
}

size_t ContactListModel::visiblePosition(int row) const {
    return size_t(std::lower_bound(m_visible.begin(), m_visible.end(), row) - m_visible.begin());
}

bool ContactListModel::isShown(int row, size_t position) const {
    return position < m_visible.size() && m_visible[position] == row;
}

void ContactListModel::shiftVisible(size_t from, int delta) {
    for (size_t i = from; i < m_visible.size(); ++i) {
        m_visible[i] += delta;
    }
}

// The results' changes. The rows kept here change only once the results have: the object of
// an inserted, moved or changed row is read in did..., a removed row is dropped in will...,
// before anything reads the results again.

void ContactListModel::willInsertRow(int row) {
    if (!searching()) {
        LiveResultsModel::willInsertRow(row);
    }
}

void ContactListModel::didInsertRow(int row) {
    Row fresh = makeRow(results().objectAt(row));
    const bool shown = m_search.admits(fresh.keys);
    m_rows.insert(m_rows.begin() + row, std::move(fresh));
    if (!searching()) {
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
    Q_EMIT totalCountChanged(totalCount());
}

void ContactListModel::willRemoveRow(int row) {
    if (!searching()) {
        LiveResultsModel::willRemoveRow(row);
        return;
    }
    const size_t position = visiblePosition(row);
    const bool shown = isShown(row, position);
    if (shown) {
        beginRemoveRows({}, int(position), int(position));
        m_visible.erase(m_visible.begin() + std::ptrdiff_t(position));
    }
    shiftVisible(position, -1);
    m_rows.erase(m_rows.begin() + row);
    if (shown) {
        endRemoveRows();
    }
}

void ContactListModel::didRemoveRow(int row) {
    if (!searching()) {
        m_rows.erase(m_rows.begin() + row);
        LiveResultsModel::didRemoveRow(row);
    }
    Q_EMIT totalCountChanged(totalCount());
}

void ContactListModel::willMoveRow(int from, int to) {
    if (!searching()) {
        LiveResultsModel::willMoveRow(from, to);
    }
}

void ContactListModel::didMoveRow(int from, int to) {
    Row fresh = makeRow(results().objectAt(to));
    if (!searching()) {
        m_rows.erase(m_rows.begin() + from);
        m_rows.insert(m_rows.begin() + to, std::move(fresh));
        LiveResultsModel::didMoveRow(from, to);
    } else {
        moveShownRow(from, to, std::move(fresh));
    }
}

void ContactListModel::moveShownRow(int from, int to, Row fresh) {
    const size_t oldPosition = visiblePosition(from);
    const bool wasShown = isShown(from, oldPosition);
    const bool shown = m_search.admits(fresh.keys);
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
    const int p = int(oldPosition);
    const int q = int(std::lower_bound(next.begin(), next.end(), to) - next.begin());
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

void ContactListModel::didChangeRow(int row) {
    Row& kept = m_rows[size_t(row)];
    Row fresh = makeRow(kept.object);
    if (!searching()) {
        kept = std::move(fresh);
        LiveResultsModel::didChangeRow(row);
        return;
    }
    const size_t position = visiblePosition(row);
    const bool wasShown = isShown(row, position);
    const bool shown = m_search.admits(fresh.keys);
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
}
