#pragma once

#include <QtGlobal>

class ManagedObject;

// One change to one object, as a context tells its observers: once before it is made and once
// after, so that an observer can find the object by its old values and then by its new ones.
struct ObjectChange {
    enum class Kind { Insert, Update, Delete };

    // The object's hidden order, the last tie-breaker of every fetch: a save gives a new
    // object its row's number.
    static constexpr quint64 kOrderBit = quint64(1) << 63;

    Kind kind = Kind::Update;
    ManagedObject* object = nullptr;
    // What changes in an update: bit i for attribute i, bit A + j for relationship j (A the
    // number of attributes), as ManagedObject numbers its properties; kOrderBit for the order.
    quint64 properties = 0;
};
