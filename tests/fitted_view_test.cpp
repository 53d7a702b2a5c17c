// The fitted view as a reader drives it: pages that fit the screen at two
// sizes and after a resize, the switch between the views keeping the place,
// the position each view saves read back by the other, the view remembered
// (and a settings file that cannot be read or understood), the search and
// the navigation keys. The real program is in fitted_view_pty_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>

#include "app/command_line.h"
#include "cconsole/cconsole.h"
#include "tests/support/fake_platform.h"
#include "text/sjis.h"

namespace shiori::testing {
namespace {

// A console that marks in its record where each page the whole screen view
// draws begins (a form feed).
class MarkedConsole : public FakeConsole {
 public:
  void ClearScreen() override {
    FakeConsole::ClearScreen();
    Write("\f");
  }
  bool Whole() const { return std::find(events.begin(), events.end(), "whole:1") != events.end(); }
  // A line feed on the screen's last row scrolls the whole screen.
  void Write(std::string_view bytes) override {
    int at = row;
    for (const char c : bytes) {
      if (c != '\n') continue;
      if (whole_screen && at >= height - 1) ++scrolls;
      ++at;
    }
    FakeConsole::Write(bytes);
  }
  int scrolls = 0;
};

// One whole-screen page as drawn: its rows and its status line.
struct Screen {
  std::vector<std::string> rows;
  std::string status;
  int height = 0;  ///< screen lines drawn, the status line's included
  int page = 0, pages = 0;
  bool Shows(const std::string& text) const {
    for (const std::string& r : rows)
      if (r.find(text) != std::string::npos) return true;
    return false;
  }
};

const std::regex kStatus(R"(^\[ [^\]]* \] page (\d+) of (\d+)  \d+\.\d%( +h:help v:view q:quit)?)");

// The pages drawn, in order: what follows each clearing of the screen up to
// the status line (lists drawn on the whole screen have none).
std::vector<Screen> Screens(const std::string& text) {
  std::vector<Screen> out;
  std::size_t at = text.find('\f');
  while (at != std::string::npos) {
    const std::size_t next = text.find('\f', at + 1);
    const std::string part = text.substr(at + 1, next == std::string::npos ? next : next - at - 1);
    at = next;
    Screen s;
    std::size_t start = 0;
    for (;;) {
      const std::size_t nl = part.find('\n', start);
      const std::string line = part.substr(start, nl == std::string::npos ? nl : nl - start);
      std::smatch m;
      if (std::regex_search(line, m, kStatus)) {
        s.status = m[0];
        s.page = std::stoi(m[1]);
        s.pages = std::stoi(m[2]);
        s.height = static_cast<int>(s.rows.size()) + 1;
        out.push_back(s);
        break;
      }
      if (nl == std::string::npos) break;
      s.rows.push_back(line);
      start = nl + 1;
    }
  }
  return out;
}

// Display columns of code page 932 text without gaiji.
int Columns(std::string_view s) {
  int c = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ++i, ++c;
    ++c;
  }
  return c;
}

class FittedViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    con.width = 60;
    con.height = 20;
    s.platform.console = &con;
    s.keyboard.console = &con;
    // A line longer than several rows among short ones.
    std::string long_line;
    for (int i = 0; i < 150; ++i) long_line += "あ";
    s.AddWork("w", "Title", NumberedLines(1, 30) + long_line + "\r\n" + NumberedLines(31, 170));
  }
  void Type(const std::string& keys) { s.keyboard.Type(keys); }
  void Resize(int columns, int rows) { s.keyboard.Resize(columns, rows); }
  // Runs the reader again as a new process would, the files kept.
  void Restart() {
    s.ResetRecording();
    con.ClearRecording();
    s.keyboard.keys.clear();
  }

  Scenario s;
  MarkedConsole con;
};

TEST_F(FittedViewTest, PagesFitTwoScreenSizesAndAResizeKeepsTheTopLineOnScreen) {
  Type("nn");
  Resize(100, 30);
  Type("n");
  Resize(40, 12);
  s.Run({"--fit", "0"});
  const std::vector<Screen> screens = Screens(con.Text());
  ASSERT_EQ(screens.size(), 6u);
  const int widths[] = {60, 60, 60, 100, 100, 40};
  const int heights[] = {20, 20, 20, 30, 30, 12};
  for (std::size_t i = 0; i < screens.size(); ++i) {
    const Screen& sc = screens[i];
    SCOPED_TRACE("screen " + std::to_string(i));
    // The page fills the screen to its last row and never past it; the
    // last column stays free, the status line's too.
    EXPECT_EQ(sc.height, heights[i]);
    for (const std::string& row : sc.rows) EXPECT_LT(Columns(row), widths[i]) << row;
    EXPECT_LT(Columns(sc.status), widths[i]) << sc.status;
    EXPECT_GE(sc.pages, sc.page);
  }
  EXPECT_EQ(screens[0].rows.front(), "line 001");
  // The long line is cut into rows, none lost.
  std::string joined;
  for (const std::string& row : screens[1].rows)
    if (row.rfind("\x82\xa0", 0) == 0) joined += row;
  EXPECT_EQ(joined.size(), 300u);
  // Page turns count on; a resize keeps the top line of the page on screen
  // and gives the pages the new size makes.
  EXPECT_EQ(screens[1].page, 2);
  EXPECT_EQ(screens[2].page, 3);
  const std::string top = screens[2].rows.front();
  EXPECT_TRUE(screens[3].Shows(top)) << top;
  EXPECT_LT(screens[3].pages, screens[2].pages);
  EXPECT_EQ(screens[4].page, screens[3].page + 1);
  EXPECT_TRUE(screens[5].Shows(screens[4].rows.front()));
  EXPECT_GT(screens[5].pages, screens[4].pages);
  // The whole screen is given back at the end.
  EXPECT_EQ(con.events.back(), "whole:0");
}

TEST_F(FittedViewTest, ResizesInARowKeepThePlaceWhenPagesBeginInsideLongLines) {
  // At 40 x 12 the two long lines take 22 rows each; pages 3 and 4 begin
  // inside the first and the second.
  std::string a, b;
  for (int i = 0; i < 400; ++i) a += "あ", b += "い";
  s.AddWork("l", "L", NumberedLines(1, 5) + a + "\r\n" + b + "\r\n" + NumberedLines(6, 30));
  con.width = 40;
  con.height = 12;
  Type("nnn");
  Resize(40, 12);  // a window dragged sends many
  Resize(40, 12);
  Resize(40, 12);
  s.Run({"--fit", "1"});
  const std::vector<Screen> screens = Screens(con.Text());
  ASSERT_EQ(screens.size(), 7u);
  ASSERT_EQ(screens[3].page, 4);
  // Page 4 again, every time: the character it began with stays on top,
  // not the start of its line (on page 3).
  for (std::size_t i = 4; i < 7; ++i) {
    EXPECT_EQ(screens[i].page, 4) << i;
    EXPECT_EQ(screens[i].rows.front(), screens[3].rows.front()) << i;
  }
}

TEST_F(FittedViewTest, VKeepsTheSourceLineAndEachViewReadsThePositionTheOtherSaved) {
  Type("nnn" "v" "v" "q");
  s.Run({"--fit", "0"});
  std::vector<Screen> fitted = Screens(con.Text());
  ASSERT_EQ(fitted.size(), 5u);
  const std::string top = fitted[3].rows.front();
  // The classic page drawn after the switch holds the fitted page's top line.
  const std::string after_v = con.TextAfter(fitted[3].status);
  const std::string classic_page = after_v.substr(0, after_v.find("--- page"));
  EXPECT_NE(classic_page.find(top), std::string::npos) << top;
  // Back in the fitted view: the page holding the classic page's top line.
  const std::size_t first_nl = classic_page.find('\n');
  const std::string classic_top = classic_page.substr(first_nl + 1, 8);
  EXPECT_TRUE(fitted[4].Shows(classic_top)) << classic_top;

  // Quit in the fitted view saves the classic count of its top line; the
  // next run opens in the fitted view at that line, and the classic view
  // opens at it from the same file.
  const std::string fitted_top = fitted[4].rows.front();
  const std::string saved = s.ReadFile("001036_info.ini");
  ASSERT_NE(saved.find("w.txt"), std::string::npos);
  EXPECT_GT(std::atoi(saved.c_str() + saved.find("w.txt") + 6), 0);
  Restart();
  s.Run({"0"});
  fitted = Screens(con.Text());
  ASSERT_EQ(fitted.size(), 1u);
  EXPECT_EQ(fitted[0].rows.front(), fitted_top);

  Restart();
  s.WriteFile("shiori_view.ini", "view=classic\n");
  s.Run({"0"});
  EXPECT_TRUE(Screens(con.Text()).empty());
  EXPECT_NE(con.Text().find(fitted_top), std::string::npos);
}

TEST_F(FittedViewTest, TheViewIsRememberedAndABadSettingsFileOpensTheClassicView) {
  struct Case {
    const char* content;  ///< nullptr: no file; "/": a folder in its place
    bool fitted;          ///< the view that opens
    bool notice;          ///< a line says why the classic view opens
  };
  const Case cases[] = {
      {nullptr, false, false},        {"view=fitted\n", true, false},
      {"view=classic\r\n", false, false}, {"view=sideways\n", false, true},
      {"\x01\x02garbage", false, true}, {"/", false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.content ? c.content : "(none)");
    Restart();
    std::filesystem::remove_all(s.Path("shiori_view.ini"));
    if (c.content && std::string(c.content) == "/") {
      std::filesystem::create_directory(s.Path("shiori_view.ini"));
    } else if (c.content) {
      s.WriteFile("shiori_view.ini", c.content);
    }
    // The view is switched and switched back: nothing to record.
    Type("vvq");
    s.Run({"0"});
    EXPECT_EQ(con.Whole(), true);  // 'v' always reaches the fitted view
    const bool opened_fitted = con.Text().find('\f') < con.Text().find("--- page");
    EXPECT_EQ(opened_fitted, c.fitted);
    const bool said = con.Text().find("shiori_view.ini") != std::string::npos;
    EXPECT_EQ(said, c.notice);
    if (c.content && std::string(c.content) == "/") {
      EXPECT_TRUE(std::filesystem::is_directory(s.Path("shiori_view.ini")));
    } else if (c.content) {
      EXPECT_EQ(s.ReadFile("shiori_view.ini"), c.content);
    } else {
      EXPECT_FALSE(std::filesystem::exists(s.Path("shiori_view.ini")));
    }
  }
  // --fit wins over the file, and the view at quit is the one remembered.
  Restart();
  std::filesystem::remove_all(s.Path("shiori_view.ini"));
  s.WriteFile("shiori_view.ini", "view=classic\n");
  s.Run({"--fit", "0"});
  EXPECT_EQ(s.ReadFile("shiori_view.ini"), "view=fitted\n");
  Restart();
  Type("vq");
  s.Run({"0"});
  EXPECT_TRUE(con.Whole());
  EXPECT_EQ(s.ReadFile("shiori_view.ini"), "view=classic\n");
}

TEST_F(FittedViewTest, SearchHighlightsTheHitPassesPagesSilentlyAndStaysOnAPageWithout) {
  s.keyboard.input = "080\nnowhere\n";
  Type("s" "nnb" "-" "s" "x");
  s.Run({"--fit", "0"});
  const std::vector<Screen> screens = Screens(con.Text());
  ASSERT_EQ(screens.size(), 7u);
  // From page 1 straight to the page with the word, none drawn between;
  // backward from two pages on, straight back to it.
  EXPECT_EQ(screens[0].page, 1);
  EXPECT_TRUE(screens[1].Shows("line 080"));
  EXPECT_EQ(screens[3].page, screens[1].page + 2);
  EXPECT_EQ(screens[4].page, screens[1].page);
  EXPECT_EQ(screens[5].page, screens[1].page - 1);
  // Not found: one line on the status row, then the same page again.
  EXPECT_NE(con.Text().find("not found nowhere"), std::string::npos);
  EXPECT_EQ(screens[6].page, screens[5].page);
  const std::uint16_t hit = L_WHITE + 16 * H_RED;
  int painted = 0;
  for (const shiori::testing::Run& r : con.runs) painted += r.attr == hit && r.text == "080";
  EXPECT_EQ(painted, 2);  // forward and backward
}

TEST_F(FittedViewTest, AGaijiTypedFindsTheGaijiShown) {
  s.AddWork("g", "G",
            NumberedLines(1, 45) + "外字※［＃「女＋而」、U+5A86、3-4］の行\r\n" + NumberedLines(46, 5));
  s.keyboard.input = "\xE5\xAA\x86\n";  // the character in UTF-8, as a terminal gives it
  Type("s");
  s.Run({"--fit", "1"});
  const std::uint16_t hit = L_WHITE + 16 * H_RED;
  bool painted = false;
  for (const shiori::testing::Run& r : con.runs)
    painted = painted || (r.attr == hit && r.utf8 == "\xE5\xAA\x86");
  EXPECT_TRUE(painted);
  EXPECT_EQ(Screens(con.Text()).back().page, 3);
}

TEST_F(FittedViewTest, SpeechSpeaksTheFittedRowsAndRecoloursWhatWasSpoken) {
  s.AddWork("t", "T", "一つ目の文です。二つ目の文は長めに続きます。\r\n" + NumberedLines(1, 40));
  Type("t");
  s.Run({"--fit", "1"});
  ASSERT_GE(s.speech.spoken.size(), 2u);
  EXPECT_EQ(s.speech.spoken[0], std::vector<std::string>{"一つ目の文です。"});
  // Drawn in the speaking colour, then what was spoken again in the normal
  // one: the first sentence alone on its row, the rest left speaking.
  const std::uint16_t speaking = H_GREEN + 16 * L_BLACK, normal = L_WHITE + 16 * L_BLACK;
  bool drawn_speaking = false, spoken_again = false;
  for (const shiori::testing::Run& r : con.runs) {
    drawn_speaking = drawn_speaking || (r.attr == speaking && r.text.find("二つ目") != std::string::npos);
    spoken_again = spoken_again || (r.attr == normal && r.text.rfind("一つ目の文です。", 0) == 0 &&
                                    r.text.find("二つ目") == std::string::npos);
  }
  EXPECT_TRUE(drawn_speaking);
  EXPECT_TRUE(spoken_again);
}

TEST_F(FittedViewTest, ContentsAndGoToJumpToTheFittedPagesTheyName) {
  s.AddWork("h", "H",
            NumberedLines(1, 25) + "第二章［＃「第二章」は大見出し］\r\n" + NumberedLines(26, 40) +
                "第三章［＃「第三章」は大見出し］\r\n" + NumberedLines(66, 20));
  s.keyboard.input = "2\n1\n$\n";
  Type("jgg");
  s.Run({"--fit", "1"});
  const std::string listed = con.Text().substr(con.Text().find("(02) page "));
  const int page = std::atoi(listed.c_str() + 10);
  const std::vector<Screen> screens = Screens(con.Text());
  ASSERT_EQ(screens.size(), 4u);
  EXPECT_EQ(screens[1].page, page);
  EXPECT_TRUE(screens[1].Shows("第三章"));
  EXPECT_EQ(screens[2].page, 1);
  EXPECT_EQ(screens[3].page, screens[3].pages);
}

TEST_F(FittedViewTest, PromptsAndMessagesOfTheKeysStayOnTheStatusLine) {
  // k marks page 1; g is answered badly, then with page 2; j lists the mark
  // and is given no entry; b asks for its word and finds it nowhere before;
  // s finds nothing (its notice waits for a key); k marks page 2.
  s.keyboard.input = "zz\n2\n9\n080\nnowhere\n";
  Type("kgjbs" "x" "kq");
  s.Run({"--fit", "0"});
  EXPECT_EQ(con.scrolls, 0);
  const std::string text = con.Text();
  for (const char* said : {"bookmark set at page 1", "bad input: zz  go to:", "input number",
                           "no entry 9", "not found 080", "not found nowhere",
                           "bookmark set at page 2"})
    EXPECT_NE(text.find(said), std::string::npos) << said;
  // Each page after an answer is drawn whole again: the page g named, the
  // same one after j, after b and after s.
  std::vector<int> pages;
  for (const Screen& sc : Screens(text)) pages.push_back(sc.page);
  EXPECT_EQ(pages, (std::vector<int>{1, 2, 2, 2, 2}));
}

TEST(FittedCommandLineTest, FitAndAMeasureWithinItsBoundsElseTheUsage) {
  struct Case {
    std::vector<std::string> args;
    bool ok;
    int width;
  };
  const Case cases[] = {
      {{"--fit", "--width", "40", "3"}, true, 40}, {{"--width=100"}, true, 100},
      {{"--width", "19"}, false, 0},               {{"--width", "1001"}, false, 0},
      {{"--width", "4x"}, false, 0},               {{"--width"}, false, 0},
      {{"--width="}, false, 0},
  };
  for (const Case& c : cases) {
    const CommandLine cl = ParseCommandLine(c.args);
    EXPECT_EQ(cl.action == CommandLine::Action::kRead, c.ok) << c.args.back();
    if (c.ok) {
      EXPECT_EQ(cl.width, c.width);
    }
  }
  EXPECT_TRUE(ParseCommandLine({"--fit", "3"}).fit);
  EXPECT_EQ(*ParseCommandLine({"--width", "40", "3"}).work_number, 3);
}

}  // namespace
}  // namespace shiori::testing
