// A VFS for the tests that fails chosen I/O calls of SQLite.
//
// It wraps the default VFS and, while it is armed, fails the Nth call of one
// kind (counting from the moment it was armed), either that call only or
// that call and every later one of the same kind. The tests use it in the
// manner of SQLite's own fault simulation: arm at N = 1, 2, ..., run an
// operation, check the database, and stop when a run injects nothing.
#pragma once

#include <string_view>

struct sqlite3_vfs;

namespace norvane::testing {

enum class FaultKind {
  Read,   // xRead fails with SQLITE_IOERR_READ
  Write,  // xWrite and xTruncate fail with SQLITE_IOERR_WRITE / _TRUNCATE
  Full,   // xWrite and xTruncate fail with SQLITE_FULL
  Sync,   // xSync fails with SQLITE_IOERR_FSYNC
  Lock,   // taking a file lock or a shared-memory lock fails with an I/O error
};

[[nodiscard]] std::string_view name_of(FaultKind kind) noexcept;

struct FaultPlan {
  FaultKind kind = FaultKind::Read;
  int nth = 1;              // 1-based
  bool persistent = false;  // also fail every later call of the kind
};

// Registers itself as SQLite's default VFS for its lifetime and puts the
// previous default back afterwards. One at a time.
class FaultVfs {
 public:
  FaultVfs();
  ~FaultVfs();
  FaultVfs(const FaultVfs&) = delete;
  FaultVfs& operator=(const FaultVfs&) = delete;

  void arm(const FaultPlan& plan) noexcept;
  void disarm() noexcept;
  // Faults injected since the last arm().
  [[nodiscard]] int injected() const noexcept;
  // Calls of the armed kind seen since the last arm().
  [[nodiscard]] int calls() const noexcept;

 private:
  sqlite3_vfs* previous_default_ = nullptr;
};

}  // namespace norvane::testing
