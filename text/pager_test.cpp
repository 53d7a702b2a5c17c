#include "text/pager.h"

#include <gtest/gtest.h>

#include <string>

namespace shiori {
namespace {

std::string Kanji(int n) {  // n full-width characters (2 bytes each)
  std::string s;
  for (int i = 0; i < n; ++i) s += "漢";
  return s;
}

TEST(RowCountTest, SeventyEightBytesARow) {
  EXPECT_EQ(RowCount(0), 1);
  EXPECT_EQ(RowCount(78), 1);
  EXPECT_EQ(RowCount(79), 2);
  EXPECT_EQ(RowCount(156), 2);
  EXPECT_EQ(RowCount(157), 3);
  EXPECT_EQ(RowCount(1716), 22);
}

TEST(CutRowsTest, FullStopAtTheCutStaysOnTheRow) {
  // 39 characters, then "。", then more text: the first row takes 80 bytes.
  std::string line = Kanji(39) + "。" + Kanji(5) + "\r";
  auto rows = CutRows(line);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], Kanji(39) + "。");
  EXPECT_EQ(rows[1], std::string_view(line).substr(80));
}

TEST(CutRowsTest, CommaAtTheCutStaysOnTheRow) {
  std::string line = Kanji(39) + "、" + "abc";
  auto rows = CutRows(line);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].size(), 80u);
  EXPECT_EQ(rows[1], "abc");
}

TEST(CutRowsTest, MarkAtTheVeryEndIsNotMoved) {
  // Exactly 78 bytes then "。" and nothing more: 80 bytes, 2 rows by count;
  // the "。" stays on the first row and the second row is empty.
  std::string line = Kanji(39) + "。";
  auto rows = CutRows(line);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], line);
  EXPECT_EQ(rows[1], "");
}

TEST(CutRowsTest, SeventyEightBytesAndACarriageReturnTakeTwoRows) {
  std::string line = Kanji(39) + "\r";
  auto rows = CutRows(line);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], Kanji(39));
  EXPECT_EQ(rows[1], "\r");
}

TEST(CutRowsTest, NeverSplitsADoubleByteCharacter) {
  // One ASCII byte first: the 78-byte cut falls inside a character, so the
  // row takes it whole (79 bytes).
  std::string line = "a" + Kanji(60);
  auto rows = CutRows(line);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].size(), 79u);
  EXPECT_EQ(rows[1].size(), line.size() - 79);
}

TEST(CutRowsTest, WholeCharacterThenFullStopMakesEightyOne) {
  std::string line = "a" + Kanji(39) + "。" + "xyz";
  auto rows = CutRows(line);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].size(), 81u);
  EXPECT_EQ(rows[1], "xyz");
}

TEST(CutRowsTest, EightyByteRowsLeaveEmptyTrailingRows) {
  // Two 80-byte rows: counted as 3 rows of 78, the third is empty.
  std::string line = Kanji(39) + "。" + Kanji(39) + "。";
  ASSERT_EQ(line.size(), 160u);
  auto rows = CutRows(line);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].size(), 80u);
  EXPECT_EQ(rows[1].size(), 80u);
  EXPECT_EQ(rows[2], "");
}

}  // namespace
}  // namespace shiori
