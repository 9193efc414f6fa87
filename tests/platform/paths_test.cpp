#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "platform/fs.h"
#include "platform/known_folder.h"
#include "platform/path.h"
#include "support/os_faults.h"
#include "support/temp_dir.h"

namespace norvane::platform {
namespace {

TEST(JoinPath, AddsOneSeparatorOnlyWhereNeeded) {
  EXPECT_EQ(join_path("/data", "Norvane"), "/data/Norvane");
  EXPECT_EQ(join_path("/data/", "Norvane"), "/data/Norvane");
  EXPECT_EQ(join_path("", "Norvane"), "Norvane");
  EXPECT_EQ(join_path(".", "Norvane"), "./Norvane");
  EXPECT_EQ(join_path("C:\\Users", "x"), "C:\\Users/x");  // a backslash is a name byte here
}

TEST(ReplaceExtension, ReplacesOnlyTheLastComponentsExtension) {
  EXPECT_EQ(replace_extension("/a/Norvane/norvane.db", "db-wal"), "/a/Norvane/norvane.db-wal");
  EXPECT_EQ(replace_extension("/a.b/norvane", "db-wal"), "/a.b/norvane.db-wal");
  EXPECT_EQ(replace_extension("x.tar.gz", "zip"), "x.tar.zip");
  EXPECT_EQ(replace_extension("/a/.hidden", "db"), "/a/.hidden.db");
}

TEST(CreatePrivateDirectories, CreatesMissingParentsWithMode0700AndLeavesExistingOnes) {
  testing::TempDir tmp;
  ::chmod(tmp.path().c_str(), 0755);
  const std::string deep = tmp / "a/b/c";
  ASSERT_TRUE(create_private_directories(deep));
  for (const auto* p : {"a", "a/b", "a/b/c"}) {
    struct stat st {};
    ASSERT_EQ(::stat((tmp / p).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700U) << p;
  }
  struct stat st {};
  ASSERT_EQ(::stat(tmp.path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0755U);
  EXPECT_TRUE(create_private_directories(deep));  // exists already: success
}

TEST(CreatePrivateDirectories, FailsUnderARegularFile) {
  testing::TempDir tmp;
  std::ofstream(tmp / "file") << "x";
  EXPECT_FALSE(create_private_directories(tmp / "file/sub"));
  EXPECT_FALSE(create_private_directories(tmp / "file"));
}

// Between making a missing parent and the folder itself, another process may
// make the folder, as two first runs at once do: it will do. Any other
// failure of that second attempt fails the call.
TEST(CreatePrivateDirectories, AFolderThatAnotherProcessMakesMeanwhileWillDo) {
  for (const auto& [error, made] : {std::pair{EEXIST, true}, std::pair{EACCES, false}}) {
    SCOPED_TRACE(error);
    testing::TempDir tmp;
    // The first attempt finds the parent missing; the fault meets the second.
    const testing::ScopedFault fault(
        {testing::Call::Mkdir, testing::Effect::Fail, error, "/a/b", 1, 1});
    EXPECT_EQ(create_private_directories(tmp / "a/b").has_value(), made);
    EXPECT_EQ(fault.hits(), 1);
    EXPECT_EQ(std::filesystem::is_directory(tmp / "a/b"), made);
  }
}

TEST(FileSize, ReportsBytesOrNothing) {
  testing::TempDir tmp;
  std::ofstream(tmp / "f") << std::string(4096, 'x');
  EXPECT_EQ(file_size(tmp / "f"), 4096U);
  EXPECT_EQ(file_size(tmp / "missing"), std::nullopt);
}

class XdgDataHome : public ::testing::Test {
 protected:
  testing::ScopedUserHome home_;
};

TEST_F(XdgDataHome, PrefersAnAbsoluteXdgDataHome) {
  ::setenv("XDG_DATA_HOME", "/xdg/data", 1);
  EXPECT_EQ(local_app_data_folder(), "/xdg/data");
}

TEST_F(XdgDataHome, IgnoresARelativeXdgDataHomeAndFallsBackToHome) {
  ::setenv("XDG_DATA_HOME", "relative/data", 1);
  ::setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(local_app_data_folder(), "/home/someone/.local/share");
  ::unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(local_app_data_folder(), "/home/someone/.local/share");
}

TEST_F(XdgDataHome, FallsBackToThePasswordDatabase) {
  ::unsetenv("XDG_DATA_HOME");
  ::setenv("HOME", "not/absolute", 1);
  const auto folder = local_app_data_folder();
  ASSERT_TRUE(folder.has_value());
  EXPECT_TRUE(folder->starts_with("/"));
  EXPECT_TRUE(folder->ends_with("/.local/share"));
}

}  // namespace
}  // namespace norvane::platform
