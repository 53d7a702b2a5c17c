// Start-up: the command line, the work menu and the loading notice.
#include <gtest/gtest.h>

#include "tests/support/fake_platform.h"

namespace shiori::testing {
namespace {

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    s.AddWork("first", "First", NumberedLines(1, 30));
    s.AddWork("second", "Second", NumberedLines(501, 30));
  }
  // Which work was opened, judged by the status line of the first page.
  std::string Opened() {
    std::string t = s.console.Text();
    if (t.find("[ First --- page") != std::string::npos) return "First";
    if (t.find("[ Second --- page") != std::string::npos) return "Second";
    return "none";
  }
  Scenario s;
};

TEST_F(StartupTest, NumberArgumentSelectsWithModuloAndRangeTest) {
  const std::pair<const char*, const char*> cases[] = {
      {"0", "First"}, {"1", "Second"}, {"2", "First"}, {"3", "First"},
      {"4", "Second"}, {"5", "First"}, {"-1", "First"}, {"abc", "First"},
      {"1r", "Second"}, {"y", "First"},
  };
  for (auto [arg, want] : cases) {
    s.ResetRecording();
    s.Run({arg});
    EXPECT_EQ(Opened(), want) << "argument " << arg;
    EXPECT_EQ(s.console.Text().find("select number"), std::string::npos) << arg;
  }
}

TEST_F(StartupTest, MenuWithoutArgumentsAndTheAnswer) {
  const std::pair<const char*, const char*> cases[] = {
      {"1\n", "Second"}, {"7\n", "First"}, {"-3\n", "First"}, {"x\n", "First"}};
  for (auto [answer, want] : cases) {
    s.ResetRecording();
    s.keyboard.input = answer;
    s.Run({});
    EXPECT_EQ(s.console.Text().rfind("(00) First , (01) Second\nselect number\n", 0), 0u)
        << s.console.Text().substr(0, 60);
    EXPECT_EQ(Opened(), want) << "answer " << answer;
  }
}

TEST_F(StartupTest, MenuOfFiveWorksBreaksAfterEveryFourth) {
  s.AddWork("c", "C", "x\r\n");
  s.AddWork("d", "D", "x\r\n");
  s.AddWork("e", "E", "x\r\n");
  s.keyboard.input = "0\n";
  s.Run({});
  EXPECT_EQ(s.console.Text().rfind(
                "(00) First , (01) Second , (02) C , (03) D\n(04) E\nselect number\n", 0),
            0u);
}

TEST_F(StartupTest, OneWorkNeverShowsTheMenu) {
  Scenario one;
  one.AddWork("only", "Only", NumberedLines(1, 30));
  one.Run({});
  EXPECT_EQ(one.console.Text().find("select number"), std::string::npos);
  EXPECT_NE(one.console.Text().find("[ Only --- page 1"), std::string::npos);
}

TEST_F(StartupTest, ModeSuffixesComeFromEveryArgument) {
  s.Run({"0", "y"});
  // Reading-in-place is on: no screen clear (that is the reverse mode).
  EXPECT_TRUE(s.console.events.empty());
  s.ResetRecording();
  s.Run({"1r"});
  ASSERT_GE(s.console.events.size(), 2u);
  EXPECT_EQ(s.console.events[0], "fillattr:240:24000");  // black on bright white
  EXPECT_EQ(Opened(), "Second");
}

TEST_F(StartupTest, LoadingNoticeIsPrintedAndBlankedOnOneLine) {
  s.Run({"0"});
  ASSERT_GE(s.console.runs.size(), 2u);
  // Bright white on bright red, then the normal pair with 16 blanks.
  EXPECT_EQ(s.console.runs[0].attr, 15 + 16 * 12);
  EXPECT_EQ(s.console.runs[0].text, "読み込み中・・・\r");
  EXPECT_EQ(s.console.runs[1].attr, 7);
  EXPECT_EQ(s.console.runs[1].text.substr(0, 17), "                \r");
}

TEST_F(StartupTest, ReverseModeNoticeAndExitColours) {
  s.Run({"0r"});
  EXPECT_EQ(s.console.runs[0].attr, 0 + 16 * 12);
  EXPECT_EQ(s.console.runs[1].attr, 0 + 16 * 15);
  // On exit in reverse mode the console is left light grey on black.
  EXPECT_EQ(s.console.attr(), 7);
}

TEST_F(StartupTest, MissingResourceSaysSoAndEndsCleanly) {
  s.resources.items.erase("second");
  EXPECT_EQ(s.Run({"1"}), 0);
  EXPECT_NE(s.console.errors.find("second"), std::string::npos);
  EXPECT_NE(s.console.Text().find("[ Second ] 終わりまで、表示しました"), std::string::npos);
}

}  // namespace
}  // namespace shiori::testing
