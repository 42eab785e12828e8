#pragma once

#include <sqlite3.h>

#include <atomic>

// An SQLite VFS, registered while this lives, that is the system's default one except that a
// database file it opens for writing is written out at a pace (PacedWriteOut). A connection
// opened with it and running VACUUM INTO writes the copy through it too, so a backup's copy
// never leaves a gigabyte for its final flush. Once `stop` is set the pace is dropped, so that
// a copy being stopped reaches its next stop check quickly.
class PacedVfs final {
public:
    explicit PacedVfs(const std::atomic<bool>* stop);
    ~PacedVfs();
    PacedVfs(const PacedVfs&) = delete;
    PacedVfs& operator=(const PacedVfs&) = delete;

    // The name for sqlite3_open_v2; null when it could not be registered (the copy is then
    // written unpaced).
    const char* name() const { return m_registered ? m_name : nullptr; }
    // What the files it opens use.
    sqlite3_vfs* defaultVfs() const { return m_default; }
    const std::atomic<bool>* stop() const { return m_stop; }

private:
    sqlite3_vfs m_vfs{};
    char m_name[48]{};
    bool m_registered = false;
    sqlite3_vfs* m_default = nullptr;
    const std::atomic<bool>* m_stop;
};
