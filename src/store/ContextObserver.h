#pragma once

#include "store/ObjectChange.h"

// Hears every insert, change and delete in a context, pending or saved, at the moment it is
// made. Registered with ManagedObjectContext::addObserver; an observer that outlives its
// context is told when the context goes.
class ContextObserver {
public:
    virtual ~ContextObserver() = default;

    virtual void objectWillChange(const ObjectChange& change) = 0;
    virtual void objectDidChange(const ObjectChange& change) = 0;
    // The context and every object of it are going: nothing of them may be used afterwards.
    virtual void contextWillBeDestroyed() = 0;
    // The store is being opened again (a backup put in its place): every object of the context
    // is going, still readable now; the store's rows come back as new objects before
    // contextDidReload(). Nothing is heard of the objects one by one.
    virtual void contextWillReload() = 0;
    virtual void contextDidReload() = 0;

protected:
    ContextObserver() = default;
    ContextObserver(const ContextObserver&) = default;
    ContextObserver& operator=(const ContextObserver&) = default;
};
