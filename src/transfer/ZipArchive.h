#pragma once

#include <QIODevice>
#include <QString>

#include <memory>
#include <optional>

class TaskControl;

// A zipped document (XLSX, ODS) whose parts are read as streams through one budget of
// inflated bytes shared by every part: a small file that inflates to gigabytes stops at the
// budget instead of filling memory. Parts are read one at a time, and named without regard to
// case, as Office does.
//
// Read with the system's minizip, the zip library that libxlsxwriter (the export) links: QuaZip
// carries its own copy of minizip's functions under the same names, and with both in one
// process libxlsxwriter's calls reached QuaZip's and crashed.
class ZipArchive final {
public:
    ZipArchive(const QString& path, qint64 inflateBudget, TaskControl* control);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    // False, with `error` set, when the file is not a readable zip archive.
    bool open(QString* error);
    bool contains(const QString& name) const;

    // The part as a device to read from, or null with `error` set. Reading stops with an
    // error once the budget is spent or the task is cancelled; see stopReason().
    std::unique_ptr<QIODevice> part(const QString& name, QString* error);
    // A small part read whole; nothing when it is missing or larger than `maxBytes`.
    std::optional<QByteArray> smallPart(const QString& name, qint64 maxBytes);

    // Why the last read stopped early: the budget, or cancellation; empty otherwise.
    QString stopReason() const;

private:
    class PartDevice;

    void* m_zip = nullptr; // unzFile
    QString m_path;
    qint64 m_budget;
    qint64 m_inflated = 0;
    bool m_overBudget = false;
    TaskControl* m_control;
};
