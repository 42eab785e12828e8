#include "backup/PacedVfs.h"

#include "backup/PacedWriteOut.h"

#include <fcntl.h>
#include <new>
#include <sqlite3.h>
#include <unistd.h>

namespace {

constexpr char kName[] = "quintaver-paced";

// Our file, followed in the same allocation by the default VFS's own.
struct PacedFile {
    sqlite3_file base;
    sqlite3_file* real;
    int fd;
    PacedWriteOut* pace;
};

sqlite3_vfs* defaultVfs(sqlite3_vfs* vfs) {
    return static_cast<sqlite3_vfs*>(vfs->pAppData);
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
    const int rc = defaultVfs(vfs)->xOpen(defaultVfs(vfs), name, paced->real, flags, outFlags);
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
        paced->pace = new (std::nothrow) PacedWriteOut(paced->fd);
    }
    return rc;
}

sqlite3_vfs* makeVfs() {
    sqlite3_vfs* under = sqlite3_vfs_find(nullptr);
    if (!under) {
        return nullptr;
    }
    static sqlite3_vfs vfs = {
        1,
        int(sizeof(PacedFile)) + under->szOsFile,
        under->mxPathname,
        nullptr,
        kName,
        under,
        pacedOpen,
        [](sqlite3_vfs* self, const char* name, int syncDir) {
            return defaultVfs(self)->xDelete(defaultVfs(self), name, syncDir);
        },
        [](sqlite3_vfs* self, const char* name, int flags, int* result) {
            return defaultVfs(self)->xAccess(defaultVfs(self), name, flags, result);
        },
        [](sqlite3_vfs* self, const char* name, int size, char* out) {
            return defaultVfs(self)->xFullPathname(defaultVfs(self), name, size, out);
        },
        [](sqlite3_vfs* self, const char* name) {
            return defaultVfs(self)->xDlOpen(defaultVfs(self), name);
        },
        [](sqlite3_vfs* self, int size, char* message) {
            defaultVfs(self)->xDlError(defaultVfs(self), size, message);
        },
        [](sqlite3_vfs* self, void* handle, const char* symbol) {
            return defaultVfs(self)->xDlSym(defaultVfs(self), handle, symbol);
        },
        [](sqlite3_vfs* self, void* handle) { defaultVfs(self)->xDlClose(defaultVfs(self), handle); },
        [](sqlite3_vfs* self, int size, char* out) {
            return defaultVfs(self)->xRandomness(defaultVfs(self), size, out);
        },
        [](sqlite3_vfs* self, int microseconds) {
            return defaultVfs(self)->xSleep(defaultVfs(self), microseconds);
        },
        [](sqlite3_vfs* self, double* now) {
            return defaultVfs(self)->xCurrentTime(defaultVfs(self), now);
        },
        [](sqlite3_vfs* self, int size, char* out) {
            return defaultVfs(self)->xGetLastError(defaultVfs(self), size, out);
        },
        // Version 1: SQLite asks nothing beyond.
        nullptr,
        nullptr,
        nullptr,
        nullptr,
    };
    return sqlite3_vfs_register(&vfs, 0) == SQLITE_OK ? &vfs : nullptr;
}

} // namespace

const char* PacedVfs::name() {
    static sqlite3_vfs* const vfs = makeVfs();
    return vfs ? kName : nullptr;
}
