#include "platform/data_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "tests/support/fake_platform.h"

namespace shiori {
namespace {

class DataFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = testing::MakeTempDir("shiori_data");
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Read(const std::string& name) {
    std::ifstream in(dir_ + "/" + name, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  std::string dir_;
};

TEST_F(DataFileTest, ReplacesTheFileWholeAndLeavesNoTemporaryFile) {
  std::string err;
  ASSERT_TRUE(ReplaceDataFile(dir_ + "/f.ini", "old\nlonger content\n", InPlace::kNever, &err));
  ASSERT_TRUE(ReplaceDataFile(dir_ + "/f.ini", "new\n", InPlace::kWhenFolderRefuses, &err));
  EXPECT_EQ(Read("f.ini"), "new\n");
  EXPECT_FALSE(std::filesystem::exists(dir_ + "/f.ini.tmp"));
}

TEST_F(DataFileTest, AFailureSaysWhyAndLeavesWhatStoodThere) {
  std::string err;
  EXPECT_FALSE(ReplaceDataFile(dir_ + "/gone/f.ini", "x", InPlace::kWhenFolderRefuses, &err));
  EXPECT_EQ(err, "No such file or directory");
  // A directory where the file goes stays a directory, its content kept.
  std::filesystem::create_directories(dir_ + "/d.ini/inner");
  err.clear();
  EXPECT_FALSE(ReplaceDataFile(dir_ + "/d.ini", "x", InPlace::kWhenFolderRefuses, &err));
  EXPECT_EQ(err, "Is a directory");
  EXPECT_TRUE(std::filesystem::is_directory(dir_ + "/d.ini/inner"));
  EXPECT_FALSE(std::filesystem::exists(dir_ + "/d.ini.tmp"));
}

TEST_F(DataFileTest, ANameAlreadyTakenIsNeverWrittenThrough) {
  // What a run killed while saving left at the names a save tries first.
  const std::string path = dir_ + "/f.ini";
  for (int attempt = 0; attempt < 2; ++attempt)
    std::ofstream(TemporaryDataFileName(path, attempt), std::ios::binary) << "left";
  std::string err;
  ASSERT_TRUE(ReplaceDataFile(path, "new\n", InPlace::kNever, &err)) << err;
  EXPECT_EQ(Read("f.ini"), "new\n");
  for (int attempt = 0; attempt < 2; ++attempt) {
    std::ifstream in(TemporaryDataFileName(path, attempt), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "left");
  }
}

TEST_F(DataFileTest, AReadOnlyFileIsLeftAndAWritableOneKeepsItsPermissions) {
  namespace fs = std::filesystem;
  std::string err;
  ASSERT_TRUE(ReplaceDataFile(dir_ + "/ro.ini", "old\n", InPlace::kNever, &err));
  fs::permissions(dir_ + "/ro.ini", fs::perms::owner_read | fs::perms::group_read);
  EXPECT_FALSE(ReplaceDataFile(dir_ + "/ro.ini", "new\n", InPlace::kWhenFolderRefuses, &err));
  EXPECT_EQ(err, "the file is read-only");
  EXPECT_EQ(Read("ro.ini"), "old\n");
  fs::permissions(dir_ + "/ro.ini", fs::perms::owner_write, fs::perm_options::add);

  ASSERT_TRUE(ReplaceDataFile(dir_ + "/rw.ini", "old\n", InPlace::kNever, &err));
  fs::permissions(dir_ + "/rw.ini", fs::perms::owner_read | fs::perms::owner_write |
                                        fs::perms::group_read);
  const fs::perms before = fs::status(dir_ + "/rw.ini").permissions();
  ASSERT_TRUE(ReplaceDataFile(dir_ + "/rw.ini", "new\n", InPlace::kNever, &err)) << err;
  EXPECT_EQ(Read("rw.ini"), "new\n");
  EXPECT_EQ(fs::status(dir_ + "/rw.ini").permissions(), before);
}

}  // namespace
}  // namespace shiori
