#pragma once

#include <sqlite3.h>

#include <atomic>
#include <cstring>
#include <mutex>

namespace moxtel::test {

// A VFS that wraps the default one and lets writes fail on demand, as a full disk or a failing
// device would. While an object lives it is the default VFS, so every connection the program
// opens goes through it. Writes are counted over all files (database, journal, copies); from
// the chosen write on, every write fails with the chosen code until Disarm (a full disk stays
// full), or only that one write when once is set. Reads fail on demand too (FailReads), as a
// failing device does; connections may be opened and used from several threads at once. Only
// one object may live at a time.
class FaultyVfs {
  public:
    FaultyVfs() {
        m_real = sqlite3_vfs_find(nullptr);
        m_vfs = *m_real;
        m_vfs.zName = "moxtel-faulty";
        m_vfs.szOsFile = static_cast<int>(sizeof(File)) + m_real->szOsFile;
        m_vfs.xOpen = &Open;
        m_vfs.xGetLastError = &LastError;
        m_vfs.pAppData = this;
        sqlite3_vfs_register(&m_vfs, 1);
    }
    ~FaultyVfs() {
        sqlite3_vfs_unregister(&m_vfs);
        sqlite3_vfs_register(m_real, 1);
    }
    FaultyVfs(const FaultyVfs&) = delete;
    FaultyVfs& operator=(const FaultyVfs&) = delete;

    // Fails write number n (counted from 1 after this call) and, unless once, every later one.
    // systemErrno is the operating system's error SQLite then reads for the failure (ENOSPC for
    // a full disk that SQLite meets as a write error), from the VFS and as the file's last
    // error; 0 leaves the real one.
    void FailFromWrite(int n, int code, bool once = false, int systemErrno = 0) {
        m_systemErrno = systemErrno;
        m_writes = 0;
        m_failFrom = n;
        m_code = code;
        m_once = once;
        m_failures = 0;
    }
    void Disarm() {
        m_failFrom = 0;
        m_failReads = false;
    }
    // Every read of any file fails with SQLITE_IOERR_READ from now until Disarm.
    void FailReads() { m_failReads = true; }
    // Counts writes without failing any.
    void Count() {
        m_writes = 0;
        m_failFrom = 0;
    }
    int Writes() const { return m_writes; }
    int Failures() const { return m_failures; }

  private:
    struct File {
        sqlite3_file base;
        FaultyVfs* owner;
        sqlite3_file* real;  // lies right behind this struct
    };

    static sqlite3_file* Real(sqlite3_file* f) { return reinterpret_cast<File*>(f)->real; }

    int OnWrite() {
        ++m_writes;
        const bool due = m_failFrom > 0 && (m_once ? m_writes == m_failFrom : m_writes >= m_failFrom);
        if (!due) return SQLITE_OK;
        ++m_failures;
        return m_code;
    }

    static int LastError(sqlite3_vfs* vfs, int n, char* text) {
        auto* self = static_cast<FaultyVfs*>(vfs->pAppData);
        if (self->m_failures > 0 && self->m_systemErrno != 0) return self->m_systemErrno;
        return self->m_real->xGetLastError(self->m_real, n, text);
    }

    static int Open(sqlite3_vfs* vfs, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags) {
        auto* self = static_cast<FaultyVfs*>(vfs->pAppData);
        auto* wrapped = reinterpret_cast<File*>(file);
        std::memset(wrapped, 0, sizeof(File));
        wrapped->owner = self;
        wrapped->real = reinterpret_cast<sqlite3_file*>(wrapped + 1);
        const int rc = self->m_real->xOpen(self->m_real, name, wrapped->real, flags, outFlags);
        if (wrapped->real->pMethods == nullptr) return rc;
        // The methods are the same for every file; built once, as other threads may use them already.
        std::call_once(self->m_built, [self, wrapped] { self->BuildMethods(*wrapped->real->pMethods); });
        file->pMethods = &self->m_methods;
        return rc;
    }

    void BuildMethods(const sqlite3_io_methods& real) {
        m_methods = real;
        FaultyVfs* self = this;
        self->m_methods.xClose = [](sqlite3_file* f) { return Real(f)->pMethods->xClose(Real(f)); };
        self->m_methods.xRead = [](sqlite3_file* f, void* buf, int n, sqlite3_int64 at) {
            if (reinterpret_cast<File*>(f)->owner->m_failReads) return SQLITE_IOERR_READ;
            return Real(f)->pMethods->xRead(Real(f), buf, n, at);
        };
        self->m_methods.xWrite = [](sqlite3_file* f, const void* buf, int n, sqlite3_int64 at) {
            const int fault = reinterpret_cast<File*>(f)->owner->OnWrite();
            return fault != SQLITE_OK ? fault : Real(f)->pMethods->xWrite(Real(f), buf, n, at);
        };
        self->m_methods.xTruncate = [](sqlite3_file* f, sqlite3_int64 size) {
            return Real(f)->pMethods->xTruncate(Real(f), size);
        };
        self->m_methods.xSync = [](sqlite3_file* f, int mode) { return Real(f)->pMethods->xSync(Real(f), mode); };
        self->m_methods.xFileSize = [](sqlite3_file* f, sqlite3_int64* size) {
            return Real(f)->pMethods->xFileSize(Real(f), size);
        };
        self->m_methods.xLock = [](sqlite3_file* f, int lock) { return Real(f)->pMethods->xLock(Real(f), lock); };
        self->m_methods.xUnlock = [](sqlite3_file* f, int lock) { return Real(f)->pMethods->xUnlock(Real(f), lock); };
        self->m_methods.xCheckReservedLock = [](sqlite3_file* f, int* out) {
            return Real(f)->pMethods->xCheckReservedLock(Real(f), out);
        };
        self->m_methods.xFileControl = [](sqlite3_file* f, int op, void* arg) {
            const FaultyVfs* owner = reinterpret_cast<File*>(f)->owner;
            if (op == SQLITE_FCNTL_LAST_ERRNO && owner->m_failures > 0 && owner->m_systemErrno != 0) {
                *static_cast<int*>(arg) = owner->m_systemErrno;
                return SQLITE_OK;
            }
            return Real(f)->pMethods->xFileControl(Real(f), op, arg);
        };
        self->m_methods.xSectorSize = [](sqlite3_file* f) { return Real(f)->pMethods->xSectorSize(Real(f)); };
        self->m_methods.xDeviceCharacteristics = [](sqlite3_file* f) {
            return Real(f)->pMethods->xDeviceCharacteristics(Real(f));
        };
        self->m_methods.xShmMap = [](sqlite3_file* f, int page, int size, int extend, void volatile** out) {
            return Real(f)->pMethods->xShmMap(Real(f), page, size, extend, out);
        };
        self->m_methods.xShmLock = [](sqlite3_file* f, int offset, int n, int lockFlags) {
            return Real(f)->pMethods->xShmLock(Real(f), offset, n, lockFlags);
        };
        self->m_methods.xShmBarrier = [](sqlite3_file* f) { Real(f)->pMethods->xShmBarrier(Real(f)); };
        self->m_methods.xShmUnmap = [](sqlite3_file* f, int del) { return Real(f)->pMethods->xShmUnmap(Real(f), del); };
        // Memory-mapped pages would bypass the write counting: none are handed out.
        self->m_methods.xFetch = [](sqlite3_file*, sqlite3_int64, int, void** out) {
            *out = nullptr;
            return SQLITE_OK;
        };
        self->m_methods.xUnfetch = [](sqlite3_file*, sqlite3_int64, void*) { return SQLITE_OK; };
    }

    sqlite3_vfs* m_real = nullptr;
    sqlite3_vfs m_vfs{};
    sqlite3_io_methods m_methods{};
    std::once_flag m_built;
    std::atomic<bool> m_failReads{false};
    int m_writes = 0;
    int m_failFrom = 0;
    int m_code = SQLITE_FULL;
    bool m_once = false;
    int m_failures = 0;
    int m_systemErrno = 0;
};

}  // namespace moxtel::test
