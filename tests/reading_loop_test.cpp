// The reading loop end to end on the fake platform: paging, page back, help,
// change of work, quit and the end of a work.
#include <gtest/gtest.h>

#include "platform/keyboard.h"
#include "tests/support/fake_platform.h"

namespace shiori::testing {
namespace {

class ReadingLoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    s.AddWork("alpha", "Alpha", NumberedLines(1, 300));
    s.AddWork("beta", "Beta", NumberedLines(1001, 100));
  }
  std::vector<int> Pages() const { return PagesShown(s.console.Text()); }
  Scenario s;
};

TEST_F(ReadingLoopTest, FirstPageEndsAtRowTwentyTwoAndIsPageOne) {
  s.Run({"0"});
  std::string text = s.console.Text();
  EXPECT_EQ(Pages(), std::vector<int>({1}));
  EXPECT_NE(text.find("line 001\r\n"), std::string::npos);
  EXPECT_NE(text.find("line 022\r\n"), std::string::npos);
  EXPECT_EQ(text.find("line 023"), std::string::npos);
  EXPECT_NE(text.find("[ Alpha --- page 1 --- "), std::string::npos);
}

TEST_F(ReadingLoopTest, PlainAndUnknownKeysAdvanceOnePageEach) {
  s.keyboard.Type("n xN");
  s.Run({"0"});
  EXPECT_EQ(Pages(), std::vector<int>({1, 2, 3, 4, 5}));
}

TEST_F(ReadingLoopTest, BackThreeTimesFromPageTenShowsPageSeven) {
  s.keyboard.Type("nnnnnnnnn---");
  s.Run({"0"});
  std::vector<int> pages = Pages();
  ASSERT_GE(pages.size(), 13u);
  EXPECT_EQ(pages[9], 10);
  EXPECT_EQ(std::vector<int>(pages.end() - 3, pages.end()), std::vector<int>({9, 8, 7}));
}

TEST_F(ReadingLoopTest, BackOnTheFirstPageShowsItAgain) {
  s.keyboard.Type("-");
  s.Run({"0"});
  EXPECT_EQ(Pages(), std::vector<int>({1, 1}));
  EXPECT_EQ(s.console.Text().find("line 023"), std::string::npos);
}

TEST_F(ReadingLoopTest, SpecialKeysActOnceEach) {
  s.keyboard.keys = {'n', 'n', kKeyUp, kKeyDown, kKeyPageUp, kKeyF1 + 4};
  s.Run({"0"});
  // 1, 2, 3, up: 2, down: 3, page up: 2, F5: 3, then input ends.
  EXPECT_EQ(Pages(), std::vector<int>({1, 2, 3, 2, 3, 2, 3}));
}

TEST_F(ReadingLoopTest, HelpShowsBannerAndKeysThenTheSamePage) {
  s.keyboard.Type("hx");
  s.Run({"0"});
  std::string text = s.console.Text();
  EXPECT_NE(text.find("[ --- "), std::string::npos);
  EXPECT_NE(text.find("q:end\ns:search word\nf:research(continue search same word)\n"
                      "-:back one page\nc:change select\nt:読み上げon/off切り替え\nr:読み仮名情報\n"
                      "m:ＢＧＭ音楽の選択\np:画像表示選択\nb:search backward (same word)\n"
                      "j:目次としおり（番号で移動）\ng:go to (page number, N%, ^ start, $ end)\n"
                      "k:しおりを挟む・外す\ntouch anykey , return page\n"),
            std::string::npos);
  // The help's own key ('x') does not advance: page 1 again, then input ends.
  EXPECT_EQ(Pages(), std::vector<int>({1, 1}));
}

TEST_F(ReadingLoopTest, QuitSavesThePositionAndTheNextStartShowsThatPage) {
  s.keyboard.Type("nnq");
  s.Run({"0"});
  EXPECT_NE(s.console.Text().find("[ Alpha ] 途中まで、表示しました。66行"), std::string::npos);
  EXPECT_EQ(s.ReadFile("001036_info.ini"), "morgue.txt\n0\nalpha.txt\n66\n");
  // Both announcements are spoken although speech is off.
  ASSERT_EQ(s.speech.spoken.size(), 2u);
  EXPECT_EQ(s.speech.spoken[0], std::vector<std::string>({"Alpha"}));
  EXPECT_EQ(s.speech.spoken[1], std::vector<std::string>({"とちゅうまでひょうじしました"}));

  s.ResetRecording();
  s.keyboard.Type("q");
  s.Run({"0"});
  EXPECT_EQ(Pages(), std::vector<int>({3}));
  EXPECT_EQ(s.console.Text().find("line 001"), std::string::npos);
}

TEST_F(ReadingLoopTest, TheEndOfAWorkSavesZeroAndEnds) {
  s.AddWork("short", "Short", NumberedLines(1, 30));
  s.WriteFile("001036_info.ini", "short.txt\r\n22\r\n");
  s.keyboard.Type("nz");
  s.Run({"2"});
  std::string text = s.console.Text();
  // The saved position 22 is the row count of page 1, so page 1 is shown.
  EXPECT_EQ(Pages(), std::vector<int>({1}));
  std::string after = s.console.TextAfter("(n)next");
  EXPECT_NE(after.find("line 023\r\n"), std::string::npos);
  EXPECT_NE(after.find("line 030\r\n[ Short ] 終わりまで、表示しました\ntouch anykey, (end)\n"),
            std::string::npos);
  EXPECT_EQ(s.ReadFile("001036_info.ini"), "short.txt\n0\n");
  EXPECT_EQ(s.cues.played.back(), "SystemExit:128");
}

TEST_F(ReadingLoopTest, ALastLineWithoutLineFeedIsShown) {
  s.AddWork("tail", "Tail", NumberedLines(1, 5) + "the very end");
  s.Run({"2"});
  EXPECT_NE(s.console.Text().find("line 005\r\nthe very end\n[ Tail ] 終わりまで"),
            std::string::npos);
}

TEST_F(ReadingLoopTest, ChangeToTheSameWorkActsAsBack) {
  s.keyboard.Type("nnc");
  s.keyboard.input = "0\n";
  s.Run({"0"});
  EXPECT_EQ(Pages(), std::vector<int>({1, 2, 3, 2}));
  EXPECT_NE(s.console.Text().find("(00) Alpha , (01) Beta\nselect number\n"), std::string::npos);
}

TEST_F(ReadingLoopTest, ChangeToAnotherWorkSavesAndResumesItsOwnPage) {
  s.WriteFile("001036_info.ini", "beta.txt\n44\n");
  s.keyboard.Type("ncq");
  s.keyboard.input = "1\n";
  s.Run({"0"});
  std::string text = s.console.Text();
  EXPECT_NE(text.find("0 beta beta 44\n"), std::string::npos);
  EXPECT_NE(text.find("[ Beta --- page 2 --- "), std::string::npos);
  EXPECT_NE(text.find("line 1044"), std::string::npos);
  EXPECT_EQ(text.find("line 1022"), std::string::npos);
  EXPECT_EQ(s.ReadFile("001036_info.ini"), "beta.txt\n44\nalpha.txt\n44\n");
}

TEST_F(ReadingLoopTest, ChangeWithANonNumberActsAsBackAndTheLineDoesNotAnswerAgain) {
  // Full-width digits are digits; what follows an answer on its line is
  // dropped and answers nothing later.
  s.keyboard.Type("ncccc");
  s.keyboard.input = "abc\n\x82\x50 0\n\x82\x50\n";  // abc / １ 0 / １
  s.Run({"0"});
  // Alpha 1, 2, back to 1; Beta; Beta again (the same work acts as back),
  // and again when the input has ended.
  EXPECT_EQ(Pages(), std::vector<int>({1, 2, 1, 1, 1, 1}));
  const std::string text = s.console.Text();
  std::size_t beta = 0;
  for (std::size_t at = 0; (at = text.find("[ Beta --- page 1 ---", at)) != std::string::npos; ++at)
    ++beta;
  EXPECT_EQ(beta, 3u);
  EXPECT_EQ(s.keyboard.input, "");
  EXPECT_TRUE(s.keyboard.ended) << "the fourth change met the end of input";
}

TEST_F(ReadingLoopTest, ALoneCrEndsALineAsCrLfDoes) {
  // An old Mac text: the same pages, rows and annotations (tagged with the
  // byte count) as the same text with CR LF; only the percentages differ,
  // as the files' sizes do.
  std::string crlf =
      "title\r\n\r\n漢字［＃「漢字」に傍点］\r\n" + NumberedLines(1, 80) + "end";
  auto screen = [](std::string text) {
    Scenario one;
    one.AddWork("w", "W", text);
    one.keyboard.Type("ni");
    one.Run({"0"});
    std::string out;
    for (const testing::Run& r : one.console.runs) out += r.text;
    // The percentages: "--- 12.345678% ]".
    for (std::size_t at = 0; (at = out.find("% ]", at)) != std::string::npos; at += 3) {
      std::size_t from = out.rfind("--- ", at) + 4;
      out.erase(from, at - from);
      at = from;
    }
    return out;
  };
  std::string cr = crlf;
  for (std::size_t at = 0; (at = cr.find("\r\n", at)) != std::string::npos;) cr.erase(at + 1, 1);
  const std::string want = screen(crlf);
  EXPECT_NE(want.find("\r\n漢字\r\nline 001\r\n"), std::string::npos);
  EXPECT_NE(want.find("に傍点"), std::string::npos) << "the annotation is listed";
  EXPECT_EQ(screen(cr), want);
  EXPECT_EQ(PagesShown(want), std::vector<int>({1, 2, 2}));
}

TEST_F(ReadingLoopTest, ExitSequenceClosesTheConsoleAfterTheExitCue) {
  s.Run({"0"});
  ASSERT_GE(s.cues.played.size(), 2u);
  EXPECT_EQ(s.cues.played.front(), "SystemStart:129");
  EXPECT_EQ(s.cues.played.back(), "SystemExit:128");
  EXPECT_TRUE(s.console.closed);
  EXPECT_EQ(s.messages.timer_ms, 200);
}

}  // namespace
}  // namespace shiori::testing
