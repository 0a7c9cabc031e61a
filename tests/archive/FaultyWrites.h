#pragma once
// While an object lives, every SQLite file of the process is opened through a
// file system layer that counts the writes (table files and their journals
// alike) and fails the n-th one as a full disk does. Everything else goes to
// the default layer unchanged.

#include <sqlite3.h>

#include <cstring>

class TFaultyWrites {
  public:
    TFaultyWrites() {
        base_ = sqlite3_vfs_find(nullptr);
        vfs_ = *base_;
        vfs_.zName = "brivano-faulty-writes";
        vfs_.szOsFile = static_cast<int>(sizeof(TFile)) + base_->szOsFile;
        vfs_.xOpen = &Open;
        vfs_.pNext = nullptr;
        writes_ = 0;
        failing_ = 0;
        sqlite3_vfs_register(&vfs_, 1);
    }
    ~TFaultyWrites() {
        sqlite3_vfs_unregister(&vfs_);
        sqlite3_vfs_register(base_, 1);
    }
    TFaultyWrites(const TFaultyWrites&) = delete;
    TFaultyWrites& operator=(const TFaultyWrites&) = delete;

    // 0: no write fails. Counting starts again from here.
    void FailWrite(int n) {
        writes_ = 0;
        failing_ = n;
    }
    int Writes() const { return writes_; }

  private:
    // The layer's file: the default layer's own file object follows it.
    struct TFile {
        sqlite3_file base;
        sqlite3_file* real;
    };

    static sqlite3_file* Real(sqlite3_file* file) { return reinterpret_cast<TFile*>(file)->real; }

    static int Open(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags) {
        auto* own = reinterpret_cast<TFile*>(file);
        own->real = reinterpret_cast<sqlite3_file*>(own + 1);
        own->base.pMethods = nullptr;
        const int rc = base_->xOpen(base_, name, own->real, flags, outFlags);
        if (own->real->pMethods == nullptr) return rc;
        methods_ = *own->real->pMethods;
        // Version 1 keeps SQLite off shared memory and memory maps, which this
        // layer does not pass on; the tables use a rollback journal anyway.
        methods_.iVersion = 1;
        methods_.xClose = [](sqlite3_file* f) {
            sqlite3_file* real = Real(f);
            const int result = real->pMethods->xClose(real);
            f->pMethods = nullptr;
            return result;
        };
        methods_.xRead = [](sqlite3_file* f, void* data, int amount, sqlite3_int64 offset) {
            return Real(f)->pMethods->xRead(Real(f), data, amount, offset);
        };
        methods_.xWrite = [](sqlite3_file* f, const void* data, int amount, sqlite3_int64 offset) {
            if (++writes_ == failing_) return SQLITE_FULL;
            return Real(f)->pMethods->xWrite(Real(f), data, amount, offset);
        };
        methods_.xTruncate = [](sqlite3_file* f, sqlite3_int64 size) {
            return Real(f)->pMethods->xTruncate(Real(f), size);
        };
        methods_.xSync = [](sqlite3_file* f, int syncFlags) {
            return Real(f)->pMethods->xSync(Real(f), syncFlags);
        };
        methods_.xFileSize = [](sqlite3_file* f, sqlite3_int64* size) {
            return Real(f)->pMethods->xFileSize(Real(f), size);
        };
        methods_.xLock = [](sqlite3_file* f, int lock) {
            return Real(f)->pMethods->xLock(Real(f), lock);
        };
        methods_.xUnlock = [](sqlite3_file* f, int lock) {
            return Real(f)->pMethods->xUnlock(Real(f), lock);
        };
        methods_.xCheckReservedLock = [](sqlite3_file* f, int* out) {
            return Real(f)->pMethods->xCheckReservedLock(Real(f), out);
        };
        methods_.xFileControl = [](sqlite3_file* f, int op, void* arg) {
            return Real(f)->pMethods->xFileControl(Real(f), op, arg);
        };
        methods_.xSectorSize = [](sqlite3_file* f) {
            return Real(f)->pMethods->xSectorSize(Real(f));
        };
        methods_.xDeviceCharacteristics = [](sqlite3_file* f) {
            return Real(f)->pMethods->xDeviceCharacteristics(Real(f));
        };
        own->base.pMethods = &methods_;
        return rc;
    }

    static inline sqlite3_vfs* base_ = nullptr;
    static inline sqlite3_vfs vfs_{};
    static inline sqlite3_io_methods methods_{};
    static inline int writes_ = 0;
    static inline int failing_ = 0;
};
