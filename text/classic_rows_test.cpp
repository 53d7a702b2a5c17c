#include "text/classic_rows.h"

#include <gtest/gtest.h>

#include "deczip/streams.h"
#include "text/pager.h"

namespace shiori {
namespace {

// The offsets the helpers give are the reading loop's: lines must split as
// the loop's stream splits them, line ends of every kind included.
TEST(ClassicRowsTest, LinesSplitAsTheReadingLoopSplitsThem) {
  for (const std::string text : {"a\r\nb\r\n", "a\rb\nc", "\r\n\r\nx\r", "a\r\r\nb", "", "\n",
                                 "one line without an end"}) {
    SCOPED_TRACE(text);
    ByteStream stream;
    stream.Write(text.data(), text.size());
    std::string_view mine, loops;
    std::size_t pos = 0;
    for (;;) {
      const bool got = NextTextLine(text, &pos, &mine);
      ASSERT_EQ(got, stream.GetLine(&loops));
      if (!got) break;
      EXPECT_EQ(mine, loops);
      EXPECT_EQ(mine.data() - text.data(), loops.data() - stream.view().data());
    }
  }
}

TEST(ClassicRowsTest, PagesAndRowsAgreeWithTheLinesTheyCount) {
  // Lines of 1 row, of 3 (a long one), a blank CR LF line (a row: it keeps
  // its CR) and a bare LF (no line at all: the loop skips it).
  struct Line {
    std::size_t start;
    int rows;
  };
  std::string text;
  std::vector<Line> lines;
  for (int i = 0; i < 60; ++i) {
    const int kind = i % 4 == 1 ? 1 : i % 9 == 4 ? 2 : i % 11 == 7 ? 3 : 0;
    if (kind == 3) {
      text += "\n";
      continue;
    }
    lines.push_back({text.size(), kind == 1 ? 3 : 1});
    text += kind == 1 ? std::string(200, 'x') + "\r\n" : kind == 2 ? "\r\n" : "line\r\n";
  }
  const std::vector<ClassicPage> pages = ClassicPages(text, 0);
  int rows = 0;
  for (const Line& line : lines) {
    SCOPED_TRACE(line.start);
    // The line that holds each of its rows is itself.
    for (int k = 0; k < line.rows; ++k) EXPECT_EQ(ClassicLineAtRow(text, rows + k, 0), line.start);
    // It begins on the first page whose rows read reach its first row.
    int page = pages.back().rows / def_pline_num;
    for (const ClassicPage& p : pages) {
      if (p.rows > rows) {
        page = p.rows / def_pline_num;
        break;
      }
    }
    EXPECT_EQ(ClassicPageOfLine(pages, line.start), page);
    rows += line.rows;
  }
}

}  // namespace
}  // namespace shiori
