// The page counters where a one-row text never reaches them: the percentage,
// page numbers after a paragraph longer than a page, the rows carried over
// when the page length changes, page back over lines of several rows, a
// word across the last two rows of a page, and the return after a failed
// search from a later page.
#include <gtest/gtest.h>

#include <cstdio>

#include "cconsole/cconsole.h"
#include "tests/support/fake_platform.h"

namespace shiori::testing {
namespace {

// A row of |width| bytes that names itself: "<tag>NNN" and dots. A line's
// CR is one of its bytes: a line of 77 and its CR fill one row of 78.
std::string Row(char tag, int n, std::size_t width = 77) {
  char head[16];
  std::snprintf(head, sizeof head, "%c%03d", tag, n);
  std::string row(head);
  row.resize(width, '.');
  return row;
}

// A line of |rows| full rows tagged |tag| from |first|, then |tail| bytes
// of a short last row (with the CR).
std::string Paragraph(char tag, int first, int rows, int tail) {
  std::string line;
  for (int k = 0; k < rows; ++k) line += Row(tag, first + k, 78);
  return line + Row(tag, first + rows, tail);
}

struct Status {
  int page;
  std::string percent;
  bool operator==(const Status&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Status& s) {
  return os << "page " << s.page << " " << s.percent << "%";
}

// Every status line's page number and percentage, in order.
std::vector<Status> StatusLines(const std::string& text) {
  std::vector<Status> out;
  const std::string marker = " --- page ";
  for (std::size_t at = 0; (at = text.find(marker, at)) != std::string::npos;) {
    at += marker.size();
    const std::size_t dashes = text.find(" --- ", at);
    const std::size_t pct = text.find("% ]", dashes);
    out.push_back({std::atoi(text.c_str() + at), text.substr(dashes + 5, pct - dashes - 5)});
  }
  return out;
}

// The text rows printed, in order: every printed line but the status lines
// and the notices, each without what a CR before it overwrote.
std::vector<std::string> RowsShown(const std::string& text) {
  std::vector<std::string> rows;
  std::size_t start = 0;
  for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1) {
    std::string line = text.substr(start, nl - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();  // the line's own CR
    const std::size_t cr = line.rfind('\r');
    if (cr != std::string::npos) line.erase(0, cr + 1);
    if (line.rfind("[ ", 0) == 0 || line.rfind("touch anykey", 0) == 0) continue;
    rows.push_back(line);
  }
  return rows;
}

TEST(PageCountersTest, PercentageFollowsTheBytesReadForwardAndBack) {
  // 100 lines of 10 bytes; a page counts 22 x 9 (the LF is not counted).
  Scenario s;
  s.AddWork("w", "W", NumberedLines(1, 100));
  s.keyboard.Type("nn--n");
  s.Run({"0"});
  const std::vector<Status> expected = {{1, "19.800000"}, {2, "39.600000"}, {3, "59.400000"},
                                        {2, "39.600000"}, {1, "19.800000"}, {2, "39.600000"}};
  EXPECT_EQ(StatusLines(s.console.Text()), expected);
}

// A paragraph of 30 rows makes pages of 30 rows, shown after 50 rows read
// (page 2: numbers count pages of 22); a line of 2 rows makes them 22 again
// while the page holds 31. Every row is shown once, in order.
TEST(PageCountersTest, EveryRowShownOnceAsThePageLengthGrowsAndShrinks) {
  std::vector<std::string> lines, expected_rows;
  for (int i = 0; i < 20; ++i) lines.push_back(Row('a', i));
  lines.push_back(Paragraph('P', 0, 29, 40));  // 30 rows, 2,303 bytes
  for (int i = 0; i < 9; ++i) lines.push_back(Row('b', i));
  lines.push_back(Paragraph('Q', 0, 1, 10));  // 2 rows, back to pages of 22
  for (int i = 0; i < 60; ++i) lines.push_back(Row('c', i));
  std::string text;
  for (const std::string& l : lines) {
    text += l + "\r\n";
    for (std::size_t at = 0; at <= l.size(); at += 78) expected_rows.push_back(l.substr(at, 78));
  }
  Scenario s;
  s.AddWork("w", "W", text);
  s.keyboard.Type(std::string(20, 'n'));
  s.Run({"0"});
  const std::string shown = s.console.Text();
  EXPECT_EQ(RowsShown(shown), expected_rows);
  EXPECT_EQ(PagesShown(shown), std::vector<int>({2, 2, 3, 4, 5}));
}

// Lines of three rows: pages end inside lines (rows 24, 45, 66, 90 read),
// and one page back shows the page before, rows and all, not the page on
// screen again.
TEST(PageCountersTest, PageBackOverLinesOfSeveralRows) {
  std::string text;
  for (int i = 0; i < 40; ++i) text += Paragraph(static_cast<char>('A' + i % 26), i * 3, 2, 40) + "\r\n";
  Scenario s;
  s.AddWork("w", "W", text);
  s.keyboard.Type("nnn--");
  s.Run({"0"});
  const std::string shown = s.console.Text();
  EXPECT_EQ(PagesShown(shown), std::vector<int>({1, 2, 3, 4, 3, 2}));
  const std::vector<std::string> rows = RowsShown(shown);
  ASSERT_EQ(rows.size(), 6u * 22);
  const auto page = [&rows](int k) {
    return std::vector<std::string>(rows.begin() + 22 * k, rows.begin() + 22 * (k + 1));
  };
  EXPECT_EQ(page(4), page(2));
  EXPECT_EQ(page(5), page(1));
}

constexpr std::uint16_t kHit = L_WHITE + 16 * H_RED;

// A word cut between rows 21 and 22 of the second page is found there.
TEST(PageCountersTest, SearchFindsAWordAcrossTheLastTwoRowsOfAPage) {
  std::string text;
  for (int i = 0; i < 42; ++i) text += Row('a', i) + "\r\n";
  text += std::string(75, 'x') + "needle" + std::string(30, 'y') + "\r\n";  // rows 21, 22
  for (int i = 0; i < 40; ++i) text += Row('b', i) + "\r\n";
  Scenario s;
  s.AddWork("w", "W", text);
  s.keyboard.Type("s");
  s.keyboard.input = "needle\n";
  s.Run({"0"});
  const std::string shown = s.console.Text();
  EXPECT_EQ(shown.find("not found"), std::string::npos);
  std::vector<std::string> hits;
  for (const auto& r : s.console.runs)
    if (r.attr == kHit) hits.push_back(r.text);
  EXPECT_EQ(hits, std::vector<std::string>({"needle"}));
  EXPECT_EQ(PagesShown(shown), std::vector<int>({1, 2}));
}

// A failed search returns to the page it was started from, not one before.
TEST(PageCountersTest, FailedSearchFromPageThreeReturnsToPageThree) {
  std::string text;
  for (int i = 0; i < 40; ++i) text += Paragraph('z', i, 1, 20) + "\r\n";
  Scenario s;
  s.AddWork("w", "W", text);
  s.keyboard.Type("nnsx");
  s.keyboard.input = "absent\n";
  s.Run({"0"});
  const std::string after = s.console.TextAfter("not found ");
  EXPECT_EQ(PagesShown(after), std::vector<int>({3}));
  EXPECT_EQ(PagesShown(s.console.Text()).at(2), 3);
}

}  // namespace
}  // namespace shiori::testing
