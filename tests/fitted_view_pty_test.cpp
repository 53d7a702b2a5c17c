// The real program in the fitted view, in a pseudo-terminal as a reader at a
// UTF-8 terminal runs it: what reaches the screen fits it and never scrolls
// it, a resize lays the text out again, and the classic view opens at the
// line the fitted view was left at.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/running_reader.h"
#include "text/utf8.h"

namespace shiori::testing {
namespace {

// What a UTF-8 terminal of a given size shows of the bytes it is sent: the
// characters in their cells, the cursor moves and clears the reader sends;
// a character that does not fit before the right edge, or a line feed on
// the last row, is noted (the screen would wrap or scroll).
class TermScreen {
 public:
  TermScreen(int columns, int rows)
      : columns_(columns), rows_(rows),
        cells_(static_cast<std::size_t>(rows), Row(static_cast<std::size_t>(columns), " ")) {}
  void Feed(std::string_view b) {
    for (std::size_t i = 0; i < b.size();) {
      const unsigned char c = static_cast<unsigned char>(b[i]);
      if (c == 0x1b) {
        i = Escape(b, i + 1);
        continue;
      }
      const std::size_t n = c < 0x20 ? 1 : std::min(Utf8SequenceLength(c), b.size() - i);
      const std::string_view ch = b.substr(i, n);
      i += n;
      if (c == '\r') x_ = 0;
      // A line feed as a terminal's output processing gives it (the test's
      // pseudo-terminal passes the bytes as written).
      if (c == '\n') x_ = 0, scrolled = scrolled || y_ == rows_ - 1, y_ = std::min(y_ + 1, rows_ - 1);
      if (c < 0x20) continue;
      const int w = Width(ch);
      overflow = overflow || x_ + w > columns_;
      if (x_ + w > columns_) continue;
      Row& row = cells_[static_cast<std::size_t>(y_)];
      row[static_cast<std::size_t>(x_)] = std::string(ch);
      if (w == 2) row[static_cast<std::size_t>(x_ + 1)] = "";
      x_ += w;
      widest = std::max(widest, x_);
    }
  }
  std::string Line(int y) const {
    std::string s;
    for (const std::string& cell : cells_[static_cast<std::size_t>(y)]) s += cell;
    return s.substr(0, s.find_last_not_of(' ') + 1);
  }
  bool overflow = false;
  bool scrolled = false;
  int widest = 0;  ///< the furthest column written to

 private:
  using Row = std::vector<std::string>;
  static int Width(std::string_view u) {
    // Wide: the CJK blocks and the full-width forms, all three bytes in UTF-8.
    if (u.size() != 3) return 1;
    const char32_t cp = ((static_cast<unsigned char>(u[0]) & 0x0fu) << 12) |
                        ((static_cast<unsigned char>(u[1]) & 0x3fu) << 6) |
                        (static_cast<unsigned char>(u[2]) & 0x3fu);
    return (cp >= 0x2e80 && cp <= 0xa4cf) || (cp >= 0xf900 && cp <= 0xfaff) ||
                   (cp >= 0xff00 && cp <= 0xff60) || (cp >= 0xffe0 && cp <= 0xffe6)
               ? 2
               : 1;
  }
  // A control sequence from |i| (after the ESC); the index past it.
  std::size_t Escape(std::string_view b, std::size_t i) {
    if (i >= b.size() || b[i] != '[') return i + 1;
    std::size_t k = i + 1;
    while (k < b.size() && (b[k] < 0x40 || b[k] > 0x7e)) ++k;
    if (k >= b.size()) return k;
    const std::string params(b.substr(i + 1, k - i - 1));
    const int n = params.empty() || params[0] == '?' ? 1 : std::max(std::atoi(params.c_str()), 1);
    const char f = b[k];
    if (f == 'A') y_ = std::max(y_ - n, 0);
    if (f == 'B') y_ = std::min(y_ + n, rows_ - 1);
    if (f == 'C') x_ = std::min(x_ + n, columns_ - 1);
    if (f == 'H') y_ = std::clamp(n - 1, 0, rows_ - 1), x_ = 0;
    // A clear, or the alternate screen entered.
    if ((f == 'J' && params == "2") || (f == 'h' && params == "?1049"))
      for (Row& row : cells_) std::fill(row.begin(), row.end(), " ");
    return k + 1;
  }
  int columns_, rows_, x_ = 0, y_ = 0;
  std::vector<Row> cells_;
};

TEST(FittedBinaryTest, FitsA60By20TerminalLaysOutAgainAt100By30AndAClassicStartKeepsTheLine) {
  char tmpl[] = "/tmp/shiori_fit_XXXXXX";
  const std::string dir = mkdtemp(tmpl);
  RunningReader::Options small;
  small.columns = 60;
  small.rows = 20;
  std::string top;
  {
    RunningReader r(dir, {"--fit", "0"}, small);
    ASSERT_TRUE(r.WaitFor("q:quit"));
    r.Type("nnnnn");
    ASSERT_TRUE(r.WaitFor("page 6 of"));
    ASSERT_TRUE(r.WaitFor("q:quit"));
    TermScreen screen(60, 20);
    screen.Feed(r.seen());
    EXPECT_FALSE(screen.overflow);
    EXPECT_FALSE(screen.scrolled);
    EXPECT_LE(screen.widest, 60);
    EXPECT_EQ(screen.Line(19).rfind("[ ", 0), 0u) << screen.Line(19);
    const std::size_t before = r.seen().size();

    r.Resize(100, 30);
    ASSERT_TRUE(r.WaitFor("q:quit"));
    TermScreen wide(100, 30);
    wide.Feed(r.seen().substr(before));
    EXPECT_FALSE(wide.overflow);
    EXPECT_FALSE(wide.scrolled);
    EXPECT_GT(wide.widest, 60);  // the rows are laid out for the new width
    EXPECT_EQ(wide.Line(29).rfind("[ ", 0), 0u) << wide.Line(29);
    top = wide.Line(0);
    EXPECT_EQ(wide.Line(29).find("page 1 of"), std::string::npos);
    r.Type("q");
    EXPECT_EQ(r.Wait(), 0);
  }
  // Without the remembered view the classic view opens, at the same line.
  std::filesystem::remove(dir + "/shiori_view.ini");
  {
    RunningReader r(dir, {"0"});
    ASSERT_TRUE(r.WaitFor("(n)next"));
    std::string shown = r.seen();
    std::erase(shown, '\n');
    std::erase(shown, '\r');
    const std::string start = top.substr(top.find_first_not_of(" "), 12);  // four characters
    EXPECT_NE(shown.find(start), std::string::npos) << start;
    r.Type("q");
    r.Wait();
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace shiori::testing
