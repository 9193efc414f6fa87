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

#include "support/os_faults.h"

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

// What the kernel's generator does wrong never shows in the bytes handed out:
// a failure or a return of nothing fails the request, an interruption or a
// short return is followed by more calls until the request is filled. Each
// request is made in a thread of its own, whose pool starts empty, both for a
// size that the pool serves and for one that goes to the kernel directly.
TEST(RandomPool, TheKernelGeneratorFailingOrReturningShortNeverShows) {
  using testing::Call;
  using testing::Effect;
  using testing::Fault;
  struct Case {
    const char* what;
    Fault fault;
    bool filled;
  };
  const Case cases[] = {
      {"fails", {Call::Getrandom, Effect::Fail, ENOSYS}, false},
      // Never retried for ever: after a hundred such returns the real calls pass.
      {"returns nothing", {Call::Getrandom, Effect::Zero, 0, nullptr, 0, 100}, false},
      {"is interrupted once", {Call::Getrandom, Effect::Fail, EINTR, nullptr, 0, 1}, true},
      {"returns seven bytes at a time",
       {Call::Getrandom, Effect::Short, 0, nullptr, 0, -1, 7},
       true},
  };
  for (const Case& c : cases) {
    for (const std::size_t size : {std::size_t{16}, std::size_t{200}}) {
      SCOPED_TRACE(std::string(c.what) + ", " + std::to_string(size) + " bytes");
      std::vector<std::uint8_t> out(size, 0);
      bool filled = false;
      int hits = 0;
      std::thread([&] {
        const testing::ScopedFault fault(c.fault);
        filled = fill_random(out);
        hits = fault.hits();
      }).join();
      EXPECT_EQ(filled, c.filled);
      EXPECT_GE(hits, 1);
      if (c.fault.effect == Effect::Short) {
        EXPECT_TRUE(std::all_of(out.begin(), out.end(),
                                [](std::uint8_t b) { return b == testing::kFakeRandomByte; }));
      }
    }
  }
}

// Where the pool's mapping cannot be made, or not wiped in a forked child
// (MADV_WIPEONFORK is newer than some kernels), the pool is not used: every
// request goes to the kernel.
TEST(RandomPool, WithoutAPrivateMappingEveryRequestGoesToTheKernel) {
  using testing::Call;
  using testing::Effect;
  const testing::Fault faults[] = {{Call::Mmap, Effect::Fail, ENOMEM},
                                   {Call::Madvise, Effect::Fail, EINVAL}};
  for (const testing::Fault& f : faults) {
    SCOPED_TRACE(f.call == Call::Mmap ? "no mapping" : "no wiping on fork");
    int kernel_calls = 0;
    Draw first{}, second{};
    std::thread([&] {
      const testing::ScopedFault fault(f);
      const testing::ScopedFault counted({Call::Getrandom, Effect::Count});
      first = draw();
      second = draw();
      EXPECT_EQ(fault.hits(), 1);
      kernel_calls = counted.calls();
    }).join();
    EXPECT_EQ(kernel_calls, 2);
    EXPECT_NE(first, second);
  }
  // With the pool, two small draws take one call.
  int kernel_calls = 0;
  std::thread([&] {
    const testing::ScopedFault counted({Call::Getrandom, Effect::Count});
    (void)draw();
    (void)draw();
    kernel_calls = counted.calls();
  }).join();
  EXPECT_EQ(kernel_calls, 1);
}

}  // namespace
}  // namespace norvane::platform
