#pragma once

#include <QString>

#include <atomic>

// What a look at a file found: whether it is a whole store of this program, at a version this
// program reads, and how many policies and contacts it holds.
struct StoreFileReport {
    enum class Problem {
        None,
        Unreadable,     // cannot be opened or read (a missing file, no permission, I/O)
        NotAFile,       // a folder, a pipe, a device
        Empty,          // 0 bytes
        NotAStore,      // not SQLite, or SQLite that is not one of our stores
        AnotherProgram, // SQLite marked as another program's
        NewerVersion,   // ours, written by a newer version of the program
        Damaged,        // ours, but truncated, incomplete or failing SQLite's integrity check
        Stopped,        // the look was stopped before it ended
    };

    Problem problem = Problem::None;
    // Why it is not a whole store, in English, for the log; empty when it is.
    QString why;
    qint64 policies = 0;
    qint64 contacts = 0;

    bool isWhole() const { return problem == Problem::None; }
};

// Checks a file before it is trusted as a store: its first bytes with plain reads, then a
// read-only SQLite connection that never writes the file nor creates anything beside it (so a
// file on a read-only medium can be checked): the program's application id, a schema version
// not newer than the program's, every table and column the program reads, SQLite's full
// integrity check, and the counts of policies and contacts.
//
// A chosen file is read as it stands on its own: a write-ahead log beside it is not read,
// exactly as a copy of the file alone would not carry it. The program's own store, closed, is
// read with its log, as the program would read it.
class StoreFileCheck final {
public:
    enum class Reading { FileAlone, WithLog };
    // The whole check, or all of it but SQLite's integrity check, which reads every page: what
    // a list of many backups can afford for each.
    enum class Depth { Whole, WithoutIntegrityCheck };

    // Safe on any thread. `stop`, when it turns true, ends the look early (Problem::Stopped).
    static StoreFileReport check(const QString& path, const std::atomic<bool>* stop = nullptr,
                                 Reading reading = Reading::FileAlone, Depth depth = Depth::Whole);
};
