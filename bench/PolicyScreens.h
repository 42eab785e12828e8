#pragma once

#include "PolicyWorld.h"
#include "support/ScreenWorld.h"

// An in-memory store of `policies` made-up policies with the screens' stand-in services over
// it; the reminders stay idle, as in a program that is not installed.
struct PolicyScreens : PolicyWorld::InMemory {
    explicit PolicyScreens(int policies = 0)
        : PolicyWorld::InMemory(policies) {}

    ManagedObjectContext& context() { return store.container().viewContext(); }

    ScreenWorld screens{clock, log, {.installed = false}};
};
