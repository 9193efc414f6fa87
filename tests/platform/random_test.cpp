// Random bytes: small draws come from a per-thread pool, which must never hand
// out the same bytes twice, not across refills, threads or a fork.
#include "platform/random.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace norvane::platform {
namespace {

using Draw = std::array<std::uint8_t, 16>;

Draw draw() {
  Draw d{};
  EXPECT_TRUE(fill_random(d));
  return d;
}

TEST(RandomPool, DrawsNeverRepeatAcrossManyRefills) {
  // 4000 draws of 16 bytes span many refills of the pool.
  std::set<Draw> seen;
  for (int i = 0; i < 4000; ++i) ASSERT_TRUE(seen.insert(draw()).second) << "draw " << i;

  // Draws of every small size, back to back, never give a run of bytes seen
  // before either.
  std::vector<std::uint8_t> stream;
  for (std::size_t size = 1; size <= 64; ++size) {
    std::vector<std::uint8_t> part(size);
    ASSERT_TRUE(fill_random(part));
    stream.insert(stream.end(), part.begin(), part.end());
  }
  std::set<std::vector<std::uint8_t>> windows;
  for (std::size_t at = 0; at + 12 <= stream.size(); at += 12) {
    EXPECT_TRUE(windows
                    .emplace(stream.begin() + static_cast<std::ptrdiff_t>(at),
                             stream.begin() + static_cast<std::ptrdiff_t>(at + 12))
                    .second);
  }
}

TEST(RandomPool, ThreadsNeverShareBytes) {
  constexpr int kThreads = 4;
  constexpr int kDraws = 1000;
  std::vector<std::vector<Draw>> per_thread(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kDraws; ++i) per_thread[static_cast<std::size_t>(t)].push_back(draw());
    });
  }
  for (auto& thread : threads) thread.join();
  std::set<Draw> all;
  for (const auto& draws : per_thread) all.insert(draws.begin(), draws.end());
  EXPECT_EQ(all.size(), static_cast<std::size_t>(kThreads * kDraws));
}

// The child inherits the parent's pool as it was at the fork; it must not
// hand out the bytes that the parent hands out next.
TEST(RandomPool, AForkedChildDoesNotRepeatTheParentsBytes) {
  (void)draw();  // the pool is filled and partly used
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::close(fds[0]);
    std::array<Draw, 8> child{};
    for (auto& d : child) {
      if (!fill_random(d)) ::_exit(2);
    }
    const bool written =
        ::write(fds[1], child.data(), sizeof child) == static_cast<ssize_t>(sizeof child);
    ::_exit(written ? 0 : 3);
  }
  ::close(fds[1]);
  std::array<Draw, 8> child{};
  std::size_t got = 0;
  while (got < sizeof child) {
    const ssize_t n =
        ::read(fds[0], reinterpret_cast<char*>(child.data()) + got, sizeof child - got);
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(fds[0]);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ASSERT_EQ(got, sizeof child);

  std::set<Draw> parent;
  for (int i = 0; i < 8; ++i) parent.insert(draw());
  for (const Draw& d : child) EXPECT_EQ(parent.count(d), 0u);
}

TEST(RandomPool, LargeAndEmptyRequestsAreFilledCompletely) {
  std::vector<std::uint8_t> none;
  EXPECT_TRUE(fill_random(none));

  // Far beyond the pool: every 4 KiB block must hold random bytes (a block
  // left unwritten would be all zero), and no block repeats another.
  std::vector<std::uint8_t> big(1 << 20, 0);
  ASSERT_TRUE(fill_random(big));
  std::set<std::vector<std::uint8_t>> blocks;
  for (std::size_t at = 0; at < big.size(); at += 4096) {
    const auto begin = big.begin() + static_cast<std::ptrdiff_t>(at);
    std::vector<std::uint8_t> block(begin, begin + 4096);
    EXPECT_FALSE(std::all_of(block.begin(), block.end(), [](std::uint8_t b) { return b == 0; }));
    EXPECT_TRUE(blocks.insert(std::move(block)).second);
  }
}

}  // namespace
}  // namespace norvane::platform
