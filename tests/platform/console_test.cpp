// The checked writes of standard output and standard error: the write loop
// against a stand-in for write(2) that answers as the system may, and the
// error kinds of every errno that the error model names.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "platform/posix/os_error.h"
#include "platform/posix/write_all.h"

namespace norvane::platform {
namespace {

// One answer of the stand-in: take up to `take` bytes, or fail with `error`.
struct Answer {
  std::size_t take = 0;
  int error = 0;
};

Answer fail(int error) {
  return Answer{0, error};
}

// The stand-in's script and what it saw. Past the script it takes all it is
// given, so that a loop that misreads an answer still ends.
struct Script {
  std::vector<Answer> answers;
  std::size_t calls = 0;
  std::string taken;
};
Script script;

ssize_t scripted_write(int, const void* data, std::size_t size) {
  const std::size_t call = script.calls++;
  Answer answer{size, 0};
  if (call < script.answers.size()) answer = script.answers[call];
  if (answer.error != 0) {
    errno = answer.error;
    return -1;
  }
  const std::size_t n = std::min(answer.take, size);
  script.taken.append(static_cast<const char*>(data), n);
  return static_cast<ssize_t>(n);
}

TEST(WriteAll, TakesTheWholeTextThroughShortWritesInterruptionsAndWaitsOrFails) {
  const std::string text = "Current DB Status: 40 active, 10 archived, 50 total notes\n";
  const std::string no_space =
      R"(Os { code: 28, kind: StorageFull, message: "No space left on device" })";
  const struct {
    const char* what;
    std::vector<Answer> answers;
    std::string error;  // the debug form; empty for success
    std::size_t taken;  // bytes of `text` that reached the stand-in
    std::size_t calls;
  } cases[] = {
      {"all at once", {}, "", text.size(), 1},
      {"short writes", {{3}, {1}, {20}}, "", text.size(), 4},
      {"interrupted before and between writes",
       {fail(EINTR), {7}, fail(EINTR)},
       "",
       text.size(),
       4},
      {"would block, then takes it", {fail(EAGAIN), {5}}, "", text.size(), 3},
      {"takes nothing after a part",
       {{2}, {0}},
       R"(Custom { kind: WriteZero, error: "failed to write whole buffer" })",
       2,
       2},
      {"device full after a part", {{5}, fail(ENOSPC)}, no_space, 5, 2},
      {"interrupted, then full", {fail(EINTR), fail(ENOSPC)}, no_space, 0, 2},
      {"reader gone",
       {fail(EPIPE)},
       R"(Os { code: 32, kind: BrokenPipe, message: "Broken pipe" })",
       0,
       1},
      {"closed descriptor",
       {fail(EBADF)},
       R"(Os { code: 9, kind: Uncategorized, message: "Bad file descriptor" })",
       0,
       1},
  };
  // Waiting for a blocked descriptor polls the real one: a pipe with room.
  int pipe_fds[2];
  ASSERT_EQ(::pipe(pipe_fds), 0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    script = Script{c.answers, 0, {}};
    const auto written = write_all(pipe_fds[1], text, scripted_write);
    EXPECT_EQ(written ? "" : written.error().debug(), c.error);
    EXPECT_EQ(script.taken, text.substr(0, c.taken));
    EXPECT_EQ(script.calls, c.calls);
  }
  ::close(pipe_fds[0]);
  ::close(pipe_fds[1]);
}

TEST(ErrnoKinds, EveryNamedCodeAndTheRest) {
  const struct {
    int code;
    const char* kind;
  } table[] = {
      {E2BIG, "ArgumentListTooLong"},
      {EADDRINUSE, "AddrInUse"},
      {EADDRNOTAVAIL, "AddrNotAvailable"},
      {EBUSY, "ResourceBusy"},
      {ECONNABORTED, "ConnectionAborted"},
      {ECONNREFUSED, "ConnectionRefused"},
      {ECONNRESET, "ConnectionReset"},
      {EDEADLK, "Deadlock"},
      {EDQUOT, "FilesystemQuotaExceeded"},
      {EEXIST, "AlreadyExists"},
      {EFBIG, "FileTooLarge"},
      {EHOSTUNREACH, "HostUnreachable"},
      {EINTR, "Interrupted"},
      {EINVAL, "InvalidInput"},
      {EISDIR, "IsADirectory"},
      {ELOOP, "FilesystemLoop"},
      {ENOENT, "NotFound"},
      {ENOMEM, "OutOfMemory"},
      {ENOSPC, "StorageFull"},
      {ENOSYS, "Unsupported"},
      {EMLINK, "TooManyLinks"},
      {ENAMETOOLONG, "InvalidFilename"},
      {ENETDOWN, "NetworkDown"},
      {ENETUNREACH, "NetworkUnreachable"},
      {ENOTCONN, "NotConnected"},
      {ENOTDIR, "NotADirectory"},
      {ENOTEMPTY, "DirectoryNotEmpty"},
      {EPIPE, "BrokenPipe"},
      {EROFS, "ReadOnlyFilesystem"},
      {ESPIPE, "NotSeekable"},
      {ESTALE, "StaleNetworkFileHandle"},
      {ETIMEDOUT, "TimedOut"},
      {ETXTBSY, "ExecutableFileBusy"},
      {EXDEV, "CrossesDevices"},
      {EINPROGRESS, "InProgress"},
      {EACCES, "PermissionDenied"},
      {EPERM, "PermissionDenied"},
      {EAGAIN, "WouldBlock"},
      {EWOULDBLOCK, "WouldBlock"},
      // Codes without a kind of their own.
      {EBADF, "Uncategorized"},
      {EIO, "Uncategorized"},
      {ENXIO, "Uncategorized"},
      {0, "Uncategorized"},
      {-1, "Uncategorized"},
      {4242, "Uncategorized"},
  };
  for (const auto& row : table) {
    EXPECT_STREQ(kind_of(row.code), row.kind) << row.code;
    const IoError error = os_error(row.code);
    EXPECT_TRUE(error.is_os());
    EXPECT_EQ(error.code(), row.code);
    EXPECT_EQ(error.kind(), row.kind) << row.code;
    EXPECT_EQ(error.text(), ::strerror(row.code)) << row.code;
  }
  EXPECT_EQ(os_error(EFBIG).message(), "File too large (os error 27)");
  EXPECT_EQ(os_error(4242).text(), "Unknown error 4242");
}

}  // namespace
}  // namespace norvane::platform
