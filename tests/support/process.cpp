#include "support/process.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace norvane::testing {

namespace {

void drain(int out_fd, int err_fd, std::string& out, std::string& err) {
  pollfd fds[2] = {{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}};
  int open_count = 2;
  char buf[4096];
  while (open_count > 0) {
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
      const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
      if (n > 0) {
        (i == 0 ? out : err).append(buf, static_cast<std::size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open_count;
      }
    }
  }
}

// Every file the child writes may grow to this size; its limited standard
// output starts `stdout_limit` bytes before it.
constexpr off_t kFileSizeLimit = off_t{64} << 20;

// Sets up descriptor 1 of the child.
void redirect_stdout(const ProcessOptions& options, int out_pipe, int limited_file) {
  switch (options.stdout_to) {
    case Stdout::Captured:
    case Stdout::ReaderGone:
      ::dup2(out_pipe, STDOUT_FILENO);
      break;
    case Stdout::DevFull: {
      const int full = ::open("/dev/full", O_WRONLY);
      if (full < 0) ::_exit(124);
      ::dup2(full, STDOUT_FILENO);
      break;
    }
    case Stdout::Closed:
      ::close(STDOUT_FILENO);
      break;
    case Stdout::Limited: {
      ::dup2(limited_file, STDOUT_FILENO);
      if (::lseek(STDOUT_FILENO, kFileSizeLimit - static_cast<off_t>(options.stdout_limit),
                  SEEK_SET) < 0) {
        ::_exit(124);
      }
      // Past the limit a write fails with EFBIG instead of raising SIGXFSZ.
      ::signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{static_cast<rlim_t>(kFileSizeLimit), static_cast<rlim_t>(kFileSizeLimit)};
      if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(124);
      break;
    }
  }
}

std::string limited_output(std::FILE* file, std::size_t limit) {
  std::string out(limit, '\0');
  const ssize_t n =
      ::pread(::fileno(file), out.data(), limit, kFileSizeLimit - static_cast<off_t>(limit));
  out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  // The part of the file that was never written reads as NUL bytes.
  out.resize(std::min(out.size(), out.find('\0')));
  return out;
}

}  // namespace

ProcessResult run_process(const std::vector<std::string>& argv, const ProcessOptions& options) {
  int out_pipe[2];
  int err_pipe[2];
  if (::pipe2(out_pipe, O_CLOEXEC) != 0 || ::pipe2(err_pipe, O_CLOEXEC) != 0) {
    throw std::runtime_error("pipe failed");
  }
  std::FILE* limited = options.stdout_to == Stdout::Limited ? std::tmpfile() : nullptr;
  if (options.stdout_to == Stdout::Limited && limited == nullptr) {
    throw std::runtime_error("tmpfile failed");
  }
  if (options.stdout_to == Stdout::ReaderGone) {
    ::close(out_pipe[0]);
    out_pipe[0] = -1;
  }
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    redirect_stdout(options, out_pipe[1], limited != nullptr ? ::fileno(limited) : -1);
    ::dup2(err_pipe[1], STDERR_FILENO);
    const int devnull = ::open("/dev/null", O_RDONLY);
    if (devnull >= 0) ::dup2(devnull, STDIN_FILENO);
    for (const auto& [name, value] : options.env) {
      if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
      } else {
        ::unsetenv(name.c_str());
      }
    }
    if (options.run_as_user) {
      const auto id = static_cast<uid_t>(*options.run_as_user);
      if (::setgroups(0, nullptr) != 0 || ::setgid(id) != 0 || ::setuid(id) != 0) ::_exit(125);
    }
    if (!options.working_dir.empty() && ::chdir(options.working_dir.c_str()) != 0) ::_exit(126);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  ::close(out_pipe[1]);
  ::close(err_pipe[1]);
  ProcessResult result;
  if (out_pipe[0] < 0) out_pipe[0] = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  drain(out_pipe[0], err_pipe[0], result.out, result.err);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (limited != nullptr) {
    result.out = limited_output(limited, options.stdout_limit);
    std::fclose(limited);
  }
  if (WIFEXITED(status)) result.exit_status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  return result;
}

}  // namespace norvane::testing
