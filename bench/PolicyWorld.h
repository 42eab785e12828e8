#pragma once

#include "model/PersistenceController.h"
#include "platform/Instant.h"
#include "platform/LogChannel.h"
#include "support/ManualClock.h"

#include <random>

class ManagedObjectContext;

// Made-up policies for the figures: names of a client and a word, numbers, twenty insurers,
// expiries from a year before `now` to two years after, the same for every run.
namespace PolicyWorld {

inline const Instant kNow(1'773'136'200'000); // 2026-03-10T09:50:00Z

// A made-up name of a few syllables, so names spread as real ones do; of two to four
// syllables without a count.
QString madeUpName(std::mt19937_64& random, int syllables);
QString madeUpName(std::mt19937_64& random);

// Inserts `count` policies and saves.
void fill(ManagedObjectContext& context, int count);

// An in-memory store of `count` such policies, a clock fixed at kNow in Rome and a log that
// goes nowhere.
struct InMemory {
    explicit InMemory(int count);
    ~InMemory();
    InMemory(const InMemory&) = delete;
    InMemory& operator=(const InMemory&) = delete;

    ManualClock clock{kNow, QTimeZone("Europe/Rome")};
    int nullFile;
    LogChannel log;
    PersistenceController store;
};

} // namespace PolicyWorld
