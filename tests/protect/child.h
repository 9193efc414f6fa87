// Running a piece of a test in a forked child process, for cases that need a
// process of their own (another user, another home, two processes at once).
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <string>

namespace norvane::testing {

struct ChildOutcome {
  bool exited = false;
  std::string failure;  // empty when the child's check passed
};

// Forks; the child runs `body` and reports the text it returns (empty for
// success) back through a pipe, then exits without running any destructor.
[[nodiscard]] inline ChildOutcome run_child(const std::function<std::string()>& body) {
  int fds[2];
  if (::pipe(fds) != 0) return {false, "pipe failed"};
  const pid_t pid = ::fork();
  if (pid < 0) return {false, "fork failed"};
  if (pid == 0) {
    ::close(fds[0]);
    const std::string failure = body();
    std::size_t done = 0;
    while (done < failure.size()) {
      const ssize_t n = ::write(fds[1], failure.data() + done, failure.size() - done);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    ::_exit(failure.empty() ? 0 : 1);
  }
  ::close(fds[1]);
  ChildOutcome outcome;
  char buffer[512];
  for (;;) {
    const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    outcome.failure.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fds[0]);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  outcome.exited = WIFEXITED(status);
  if (!outcome.exited) {
    outcome.failure += "child did not exit normally";
  } else if (WEXITSTATUS(status) != 0 && outcome.failure.empty()) {
    outcome.failure = "child exited with status " + std::to_string(WEXITSTATUS(status));
  }
  return outcome;
}

}  // namespace norvane::testing
