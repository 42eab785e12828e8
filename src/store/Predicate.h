#pragma once

#include "store/EntityDescription.h"
#include "store/Value.h"

#include <QString>

#include <memory>
#include <vector>

class ManagedObject;

// A condition on one object's attributes, written in the object-graph framework's predicate
// format: "isCompleted == NO AND (dueDate == nil OR dueDate >= %@)".
//
// Understood: comparisons (==, =, !=, <>, <, <=, =<, >, >=, =>) between attribute names,
// arguments (%@, taken in order), nil or NULL, YES/NO/TRUE/FALSE, integers and quoted texts;
// AND (&&), OR (||), NOT (!) and parentheses; TRUEPREDICATE and FALSEPREDICATE. Words are
// case-insensitive, attribute names are not.
//
// nil equals only an absent value; an absent value is neither less nor greater than anything.
// Integers and booleans compare as numbers, texts by code point, instants by time.
class Predicate final {
public:
    struct Node;

    // A predicate that does not parse is invalid: errorString() says why, and a fetch with it
    // finds nothing and reports that error.
    static Predicate format(const QString& format, const std::vector<Value>& arguments = {});

    bool isValid() const { return m_root != nullptr; }
    const QString& errorString() const { return m_error; }
    const QString& formatString() const { return m_format; }

    // The predicate with its attribute names looked up in `entity`; invalid, with an error
    // naming the attribute, when one is not there.
    Predicate boundTo(const EntityDescription& entity) const;
    // True when the values, one per attribute of the entity the predicate is bound to, match.
    // A value absent from `values` that `object` keeps in the store (a document known by its
    // size) is present: read only when it is compared with something other than nil.
    bool evaluate(const std::vector<Value>& values, const ManagedObject* object = nullptr) const;

private:
    std::shared_ptr<const Node> m_root;
    QString m_format;
    QString m_error;
};
