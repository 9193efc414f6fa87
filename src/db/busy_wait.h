// How a connection of the note store waits for another connection's locks:
// one busy handler of our own for every statement, and the same wait around
// the statements of the schema batch that the engine refuses without calling
// a busy handler.
//
// SQLite's own handler (sqlite3_busy_timeout) sleeps 1, 2, 5, ... ms and,
// from about 330 ms on, 100 ms between tries, so beside an application that
// takes the write lock again a few milliseconds after letting it go, it
// mostly misses the gaps and waits through many of the other's
// transactions. Ours looks again every millisecond, every second millisecond
// once a wait has lasted a second, within the same bound: kBusyTimeoutMs
// from the statement's first busy answer, after which the engine's busy
// error is returned as before.
#pragma once

#include <cstdint>
#include <expected>
#include <string_view>

#include "norvane/db/connection.h"
#include "norvane/db/statement.h"
#include "norvane/error/app_error.h"
#include "norvane/error/db_error.h"

namespace norvane {

// What a wait reads the time from and pauses on: the system's monotonic clock
// and a sleep of the thread, except in the tests.
class WaitClock {
 public:
  [[nodiscard]] virtual std::uint64_t now_ns() noexcept = 0;
  virtual void pause_ms(std::uint32_t milliseconds) noexcept = 0;

 protected:
  WaitClock() = default;
  WaitClock(const WaitClock&) = default;
  WaitClock& operator=(const WaitClock&) = default;
  ~WaitClock() = default;
};

[[nodiscard]] WaitClock& system_wait_clock() noexcept;

// One statement's wait for a lock.
class BusyWait {
 public:
  explicit BusyWait(WaitClock& clock) noexcept : clock_(&clock) {}

  [[nodiscard]] const WaitClock* clock() const noexcept { return clock_; }

  // For each busy answer to the statement; the first call starts the wait.
  // Returns false once kBusyTimeoutMs have passed since then; otherwise
  // pauses (never past the bound) and returns true: try again.
  [[nodiscard]] bool pause_before_retry() noexcept;

 private:
  WaitClock* clock_;
  std::uint64_t first_busy_ns_ = 0;
  bool started_ = false;
};

// Makes every statement on `conn` wait with BusyWait on `clock`, in place of
// any busy handler or busy timeout set before.
[[nodiscard]] std::expected<void, DbError> wait_when_busy(const Connection& conn, WaitClock& clock);

// Runs each statement of `sql` as Connection::execute_batch does. A statement
// that the engine answers "busy" without waiting (switching to WAL while
// another connection holds the write lock of a file that is not yet in WAL
// mode, or writing on a snapshot that another connection has moved past) is
// reset, which gives up its read lock, and stepped again after a pause, in
// one BusyWait with the busy handler's waits for that statement: it waits
// kBusyTimeoutMs in all. Outside autocommit mode a busy answer ends the batch
// at once, as the engine's does. Needs wait_when_busy on `conn` with `clock`.
[[nodiscard]] std::expected<void, DbError> execute_batch_waiting(const Connection& conn,
                                                                 std::string_view sql,
                                                                 WaitClock& clock);

// open_database, waiting on `clock`.
[[nodiscard]] std::expected<Connection, AppError> open_database(std::string_view path,
                                                                WaitClock& clock);

}  // namespace norvane
