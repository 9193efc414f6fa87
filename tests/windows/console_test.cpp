// Console and file writes on Windows: the write loops against stand-ins that
// answer as the system may, the error kinds of every Win32 code that the
// error model names, and real standard handles that take the text or fail.
#include "platform/console.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "error/debug_text.h"
#include "platform/windows/os_error.h"
#include "platform/windows/wide.h"
#include "platform/windows/win32.h"
#include "platform/windows/write_all.h"
#include "screen_buffer.h"
#include "wine.h"

namespace norvane::platform {
namespace {

// The debug form of the I/O error for `code`, its message as the system
// words it in the user's language.
std::string os_debug(DWORD code, const char* kind) {
  return "Os { code: " + std::to_string(code) + ", kind: " + kind +
         ", message: " + debug_quoted(testing::plain_system_message(code)) + " }";
}

// One answer of a stand-in write call: take up to `take` units, or fail with
// `error` as the thread's last error.
struct Answer {
  DWORD take = 0;
  DWORD error = 0;
};

Answer fail(DWORD error) {
  return Answer{0, error};
}

// The stand-ins' script and what they saw. Past the script they take all
// they are given, so that a loop that misreads an answer still ends.
struct Script {
  std::vector<Answer> answers;
  std::vector<std::wstring> offered;  // each console write, as offered
  std::wstring console;               // what the console took
  std::string file;                   // what the file took
};
Script script;

template <typename Unit>
BOOL answer(const Unit* units, DWORD count, DWORD* written, std::basic_string<Unit>& taken) {
  const std::size_t call = script.offered.size() - 1;
  Answer a{count, 0};
  if (call < script.answers.size()) a = script.answers[call];
  if (a.error != 0) {
    SetLastError(a.error);
    return FALSE;
  }
  *written = std::min(a.take, count);
  taken.append(units, *written);
  return TRUE;
}

BOOL scripted_console(HANDLE, const wchar_t* units, DWORD count, DWORD* written) {
  script.offered.emplace_back(units, count);
  return answer(units, count, written, script.console);
}

BOOL scripted_file(HANDLE, const char* bytes, DWORD count, DWORD* written) {
  script.offered.emplace_back(count, L'.');
  return answer(bytes, count, written, script.file);
}

TEST(WindowsWriteAll, ConsoleAndFileTakeTheWholeTextThroughShortWritesOrFail) {
  const std::string text =
      "Database: C:\\Users\\J\xC3\xBCrgen\\AppData\\Local\\Norvane\\norvane.db\n";
  const std::wstring wide = to_wide(text);
  const struct {
    const char* what;
    std::vector<Answer> answers;
    std::string error;  // the debug form; empty for success
    DWORD taken;        // units of the text that reached the stand-in
    std::size_t calls;
  } cases[] = {
      {"all at once", {}, "", 0xFFFF, 1},
      {"short writes", {{3}, {1}, {20}}, "", 0xFFFF, 4},
      {"takes nothing after a part",
       {{2}, {0}},
       R"(Custom { kind: WriteZero, error: "failed to write whole buffer" })",
       2,
       2},
      {"reader gone after a part", {{5}, fail(ERROR_NO_DATA)}, os_debug(232, "BrokenPipe"), 5, 2},
      {"disk full", {fail(ERROR_DISK_FULL)}, os_debug(112, "StorageFull"), 0, 1},
  };
  for (const bool console : {true, false}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.what) + (console ? " (console)" : " (file)"));
      script = Script{c.answers, {}, {}, {}};
      const auto written = console ? write_console(nullptr, text, scripted_console)
                                   : write_file(nullptr, text, scripted_file);
      EXPECT_EQ(written ? "" : written.error().debug(), c.error);
      if (console) {
        EXPECT_EQ(script.console, wide.substr(0, c.taken));
      } else {
        EXPECT_EQ(script.file, text.substr(0, c.taken));
      }
      EXPECT_EQ(script.offered.size(), c.calls);
    }
  }
}

// A console that takes one piece at a time must see whole characters, even
// where the piece size falls between the two halves of a surrogate pair, and
// a pair that ends exactly where a piece ends stays in that piece.
TEST(WindowsWriteAll, LongTextsGoToTheConsoleInPiecesThatKeepEachCharacterWhole) {
  const std::string party = "\xF0\x9F\x8E\x89";  // U+1F389, two UTF-16 units
  const struct {
    const char* what;
    std::string text;
    std::vector<std::size_t> sizes;  // the console's pieces, in UTF-16 units
    std::size_t file_pieces;
  } cases[] = {
      {"a pair across a piece's end",
       std::string(kWritePiece - 1, 'a') + party + std::string(kWritePiece, 'b') + party + "\n",
       {kWritePiece - 1, kWritePiece, 5},
       3},
      {"pairs that end where pieces end",
       std::string(kWritePiece - 2, 'a') + party + std::string(kWritePiece - 2, 'b') + party,
       {kWritePiece, kWritePiece},
       3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    script = Script{};
    ASSERT_TRUE(write_console(nullptr, c.text, scripted_console));
    EXPECT_EQ(script.console, to_wide(c.text));
    std::vector<std::size_t> sizes;
    for (const std::wstring& piece : script.offered) {
      sizes.push_back(piece.size());
      EXPECT_FALSE(piece.back() >= 0xD800 && piece.back() <= 0xDBFF) << "a pair was cut";
      EXPECT_FALSE(piece.front() >= 0xDC00 && piece.front() <= 0xDFFF) << "a pair was cut";
    }
    EXPECT_EQ(sizes, c.sizes);

    // Anything else gets the bytes, in pieces of the same size.
    script = Script{};
    ASSERT_TRUE(write_file(nullptr, c.text, scripted_file));
    EXPECT_EQ(script.file, c.text);
    EXPECT_EQ(script.offered.size(), c.file_pieces);
  }
}

TEST(WindowsErrorKinds, EveryNamedCodeAndTheRest) {
  const struct {
    DWORD code;
    const char* kind;
  } table[] = {
      {ERROR_ACCESS_DENIED, "PermissionDenied"},
      {ERROR_ALREADY_EXISTS, "AlreadyExists"},
      {ERROR_FILE_EXISTS, "AlreadyExists"},
      {ERROR_BROKEN_PIPE, "BrokenPipe"},
      {ERROR_NO_DATA, "BrokenPipe"},
      {ERROR_FILE_NOT_FOUND, "NotFound"},
      {ERROR_PATH_NOT_FOUND, "NotFound"},
      {ERROR_INVALID_DRIVE, "NotFound"},
      {ERROR_BAD_NETPATH, "NotFound"},
      {ERROR_BAD_NET_NAME, "NotFound"},
      {ERROR_INVALID_NAME, "InvalidFilename"},
      {ERROR_BAD_PATHNAME, "InvalidFilename"},
      {ERROR_FILENAME_EXCED_RANGE, "InvalidFilename"},
      {ERROR_INVALID_PARAMETER, "InvalidInput"},
      {ERROR_NOT_ENOUGH_MEMORY, "OutOfMemory"},
      {ERROR_OUTOFMEMORY, "OutOfMemory"},
      {ERROR_SEM_TIMEOUT, "TimedOut"},
      {WAIT_TIMEOUT, "TimedOut"},
      {ERROR_OPERATION_ABORTED, "TimedOut"},
      {ERROR_TIMEOUT, "TimedOut"},
      {ERROR_CALL_NOT_IMPLEMENTED, "Unsupported"},
      {ERROR_DIRECTORY, "NotADirectory"},
      {ERROR_DIR_NOT_EMPTY, "DirectoryNotEmpty"},
      {ERROR_WRITE_PROTECT, "ReadOnlyFilesystem"},
      {ERROR_DISK_FULL, "StorageFull"},
      {ERROR_HANDLE_DISK_FULL, "StorageFull"},
      {ERROR_SEEK_ON_DEVICE, "NotSeekable"},
      {1295, "FilesystemQuotaExceeded"},  // ERROR_DISK_QUOTA_EXCEEDED
      {ERROR_FILE_TOO_LARGE, "FileTooLarge"},
      {ERROR_BUSY, "ResourceBusy"},
      {ERROR_POSSIBLE_DEADLOCK, "Deadlock"},
      {ERROR_NOT_SAME_DEVICE, "CrossesDevices"},
      {ERROR_TOO_MANY_LINKS, "TooManyLinks"},
      // Codes without a kind of their own.
      {ERROR_SUCCESS, "Uncategorized"},
      {ERROR_INVALID_HANDLE, "Uncategorized"},
      {ERROR_GEN_FAILURE, "Uncategorized"},
      {ERROR_NOT_READY, "Uncategorized"},
  };
  for (const auto& row : table) {
    EXPECT_STREQ(kind_of(row.code), row.kind) << row.code;
    const IoError error = os_error(row.code);
    EXPECT_TRUE(error.is_os());
    EXPECT_EQ(error.code(), static_cast<int>(row.code));
    EXPECT_EQ(error.kind(), row.kind) << row.code;
    const std::string message = testing::plain_system_message(row.code);
    EXPECT_EQ(error.text(), message.empty() ? "OS Error " + std::to_string(row.code) : message)
        << row.code;
  }
  // A code the system has no message for.
  const std::string none = testing::plain_system_message(0x2000'4242);
  ASSERT_EQ(none, "");
  EXPECT_EQ(os_error(0x2000'4242).debug(),
            "Os { code: 536887874, kind: Uncategorized, message: \"OS Error 536887874\" }");
}

// Standard output set to `handle` for the life of the object.
class StdoutSetTo {
 public:
  explicit StdoutSetTo(HANDLE handle) : saved_(GetStdHandle(STD_OUTPUT_HANDLE)) {
    SetStdHandle(STD_OUTPUT_HANDLE, handle);
  }
  ~StdoutSetTo() { SetStdHandle(STD_OUTPUT_HANDLE, saved_); }
  StdoutSetTo(const StdoutSetTo&) = delete;
  StdoutSetTo& operator=(const StdoutSetTo&) = delete;

 private:
  HANDLE saved_;
};

std::string written_to(HANDLE handle, std::string_view text) {
  const StdoutSetTo out(handle);
  SetLastError(ERROR_SUCCESS);
  const auto written = platform::write_std(StdStream::Output, text);
  return written ? "" : written.error().debug();
}

TEST(WindowsStdWrites, RealHandlesThatFailReadAsTheSystemSaysIt) {
  const std::string invalid = os_debug(ERROR_INVALID_HANDLE, "Uncategorized");
  // No handle, or one recorded as invalid, whatever the thread's last error.
  EXPECT_EQ(written_to(nullptr, "x"), invalid);
  EXPECT_EQ(written_to(INVALID_HANDLE_VALUE, "x"), invalid);

  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  ASSERT_TRUE(CreatePipe(&read_end, &write_end, nullptr, 0));
  EXPECT_EQ(written_to(write_end,
                       "Gr\xC3\xBC\xC3\x9F"
                       "e\n"),
            "");
  char bytes[16] = {};
  DWORD n = 0;
  ASSERT_TRUE(ReadFile(read_end, bytes, sizeof bytes, &n, nullptr));
  EXPECT_EQ(std::string(bytes, n),
            "Gr\xC3\xBC\xC3\x9F"
            "e\n");  // the bytes, unchanged

  // The reader has gone: Windows says ERROR_NO_DATA, Wine ERROR_BROKEN_PIPE.
  CloseHandle(read_end);
  const std::string gone = written_to(write_end, "x");
  EXPECT_TRUE(gone == os_debug(ERROR_NO_DATA, "BrokenPipe") ||
              gone == os_debug(ERROR_BROKEN_PIPE, "BrokenPipe"))
      << gone;
  // A handle that was closed.
  CloseHandle(write_end);
  EXPECT_EQ(written_to(write_end, "x"), invalid);

  if (testing::running_under_wine()) {
    // Wine shows the Linux file system as drive Z:, /dev/full included.
    const HANDLE full = CreateFileW(L"Z:\\dev\\full", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(full, INVALID_HANDLE_VALUE);
    EXPECT_EQ(written_to(full, "x"), os_debug(ERROR_DISK_FULL, "StorageFull"));
    CloseHandle(full);
  }
}

TEST(WindowsStdWrites, AConsoleShowsTheTextOrRefusesIt) {
  testing::ScreenBuffer screen;
  testing::ScreenBuffer read_only(false);
  NORVANE_NEEDS_CONSOLE(screen && read_only);
  EXPECT_EQ(written_to(screen.handle(),
                       "Gr\xC3\xBC\xC3\x9F"
                       "e \xCE\xA9\n"),
            "");
  EXPECT_EQ(screen.text(),
            "Gr\xC3\xBC\xC3\x9F"
            "e \xCE\xA9\n");

  // The system's own answer to the same write is the expected failure.
  DWORD taken = 0;
  SetLastError(ERROR_SUCCESS);
  ASSERT_FALSE(WriteConsoleW(read_only.handle(), L"x", 1, &taken, nullptr));
  const DWORD code = GetLastError();
  EXPECT_EQ(written_to(read_only.handle(), "x"), os_error(code).debug());
}

}  // namespace
}  // namespace norvane::platform
