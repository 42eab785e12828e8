#pragma once

#include <QObject>

#include <memory>

class LiveResultsModel;
class ManagedObject;
class QListView;

// Keeps the object the user chose in a list, whatever its model does. While rows come, go or
// move, or the model resets, the list moves its own selection about (a neighbour of a row that
// goes, nothing after a reset): that is not the user's choice and is not taken. After each
// change the held object's row is selected again wherever it now is, or no row while a filter
// or a search hides it. Only choosing a row, or hold(), changes the held object.
class ListSelectionKeeper final : public QObject {
    Q_OBJECT
public:
    // Gives the list its model, between the keeper's own handlers: it hears of each change
    // before the list does, and of its end after the list.
    ListSelectionKeeper(QListView& list, LiveResultsModel& model, QObject* parent = nullptr);

    const std::shared_ptr<ManagedObject>& held() const { return m_held; }
    // Holds the object (or nothing) and shows its row selected.
    void hold(std::shared_ptr<ManagedObject> object);

Q_SIGNALS:
    // The user chose the row of `object`.
    void chosen(const std::shared_ptr<ManagedObject>& object);

private:
    void watchChanges();
    void changeEnded();
    void rowsChosen();
    void showHeld();

    QListView& m_list;
    LiveResultsModel& m_model;
    std::shared_ptr<ManagedObject> m_held;
    bool m_showing = false;
    bool m_changing = false;
};
