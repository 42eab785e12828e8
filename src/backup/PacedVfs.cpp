#include "backup/PacedVfs.h"

#include "backup/PacedWriteOut.h"

#include <cstdio>
#include <fcntl.h>
#include <new>
#include <unistd.h>

namespace {

// Our file, followed in the same allocation by the default VFS's own.
struct PacedFile {
    sqlite3_file base;
    sqlite3_file* real;
    int fd;
    PacedWriteOut* pace;
};

const PacedVfs& owner(sqlite3_vfs* vfs) {
    return *static_cast<const PacedVfs*>(vfs->pAppData);
}

sqlite3_vfs* underlying(sqlite3_vfs* vfs) {
    return owner(vfs).defaultVfs();
}

sqlite3_file* real(sqlite3_file* file) {
    return reinterpret_cast<PacedFile*>(file)->real;
}

const sqlite3_io_methods* realMethods(sqlite3_file* file) {
    return real(file)->pMethods;
}

int pacedClose(sqlite3_file* file) {
    auto* paced = reinterpret_cast<PacedFile*>(file);
    const int rc = paced->real->pMethods->xClose(paced->real);
    delete paced->pace;
    paced->pace = nullptr;
    if (paced->fd >= 0) {
        ::close(paced->fd);
        paced->fd = -1;
    }
    return rc;
}

int pacedWrite(sqlite3_file* file, const void* data, int amount, sqlite3_int64 offset) {
    auto* paced = reinterpret_cast<PacedFile*>(file);
    const int rc = paced->real->pMethods->xWrite(paced->real, data, amount, offset);
    if (rc == SQLITE_OK && paced->pace) {
        paced->pace->written(amount);
    }
    return rc;
}

const sqlite3_io_methods kMethods = {
    3,
    pacedClose,
    [](sqlite3_file* file, void* data, int amount, sqlite3_int64 offset) {
        return realMethods(file)->xRead(real(file), data, amount, offset);
    },
    pacedWrite,
    [](sqlite3_file* file, sqlite3_int64 size) {
        return realMethods(file)->xTruncate(real(file), size);
    },
    [](sqlite3_file* file, int flags) { return realMethods(file)->xSync(real(file), flags); },
    [](sqlite3_file* file, sqlite3_int64* size) {
        return realMethods(file)->xFileSize(real(file), size);
    },
    [](sqlite3_file* file, int lock) { return realMethods(file)->xLock(real(file), lock); },
    [](sqlite3_file* file, int lock) { return realMethods(file)->xUnlock(real(file), lock); },
    [](sqlite3_file* file, int* reserved) {
        return realMethods(file)->xCheckReservedLock(real(file), reserved);
    },
    [](sqlite3_file* file, int op, void* arg) {
        return realMethods(file)->xFileControl(real(file), op, arg);
    },
    [](sqlite3_file* file) { return realMethods(file)->xSectorSize(real(file)); },
    [](sqlite3_file* file) { return realMethods(file)->xDeviceCharacteristics(real(file)); },
    [](sqlite3_file* file, int region, int size, int extend, void volatile** memory) {
        return realMethods(file)->iVersion >= 2
                   ? realMethods(file)->xShmMap(real(file), region, size, extend, memory)
                   : SQLITE_IOERR_SHMMAP;
    },
    [](sqlite3_file* file, int offset, int count, int flags) {
        return realMethods(file)->iVersion >= 2
                   ? realMethods(file)->xShmLock(real(file), offset, count, flags)
                   : SQLITE_IOERR_SHMLOCK;
    },
    [](sqlite3_file* file) {
        if (realMethods(file)->iVersion >= 2) {
            realMethods(file)->xShmBarrier(real(file));
        }
    },
    [](sqlite3_file* file, int remove) {
        return realMethods(file)->iVersion >= 2 ? realMethods(file)->xShmUnmap(real(file), remove)
                                                : SQLITE_OK;
    },
    [](sqlite3_file* file, sqlite3_int64 offset, int amount, void** pages) {
        if (realMethods(file)->iVersion >= 3) {
            return realMethods(file)->xFetch(real(file), offset, amount, pages);
        }
        *pages = nullptr;
        return SQLITE_OK;
    },
    [](sqlite3_file* file, sqlite3_int64 offset, void* page) {
        return realMethods(file)->iVersion >= 3
                   ? realMethods(file)->xUnfetch(real(file), offset, page)
                   : SQLITE_OK;
    },
};

int pacedOpen(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    auto* paced = reinterpret_cast<PacedFile*>(file);
    paced->real = reinterpret_cast<sqlite3_file*>(paced + 1);
    paced->fd = -1;
    paced->pace = nullptr;
    const int rc = underlying(vfs)->xOpen(underlying(vfs), name, paced->real, flags, outFlags);
    // SQLite reads pMethods even after a failed open: set, or null when there is nothing to
    // close.
    paced->base.pMethods = paced->real->pMethods ? &kMethods : nullptr;
    if (rc != SQLITE_OK || !name || !(flags & SQLITE_OPEN_MAIN_DB) ||
        !(flags & SQLITE_OPEN_READWRITE)) {
        return rc;
    }
    // A descriptor of our own on the same file: the default VFS does not lend its own. Without
    // one the file is written as before, unpaced.
    paced->fd = ::open(name, O_WRONLY | O_CLOEXEC);
    if (paced->fd >= 0) {
        paced->pace = new (std::nothrow) PacedWriteOut(paced->fd, owner(vfs).stop());
    }
    return rc;
}

} // namespace

PacedVfs::PacedVfs(const std::atomic<bool>* stop)
    : m_default(sqlite3_vfs_find(nullptr))
    , m_stop(stop) {
    if (!m_default) {
        return;
    }
    // A name of its own for each copy: two copies may run at once (a restore's beside the
    // program's), each with its own stop.
    std::snprintf(m_name, sizeof m_name, "quintaver-paced-%p", static_cast<void*>(this));
    m_vfs = {
        1,
        int(sizeof(PacedFile)) + m_default->szOsFile,
        m_default->mxPathname,
        nullptr,
        m_name,
        this,
        pacedOpen,
        [](sqlite3_vfs* self, const char* name, int syncDir) {
            return underlying(self)->xDelete(underlying(self), name, syncDir);
        },
        [](sqlite3_vfs* self, const char* name, int flags, int* result) {
            return underlying(self)->xAccess(underlying(self), name, flags, result);
        },
        [](sqlite3_vfs* self, const char* name, int size, char* out) {
            return underlying(self)->xFullPathname(underlying(self), name, size, out);
        },
        [](sqlite3_vfs* self, const char* name) {
            return underlying(self)->xDlOpen(underlying(self), name);
        },
        [](sqlite3_vfs* self, int size, char* message) {
            underlying(self)->xDlError(underlying(self), size, message);
        },
        [](sqlite3_vfs* self, void* handle, const char* symbol) {
            return underlying(self)->xDlSym(underlying(self), handle, symbol);
        },
        [](sqlite3_vfs* self, void* handle) {
            underlying(self)->xDlClose(underlying(self), handle);
        },
        [](sqlite3_vfs* self, int size, char* out) {
            return underlying(self)->xRandomness(underlying(self), size, out);
        },
        [](sqlite3_vfs* self, int microseconds) {
            return underlying(self)->xSleep(underlying(self), microseconds);
        },
        [](sqlite3_vfs* self, double* now) {
            return underlying(self)->xCurrentTime(underlying(self), now);
        },
        [](sqlite3_vfs* self, int size, char* out) {
            return underlying(self)->xGetLastError(underlying(self), size, out);
        },
        // Version 1: SQLite asks nothing beyond.
        nullptr,
        nullptr,
        nullptr,
        nullptr,
    };
    m_registered = sqlite3_vfs_register(&m_vfs, 0) == SQLITE_OK;
}

PacedVfs::~PacedVfs() {
    if (m_registered) {
        sqlite3_vfs_unregister(&m_vfs);
    }
}
