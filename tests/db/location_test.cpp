#include "norvane/db/location.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/os_faults.h"
#include "support/temp_dir.h"

namespace norvane {
namespace {

class DatabasePath : public ::testing::Test {
 protected:
  void SetUp() override { ::unsetenv("NORVANE_DATA_DIR"); }
  void TearDown() override { ::unsetenv("NORVANE_DATA_DIR"); }
  testing::ScopedUserHome home_;
  testing::TempDir tmp_;
};

TEST_F(DatabasePath, UsesTheDataDirVariableJoinedWithNorvane) {
  ::setenv("NORVANE_DATA_DIR", tmp_.str().c_str(), 1);
  EXPECT_EQ(database_path(), tmp_.str() + "/Norvane/norvane.db");
  struct stat st {};
  ASSERT_EQ(::stat((tmp_ / "Norvane").c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0700U);
}

TEST_F(DatabasePath, AnEmptyDataDirVariableMeansTheCurrentDirectory) {
  ::setenv("NORVANE_DATA_DIR", "", 1);
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(tmp_.path());
  const std::string path = database_path();
  const bool created = std::filesystem::is_directory(tmp_.path() / "Norvane");
  std::filesystem::current_path(cwd);
  EXPECT_EQ(path, "Norvane/norvane.db");
  EXPECT_TRUE(created);
}

TEST_F(DatabasePath, WithoutTheVariableUsesTheXdgDataHome) {
  ::setenv("XDG_DATA_HOME", (tmp_ / "xdg").c_str(), 1);
  EXPECT_EQ(database_path(), tmp_.str() + "/xdg/Norvane/norvane.db");
  EXPECT_TRUE(std::filesystem::is_directory(tmp_.path() / "xdg/Norvane"));

  ::unsetenv("XDG_DATA_HOME");
  ::setenv("HOME", (tmp_ / "home").c_str(), 1);
  EXPECT_EQ(database_path(), tmp_.str() + "/home/.local/share/Norvane/norvane.db");
}

// A user that the password database does not know, with neither
// XDG_DATA_HOME nor HOME set, as a container may start a program, has no data
// home: the current directory stands in.
TEST_F(DatabasePath, WithoutAnyHomeUsesTheCurrentDirectory) {
  constexpr uid_t kStranger = 54321;
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to become a user without an entry";
  if (::getpwuid(kStranger) != nullptr) GTEST_SKIP() << "user " << kStranger << " has an entry";
  ASSERT_EQ(::chmod(tmp_.path().c_str(), 0777), 0);
  EXPECT_EXIT(
      {
        ::unsetenv("XDG_DATA_HOME");
        ::unsetenv("HOME");
        if (::chdir(tmp_.path().c_str()) != 0 || ::setgid(kStranger) != 0 ||
            ::setuid(kStranger) != 0) {
          std::exit(2);
        }
        const bool here = database_path() == "./Norvane/norvane.db" &&
                          std::filesystem::is_directory(tmp_.path() / "Norvane");
        std::exit(here ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(DatabasePath, StillReturnsAPathWhenTheDirectoryCannotBeCreated) {
  std::ofstream(tmp_ / "file") << "x";
  ::setenv("NORVANE_DATA_DIR", (tmp_ / "file").c_str(), 1);
  EXPECT_EQ(database_path(), tmp_.str() + "/file/Norvane/norvane.db");
}

// Each folder made on the way is synced in the folder that holds it, before
// anything is made inside it; a relative name without a slash is held by the
// working directory.
TEST_F(DatabasePath, EveryFolderItMakesIsSyncedInItsParent) {
  const std::string root = std::filesystem::canonical(tmp_.path()).string();
  const struct {
    std::string base;
    std::vector<std::string> calls;
  } cases[] = {
      {root + "/nested/base",
       {"mkdir " + root + "/nested", "fsync " + root, "mkdir " + root + "/nested/base",
        "fsync " + root + "/nested", "mkdir " + root + "/nested/base/Norvane",
        "fsync " + root + "/nested/base"}},
      {"file:x?mode=memory&",
       {"mkdir " + root + "/file:x?mode=memory&", "fsync " + root,
        "mkdir " + root + "/file:x?mode=memory&/Norvane",
        "fsync " + root + "/file:x?mode=memory&"}},
  };
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(root);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.base);
    ::setenv("NORVANE_DATA_DIR", c.base.c_str(), 1);
    const testing::FsCallLog log;
    (void)database_path();
    EXPECT_EQ(log.calls(), c.calls);
  }
  std::filesystem::current_path(cwd);
}

}  // namespace
}  // namespace norvane
