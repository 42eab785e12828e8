#include "LiveFetchResults.h"

#include "LiveFetchResultsListener.h"
#include "ManagedObjectContext.h"

#include <algorithm>

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
    m_rows.clear();
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
    m_keyBits = ObjectChange::kOrderBit;
    for (const SortDescriptor& sort : m_request.sortDescriptors()) {
        const int index = m_entity->attributeIndex(sort.key);
        m_keys.emplace_back(index, sort.ascending);
        m_keyBits |= quint64(1) << index;
    }
    m_rows.reserve(found.size());
    for (const auto& object : found) {
        m_rows.push_back(object.get());
    }
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

bool LiveFetchResults::before(const ManagedObject* a, const ManagedObject* b) const {
    for (const auto& [index, ascending] : m_keys) {
        const int c = ValueOrder::compare(a->m_values[size_t(index)], b->m_values[size_t(index)]);
        if (c != 0) {
            return ascending ? c < 0 : c > 0;
        }
    }
    return a->m_order < b->m_order;
}

size_t LiveFetchResults::lowerBound(const ManagedObject* object, size_t first, size_t last) const {
    const auto begin = m_rows.begin();
    return size_t(std::lower_bound(begin + qsizetype(first), begin + qsizetype(last), object,
                                   [this](const ManagedObject* row, const ManagedObject* value) {
                                       return before(row, value);
                                   }) -
                  begin);
}

int LiveFetchResults::indexOf(const ManagedObject* object) const {
    if (!object || !m_fetched || &object->entity() != m_entity) {
        return -1;
    }
    const size_t row = lowerBound(object, 0, m_rows.size());
    return row < m_rows.size() && m_rows[row] == object ? int(row) : -1;
}

bool LiveFetchResults::matches(const ManagedObject& object) const {
    return !object.m_deleted && (!m_predicate || m_predicate->evaluate(object.m_values));
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
    const quint64 values =
        ((quint64(1) << m_entity->attributes().size()) - 1) | ObjectChange::kOrderBit;
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
            for (LiveFetchResultsListener* listener : m_listeners) {
                listener->didChangeRow(row);
            }
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
        removeRow(size_t(oldRow));
        return;
    }
    if (change.properties & m_keyBits) {
        placeRow(size_t(oldRow));
    } else {
        for (LiveFetchResultsListener* listener : m_listeners) {
            listener->didChangeRow(oldRow);
        }
    }
}

void LiveFetchResults::insertRow(ManagedObject* object) {
    const size_t row = lowerBound(object, 0, m_rows.size());
    for (LiveFetchResultsListener* listener : m_listeners) {
        listener->willInsertRow(int(row));
    }
    m_rows.insert(m_rows.begin() + qsizetype(row), object);
    for (LiveFetchResultsListener* listener : m_listeners) {
        listener->didInsertRow(int(row));
    }
}

void LiveFetchResults::removeRow(size_t row) {
    for (LiveFetchResultsListener* listener : m_listeners) {
        listener->willRemoveRow(int(row));
    }
    m_rows.erase(m_rows.begin() + qsizetype(row));
    for (LiveFetchResultsListener* listener : m_listeners) {
        listener->didRemoveRow(int(row));
    }
}

void LiveFetchResults::placeRow(size_t row) {
    // The rows before and after the changed one are each still in order.
    const ManagedObject* object = m_rows[row];
    size_t target = lowerBound(object, 0, row);
    if (target == row) {
        target = lowerBound(object, row + 1, m_rows.size()) - 1;
    }
    if (target == row) {
        for (LiveFetchResultsListener* listener : m_listeners) {
            listener->didChangeRow(int(row));
        }
        return;
    }
    for (LiveFetchResultsListener* listener : m_listeners) {
        listener->willMoveRow(int(row), int(target));
    }
    const auto begin = m_rows.begin();
    if (target < row) {
        std::rotate(begin + qsizetype(target), begin + qsizetype(row), begin + qsizetype(row) + 1);
    } else {
        std::rotate(begin + qsizetype(row), begin + qsizetype(row) + 1,
                    begin + qsizetype(target) + 1);
    }
    for (LiveFetchResultsListener* listener : m_listeners) {
        listener->didMoveRow(int(row), int(target));
    }
}

void LiveFetchResults::contextWillBeDestroyed() {
    m_context = nullptr;
    m_fetched = false;
    m_changing = nullptr;
    if (m_rows.empty()) {
        return;
    }
    // Every row goes with its object, the last first, so that each row number stays valid.
    while (!m_rows.empty()) {
        removeRow(m_rows.size() - 1);
    }
}
