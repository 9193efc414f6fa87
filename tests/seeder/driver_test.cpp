// The whole run in this process, its report written through a stand-in for
// standard output: a report line that cannot be written, whichever it is,
// ends the run there with exit status 1 and the "Error: " line.
#include "driver.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "support/seed_notes_report.h"
#include "support/temp_dir.h"

namespace norvane::seeder {
namespace {

// Standard output takes every write until the `fail_at`-th (1-based; 0 for
// never), which fails as a full disk does; standard error takes all.
struct Streams {
  std::size_t fail_at = 0;
  std::size_t writes = 0;
  std::string out;
  std::string err;
};
Streams streams;

std::expected<void, IoError> to_out(std::string_view text) {
  if (++streams.writes == streams.fail_at) {
    return std::unexpected(IoError::os(28, "StorageFull", "No space left on device"));
  }
  streams.out += text;
  return {};
}

std::expected<void, IoError> to_err(std::string_view text) {
  streams.err += text;
  return {};
}

TEST(SeedNotesRun, EveryReportLineThatCannotBeWrittenEndsTheRunThere) {
  const testing::ScopedUserHome home;
  const testing::TempDir tmp;
  const testing::ScopedDataDir data_dir(tmp.path());
  // A run with --clear writes every line of a full run, and two more.
  for (const std::string_view flag : {"--clear", "--stats-only"}) {
    SCOPED_TRACE(flag);
    const std::array<std::string_view, 2> words = {"seed_notes", flag};
    streams = Streams{};
    ASSERT_EQ(run(words, to_out, to_err), 0) << streams.err;
    const std::size_t writes = streams.writes;
    // A full run ends with the line that tells of its success.
    EXPECT_EQ(streams.out.ends_with(testing::kDone), flag == "--clear") << streams.out;
    for (std::size_t fail_at = 1; fail_at <= writes; ++fail_at) {
      SCOPED_TRACE(fail_at);
      streams = Streams{fail_at, 0, {}, {}};
      EXPECT_EQ(run(words, to_out, to_err), 1);
      EXPECT_EQ(streams.writes, fail_at);  // nothing after the line that failed
      EXPECT_EQ(streams.err,
                "Error: Io(Os { code: 28, kind: StorageFull, message: \"No space left on "
                "device\" })\n");
    }
  }
}

}  // namespace
}  // namespace norvane::seeder
