// seed_notes killed with SIGKILL at random moments: the database stays sound,
// keeps every earlier note byte for byte, and gains either a whole batch of
// demo notes or none; the next run succeeds.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include "binary_run.h"
#include "db_check.h"
#include "norvane/db/open.h"

namespace norvane {
namespace {

using Clock = std::chrono::steady_clock;

// Starts seed_notes with its output thrown away and returns its process id.
pid_t start(const testing::BinaryRun& env) {
  const testing::ProcessOptions options = env.options();
  const std::string binary = testing::seed_notes_binary();
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, STDIN_FILENO);
    ::dup2(null, STDOUT_FILENO);
    ::dup2(null, STDERR_FILENO);
    for (const auto& [name, value] : options.env) ::setenv(name.c_str(), value->c_str(), 1);
    if (::chdir(options.working_dir.c_str()) != 0) ::_exit(126);
    char* const argv[] = {const_cast<char*>(binary.c_str()), nullptr};
    ::execv(argv[0], argv);
    ::_exit(127);
  }
  return pid;
}

TEST(CrashDuringARun, KillingTheProcessNeverLeavesAPartialBatchOrLosesANote) {
  const testing::BinaryRun env;
  const auto first = env.run();
  ASSERT_EQ(first.exit_status, 0) << first.err;

  // Delays are spread over a little more than one whole run, measured here.
  const auto t0 = Clock::now();
  ASSERT_EQ(env.run().exit_status, 0);
  const auto run_time = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - t0);

  std::mt19937 rng(20240917);
  std::uniform_int_distribution<long> delay_us(0, run_time.count() * 13 / 10);
  constexpr int kTrials = 300;
  // Bounds the test's duration on a slow (sanitized) build; not a check.
  const auto budget = std::chrono::seconds(30);
  const auto started = Clock::now();

  int trials = 0;
  int committed = 0;
  int completed = 0;
  testing::NoteImages before = testing::note_images(testing::open_for_inspection(env.db_path()));
  for (; trials < kTrials && Clock::now() - started < budget; ++trials) {
    SCOPED_TRACE("trial " + std::to_string(trials));
    const pid_t pid = start(env);
    ASSERT_GT(pid, 0);
    std::this_thread::sleep_for(std::chrono::microseconds(delay_us(rng)));
    ::kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    if (WIFEXITED(status)) {
      ++completed;
      EXPECT_EQ(WEXITSTATUS(status), 0);
    }

    auto conn = open_database(env.db_path());
    ASSERT_TRUE(conn.has_value()) << conn.error().debug();
    ASSERT_EQ(testing::integrity_of(*conn), "ok");
    const testing::NoteImages now = testing::note_images(*conn);
    for (const auto& [id, image] : before) {
      const auto it = now.find(id);
      ASSERT_TRUE(it != now.end()) << "lost note " << id;
      ASSERT_EQ(it->second, image) << "changed note " << id;
    }
    const std::size_t added = now.size() - before.size();
    ASSERT_TRUE(added == 0 || added == 50) << added << " notes added";
    committed += added == 50 ? 1 : 0;
    before = now;
  }
  std::printf("[ crash trials ] %d trials: %d batches committed, %d runs finished first\n", trials,
              committed, completed);
  EXPECT_GE(trials, 30);

  const auto next = env.run();
  EXPECT_EQ(next.exit_status, 0) << next.err;
  auto conn = open_database(env.db_path());
  ASSERT_TRUE(conn.has_value());
  EXPECT_EQ(testing::note_images(*conn).size(), before.size() + 50);
}

}  // namespace
}  // namespace norvane
