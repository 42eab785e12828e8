#pragma once

// An SQLite VFS that is the system's default one, except that a database file it opens for
// writing is written out at a pace (PacedWriteOut). A connection opened with it and running
// VACUUM INTO writes the copy through it too, so a backup's copy never leaves a gigabyte for
// its final flush.
namespace PacedVfs {

// The VFS's name for sqlite3_open_v2, registered on first use; null when it could not be.
const char* name();

} // namespace PacedVfs
