#include "BlockWrites.h"

#include <cstring>
#include <mutex>

namespace kestrum::backup {
namespace {

// 64 KB a block: larger blocks measured slower (the block no longer stays in the processor's
// cache between SQLite's copy into it and the kernel's copy out of it).
constexpr int blockSize = 64 * 1024;
// NOTE: SQLite's unix layer writes at most 128 KB - 1 bytes a call (it masks the length), and a
// longer write comes back as "database or disk is full".
static_assert(blockSize < 128 * 1024);
// Asked through sqlite3_file_control; SQLite leaves opcodes above 100 to applications.
constexpr int flushOpcode = 0x4B42;

struct BlockFile {
    sqlite3_file base;  // must stay first: SQLite sees this struct as its sqlite3_file
    sqlite3_file* real; // the default layer's file, allocated right behind this struct
    char* block;
    sqlite3_int64 start; // where the gathered bytes go in the file
    int length;
    int failed; // a gathered write that failed, said to every later call: SQLite ignores an unlock's result
};

sqlite3_vfs* realVfs(sqlite3_vfs* vfs) {
    return static_cast<sqlite3_vfs*>(vfs->pAppData);
}
BlockFile* self(sqlite3_file* f) {
    return reinterpret_cast<BlockFile*>(f);
}

int flush(BlockFile* f) {
    if (f->failed != SQLITE_OK || f->length == 0)
        return f->failed;
    f->failed = f->real->pMethods->xWrite(f->real, f->block, f->length, f->start);
    f->length = 0;
    return f->failed;
}

int fileClose(sqlite3_file* file) {
    BlockFile* f = self(file);
    const int flushed = flush(f);
    sqlite3_free(f->block);
    f->block = nullptr;
    const int rc = f->real->pMethods->xClose(f->real);
    return flushed != SQLITE_OK ? flushed : rc;
}

int fileRead(sqlite3_file* file, void* out, int amount, sqlite3_int64 offset) {
    BlockFile* f = self(file);
    if (const int rc = flush(f); rc != SQLITE_OK)
        return rc;
    return f->real->pMethods->xRead(f->real, out, amount, offset);
}

int fileWrite(sqlite3_file* file, const void* data, int amount, sqlite3_int64 offset) {
    BlockFile* f = self(file);
    if (f->failed != SQLITE_OK)
        return f->failed;
    if (f->length > 0 && offset == f->start + f->length && f->length + amount <= blockSize) {
        std::memcpy(f->block + f->length, data, std::size_t(amount));
        f->length += amount;
        return SQLITE_OK;
    }
    if (const int rc = flush(f); rc != SQLITE_OK)
        return rc;
    if (amount >= blockSize)
        return f->real->pMethods->xWrite(f->real, data, amount, offset);
    if (!f->block)
        f->block = static_cast<char*>(sqlite3_malloc(blockSize));
    if (!f->block)
        return f->real->pMethods->xWrite(f->real, data, amount, offset);
    std::memcpy(f->block, data, std::size_t(amount));
    f->start = offset;
    f->length = amount;
    return SQLITE_OK;
}

int fileTruncate(sqlite3_file* file, sqlite3_int64 size) {
    BlockFile* f = self(file);
    if (const int rc = flush(f); rc != SQLITE_OK)
        return rc;
    return f->real->pMethods->xTruncate(f->real, size);
}

int fileSync(sqlite3_file* file, int flags) {
    BlockFile* f = self(file);
    if (const int rc = flush(f); rc != SQLITE_OK)
        return rc;
    return f->real->pMethods->xSync(f->real, flags);
}

int fileSize(sqlite3_file* file, sqlite3_int64* size) {
    BlockFile* f = self(file);
    if (const int rc = flush(f); rc != SQLITE_OK)
        return rc;
    return f->real->pMethods->xFileSize(f->real, size);
}

int fileLock(sqlite3_file* file, int level) {
    return self(file)->real->pMethods->xLock(self(file)->real, level);
}

int fileUnlock(sqlite3_file* file, int level) {
    BlockFile* f = self(file);
    const int flushed = flush(f);
    const int rc = f->real->pMethods->xUnlock(f->real, level);
    return flushed != SQLITE_OK ? flushed : rc;
}

int fileCheckReservedLock(sqlite3_file* file, int* out) {
    return self(file)->real->pMethods->xCheckReservedLock(self(file)->real, out);
}

int fileControl(sqlite3_file* file, int op, void* arg) {
    BlockFile* f = self(file);
    const int flushed = flush(f);
    if (op == flushOpcode || flushed != SQLITE_OK)
        return flushed;
    return f->real->pMethods->xFileControl(f->real, op, arg);
}

int fileSectorSize(sqlite3_file* file) {
    return self(file)->real->pMethods->xSectorSize(self(file)->real);
}

int fileDeviceCharacteristics(sqlite3_file* file) {
    return self(file)->real->pMethods->xDeviceCharacteristics(self(file)->real);
}

// Shared memory and memory-mapped pages belong to the real file; a mapped page is read, so what is
// gathered goes out first.
int fileShmMap(sqlite3_file* file, int page, int size, int extend, void volatile** out) {
    sqlite3_file* real = self(file)->real;
    if (real->pMethods->iVersion < 2 || !real->pMethods->xShmMap)
        return SQLITE_IOERR_SHMMAP;
    return real->pMethods->xShmMap(real, page, size, extend, out);
}

int fileShmLock(sqlite3_file* file, int offset, int n, int flags) {
    sqlite3_file* real = self(file)->real;
    if (real->pMethods->iVersion < 2 || !real->pMethods->xShmLock)
        return SQLITE_IOERR_SHMLOCK;
    return real->pMethods->xShmLock(real, offset, n, flags);
}

void fileShmBarrier(sqlite3_file* file) {
    sqlite3_file* real = self(file)->real;
    if (real->pMethods->iVersion >= 2 && real->pMethods->xShmBarrier)
        real->pMethods->xShmBarrier(real);
}

int fileShmUnmap(sqlite3_file* file, int deleteFlag) {
    sqlite3_file* real = self(file)->real;
    if (real->pMethods->iVersion < 2 || !real->pMethods->xShmUnmap)
        return SQLITE_OK;
    return real->pMethods->xShmUnmap(real, deleteFlag);
}

int fileFetch(sqlite3_file* file, sqlite3_int64 offset, int amount, void** out) {
    BlockFile* f = self(file);
    *out = nullptr;
    if (const int rc = flush(f); rc != SQLITE_OK)
        return rc;
    if (f->real->pMethods->iVersion < 3 || !f->real->pMethods->xFetch)
        return SQLITE_OK;
    return f->real->pMethods->xFetch(f->real, offset, amount, out);
}

int fileUnfetch(sqlite3_file* file, sqlite3_int64 offset, void* page) {
    sqlite3_file* real = self(file)->real;
    if (real->pMethods->iVersion < 3 || !real->pMethods->xUnfetch)
        return SQLITE_OK;
    return real->pMethods->xUnfetch(real, offset, page);
}

const sqlite3_io_methods blockMethods = {
    3,
    fileClose,
    fileRead,
    fileWrite,
    fileTruncate,
    fileSync,
    fileSize,
    fileLock,
    fileUnlock,
    fileCheckReservedLock,
    fileControl,
    fileSectorSize,
    fileDeviceCharacteristics,
    fileShmMap,
    fileShmLock,
    fileShmBarrier,
    fileShmUnmap,
    fileFetch,
    fileUnfetch,
};

int vfsOpen(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    BlockFile* f = self(file);
    f->real = reinterpret_cast<sqlite3_file*>(f + 1);
    f->block = nullptr;
    f->start = 0;
    f->length = 0;
    f->failed = SQLITE_OK;
    f->base.pMethods = nullptr;
    sqlite3_vfs* real = realVfs(vfs);
    const int rc = real->xOpen(real, name, f->real, flags, outFlags);
    // SQLite closes a file whose open failed when it has methods; the real file's close then runs.
    if (f->real->pMethods)
        f->base.pMethods = &blockMethods;
    return rc;
}

// Everything but opening a file is the default layer's.
int vfsDelete(sqlite3_vfs* v, const char* name, int syncDir) {
    return realVfs(v)->xDelete(realVfs(v), name, syncDir);
}
int vfsAccess(sqlite3_vfs* v, const char* name, int flags, int* out) {
    return realVfs(v)->xAccess(realVfs(v), name, flags, out);
}
int vfsFullPathname(sqlite3_vfs* v, const char* name, int size, char* out) {
    return realVfs(v)->xFullPathname(realVfs(v), name, size, out);
}
void* vfsDlOpen(sqlite3_vfs* v, const char* name) {
    return realVfs(v)->xDlOpen(realVfs(v), name);
}
void vfsDlError(sqlite3_vfs* v, int size, char* out) {
    realVfs(v)->xDlError(realVfs(v), size, out);
}
void (*vfsDlSym(sqlite3_vfs* v, void* handle, const char* symbol))(void) {
    return realVfs(v)->xDlSym(realVfs(v), handle, symbol);
}
void vfsDlClose(sqlite3_vfs* v, void* handle) {
    realVfs(v)->xDlClose(realVfs(v), handle);
}
int vfsRandomness(sqlite3_vfs* v, int size, char* out) {
    return realVfs(v)->xRandomness(realVfs(v), size, out);
}
int vfsSleep(sqlite3_vfs* v, int microseconds) {
    return realVfs(v)->xSleep(realVfs(v), microseconds);
}
int vfsCurrentTime(sqlite3_vfs* v, double* out) {
    return realVfs(v)->xCurrentTime(realVfs(v), out);
}
int vfsGetLastError(sqlite3_vfs* v, int size, char* out) {
    return realVfs(v)->xGetLastError ? realVfs(v)->xGetLastError(realVfs(v), size, out) : 0;
}
int vfsCurrentTimeInt64(sqlite3_vfs* v, sqlite3_int64* out) {
    sqlite3_vfs* real = realVfs(v);
    if (real->iVersion >= 2 && real->xCurrentTimeInt64)
        return real->xCurrentTimeInt64(real, out);
    double days = 0;
    const int rc = real->xCurrentTime(real, &days);
    *out = sqlite3_int64(days * 86400000.0);
    return rc;
}

constexpr const char* vfsName = "kestrum-block-writes";

} // namespace

const char* blockWritesVfs() {
    static sqlite3_vfs vfs{};
    static bool registered = false;
    static std::once_flag once;
    std::call_once(once, [] {
        sqlite3_vfs* real = sqlite3_vfs_find(nullptr);
        if (!real)
            return;
        vfs.iVersion = 2;
        // The real file sits right behind ours, aligned as SQLite aligns the whole.
        static_assert(sizeof(BlockFile) % 8 == 0);
        vfs.szOsFile = int(sizeof(BlockFile)) + real->szOsFile;
        vfs.mxPathname = real->mxPathname;
        vfs.zName = vfsName;
        vfs.pAppData = real;
        vfs.xOpen = vfsOpen;
        vfs.xDelete = vfsDelete;
        vfs.xAccess = vfsAccess;
        vfs.xFullPathname = vfsFullPathname;
        vfs.xDlOpen = vfsDlOpen;
        vfs.xDlError = vfsDlError;
        vfs.xDlSym = vfsDlSym;
        vfs.xDlClose = vfsDlClose;
        vfs.xRandomness = vfsRandomness;
        vfs.xSleep = vfsSleep;
        vfs.xCurrentTime = vfsCurrentTime;
        vfs.xGetLastError = vfsGetLastError;
        vfs.xCurrentTimeInt64 = vfsCurrentTimeInt64;
        registered = sqlite3_vfs_register(&vfs, 0) == SQLITE_OK;
    });
    return registered ? vfsName : nullptr;
}

int flushBlockWrites(sqlite3* db) {
    const int rc = sqlite3_file_control(db, "main", flushOpcode, nullptr);
    return rc == SQLITE_NOTFOUND ? SQLITE_OK : rc; // opened through the default layer: nothing gathered
}

} // namespace kestrum::backup
