// Finding one's way in a work in the classic view: the contents, go to, the
// search backward, bookmarks kept between runs, and a list longer than the
// screen shown a screenful at a time.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "tests/support/fake_platform.h"

namespace shiori::testing {
namespace {

// One-row lines numbered 1.., with |extra| lines put in after the line
// numbered by their key: a page is 22 rows.
std::string TextWith(int count, const std::map<int, std::string>& extra) {
  std::string text;
  for (int i = 1; i <= count; ++i) {
    text += NumberedLines(i, 1);
    const auto it = extra.find(i);
    if (it != extra.end()) text += it->second + "\r\n";
  }
  return text;
}

struct ContentsCase {
  const char* name;
  std::string text;
  const char* rule;  // the list's first line names the rule used
};

TEST(NavigationTest, ContentsListHeadingsOrChapterLinesWithTheirPagesAndANumberJumps) {
  // Row 31 is on page 2 (rows 23 to 44), row 72 on page 4 (67 to 88).
  const ContentsCase cases[] = {
      {"annotated headings",
       TextWith(100, {{30, "第一章［＃「第一章」は大見出し］"}, {70, "一［＃「一」は中見出し］"}}),
       "目次（見出しから）"},
      {"chapter-number lines",
       TextWith(100, {{30, "第一編"}, {70, "　一"}}),
       "目次（見出しがないので、章の番号だけの行から）"},
  };
  for (const ContentsCase& c : cases) {
    SCOPED_TRACE(c.name);
    Scenario s;
    s.AddWork("w", "W", c.text);
    s.keyboard.Type("j");
    s.keyboard.input = "2\n";
    s.Run({"0"});
    const std::string out = s.console.Text();
    EXPECT_NE(out.find(std::string(c.rule) + "\n(01) page    2  第一"), std::string::npos) << out;
    EXPECT_NE(out.find("\n(02) page    4    一\n"), std::string::npos) << out;
    // The page shown after the number is the one listed for it.
    EXPECT_EQ(PagesShown(out), std::vector<int>({1, 4}));
  }
}

struct GotoCase {
  const char* answers;
  std::vector<int> pages;  // from page 2, where 'g' is typed
};

TEST(NavigationTest, GoToTakesAPageAPercentageTheStartAndTheEndAndSurvivesBadInput) {
  // 230 rows of 10 bytes: ten full pages and a partial one; byte 1150 (50%)
  // begins line 116, on page 6.
  const GotoCase cases[] = {
      {"5\n", {1, 2, 5}},
      {"50%\n", {1, 2, 6}},
      {"^\n", {1, 2, 1}},
      {"$\n", {1, 2, 10}},
      {"100%\n", {1, 2, 10}},
      {"999\n", {1, 2, 10}},  // past the last page: the last
      {"abc\n-3\n4\n", {1, 2, 4}},  // asked again after each bad answer
      {"x\n101%\n%\n7\n", {1, 2, 2}},  // three bad answers: cancelled
      {"", {1, 2, 2}},  // the end of input cancels
  };
  for (const GotoCase& c : cases) {
    SCOPED_TRACE(c.answers);
    Scenario s;
    s.AddWork("w", "W", NumberedLines(1, 230));
    s.keyboard.Type("ng");
    s.keyboard.input = c.answers;
    s.Run({"0"});
    EXPECT_EQ(PagesShown(s.console.Text()), c.pages);
  }
}

TEST(NavigationTest, TheLastPageReachedByAJumpReadsOnToTheEnd) {
  // The end of a jump is a page like any other: back, and on to the end.
  Scenario s;
  s.AddWork("w", "W", NumberedLines(1, 230));
  s.keyboard.Type("g-nn");
  s.keyboard.input = "$\n";
  s.Run({"0"});
  const std::string out = s.console.Text();
  EXPECT_EQ(PagesShown(out), std::vector<int>({1, 10, 9, 10}));
  EXPECT_NE(out.find("line 230\r\n"), std::string::npos);
  EXPECT_NE(out.find("終わりまで、表示しました"), std::string::npos);
}

TEST(NavigationTest, SearchBackwardFindsThePreviousHitFailsAtTheStartAndAlternatesWithF) {
  // The word on line 30 (page 2) and 75 (page 4); reading starts at page 6.
  Scenario s;
  s.AddWork("w", "W", TextWith(200, {{29, "a WORD here"}, {73, "WORD again"}}));
  s.keyboard.Type("nnnnnbbbfb");
  s.keyboard.input = "WORD\n";
  s.Run({"0"});
  const std::string out = s.console.Text();
  // b: 4, b: 2, b: none before 2 (page 2 again), f: on through 3 to 4, b: 2.
  EXPECT_EQ(PagesShown(out), std::vector<int>({1, 2, 3, 4, 5, 6, 4, 2, 2, 3, 4, 2}));
  EXPECT_EQ(out.find("not found before this page WORD\n"),
            out.rfind("not found before this page WORD\n"));
  EXPECT_NE(out.find("not found before this page WORD\n"), std::string::npos);
  // A hit is shown as the forward search shows it: from its row, the word
  // painted.
  const std::string after_first_b = s.console.TextAfter("input search str\n");
  EXPECT_EQ(after_first_b.rfind("WORD again", after_first_b.find(" --- page 4")), 0u)
      << after_first_b.substr(0, 200);
  bool painted = false;
  for (const testing::Run& run : s.console.runs) painted |= run.text == "WORD" && run.attr != 0x07;
  EXPECT_TRUE(painted);
}

TEST(NavigationTest, BookmarksSurviveARestartAndADamagedFileIsLeftAsItWas) {
  Scenario s;
  s.AddWork("w", "W", NumberedLines(1, 200));
  // Page 3 marked, a mark set and removed on page 4, then back to the start.
  s.keyboard.Type("nnknkkg");
  s.keyboard.input = "^\n";
  s.Run({"0"});
  EXPECT_NE(s.console.Text().find("bookmark set at page 3\n"), std::string::npos);
  EXPECT_NE(s.console.Text().find("bookmark removed from page 4\n"), std::string::npos);

  s.ResetRecording();
  s.keyboard.Type("jg");
  s.keyboard.input = "1\n^\n";
  s.Run({"0"});
  std::string out = s.console.Text();
  EXPECT_NE(out.find("(01) page    3  ＊しおり\n"), std::string::npos) << out;
  EXPECT_EQ(out.find("(02)"), std::string::npos);
  EXPECT_EQ(PagesShown(out), std::vector<int>({1, 3, 1}));

  // A line that is no mark: the marks before it are read, the file is never
  // written this run, and a mark set is kept for the run.
  const std::string damaged = "w\t66\nthis line is no mark\nw\t88\n";
  s.WriteFile("shiori_marks.ini", damaged);
  s.ResetRecording();
  s.keyboard.Type("kj");
  s.keyboard.input = "2\n";
  s.Run({"0"});
  out = s.console.Text();
  EXPECT_EQ(s.ReadFile("shiori_marks.ini"), damaged);
  EXPECT_NE(out.find("shiori_marks.ini is damaged at line 2: bookmarks will not be saved"),
            std::string::npos);
  EXPECT_NE(out.find("bookmark set at page 1 (for this run only)\n"), std::string::npos);
  EXPECT_NE(out.find("(01) page    1  ＊しおり\n(02) page    3  ＊しおり\n"), std::string::npos);
  EXPECT_EQ(out.find("page    4"), std::string::npos);
  EXPECT_EQ(PagesShown(out), std::vector<int>({1, 3}));
}

TEST(NavigationTest, ALongListShowsAScreenfulAtATimeAndQLeaves) {
  // 900 positions and the work's own, three to a line: 301 lines on a
  // screen of 300 rows.
  std::string file;
  for (int i = 0; i < 900; ++i) file += "work" + std::to_string(i) + ".txt\n0\n";
  for (const char* keys : {"i x", "iq"}) {
    SCOPED_TRACE(keys);
    Scenario s;
    s.AddWork("w", "W", NumberedLines(1, 100));
    s.WriteFile("001036_info.ini", file);
    s.keyboard.Type(keys);
    s.Run({"0"});
    const std::string out = s.console.Text();
    const std::size_t list = out.find("(00)0 : work0");
    const std::size_t more = out.find("touch anykey , 2 lines more (q:return page)\n");
    ASSERT_NE(list, std::string::npos);
    ASSERT_NE(more, std::string::npos);
    // 299 lines, then the question for the rest.
    EXPECT_EQ(std::count(out.begin() + static_cast<long>(list),
                         out.begin() + static_cast<long>(more), '\n'),
              299);
    const bool whole = keys[1] != 'q';
    EXPECT_LT(out.find("(896)0 : work896"), more);
    EXPECT_EQ(out.find("(897)0 : work897", more) != std::string::npos, whole);
    EXPECT_EQ(out.find("touch anykey , return page\n", more) != std::string::npos, whole);
    EXPECT_EQ(PagesShown(out), std::vector<int>({1, 1}));
  }
}

}  // namespace
}  // namespace shiori::testing
