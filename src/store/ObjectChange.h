#pragma once

#include <QtGlobal>

class ManagedObject;

// One change to one object, as a context tells its observers: once before it is made and once
// after, so that an observer can find the object by its old values and then by its new ones.
struct ObjectChange {
    enum class Kind { Insert, Update, Delete };

    Kind kind = Kind::Update;
    ManagedObject* object = nullptr;
    // What changes in an update: bit i for attribute i, bit A + j for relationship j (A the
    // number of attributes), as ManagedObject numbers its properties.
    quint64 properties = 0;
};
