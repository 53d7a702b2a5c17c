// The reading lists after steps that read the text without showing it: a
// saved position far in, a failed search, a page back, a change of work.
// What they list must be what reading page by page would have collected:
// every reading of the lines read so far, once, in text order, with the
// position tags of where they stand.
#include <gtest/gtest.h>

#include "tests/support/fake_platform.h"
#include "text/pager.h"

namespace shiori::testing {
namespace {

// Line numbers (from 1) of the marked lines; every other line is "line NNN".
constexpr int kLongReadingLine = 10;  // its reading alone is two rows wide
const std::map<int, std::string> kMarked = {
    {1, "甲［＃「甲」に傍点］乙《おつ》"},
    {kLongReadingLine, "亜《ああああああああああああああああああああああああああああああああああああああああ》"},
    {31, "丙［＃「丙」に傍点］丁《てい》"},
    {71, "戊［＃「戊」に傍点］己《き》"},
};
constexpr int kLines = 100;

std::string Text() {
  std::string s;
  for (int i = 1; i <= kLines; ++i) {
    auto it = kMarked.find(i);
    s += (it != kMarked.end() ? it->second + "\r\n" : NumberedLines(i, 1));
  }
  return s;
}

// The tag "ROWS_BYTES" of line |n|: rows before it, bytes up to its end
// (line feeds not counted). Every line is one row, but the long reading
// is two when readings stand in place.
std::string Tag(int n, bool readings_in_place) {
  const std::string text = Text();
  int rows = 0, bytes = 0;
  std::size_t pos = 0;
  for (int i = 1; i <= n; ++i) {
    const std::size_t nl = text.find('\n', pos);
    bytes += static_cast<int>(nl - pos);
    pos = nl + 1;
    if (i < n) rows += (readings_in_place && i == kLongReadingLine) ? 2 : 1;
  }
  return std::to_string(rows) + "_" + std::to_string(bytes);
}

struct Expected {
  std::string rinfo, ruby;
};

// The listings of the annotations and readings of lines up to |last_line|.
Expected Through(int last_line, bool readings_in_place) {
  const std::pair<int, const char*> notes[] = {{1, "甲"}, {31, "丙"}, {71, "戊"}};
  const std::pair<int, const char*> readings[] = {
      {1, "乙 : おつ"},
      {kLongReadingLine, "亜 : ああああああああああああああああああああああああああああああああああああああああ"},
      {31, "丁 : てい"},
      {71, "己 : き"}};
  Expected e;
  int k = 0;
  for (const auto& [line, base] : notes) {
    if (line > last_line) continue;
    e.rinfo += "(" + std::to_string(k++) + ")" + base + Tag(line, readings_in_place) + " : ＃「" +
               base + "」に傍点\n";
  }
  k = 0;
  for (const auto& [line, entry] : readings) {
    if (line <= last_line) e.ruby += "(" + std::to_string(k++) + ")" + entry + "\n";
  }
  return e;
}

class ReadingsBacklogTest : public ::testing::TestWithParam<bool> {
 protected:
  bool in_place() const { return GetParam(); }
  std::vector<std::string> Args() const {
    return in_place() ? std::vector<std::string>{"0", "y"} : std::vector<std::string>{"0"};
  }
  void ExpectLists(const Expected& e) {
    // The listings are in the character set the machine shows text in.
    EXPECT_EQ(s.ReadFile("rinfo.txt"), s.codec->Cp932ToReadable(e.rinfo));
    EXPECT_EQ(s.ReadFile("ruby.txt"), s.codec->Cp932ToReadable(e.ruby));
  }
  Scenario s;
};

TEST_P(ReadingsBacklogTest, ResumingFarInListsWhatThePagesBeforeHold) {
  s.AddWork("w", "W", Text());
  s.WriteFile("001036_info.ini", "w.txt\n66\n");  // page 3: rows 45 to 66
  s.keyboard.Type("iSrSq");
  s.Run(Args());
  // The page, and again after each list.
  ASSERT_EQ(PagesShown(s.console.Text()), std::vector<int>({3, 3, 3}));
  // Page 3 ends with line 66, or 65 when the long reading takes two rows.
  ExpectLists(Through(in_place() ? 65 : 66, in_place()));
}

TEST_P(ReadingsBacklogTest, AFailedSearchHasReadTheWholeText) {
  s.AddWork("w", "W", Text());
  // The fitted view tags what it notes with the classic counters too.
  for (const bool fitted : {false, true}) {
    SCOPED_TRACE(fitted ? "fitted" : "classic");
    s.ResetRecording();
    s.keyboard.Type("sxiSrSq");
    s.keyboard.input = "zzz\n";
    std::vector<std::string> args = Args();
    if (fitted) args.insert(args.begin(), "--fit");
    s.console.height = fitted ? 24 : 300;  // a text of several fitted pages
    s.Run(args);
    ASSERT_NE(s.console.Text().find("not found zzz"), std::string::npos);
    ExpectLists(Through(kLines, in_place()));
  }
}

TEST_P(ReadingsBacklogTest, PagesReadAgainAddNothing) {
  s.AddWork("w", "W", Text());
  s.keyboard.Type("nnn--iSnrSq");
  s.Run(Args());
  ASSERT_EQ(PagesShown(s.console.Text()), std::vector<int>({1, 2, 3, 4, 3, 2, 2, 3, 3}));
  // The lists hold what the furthest page read gave. Page 4 ends with line 88
  // (87 with the long reading in two rows).
  ExpectLists(Through(in_place() ? 87 : 88, in_place()));
}

TEST_P(ReadingsBacklogTest, AChangeOfWorkKeepsWhatTheFirstWorkGave) {
  s.AddWork("w", "W", Text());
  s.AddWork("v", "V", "庚《こう》\r\n" + NumberedLines(2, 40));
  s.keyboard.Type("nncrSiSq");
  s.keyboard.input = "1\n";
  s.Run(Args());
  Expected e = Through(in_place() ? 65 : 66, in_place());
  e.ruby += "(3)庚 : こう\n";
  ExpectLists(e);
}

INSTANTIATE_TEST_SUITE_P(Modes, ReadingsBacklogTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "InPlace" : "Normal"; });

}  // namespace
}  // namespace shiori::testing
