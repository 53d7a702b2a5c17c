// The playlist's pure parts: entries made from dialog paths and the lines of
// the playlist file.
#include "media/music.h"

#include <gtest/gtest.h>

namespace shiori {
namespace {

TEST(MmEntry, QuotesAndDoublesBackslashesOnlyWhenAsked) {
  const std::string win = mm_entry("C:\\Music\\a b.mp3", true);
  EXPECT_EQ(win, "\"C:\\\\Music\\\\a b.mp3\"");
  EXPECT_EQ(win.size(), 20u);
  EXPECT_EQ(mm_entry("/home/u/a\\b c.mp3", false), "\"/home/u/a\\b c.mp3\"");
  EXPECT_EQ(mm_entry("", true), "\"\"");
}

TEST(MmEntry, TheSecondByteOfADoubleByteCharacterIsNotASeparator) {
  // 表 is 0x95 0x5C in code page 932: its second byte is the backslash byte.
  const std::string path = "C:\\表\\a.mp3";
  ASSERT_EQ(path.substr(3, 2), "\x95\x5C");
  EXPECT_EQ(mm_entry(path, true), "\"C:\\\\表\\\\a.mp3\"");
  // A lead byte at the very end stands alone.
  EXPECT_EQ(mm_entry("a\x95", true), "\"a\x95\"");
}

TEST(MmFileLines, LineEndsRemovedAndCrLfReadAsOneLineEnd) {
  using V = std::vector<std::string>;
  EXPECT_EQ(mm_file_lines("2\n\"a\"\n\"b\"\n"), V({"2", "\"a\"", "\"b\""}));
  EXPECT_EQ(mm_file_lines("2\r\n\"C:\\\\a\"\r\n\"b\""), V({"2", "\"C:\\\\a\"", "\"b\""}));
  // An empty line is an empty entry; a lone CR belongs to the entry.
  EXPECT_EQ(mm_file_lines("1\n\nx\ry\n"), V({"1", "", "x\ry"}));
  EXPECT_EQ(mm_file_lines(""), V());
}

TEST(MmFileLines, LongLinesArriveInPiecesOf511Bytes) {
  const std::string a600(600, 'a');
  std::vector<std::string> lines = mm_file_lines("1\n" + a600 + "\nz\n");
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[1], std::string(511, 'a'));
  EXPECT_EQ(lines[2], std::string(89, 'a'));
  EXPECT_EQ(lines[3], "z");
  // 511 bytes fill the buffer: the line feed arrives alone, as an empty line.
  lines = mm_file_lines("1\n" + std::string(511, 'b') + "\n");
  EXPECT_EQ(lines, std::vector<std::string>({"1", std::string(511, 'b'), ""}));
  lines = mm_file_lines("1\n" + std::string(510, 'c') + "\n");
  EXPECT_EQ(lines, std::vector<std::string>({"1", std::string(510, 'c')}));
}

}  // namespace
}  // namespace shiori
