// The fitted view as a reader drives it: pages that fit the screen at two
// sizes and after a resize, the switch between the views keeping the place,
// the position each view saves read back by the other, the view remembered
// (and a settings file that cannot be read or understood), and the search.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <regex>

#include "app/command_line.h"
#include "cconsole/cconsole.h"
#include "tests/support/fake_platform.h"
#include "text/sjis.h"

namespace shiori::testing {
namespace {

// A console of the size the test gives it; each page the whole screen view
// draws begins with a form feed in the record.
class SizedConsole : public FakeConsole {
 public:
  bool GetScreenInfo(ScreenInfo* info) override {
    FakeConsole::GetScreenInfo(info);
    info->width = width;
    info->height = height;
    return true;
  }
  void ClearScreen() override { Write("\f"); }
  void UseWholeScreen(bool on) override { events.push_back(on ? "whole:on" : "whole:off"); }
  bool Whole() const {
    return !events.empty() && std::find(events.begin(), events.end(), "whole:on") != events.end();
  }
  int width = 60;
  int height = 20;
};

// Keys with resizes among them: the console takes the next size as the
// resize key is read.
class ResizingKeyboard : public FakeKeyboard {
 public:
  int GetKey() override {
    const int k = FakeKeyboard::GetKey();
    if (k == kKeyResize && !sizes.empty()) {
      console->width = sizes.front().first;
      console->height = sizes.front().second;
      sizes.pop_front();
    }
    return k;
  }
  SizedConsole* console = nullptr;
  std::deque<std::pair<int, int>> sizes;
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
    kb.console = &con;
    s.platform.console = &con;
    s.platform.keyboard = &kb;
    // A line longer than several rows among short ones.
    std::string long_line;
    for (int i = 0; i < 150; ++i) long_line += "あ";
    s.AddWork("w", "Title", NumberedLines(1, 30) + long_line + "\r\n" + NumberedLines(31, 170));
  }
  void Type(const std::string& keys) { kb.Type(keys); }
  void Resize(int columns, int rows) {
    kb.keys.push_back(kKeyResize);
    kb.sizes.emplace_back(columns, rows);
  }
  // Runs the reader again as a new process would, the files kept.
  void Restart() {
    s.ResetRecording();
    con.runs.clear();
    con.events.clear();
    kb.keys.clear();
  }

  Scenario s;
  SizedConsole con;
  ResizingKeyboard kb;
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
  EXPECT_EQ(con.events.back(), "whole:off");
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
  kb.input = "080\nnowhere\n";
  Type("s" "-" "s" "x");
  s.Run({"--fit", "0"});
  const std::vector<Screen> screens = Screens(con.Text());
  ASSERT_EQ(screens.size(), 4u);
  // From page 1 straight to the page with the word, none drawn between.
  EXPECT_EQ(screens[0].page, 1);
  EXPECT_TRUE(screens[1].Shows("line 080"));
  EXPECT_EQ(screens[2].page, screens[1].page - 1);
  // Not found: one line on the status row, then the same page again.
  EXPECT_NE(con.Text().find("not found nowhere"), std::string::npos);
  EXPECT_EQ(screens[3].page, screens[2].page);
  const std::uint16_t hit = L_WHITE + 16 * H_RED;
  bool painted = false;
  for (const shiori::testing::Run& r : con.runs) painted = painted || (r.attr == hit && r.text == "080");
  EXPECT_TRUE(painted);
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
