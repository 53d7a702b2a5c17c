// Forward search end to end: what is found from where, how a hit is printed,
// highlighting afterwards, and the return after "not found ".
#include <gtest/gtest.h>

#include "cconsole/cconsole.h"
#include "tests/support/fake_platform.h"

namespace shiori::testing {
namespace {

// "line NNN" lines, with |extra| appended to the lines named in |marks|.
std::string Lines(int count, std::map<int, std::string> marks = {}) {
  std::string s;
  char buf[32];
  for (int i = 1; i <= count; ++i) {
    std::snprintf(buf, sizeof buf, "line %03d", i);
    s += buf;
    if (marks.count(i)) s += marks[i];
    s += "\r\n";
  }
  return s;
}

constexpr std::uint16_t kHit = L_WHITE + 16 * H_RED;         // the hit of a search
constexpr std::uint16_t kOccurrence = H_WHITE + 16 * H_RED;  // later occurrences

// Runs written in |attr| (the hit colours) in order.
std::vector<std::string> Painted(const FakeConsole& c, std::uint16_t attr) {
  std::vector<std::string> out;
  for (const Run& r : c.runs) {
    // The loading notice shares the occurrence colours; it ends with a CR.
    if (r.attr == attr && !r.text.empty() && r.text.back() != '\r') out.push_back(r.text);
  }
  return out;
}

TEST(SearchTest, AWordOnTheCurrentPageIsNotFoundFromIt) {
  Scenario s;
  s.AddWork("w", "W", Lines(100, {{5, " needle"}}));
  s.keyboard.Type("sz");
  s.keyboard.input = "needle\n";
  s.Run({"0"});
  std::string text = s.console.Text();
  EXPECT_NE(text.find("input search str\n"), std::string::npos);
  // Pages 2-4 pass with their status lines only, then page 1 again.
  EXPECT_EQ(PagesShown(text), std::vector<int>({1, 2, 3, 4, 1}));
  EXPECT_NE(text.find("(n)next\nnot found needletouch anykey , return page\n"),
            std::string::npos);
  EXPECT_EQ(Painted(s.console, H_RED + 16 * L_GREEN), std::vector<std::string>({"needle"}));
  // Rows passed during the search are not printed.
  EXPECT_EQ(text.find("line 050"), std::string::npos);
  // Back on page 1 the word is highlighted.
  EXPECT_EQ(Painted(s.console, kOccurrence), std::vector<std::string>({"needle"}));
}

TEST(SearchTest, HitThenHighlightThenContinueFromTheNextPage) {
  Scenario s;
  s.AddWork("w", "W", Lines(120, {{30, " needle a"}, {35, " needle b"}, {80, " needle c"}}));
  s.keyboard.Type("sf");
  s.keyboard.input = "needle\n";
  s.Run({"0"});
  std::string text = s.console.Text();
  EXPECT_EQ(PagesShown(text), std::vector<int>({1, 2, 3, 4}));
  // The hit row is printed from the hit on; earlier rows of that page are not.
  EXPECT_EQ(text.find("line 029"), std::string::npos);
  EXPECT_NE(text.find("line 030 needle a\r\n"), std::string::npos);
  EXPECT_NE(text.find("line 031\r\n"), std::string::npos);
  EXPECT_EQ(Painted(s.console, kHit), std::vector<std::string>({"needle", "needle"}));
  EXPECT_EQ(Painted(s.console, kOccurrence), std::vector<std::string>({"needle"}));
  // 'f' passes page 3 by its status line and stops on page 4 at line 80.
  EXPECT_EQ(text.find("line 079"), std::string::npos);
  EXPECT_NE(text.find("line 080 needle c"), std::string::npos);
}

TEST(SearchTest, AWordOverAFullRowEndIsFoundAndPrintedWithItsRest) {
  Scenario s;
  std::string row(75, 'x');  // "line 002" + 75 = ... build a 78-byte first row
  std::string long_line = std::string(75, 'x') + "nee" + "dle" + std::string(10, 'y');
  s.AddWork("w", "W", Lines(30) + long_line + "\r\n" + Lines(30));
  s.keyboard.Type("s");
  s.keyboard.input = "needle\n";
  s.Run({"0"});
  std::string text = s.console.Text();
  // The hit row: the full row and the rest of the word, then the next row whole.
  EXPECT_NE(text.find(std::string(75, 'x') + "needle\n" + "dle" + std::string(10, 'y') +
                      "\r\n"),
            std::string::npos);
  EXPECT_EQ(Painted(s.console, kHit), std::vector<std::string>({"needle"}));
}

TEST(SearchTest, AWordOverAPageEndIsNotFound) {
  Scenario s;
  // Page 2 ends with row 44; put "nee" at the end of a full row 44 and "dle"
  // at the start of row 45.
  std::string text = Lines(43) + std::string(75, 'x') + "nee" + "dle" + "\r\n" + Lines(40);
  s.AddWork("w", "W", text);
  s.keyboard.Type("sz");
  s.keyboard.input = "needle\n";
  s.Run({"0"});
  EXPECT_NE(s.console.Text().find("not found needle"), std::string::npos);
}

TEST(SearchTest, FailedContinueReturnsToThePageOfTheLastSearch) {
  Scenario s;
  s.AddWork("w", "W", Lines(150, {{30, " needle"}}));
  s.keyboard.Type("snnfz");
  s.keyboard.input = "needle\n";
  s.Run({"0"});
  std::vector<int> pages = PagesShown(s.console.Text());
  // 1, search hit on 2, then 3, 4, 'f' passes 5 and 6, fails: back to page 1.
  EXPECT_EQ(pages, std::vector<int>({1, 2, 3, 4, 5, 6, 1}));
}

TEST(SearchTest, ContinueWithoutAnyWordShowsTheNextPage) {
  Scenario s;
  s.AddWork("w", "W", Lines(100));
  s.keyboard.Type("f");
  s.Run({"0"});
  EXPECT_EQ(PagesShown(s.console.Text()), std::vector<int>({1, 2}));
  EXPECT_NE(s.console.Text().find("line 023\r\n"), std::string::npos);
}

TEST(SearchTest, ContinueWithoutAnEarlierSearchReturnsToThePageOnScreen) {
  Scenario s;
  s.AddWork("w", "W", Lines(100));
  s.keyboard.Type("nnf");  // 'f' with no word finds the next page at once
  s.Run({"0"});
  EXPECT_EQ(PagesShown(s.console.Text()), std::vector<int>({1, 2, 3, 4}));
}

TEST(SearchTest, AHitOnTheFinalPartialPageEndsTheSearchThere) {
  Scenario s;
  s.AddWork("w", "W", Lines(30, {{28, " needle"}}));
  s.keyboard.Type("sz");
  s.keyboard.input = "needle\n";
  s.Run({"0"});
  std::string text = s.console.Text();
  EXPECT_NE(text.find("line 028 needle\r\nline 029\r\nline 030\r\n[ W ] 終わりまで"),
            std::string::npos);
  EXPECT_EQ(text.find("not found"), std::string::npos);
  EXPECT_EQ(Painted(s.console, L_WHITE + 16 * H_RED), std::vector<std::string>({"needle"}));
}

TEST(SearchTest, ReadingsInPlaceSearchTheReadingsNotTheKanji) {
  for (std::string word : {"よしみ", "誼"}) {
    Scenario s;
    s.AddWork("w", "W", Lines(30) + "彼は誼《よしみ》を結んだ\r\n" + Lines(30));
    s.keyboard.Type("sz");
    s.keyboard.input = word + "\n";
    s.Run({"0", "y"});
    bool found = s.console.Text().find("not found") == std::string::npos;
    EXPECT_EQ(found, word == "よしみ") << word;
  }
}

TEST(SearchTest, ALongWordIsKeptToTwoHundredFiftyFiveBytes) {
  Scenario s;
  s.AddWork("w", "W", Lines(30));
  s.keyboard.Type("sz");
  s.keyboard.input = std::string(300, 'w') + " next\n";
  s.Run({"0"});
  EXPECT_EQ(Painted(s.console, H_RED + 16 * L_GREEN),
            std::vector<std::string>({std::string(255, 'w')}));
}

TEST(SearchTest, AWordOverARowEndIsPrintedWholeHoweverLong) {
  Scenario s;
  // A 140-byte word that starts 10 bytes into a row and runs into the next.
  std::string word(140, 'w');
  s.AddWork("w", "W", Lines(30) + std::string(10, 'x') + word + "yy\r\n" + Lines(30));
  s.keyboard.Type("s");
  s.keyboard.input = word + "\n";
  s.Run({"0"});
  EXPECT_EQ(Painted(s.console, kHit), std::vector<std::string>({word}));
  EXPECT_NE(s.console.Text().find(std::string(10, 'x') + word + "\n"), std::string::npos);
}

}  // namespace
}  // namespace shiori::testing
