#pragma once

#include <QString>

#include <atomic>
#include <optional>

// File operations that a backup and a restore build on, each flushed to the disk before it
// returns, so that what they report as done survives a crash or a power cut. Each gives why it
// failed, or nothing.
namespace DurableFiles {

// Flushes the file's bytes to the disk.
std::optional<QString> syncFile(const QString& path);
// Flushes the folder's entries (a file created, renamed or removed in it).
std::optional<QString> syncFolder(const QString& folder);
// Creates an empty file mode 0600; fails when the name is taken.
std::optional<QString> createPrivateFile(const QString& path);
// Copies a regular file into a new file mode 0600 (the name must be free) and flushes it.
// A copy that fails, or that `stop` ends, is removed. A `paced` copy is written as
// PacedWriteOut writes, for copies made while the program goes on saving.
std::optional<QString> copyFile(const QString& from, const QString& to,
                                const std::atomic<bool>* stop = nullptr, bool paced = false);
// Gives the file its final name, refusing to replace a file that has it.
std::optional<QString> renameWithoutReplacing(const QString& from, const QString& to);
// Gives the file its final name, replacing the file that has it in one step.
std::optional<QString> renameReplacing(const QString& from, const QString& to);
// Removes the file; a file already gone is no failure.
std::optional<QString> removeFile(const QString& path);
// Removes the file as removeFile() does, but a large one (an old backup) is first shrunk a step
// at a time, each step flushed, with rests between: freeing a gigabyte in one go holds every
// flush on the disk, the program's saves included, for a second or more. A file cut short here
// by a crash is left shrunk, so give a file that must not be seen half gone a temporary name
// first. A file with other names (hard links) is removed at once.
std::optional<QString> removeAtPace(const QString& path);
// A hard link to the file under a second name (a copy where the file system has no links),
// flushed; fails when the name is taken.
std::optional<QString> linkOrCopy(const QString& from, const QString& to);
// A folder this account owns, following a link to it. Why it is not one, or nothing.
std::optional<QString> checkOwnFolder(const QString& folder);

} // namespace DurableFiles
