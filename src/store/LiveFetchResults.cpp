#include "store/LiveFetchResults.h"

#include "store/LiveFetchResultsListener.h"
#include "store/ManagedObjectContext.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace {

// Rows per chunk when the rows are fetched; a chunk splits at twice that.
constexpr size_t kChunkRows = 256;

} // namespace

LiveFetchResults::LiveFetchResults(ManagedObjectContext& context, FetchRequestBase request)
    : m_context(&context)
    , m_request(std::move(request)) {
    // From the start, so that it hears when the context goes even if it never fetched.
    m_context->addObserver(this);
}

LiveFetchResults::~LiveFetchResults() {
    if (m_context) {
        m_context->removeObserver(this);
    }
}

bool LiveFetchResults::performFetch(QString* error) {
    QString ignored;
    QString& message = error ? *error : ignored;
    m_chunks.clear();
    m_firstRows.clear();
    m_count = 0;
    m_fetched = false;
    if (!m_context) {
        message = QStringLiteral("The context is gone");
        return false;
    }
    const std::vector<std::shared_ptr<ManagedObject>> found =
        m_context->execute(m_request, &message);
    if (!message.isEmpty()) {
        return false;
    }
    m_entity = m_context->model().entity(m_request.entityName());
    m_predicate.reset();
    if (m_request.predicate()) {
        m_predicate = m_request.predicate()->boundTo(*m_entity);
    }
    m_keys.clear();
    m_keyBits = 0;
    for (const SortDescriptor& sort : m_request.sortDescriptors()) {
        const int index = m_entity->attributeIndex(sort.key);
        m_keys.emplace_back(index, sort.ascending);
        m_keyBits |= quint64(1) << index;
    }
    m_rankKey = -1;
    if (!m_keys.empty() && m_keys.front().second) {
        const AttributeType type =
            m_entity->attributes()[size_t(m_keys.front().first)]->attributeType();
        if (type == AttributeType::Date || type == AttributeType::Integer32) {
            m_rankKey = m_keys.front().first;
        }
    }
    for (size_t first = 0; first < found.size(); first += kChunkRows) {
        std::vector<Row>& chunk = m_chunks.emplace_back();
        chunk.reserve(2 * kChunkRows);
        for (size_t i = first; i < std::min(found.size(), first + kChunkRows); ++i) {
            chunk.push_back({rankOf(found[i].get()), found[i].get()});
        }
    }
    renumberFrom(0);
    m_fetched = true;
    return true;
}

void LiveFetchResults::addListener(LiveFetchResultsListener* listener) {
    if (listener &&
        std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end()) {
        m_listeners.push_back(listener);
    }
}

void LiveFetchResults::removeListener(LiveFetchResultsListener* listener) {
    std::erase(m_listeners, listener);
}

template <typename Call> void LiveFetchResults::tell(Call call) {
    const std::vector<LiveFetchResultsListener*> listeners = m_listeners;
    for (LiveFetchResultsListener* listener : listeners) {
        if (std::find(m_listeners.begin(), m_listeners.end(), listener) != m_listeners.end()) {
            call(listener);
        }
    }
}

bool LiveFetchResults::before(const ManagedObject* a, const ManagedObject* b) const {
    for (const auto& [index, ascending] : m_keys) {
        const int c = ValueOrder::compare(a->m_values[size_t(index)], b->m_values[size_t(index)]);
        if (c != 0) {
            return ascending ? c < 0 : c > 0;
        }
    }
    return a->m_order < b->m_order;
}

qint64 LiveFetchResults::rankOf(const ManagedObject* object) const {
    if (m_rankKey >= 0) {
        const Value& value = object->m_values[size_t(m_rankKey)];
        if (const Instant* instant = std::get_if<Instant>(&value)) {
            return instant->msSinceEpoch();
        }
        if (const qint64* number = std::get_if<qint64>(&value)) {
            return *number;
        }
    }
    return std::numeric_limits<qint64>::min(); // absent first; equal ranks compare in full
}

int LiveFetchResults::lowerBound(const ManagedObject* object) const {
    const qint64 rank = rankOf(object);
    const auto precedes = [&](const Row& row) {
        return row.rank != rank ? row.rank < rank : before(row.object, object);
    };
    // The first chunk whose last row does not come before the object, then the row in it.
    const auto chunk =
        std::partition_point(m_chunks.begin(), m_chunks.end(),
                             [&](const std::vector<Row>& rows) { return precedes(rows.back()); });
    if (chunk == m_chunks.end()) {
        return m_count;
    }
    const auto row = std::partition_point(chunk->begin(), chunk->end(), precedes);
    const size_t index = size_t(chunk - m_chunks.begin());
    return m_firstRows[index] + int(row - chunk->begin());
}

size_t LiveFetchResults::chunkOf(int row) const {
    return size_t(std::upper_bound(m_firstRows.begin(), m_firstRows.end(), row) -
                  m_firstRows.begin()) -
           1;
}

ManagedObject* LiveFetchResults::objectAt(int row) const {
    const size_t chunk = chunkOf(row);
    return m_chunks[chunk][size_t(row - m_firstRows[chunk])].object;
}

void LiveFetchResults::renumberFrom(size_t chunk) {
    m_firstRows.resize(m_chunks.size());
    int first = chunk == 0 ? 0 : m_firstRows[chunk - 1] + int(m_chunks[chunk - 1].size());
    for (size_t c = chunk; c < m_chunks.size(); ++c) {
        m_firstRows[c] = first;
        first += int(m_chunks[c].size());
    }
    m_count = first;
}

void LiveFetchResults::insertAt(int row, ManagedObject* object) {
    const Row entry{rankOf(object), object};
    if (m_chunks.empty()) {
        m_chunks.emplace_back().push_back(entry);
        renumberFrom(0);
        return;
    }
    // A row after the last goes at the end of the last chunk.
    const size_t chunk = row == m_count ? m_chunks.size() - 1 : chunkOf(row);
    std::vector<Row>& rows = m_chunks[chunk];
    rows.insert(rows.begin() + (row - m_firstRows[chunk]), entry);
    if (rows.size() >= 2 * kChunkRows) {
        std::vector<Row> upper(rows.begin() + qsizetype(kChunkRows), rows.end());
        rows.resize(kChunkRows);
        m_chunks.insert(m_chunks.begin() + qsizetype(chunk) + 1, std::move(upper));
    }
    renumberFrom(chunk);
}

ManagedObject* LiveFetchResults::eraseAt(int row) {
    const size_t chunk = chunkOf(row);
    std::vector<Row>& rows = m_chunks[chunk];
    const auto at = rows.begin() + (row - m_firstRows[chunk]);
    ManagedObject* object = at->object;
    rows.erase(at);
    if (rows.empty()) {
        m_chunks.erase(m_chunks.begin() + qsizetype(chunk));
    }
    renumberFrom(chunk == 0 ? 0 : chunk - 1);
    return object;
}

int LiveFetchResults::indexOf(const ManagedObject* object) const {
    if (!object || !m_fetched || &object->entity() != m_entity) {
        return -1;
    }
    const int row = lowerBound(object);
    return row < m_count && objectAt(row) == object ? row : -1;
}

bool LiveFetchResults::matches(const ManagedObject& object) const {
    return !object.m_deleted && (!m_predicate || m_predicate->evaluate(object.m_values, &object));
}

bool LiveFetchResults::concerns(const ObjectChange& change) const {
    return m_fetched && &change.object->entity() == m_entity;
}

void LiveFetchResults::objectWillChange(const ObjectChange& change) {
    // Only a change of values can move or filter a row: its old row is found now, by the old
    // values. A change of relationships leaves every row in place (see objectDidChange).
    if (!concerns(change)) {
        return;
    }
    const quint64 values = (quint64(1) << m_entity->attributes().size()) - 1;
    if (change.kind == ObjectChange::Kind::Update && (change.properties & values) == 0) {
        return;
    }
    m_changing = change.object;
    m_oldRow = change.kind == ObjectChange::Kind::Insert ? -1 : indexOf(change.object);
}

void LiveFetchResults::objectDidChange(const ObjectChange& change) {
    if (!concerns(change)) {
        return;
    }
    ManagedObject* object = change.object;
    if (m_changing != object) {
        // A change of relationships alone: in place, if shown.
        if (const int row = indexOf(object); row >= 0) {
            tell([&](LiveFetchResultsListener* listener) { listener->didChangeRow(row); });
        }
        return;
    }
    m_changing = nullptr;
    const int oldRow = m_oldRow;
    const bool shown = change.kind != ObjectChange::Kind::Delete && matches(*object);
    if (oldRow < 0) {
        if (shown) {
            insertRow(object);
        }
        return;
    }
    if (!shown) {
        removeRow(oldRow);
        return;
    }
    if (change.properties & m_keyBits) {
        placeRow(oldRow);
    } else {
        tell([&](LiveFetchResultsListener* listener) { listener->didChangeRow(oldRow); });
    }
}

void LiveFetchResults::insertRow(ManagedObject* object) {
    const int row = lowerBound(object);
    tell([&](LiveFetchResultsListener* listener) { listener->willInsertRow(row); });
    insertAt(row, object);
    tell([&](LiveFetchResultsListener* listener) { listener->didInsertRow(row); });
}

void LiveFetchResults::removeRow(int row) {
    tell([&](LiveFetchResultsListener* listener) { listener->willRemoveRow(row); });
    eraseAt(row);
    tell([&](LiveFetchResultsListener* listener) { listener->didRemoveRow(row); });
}

void LiveFetchResults::placeRow(int row) {
    // Its new row is found among the others; until the listeners have heard of the move,
    // it stays where they know it.
    ManagedObject* object = eraseAt(row);
    const int target = lowerBound(object);
    insertAt(row, object);
    if (target == row) {
        tell([&](LiveFetchResultsListener* listener) { listener->didChangeRow(row); });
        return;
    }
    tell([&](LiveFetchResultsListener* listener) { listener->willMoveRow(row, target); });
    eraseAt(row);
    insertAt(target, object);
    tell([&](LiveFetchResultsListener* listener) { listener->didMoveRow(row, target); });
}

void LiveFetchResults::contextWillReload() {
    m_refetch = m_fetched;
    tell([](LiveFetchResultsListener* listener) { listener->willResetRows(); });
    m_chunks.clear();
    m_firstRows.clear();
    m_count = 0;
    m_fetched = false;
    m_changing = nullptr;
}

void LiveFetchResults::contextDidReload() {
    if (std::exchange(m_refetch, false)) {
        performFetch();
    }
    tell([](LiveFetchResultsListener* listener) { listener->didResetRows(); });
}

void LiveFetchResults::contextWillBeDestroyed() {
    m_context = nullptr;
    m_fetched = false;
    m_changing = nullptr;
    // Every row goes with its object, the last first, so that each row number stays valid.
    while (m_count > 0) {
        removeRow(m_count - 1);
    }
}
