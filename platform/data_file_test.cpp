#include "platform/data_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
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

}  // namespace
}  // namespace shiori
