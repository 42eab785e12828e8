#include "ui/LiveResultsModel.h"

#include "store/LiveFetchResults.h"
#include "ui/ItemDataRole.h"

LiveResultsModel::LiveResultsModel(std::unique_ptr<LiveFetchResults> results, QObject* parent,
                                   int leadingRows)
    : QAbstractListModel(parent)
    , m_results(std::move(results))
    , m_leading(leadingRows) {
    m_results->addListener(this);
}

LiveResultsModel::~LiveResultsModel() {
    m_results->removeListener(this);
}

bool LiveResultsModel::performFetch(QString* error) {
    beginResetModel();
    const bool fetched = m_results->performFetch(error);
    endResetModel();
    return fetched;
}

int LiveResultsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_leading + m_results->count();
}

QVariant LiveResultsModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return {};
    }
    const int shownRole = role == Qt::DisplayRole ? int(TitleRole) : role;
    if (index.row() < m_leading) {
        return role == ObjectRole ? QVariant::fromValue<ManagedObject*>(nullptr)
                                  : leadingData(index.row(), shownRole);
    }
    ManagedObject* object = m_results->objectAt(index.row() - m_leading);
    if (role == ObjectRole) {
        return QVariant::fromValue(object);
    }
    return dataFor(*object, shownRole);
}

QHash<int, QByteArray> LiveResultsModel::roleNames() const {
    QHash<int, QByteArray> names = QAbstractListModel::roleNames();
    names.insert(ObjectRole, "object");
    names.insert(TitleRole, "title");
    names.insert(SubtitleRole, "subtitle");
    names.insert(DetailRole, "detail");
    names.insert(ColorNameRole, "colorName");
    names.insert(NoteRole, "note");
    return names;
}

ManagedObject* LiveResultsModel::objectAt(int row) const {
    const int result = row - m_leading;
    return result >= 0 && result < m_results->count() ? m_results->objectAt(result) : nullptr;
}

int LiveResultsModel::rowOf(const ManagedObject* object) const {
    const int result = m_results->indexOf(object);
    return result < 0 ? -1 : m_leading + result;
}

QVariant LiveResultsModel::dataFor(const ManagedObject&, int) const {
    return {};
}

QVariant LiveResultsModel::leadingData(int, int) const {
    return {};
}

void LiveResultsModel::willInsertRow(int row) {
    beginInsertRows({}, m_leading + row, m_leading + row);
}

void LiveResultsModel::didInsertRow(int) {
    endInsertRows();
}

void LiveResultsModel::willRemoveRow(int row) {
    beginRemoveRows({}, m_leading + row, m_leading + row);
}

void LiveResultsModel::didRemoveRow(int) {
    endRemoveRows();
}

void LiveResultsModel::willMoveRow(int from, int to) {
    // Qt counts the destination before the move: one further when moving down.
    m_moving = beginMoveRows({}, m_leading + from, m_leading + from, {},
                             m_leading + (to > from ? to + 1 : to));
}

void LiveResultsModel::didMoveRow(int, int to) {
    if (m_moving) {
        endMoveRows();
        m_moving = false;
    }
    // A row moves because its object changed: what it shows changed too.
    didChangeRow(to);
}

void LiveResultsModel::didChangeRow(int row) {
    const QModelIndex changed = index(m_leading + row);
    Q_EMIT dataChanged(changed, changed);
}
