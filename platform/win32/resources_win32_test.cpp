// The resources compiled into the program (data/shiori.rc), as the program
// finds them. The test program carries the same resources as shiori.exe.
#include "platform/win32/resources_win32.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace shiori {
namespace {

std::vector<std::uint8_t> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
}

// What the build packed: the archive made from data/<name>.txt, or the file
// data/<name>.png; empty when the tree has no such file.
std::vector<std::uint8_t> Expected(const std::string& name) {
  const std::string data = std::string(SHIORI_SOURCE_DIR) + "/data/" + name;
  if (std::filesystem::exists(data + ".txt"))
    return FileBytes(std::string(SHIORI_BUILD_DIR) + "/resources/" + name + ".zip");
  if (std::filesystem::exists(data + ".png")) return FileBytes(data + ".png");
  return {};
}

TEST(WinResourcesTest, LowerCaseNamesFindTheWorksAndPictures) {
  WinResources res;
  for (const char* name : {"great_velmor_the", "readme", "fig00000_01", "fig00000_02"}) {
    const std::vector<std::uint8_t> want = Expected(name);
    std::span<const std::uint8_t> got;
    bool found = res.Find("WAVE", name, &got);
    if (want.empty()) {
      EXPECT_FALSE(found) << name << " has no file in data/, so no resource";
      continue;
    }
    ASSERT_TRUE(found) << name;
    EXPECT_TRUE(std::equal(got.begin(), got.end(), want.begin(), want.end())) << name;
    // The same resource under its stored (upper-case) name and type case.
    std::span<const std::uint8_t> upper;
    std::string up(name);
    for (char& c : up) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    ASSERT_TRUE(res.Find("wave", up, &upper));
    EXPECT_EQ(upper.data(), got.data());
  }
}

TEST(WinResourcesTest, NamesThatAreNotThereAreNotFound) {
  WinResources res;
  std::span<const std::uint8_t> got;
  EXPECT_FALSE(res.Find("WAVE", "fig00000_03", &got));  // listed, never carried
  EXPECT_FALSE(res.Find("WAVE", "", &got));
  EXPECT_FALSE(res.Find("WAVE", "#1", &got));
  EXPECT_FALSE(res.Find("PNG", "fig00000_01", &got));
}

TEST(WinResourcesTest, IconAndVersionBlock) {
  const std::string data = std::string(SHIORI_SOURCE_DIR) + "/data/";
  if (!std::filesystem::exists(data + "shiori.ico") || !std::filesystem::exists(data + "version.rc"))
    GTEST_SKIP() << "data/ does not hold the icon and the version block yet";
  EXPECT_NE(FindResourceA(nullptr, "IDI_ICO", MAKEINTRESOURCEA(14)), nullptr);  // RT_GROUP_ICON

  char self[MAX_PATH];
  ASSERT_GT(GetModuleFileNameA(nullptr, self, MAX_PATH), 0u);
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA(self, &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> block(size);
  ASSERT_TRUE(GetFileVersionInfoA(self, 0, size, block.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT len = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &len));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);
  WORD* translation = nullptr;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &len));
  ASSERT_GE(len, 4u);
  EXPECT_EQ(translation[0], 0x0411);
  EXPECT_EQ(translation[1], 932);
  for (const char* key : {"FileVersion", "ProductVersion"}) {
    char* text = nullptr;
    std::string path = std::string("\\StringFileInfo\\041103a4\\") + key;
    ASSERT_TRUE(VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&text), &len))
        << key;
    EXPECT_STREQ(text, "Ver 0.02") << key;
  }
}

}  // namespace
}  // namespace shiori
