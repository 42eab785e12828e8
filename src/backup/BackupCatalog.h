#pragma once

#include "backup/StoreFileCheck.h"
#include "platform/Instant.h"

#include <QDateTime>
#include <QString>
#include <QTimeZone>

#include <atomic>
#include <optional>
#include <vector>

// One backup in the folder, as its name dates it.
struct BackupEntry {
    QString path;
    // The local date and time of its name, and the instant that is in the zone it was read in.
    QDateTime localTime;
    Instant writtenAt;
};

// The backups in a folder, newest first, known by their names alone (nothing else in the
// folder is listed): what the restore list shows, and what tells when the next is due.
class BackupCatalog final {
public:
    static std::vector<BackupEntry> list(const QString& folder, const QTimeZone& zone);
    static std::optional<BackupEntry> newest(const QString& folder, const QTimeZone& zone);

    // The newest backup that passes the whole check (see StoreFileCheck), with what it holds:
    // what is offered when the store cannot be opened. It reads every backup it tries, so it
    // belongs on a worker thread.
    struct Checked {
        BackupEntry entry;
        StoreFileReport contents;
    };
    // Every backup, newest first, with its counts read (its integrity is not checked: the
    // chosen one is, before it is restored). For a worker thread too.
    static std::vector<Checked> counted(const QString& folder, const QTimeZone& zone,
                                        const std::atomic<bool>* stop = nullptr);
    static std::optional<Checked> newestWhole(const QString& folder, const QTimeZone& zone,
                                              const std::atomic<bool>* stop = nullptr);
};
