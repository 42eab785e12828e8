#include "backup/BackupCatalog.h"

#include "backup/BackupFileName.h"

#include <QDir>

#include <algorithm>

std::vector<BackupEntry> BackupCatalog::list(const QString& folder, const QTimeZone& zone) {
    std::vector<BackupEntry> entries;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
        const std::optional<QDateTime> local = BackupFileName::localTimeOf(name);
        const std::optional<Instant> instant = BackupFileName::instantOf(name, zone);
        if (local && instant) {
            entries.push_back({dir.filePath(name), *local, *instant});
        }
    }
    std::sort(entries.begin(), entries.end(),
              [](const BackupEntry& a, const BackupEntry& b) { return a.localTime > b.localTime; });
    return entries;
}

std::optional<BackupEntry> BackupCatalog::newest(const QString& folder, const QTimeZone& zone) {
    std::vector<BackupEntry> entries = list(folder, zone);
    if (entries.empty()) {
        return std::nullopt;
    }
    return entries.front();
}

std::vector<BackupCatalog::Checked> BackupCatalog::counted(const QString& folder,
                                                           const QTimeZone& zone,
                                                           const std::atomic<bool>* stop) {
    std::vector<Checked> entries;
    for (const BackupEntry& entry : list(folder, zone)) {
        entries.push_back(
            {entry, StoreFileCheck::check(entry.path, stop, StoreFileCheck::Reading::FileAlone,
                                          StoreFileCheck::Depth::WithoutIntegrityCheck)});
    }
    return entries;
}

std::optional<BackupCatalog::Checked> BackupCatalog::newestWhole(const QString& folder,
                                                                 const QTimeZone& zone,
                                                                 const std::atomic<bool>* stop) {
    for (const BackupEntry& entry : list(folder, zone)) {
        if (stop && stop->load()) {
            break;
        }
        const StoreFileReport contents = StoreFileCheck::check(entry.path, stop);
        if (contents.isWhole()) {
            return Checked{entry, contents};
        }
    }
    return std::nullopt;
}
