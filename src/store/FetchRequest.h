#pragma once

#include "store/Predicate.h"

#include <QString>

#include <optional>
#include <vector>

// One sort key of a fetch. Ties are broken by the next key, and after the last key by the
// order in which the objects were first stored, so that a fetch's order is always the same.
struct SortDescriptor {
    QString key;
    bool ascending = true;
};

// A request for the objects of one entity: those matching an optional predicate, in the order
// of the sort keys.
class FetchRequestBase {
public:
    explicit FetchRequestBase(QString entityName)
        : m_entityName(std::move(entityName)) {}

    const QString& entityName() const { return m_entityName; }

    void setPredicate(std::optional<Predicate> predicate) { m_predicate = std::move(predicate); }
    const std::optional<Predicate>& predicate() const { return m_predicate; }

    void setSortDescriptors(std::vector<SortDescriptor> sort) { m_sort = std::move(sort); }
    const std::vector<SortDescriptor>& sortDescriptors() const { return m_sort; }

private:
    QString m_entityName;
    std::optional<Predicate> m_predicate;
    std::vector<SortDescriptor> m_sort;
};

// A fetch request typed to an entity class, whose results come back as that class.
template <typename T> class FetchRequest final : public FetchRequestBase {
public:
    FetchRequest()
        : FetchRequestBase(T::entityName()) {}
};
