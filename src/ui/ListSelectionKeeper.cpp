#include "ui/ListSelectionKeeper.h"

#include "store/ManagedObject.h"
#include "ui/LiveResultsModel.h"

#include <QListView>

ListSelectionKeeper::ListSelectionKeeper(QListView& list, LiveResultsModel& model, QObject* parent)
    : QObject(parent)
    , m_list(list)
    , m_model(model) {
    watchChanges();
    connect(m_list.selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ListSelectionKeeper::rowsChosen);
}

void ListSelectionKeeper::watchChanges() {
    const auto changing = [this] { m_changing = true; };
    connect(&m_model, &QAbstractItemModel::rowsAboutToBeInserted, this, changing);
    connect(&m_model, &QAbstractItemModel::rowsAboutToBeRemoved, this, changing);
    connect(&m_model, &QAbstractItemModel::rowsAboutToBeMoved, this, changing);
    connect(&m_model, &QAbstractItemModel::modelAboutToBeReset, this, changing);
    connect(&m_model, &QAbstractItemModel::layoutAboutToBeChanged, this, changing);
    m_list.setModel(&m_model);
    connect(&m_model, &QAbstractItemModel::rowsInserted, this, &ListSelectionKeeper::changeEnded);
    connect(&m_model, &QAbstractItemModel::rowsMoved, this, &ListSelectionKeeper::changeEnded);
    connect(&m_model, &QAbstractItemModel::modelReset, this, &ListSelectionKeeper::changeEnded);
    connect(&m_model, &QAbstractItemModel::layoutChanged, this, &ListSelectionKeeper::changeEnded);
    // The list may still move its selection once a row has gone: the held row is shown at
    // once, and the user's choices are taken again on the next turn.
    connect(&m_model, &QAbstractItemModel::rowsRemoved, this, [this] {
        showHeld();
        QMetaObject::invokeMethod(this, &ListSelectionKeeper::changeEnded, Qt::QueuedConnection);
    });
}

void ListSelectionKeeper::changeEnded() {
    m_changing = false;
    showHeld();
}

void ListSelectionKeeper::hold(std::shared_ptr<ManagedObject> object) {
    m_held = std::move(object);
    showHeld();
}

void ListSelectionKeeper::rowsChosen() {
    if (m_showing || m_changing) {
        return;
    }
    const QModelIndexList rows = m_list.selectionModel()->selectedRows();
    // A row hidden or removed leaves the held object as it is.
    if (rows.isEmpty()) {
        return;
    }
    ManagedObject* object = m_model.objectAt(rows.first().row());
    if (object) {
        Q_EMIT chosen(object->shared_from_this());
    }
}

void ListSelectionKeeper::showHeld() {
    const int row = m_held ? m_model.rowOf(m_held.get()) : -1;
    QItemSelectionModel* selection = m_list.selectionModel();
    const QModelIndex index = row >= 0 ? m_model.index(row) : QModelIndex();
    if (index.isValid() && selection->isSelected(index)) {
        return;
    }
    m_showing = true;
    if (index.isValid()) {
        selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    } else {
        selection->clearSelection();
    }
    m_showing = false;
}
