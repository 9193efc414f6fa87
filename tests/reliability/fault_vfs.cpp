#include "fault_vfs.h"

#include <sqlite3.h>

#include <cstring>
#include <stdexcept>

namespace norvane::testing {

namespace {

struct State {
  sqlite3_vfs* base = nullptr;
  bool armed = false;
  FaultPlan plan;
  int calls = 0;
  int injected = 0;
};

State g_state;
sqlite3_vfs g_vfs;
bool g_in_use = false;

// Our file: the header SQLite sees, followed by the base VFS's own file.
struct FaultFile {
  sqlite3_file base;
  sqlite3_file* real;
};

sqlite3_file* real_of(sqlite3_file* f) {
  return reinterpret_cast<FaultFile*>(f)->real;
}

// True when this call of `kind` is to fail.
bool should_fail(FaultKind kind) {
  if (!g_state.armed) return false;
  const bool counts = g_state.plan.kind == kind ||
                      (kind == FaultKind::Write && g_state.plan.kind == FaultKind::Full);
  if (!counts) return false;
  const int n = ++g_state.calls;
  const bool fail = n == g_state.plan.nth || (g_state.plan.persistent && n > g_state.plan.nth);
  if (fail) ++g_state.injected;
  return fail;
}

int write_error(int io_code) {
  return g_state.plan.kind == FaultKind::Full ? SQLITE_FULL : io_code;
}

int x_close(sqlite3_file* f) {
  sqlite3_file* real = real_of(f);
  const int rc = real->pMethods != nullptr ? real->pMethods->xClose(real) : SQLITE_OK;
  f->pMethods = nullptr;
  return rc;
}

int x_read(sqlite3_file* f, void* buf, int amount, sqlite3_int64 offset) {
  if (should_fail(FaultKind::Read)) return SQLITE_IOERR_READ;
  sqlite3_file* real = real_of(f);
  return real->pMethods->xRead(real, buf, amount, offset);
}

int x_write(sqlite3_file* f, const void* buf, int amount, sqlite3_int64 offset) {
  if (should_fail(FaultKind::Write)) return write_error(SQLITE_IOERR_WRITE);
  sqlite3_file* real = real_of(f);
  return real->pMethods->xWrite(real, buf, amount, offset);
}

int x_truncate(sqlite3_file* f, sqlite3_int64 size) {
  if (should_fail(FaultKind::Write)) return write_error(SQLITE_IOERR_TRUNCATE);
  sqlite3_file* real = real_of(f);
  return real->pMethods->xTruncate(real, size);
}

int x_sync(sqlite3_file* f, int flags) {
  if (should_fail(FaultKind::Sync)) return SQLITE_IOERR_FSYNC;
  sqlite3_file* real = real_of(f);
  return real->pMethods->xSync(real, flags);
}

int x_file_size(sqlite3_file* f, sqlite3_int64* size) {
  sqlite3_file* real = real_of(f);
  return real->pMethods->xFileSize(real, size);
}

int x_lock(sqlite3_file* f, int level) {
  if (should_fail(FaultKind::Lock)) return SQLITE_IOERR_LOCK;
  sqlite3_file* real = real_of(f);
  return real->pMethods->xLock(real, level);
}

int x_unlock(sqlite3_file* f, int level) {
  sqlite3_file* real = real_of(f);
  return real->pMethods->xUnlock(real, level);
}

int x_check_reserved_lock(sqlite3_file* f, int* out) {
  sqlite3_file* real = real_of(f);
  return real->pMethods->xCheckReservedLock(real, out);
}

int x_file_control(sqlite3_file* f, int op, void* arg) {
  sqlite3_file* real = real_of(f);
  return real->pMethods->xFileControl(real, op, arg);
}

int x_sector_size(sqlite3_file* f) {
  sqlite3_file* real = real_of(f);
  return real->pMethods->xSectorSize(real);
}

int x_device_characteristics(sqlite3_file* f) {
  sqlite3_file* real = real_of(f);
  return real->pMethods->xDeviceCharacteristics(real);
}

int x_shm_map(sqlite3_file* f, int region, int size, int extend, void volatile** out) {
  sqlite3_file* real = real_of(f);
  return real->pMethods->xShmMap(real, region, size, extend, out);
}

int x_shm_lock(sqlite3_file* f, int offset, int n, int flags) {
  // Only taking a lock fails; releasing one always works, as it does on a
  // real system.
  if ((flags & SQLITE_SHM_LOCK) != 0 && should_fail(FaultKind::Lock)) return SQLITE_IOERR_SHMLOCK;
  sqlite3_file* real = real_of(f);
  return real->pMethods->xShmLock(real, offset, n, flags);
}

void x_shm_barrier(sqlite3_file* f) {
  sqlite3_file* real = real_of(f);
  real->pMethods->xShmBarrier(real);
}

int x_shm_unmap(sqlite3_file* f, int delete_flag) {
  sqlite3_file* real = real_of(f);
  return real->pMethods->xShmUnmap(real, delete_flag);
}

int x_fetch(sqlite3_file* f, sqlite3_int64 offset, int amount, void** out) {
  sqlite3_file* real = real_of(f);
  return real->pMethods->xFetch(real, offset, amount, out);
}

int x_unfetch(sqlite3_file* f, sqlite3_int64 offset, void* p) {
  sqlite3_file* real = real_of(f);
  return real->pMethods->xUnfetch(real, offset, p);
}

const sqlite3_io_methods kMethodsV1 = {1,
                                       x_close,
                                       x_read,
                                       x_write,
                                       x_truncate,
                                       x_sync,
                                       x_file_size,
                                       x_lock,
                                       x_unlock,
                                       x_check_reserved_lock,
                                       x_file_control,
                                       x_sector_size,
                                       x_device_characteristics,
                                       nullptr,
                                       nullptr,
                                       nullptr,
                                       nullptr,
                                       nullptr,
                                       nullptr};

const sqlite3_io_methods kMethodsV3 = {3,
                                       x_close,
                                       x_read,
                                       x_write,
                                       x_truncate,
                                       x_sync,
                                       x_file_size,
                                       x_lock,
                                       x_unlock,
                                       x_check_reserved_lock,
                                       x_file_control,
                                       x_sector_size,
                                       x_device_characteristics,
                                       x_shm_map,
                                       x_shm_lock,
                                       x_shm_barrier,
                                       x_shm_unmap,
                                       x_fetch,
                                       x_unfetch};

int x_open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* out_flags) {
  auto* file = reinterpret_cast<FaultFile*>(f);
  file->base.pMethods = nullptr;
  file->real = reinterpret_cast<sqlite3_file*>(file + 1);
  sqlite3_vfs* base = g_state.base;
  const int rc = base->xOpen(base, name, file->real, flags, out_flags);
  if (rc != SQLITE_OK) {
    if (file->real->pMethods != nullptr) file->real->pMethods->xClose(file->real);
    return rc;
  }
  file->base.pMethods = file->real->pMethods->iVersion >= 3 ? &kMethodsV3 : &kMethodsV1;
  return SQLITE_OK;
}

int x_delete(sqlite3_vfs*, const char* name, int sync_dir) {
  return g_state.base->xDelete(g_state.base, name, sync_dir);
}
int x_access(sqlite3_vfs*, const char* name, int flags, int* out) {
  return g_state.base->xAccess(g_state.base, name, flags, out);
}
int x_full_pathname(sqlite3_vfs*, const char* name, int n, char* out) {
  return g_state.base->xFullPathname(g_state.base, name, n, out);
}
void* x_dl_open(sqlite3_vfs*, const char* name) {
  return g_state.base->xDlOpen(g_state.base, name);
}
void x_dl_error(sqlite3_vfs*, int n, char* out) {
  g_state.base->xDlError(g_state.base, n, out);
}
void (*x_dl_sym(sqlite3_vfs*, void* handle, const char* symbol))(void) {
  return g_state.base->xDlSym(g_state.base, handle, symbol);
}
void x_dl_close(sqlite3_vfs*, void* handle) {
  g_state.base->xDlClose(g_state.base, handle);
}
int x_randomness(sqlite3_vfs*, int n, char* out) {
  return g_state.base->xRandomness(g_state.base, n, out);
}
int x_sleep(sqlite3_vfs*, int microseconds) {
  return g_state.base->xSleep(g_state.base, microseconds);
}
int x_current_time(sqlite3_vfs*, double* out) {
  return g_state.base->xCurrentTime(g_state.base, out);
}
int x_get_last_error(sqlite3_vfs*, int n, char* out) {
  return g_state.base->xGetLastError != nullptr ? g_state.base->xGetLastError(g_state.base, n, out)
                                                : 0;
}
int x_current_time_int64(sqlite3_vfs*, sqlite3_int64* out) {
  return g_state.base->xCurrentTimeInt64(g_state.base, out);
}

}  // namespace

std::string_view name_of(FaultKind kind) noexcept {
  switch (kind) {
    case FaultKind::Read:
      return "read";
    case FaultKind::Write:
      return "write";
    case FaultKind::Full:
      return "disk full";
    case FaultKind::Sync:
      return "sync";
    case FaultKind::Lock:
      return "lock";
  }
  return "?";
}

FaultVfs::FaultVfs() {
  if (g_in_use) throw std::logic_error("one FaultVfs at a time");
  if (::sqlite3_initialize() != SQLITE_OK) throw std::runtime_error("sqlite3_initialize failed");
  previous_default_ = ::sqlite3_vfs_find(nullptr);
  if (previous_default_ == nullptr) throw std::runtime_error("no default VFS");
  g_state = State{};
  g_state.base = previous_default_;

  std::memset(&g_vfs, 0, sizeof g_vfs);
  g_vfs.iVersion = 2;
  g_vfs.szOsFile = static_cast<int>(sizeof(FaultFile)) + previous_default_->szOsFile;
  g_vfs.mxPathname = previous_default_->mxPathname;
  g_vfs.zName = "norvane-fault";
  g_vfs.xOpen = x_open;
  g_vfs.xDelete = x_delete;
  g_vfs.xAccess = x_access;
  g_vfs.xFullPathname = x_full_pathname;
  g_vfs.xDlOpen = x_dl_open;
  g_vfs.xDlError = x_dl_error;
  g_vfs.xDlSym = x_dl_sym;
  g_vfs.xDlClose = x_dl_close;
  g_vfs.xRandomness = x_randomness;
  g_vfs.xSleep = x_sleep;
  g_vfs.xCurrentTime = x_current_time;
  g_vfs.xGetLastError = x_get_last_error;
  g_vfs.xCurrentTimeInt64 = x_current_time_int64;
  if (::sqlite3_vfs_register(&g_vfs, 1) != SQLITE_OK) throw std::runtime_error("register failed");
  g_in_use = true;
}

FaultVfs::~FaultVfs() {
  g_state.armed = false;
  ::sqlite3_vfs_unregister(&g_vfs);
  ::sqlite3_vfs_register(previous_default_, 1);
  g_in_use = false;
}

void FaultVfs::arm(const FaultPlan& plan) noexcept {
  g_state.plan = plan;
  g_state.calls = 0;
  g_state.injected = 0;
  g_state.armed = true;
}

void FaultVfs::disarm() noexcept {
  g_state.armed = false;
}

int FaultVfs::injected() const noexcept {
  return g_state.injected;
}

int FaultVfs::calls() const noexcept {
  return g_state.calls;
}

}  // namespace norvane::testing
