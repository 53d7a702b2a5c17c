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

TEST(ClassicLayoutTest, PagesHoldEveryRowOnceAndGrowForALongLine) {
  // Short lines, a line of 39 rows (the page grows to 39), short lines on
  // pages of that length, a 2-row line (back to 22) with rows left over.
  PageState page;
  ClassicLayout layout(page);
  std::vector<std::string> expected, shown;
  std::vector<int> lengths;
  for (int k = 0; k < 160; ++k) {
    const std::string line = k == 10   ? std::string(3000, 'L')
                             : k == 70 ? std::string(100, 'M')
                                       : "line " + std::to_string(k);
    for (std::string_view row : CutRows(line)) expected.emplace_back(row);
    for (bool complete = layout.Place(line); complete; complete = layout.TurnPage()) {
      lengths.push_back(page.pline_num);
      for (int i = 0; i < page.pline_num; ++i) shown.push_back(page.page_buff[page.pg][i]);
    }
  }
  for (int i = 0; i < page.count[kRowsInPage]; ++i) shown.push_back(page.page_buff[page.pg][i]);
  EXPECT_EQ(shown, expected);
  EXPECT_EQ(lengths, (std::vector<int>{39, 39, 22, 22, 22, 22, 22}));
  EXPECT_EQ(page.count[kRowsRead], static_cast<int>(expected.size()));
}

}  // namespace
}  // namespace shiori
