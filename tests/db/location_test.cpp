#include "norvane/db/location.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

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

TEST_F(DatabasePath, StillReturnsAPathWhenTheDirectoryCannotBeCreated) {
  std::ofstream(tmp_ / "file") << "x";
  ::setenv("NORVANE_DATA_DIR", (tmp_ / "file").c_str(), 1);
  EXPECT_EQ(database_path(), tmp_.str() + "/file/Norvane/norvane.db");
}

}  // namespace
}  // namespace norvane
