// Speech end to end on the fake platform: the 't' key, rows re-coloured in
// place as their text is spoken (also across a page end), the last page, the
// announcements, and silence while a search runs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cconsole/cconsole.h"
#include "tests/support/fake_platform.h"

namespace shiori::testing {
namespace {

constexpr std::uint16_t kSpeaking = H_GREEN + 16 * L_BLACK;
constexpr std::uint16_t kNormal = L_WHITE + 16 * L_BLACK;
constexpr std::uint16_t kReverseNormal = L_BLACK + 16 * H_WHITE;
constexpr std::uint16_t kOccurrence = H_WHITE + 16 * H_RED;

// "line NNN。" lines numbered from |first|; each is one row and one sentence.
std::string Sentences(int first, int count) {
  std::string s;
  char buf[32];
  for (int i = 0; i < count; ++i) {
    std::snprintf(buf, sizeof buf, "line %03d", first + i);
    s += buf;
    s += "。\r\n";
  }
  return s;
}

std::vector<std::string> One(const std::string& line) { return {line}; }

// Index of the first run in |attr| whose text is exactly |text|, or -1.
int FindRun(const FakeConsole& c, std::uint16_t attr, const std::string& text, int from = 0) {
  for (int k = from; k < static_cast<int>(c.runs.size()); ++k)
    if (c.runs[k].attr == attr && c.runs[k].text == text) return k;
  return -1;
}

bool SpokeAnything(const FakeSpeech& speech, const std::string& needle) {
  for (const auto& call : speech.spoken)
    for (const std::string& line : call)
      if (line.find(needle) != std::string::npos) return true;
  return false;
}

TEST(SpeechScenarioTest, SwitchingOnRepaintsInPlaceAndSpeaksFromTheTopSwitchingOffPrintsBelow) {
  Scenario s;
  s.AddWork("w", "W", Sentences(1, 60));
  s.keyboard.Type("tt");
  s.Run({"0"});

  // The page (rows 0-21, status line on row 22) is drawn again from row 0,
  // and each row returns to the normal colours once it has been spoken.
  std::vector<std::string> want = {"cursor:0,0"};
  for (int row = 0; row < 22; ++row) want.push_back("cursor:0," + std::to_string(row));
  EXPECT_EQ(s.console.events, want);
  ASSERT_GE(s.speech.spoken.size(), 24u);
  EXPECT_EQ(s.speech.spoken[0], One("line 001。"));
  EXPECT_EQ(s.speech.spoken[21], One("line 022。"));
  EXPECT_GE(FindRun(s.console, kSpeaking, "line 001。\r"), 0);
  EXPECT_GE(FindRun(s.console, kNormal, "line 001。\r\n"), 0);

  // Off again: the page is printed below in the normal colours, and only the
  // two quit announcements follow.
  EXPECT_EQ(PagesShown(s.console.Text()), std::vector<int>({1, 1, 1}));
  EXPECT_EQ(s.console.TextAfter("(n)next", 1).rfind("\nline 001。\r\n", 0), 0u);
  int second_status = -1;
  for (int k = 0, seen = 0; k < static_cast<int>(s.console.runs.size()); ++k)
    if (s.console.runs[k].text.find("(n)next") != std::string::npos && ++seen == 2)
      second_status = k;
  ASSERT_GT(second_status, 0);
  for (int k = second_status; k < static_cast<int>(s.console.runs.size()); ++k)
    EXPECT_NE(s.console.runs[k].attr, kSpeaking) << s.console.runs[k].text;
  EXPECT_EQ(s.speech.spoken.size(), 24u);
  EXPECT_EQ(s.speech.spoken[22], One("W"));
  EXPECT_EQ(s.speech.spoken[23], One("とちゅうまでひょうじしました"));
}

TEST(SpeechScenarioTest, ARowSpokenUpToItsFullStopKeepsItsRestInTheSpeakingColour) {
  Scenario s;
  s.AddWork("w", "W", "aaa。bbb\r\nccc。\r\n" + Sentences(3, 60));
  s.keyboard.Type("t");
  s.Run({"0"});
  ASSERT_GE(s.speech.spoken.size(), 2u);
  EXPECT_EQ(s.speech.spoken[0], One("aaa。"));
  EXPECT_EQ(s.speech.spoken[1], std::vector<std::string>({"bbb", "ccc。"}));
  // Row 0 is first repainted only up to "。"; when the next sentence ends,
  // rows 0 and 1 are repainted whole from row 0.
  int part = FindRun(s.console, kNormal, "aaa。\n");
  ASSERT_GE(part, 0);
  EXPECT_GE(FindRun(s.console, kNormal, "aaa。bbb\r\nccc。\r\n", part + 1), 0);
  EXPECT_EQ(s.console.events[1], "cursor:0,0");
  EXPECT_EQ(s.console.events[2], "cursor:0,0");
}

TEST(SpeechScenarioTest, ASentenceOverAPageEndRepaintsTheRowsOfBothPages) {
  Scenario s;
  // Page 1: 21 sentences and "open"; page 2 begins with "close。".
  s.AddWork("w", "W", Sentences(1, 21) + "open\r\nclose。more\r\n" + Sentences(24, 60));
  s.keyboard.Type("tn");
  s.Run({"0"});
  ASSERT_GE(s.speech.spoken.size(), 22u);
  EXPECT_EQ(s.speech.spoken[20], One("line 021。"));
  // "open" waited through the page end and is spoken with "close。".
  EXPECT_EQ(s.speech.spoken[21], std::vector<std::string>({"open", "close。"}));
  EXPECT_EQ(s.speech.spoken[22], std::vector<std::string>({"more", "line 024。"}));
  // Page 2's row 0 sits on screen row 23, below page 1's status line; the
  // repaint starts at row 21 ("open"), passes over the status line and ends
  // with row 0 of page 2 up to its full stop ("more" is not spoken yet).
  ASSERT_GE(s.console.events.size(), 24u);
  EXPECT_EQ(s.console.events[22], "cursor:0,21");
  EXPECT_GE(FindRun(s.console, kNormal, "open\r\n\nclose。\n"), 0);
  // With "line 024。" the rest of row 0 is spoken: rows 0-1 from row 23.
  EXPECT_EQ(s.console.events[23], "cursor:0,23");
  EXPECT_GE(FindRun(s.console, kNormal, "close。more\r\nline 024。\r\n"), 0);
}

TEST(SpeechScenarioTest, AfterALengthCutTheSpanRemembersTheRowsOfItsOwnPage) {
  Scenario s;
  const std::string row78 = std::string(77, 'b') + "\r\n";
  std::string pads;
  char buf[32];
  for (int i = 3; i <= 21; ++i) {
    std::snprintf(buf, sizeof buf, "pad %03d\r\n", i);
    pads += buf;
  }
  // Page 2: three long rows (the collection passes 200 bytes on row 2 and
  // is spoken whole), then short rows that stay collected over the page end
  // until "close。" on page 3.
  s.AddWork("w", "W",
            Sentences(1, 21) + "open\r\n" + row78 + row78 + row78 + pads + "close。\r\n" +
                Sentences(100, 60));
  s.keyboard.Type("tnn");
  s.Run({"0"});
  // The repaint on page 3 shows page 2's rows 3-21 (not page 3's own rows).
  std::string want;
  for (int i = 3; i <= 21; ++i) {
    std::snprintf(buf, sizeof buf, "pad %03d\r\n", i);
    want += buf;
  }
  want += "\nclose。\r\n";
  EXPECT_GE(FindRun(s.console, kNormal, want), 0);
  ASSERT_FALSE(s.speech.spoken.empty());
  EXPECT_TRUE(SpokeAnything(s.speech, "pad 021"));
}

TEST(SpeechScenarioTest, ARepaintedRowHighlightsTheSearchWord) {
  Scenario s;
  s.AddWork("w", "W", Sentences(1, 29) + "line 030 needle。\r\n" + Sentences(31, 60));
  s.keyboard.Type("st");
  s.keyboard.input = "needle\n";
  s.Run({"0"});
  // After the hit, 't' repaints the page; when row 7 has been spoken it is
  // printed again in the normal colours with the word highlighted.
  bool found = false;
  for (int k = FindRun(s.console, kNormal, "line 030 "); k >= 0 && !found;
       k = FindRun(s.console, kNormal, "line 030 ", k + 1)) {
    if (k + 2 >= static_cast<int>(s.console.runs.size())) break;
    const shiori::testing::Run& word = s.console.runs[k + 1];
    const shiori::testing::Run& rest = s.console.runs[k + 2];
    found = word.attr == kOccurrence && word.text == "needle" && rest.attr == kNormal &&
            rest.text == "。\r\n";
  }
  EXPECT_TRUE(found);
  EXPECT_TRUE(SpokeAnything(s.speech, "line 030 needle。"));
}

TEST(SpeechScenarioTest, ReverseModeRepaintsSpokenRowsInItsOwnNormalColours) {
  Scenario s;
  s.AddWork("w", "W", Sentences(1, 60));
  s.keyboard.Type("t");
  s.Run({"0r"});
  EXPECT_GE(FindRun(s.console, kSpeaking, "line 005。\r"), 0);
  EXPECT_GE(FindRun(s.console, kReverseNormal, "line 005。\r\n"), 0);
}

TEST(SpeechScenarioTest, NothingIsSpokenWhileASearchIsPending) {
  Scenario s;
  s.AddWork("w", "W", Sentences(1, 59) + "line 060 needle。\r\n" + Sentences(61, 40));
  s.keyboard.Type("ts");
  s.keyboard.input = "needle\n";
  s.Run({"0"});
  // Page 1 after 't', then nothing from the pages the search passed over nor
  // from the rows before the hit; speech resumes with the hit row.
  ASSERT_GE(s.speech.spoken.size(), 24u);
  EXPECT_EQ(s.speech.spoken[21], One("line 022。"));
  EXPECT_EQ(s.speech.spoken[22], One("line 060 needle。"));
  EXPECT_EQ(s.speech.spoken[23], One("line 061。"));
  for (int n = 23; n < 60; ++n) {
    char word[16];
    std::snprintf(word, sizeof word, "line %03d", n);
    EXPECT_FALSE(SpokeAnything(s.speech, word)) << word;
  }
}

TEST(SpeechScenarioTest, TheLastPageSpeaksEachRowAloneAndDropsTheCollection) {
  Scenario s;
  s.AddWork("w", "W", NumberedLines(1, 22) + "tail 1\r\ntail 2\r\ntail 3\r\n");
  s.keyboard.Type("tn");
  s.Run({"0"});
  // Page 1's rows (198 bytes) stay collected and are never spoken.
  std::vector<std::vector<std::string>> want = {One("tail 1"), One("tail 2"), One("tail 3"),
                                                One("W"), One("おわりまで、ひょうじしました")};
  EXPECT_EQ(s.speech.spoken, want);
  EXPECT_NE(s.console.Text().find("tail 3\r\n[ W ] 終わりまで"), std::string::npos);
}

TEST(SpeechScenarioTest, ASearchWordSetStopsTheSpeakingOfTheLastPage) {
  Scenario s;
  s.AddWork("w", "W", NumberedLines(1, 30));
  s.keyboard.Type("ts");
  s.keyboard.input = "025\n";
  s.Run({"0"});
  std::vector<std::vector<std::string>> want = {One("W"), One("おわりまで、ひょうじしました")};
  EXPECT_EQ(s.speech.spoken, want);
  // The hit and the later rows of the last page were shown all the same.
  EXPECT_NE(s.console.Text().find("line 030\r\n"), std::string::npos);
}

}  // namespace
}  // namespace shiori::testing
