#pragma once

#include "store/ContextObserver.h"
#include "store/FetchRequest.h"
#include "store/ManagedObject.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

class LiveFetchResultsListener;
class ManagedObjectContext;

// The results of a fetch request kept up to date, in sort order, after every insert, change
// and delete in the context, pending or saved, at the moment each is made.
//
// Each change is applied alone: the object's old and new rows are found by binary search over
// the sort keys, and its listeners hear exactly what happened to which row. A change to a
// property that neither sorts nor filters (or to a relationship) is a change in place. The
// predicate's arguments are those the request was made with.
//
// The results hold the context's objects without owning them: an object leaves the results
// when it is deleted, and all of them go when the context does.
class LiveFetchResults final : private ContextObserver {
public:
    LiveFetchResults(ManagedObjectContext& context, FetchRequestBase request);
    ~LiveFetchResults() override;
    LiveFetchResults(const LiveFetchResults&) = delete;
    LiveFetchResults& operator=(const LiveFetchResults&) = delete;

    // Fetches the rows and starts following the context. False, with `error` set and no rows,
    // for a request the context cannot run (an unknown entity or key, an invalid predicate).
    // Listeners hear nothing of the first fetch.
    bool performFetch(QString* error = nullptr);

    const FetchRequestBase& fetchRequest() const { return m_request; }
    int count() const { return m_count; }
    ManagedObject* objectAt(int row) const;
    template <typename T> std::shared_ptr<T> at(int row) const {
        return std::dynamic_pointer_cast<T>(objectAt(row)->shared_from_this());
    }
    // The row of the object, or -1; by binary search.
    int indexOf(const ManagedObject* object) const;

    // Listeners are told in the order they were added; they must not change the context while
    // they are told, but may add or remove listeners (themselves included).
    void addListener(LiveFetchResultsListener* listener);
    void removeListener(LiveFetchResultsListener* listener);

private:
    void objectWillChange(const ObjectChange& change) override;
    void objectDidChange(const ObjectChange& change) override;
    void contextWillBeDestroyed() override;
    void contextWillReload() override;
    void contextDidReload() override;

    bool concerns(const ObjectChange& change) const;
    bool matches(const ManagedObject& object) const;
    // Whether `a` comes before `b`: by the sort keys, then by the hidden order.
    bool before(const ManagedObject* a, const ManagedObject* b) const;
    qint64 rankOf(const ManagedObject* object) const;
    // The first row whose object does not come before `object`.
    int lowerBound(const ManagedObject* object) const;
    // The chunk that holds `row`.
    size_t chunkOf(int row) const;
    // Changes the rows without telling anyone.
    void insertAt(int row, ManagedObject* object);
    ManagedObject* eraseAt(int row);
    void renumberFrom(size_t chunk);

    // Tells each listener, skipping one removed meanwhile: a listener may add or remove
    // listeners while it is told.
    template <typename Call> void tell(Call call);
    void insertRow(ManagedObject* object);
    void removeRow(int row);
    void placeRow(int row);

    ManagedObjectContext* m_context;
    FetchRequestBase m_request;
    const EntityDescription* m_entity = nullptr;
    std::optional<Predicate> m_predicate;
    std::vector<std::pair<int, bool>> m_keys; // attribute, ascending
    quint64 m_keyBits = 0;
    int m_rankKey = -1; // the first sort key, when it ranks as an integer
    bool m_fetched = false;
    // Fetched before the store was opened again: fetched again once it is.
    bool m_refetch = false;
    // The rows in order, in chunks of a few hundred, so that a row that comes or goes moves
    // the rest of its chunk and renumbers the chunks, never every row.
    // Each row carries its first sort key as an integer when that key is a date or a number,
    // so that a search reads the rows' objects only among equal keys.
    struct Row {
        qint64 rank;
        ManagedObject* object;
    };
    std::vector<std::vector<Row>> m_chunks;
    std::vector<int> m_firstRows; // per chunk: the row number of its first row
    int m_count = 0;
    std::vector<LiveFetchResultsListener*> m_listeners;
    // The row an object had before the change now being made: -1 when it had none.
    const ManagedObject* m_changing = nullptr;
    int m_oldRow = -1;
};
