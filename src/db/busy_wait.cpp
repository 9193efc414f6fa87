#include "db/busy_wait.h"

#include <sqlite3.h>

#include <algorithm>
#include <optional>
#include <utility>

#include "db/open_settings.h"
#include "db/statement_batch.h"
#include "platform/clock.h"

namespace norvane {

namespace {

constexpr std::uint64_t kNsPerMs = 1'000'000;
constexpr std::uint64_t kBoundNs = static_cast<std::uint64_t>(kBusyTimeoutMs) * kNsPerMs;
// Pauses of 1 ms for the first second of a wait, of 2 ms after that: a lock
// held that long belongs to a long transaction, and the tries cost half as
// much.
constexpr std::uint64_t kShortPausesNs = 1000 * kNsPerMs;

class SystemWaitClock final : public WaitClock {
 public:
  std::uint64_t now_ns() noexcept override { return platform::monotonic_nanoseconds(); }
  void pause_ms(std::uint32_t milliseconds) noexcept override {
    platform::sleep_milliseconds(milliseconds);
  }
};

// The engine calls the busy handler only from inside a call into it (a step
// or a prepare), on the calling thread, and counts the calls of one such wait
// from zero; no other connection's wait can run on that thread before it
// ends. So the wait in progress is kept per thread.
thread_local std::optional<BusyWait> t_wait;
// While execute_batch_waiting steps a statement again, its wait, which the
// busy handler continues instead of starting a new one at each step.
thread_local BusyWait* t_batch_wait = nullptr;

int on_busy(void* clock, int count) noexcept {
  BusyWait* wait = t_batch_wait;
  if (wait == nullptr) {
    // The engine counts from 0 at each step. A prepare (which needs a lock
    // only to read the schema) goes on from the count that the connection's
    // last step left, and so continues the wait kept here: it may give up
    // sooner than the bound after its own first busy answer, never later, as
    // SQLite's own handler, which reckons the time from the count, does too.
    // A wait kept for another clock is another connection's.
    if (count == 0 || !t_wait || t_wait->clock() != clock) {
      t_wait.emplace(*static_cast<WaitClock*>(clock));
    }
    wait = &*t_wait;
  }
  return wait->pause_before_retry() ? 1 : 0;
}

bool is_busy(const DbError& error) {
  const auto* failure = error.get_if<db_error::SqliteFailure>();
  return failure != nullptr && (failure->extended_code & 0xff) == SQLITE_BUSY;
}

class BatchWaitScope {
 public:
  explicit BatchWaitScope(BusyWait& wait) noexcept : outer_(std::exchange(t_batch_wait, &wait)) {}
  BatchWaitScope(const BatchWaitScope&) = delete;
  BatchWaitScope& operator=(const BatchWaitScope&) = delete;
  ~BatchWaitScope() { t_batch_wait = outer_; }

 private:
  BusyWait* outer_;
};

std::expected<void, DbError> run_waiting(const Connection& conn, Statement& stmt,
                                         WaitClock& clock) {
  BusyWait wait(clock);
  const BatchWaitScope scope(wait);
  for (;;) {
    auto ran = stmt.run();
    if (ran || !is_busy(ran.error()) || !conn.is_autocommit()) return ran;
    (void)::sqlite3_reset(stmt.handle());  // repeats the busy answer
    if (!wait.pause_before_retry()) return ran;
  }
}

}  // namespace

WaitClock& system_wait_clock() noexcept {
  static SystemWaitClock clock;
  return clock;
}

bool BusyWait::pause_before_retry() noexcept {
  const std::uint64_t now = clock_->now_ns();
  if (!started_) {
    first_busy_ns_ = now;
    started_ = true;
  }
  const std::uint64_t waited = now - first_busy_ns_;
  if (waited >= kBoundNs) return false;
  const std::uint64_t pause_ms = waited < kShortPausesNs ? 1 : 2;
  const std::uint64_t left_ms = (kBoundNs - waited + kNsPerMs - 1) / kNsPerMs;
  clock_->pause_ms(static_cast<std::uint32_t>(std::min(pause_ms, left_ms)));
  return true;
}

std::expected<void, DbError> wait_when_busy(const Connection& conn, WaitClock& clock) {
  const int rc = ::sqlite3_busy_handler(conn.handle(), &on_busy, &clock);
  if (rc != SQLITE_OK) return std::unexpected(conn.error(rc));
  return {};
}

std::expected<void, DbError> execute_batch_waiting(const Connection& conn, std::string_view sql,
                                                   WaitClock& clock) {
  return for_each_statement(conn, sql,
                            [&](Statement& stmt) { return run_waiting(conn, stmt, clock); });
}

}  // namespace norvane
