#pragma once

#include "transfer/ImportValues.h"

#include <QHash>
#include <QUuid>

#include <vector>

class ManagedObjectContext;

// The policies and clients already in the store, as an import compares them with a file's
// rows: read once on the program's thread, then read by the check on a worker thread.
struct BookIndex {
    struct StoredContact {
        QUuid id;
        ContactValues values;
        bool operator==(const StoredContact&) const = default;
    };

    // Policy number, blanks trimmed -> the first stored policy with it.
    QHash<QString, QUuid> policyNumbers;
    // In the order they were first stored.
    std::vector<StoredContact> contacts;

    static BookIndex of(const ManagedObjectContext& context);
    bool operator==(const BookIndex&) const = default;
};
