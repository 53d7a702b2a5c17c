// Illustrations in the reading loop: markers in the text open windows with
// their name line and cue; the 'p' list with its numbers and highlight.
#include <gtest/gtest.h>
#include <zlib.h>

#include "cconsole/cconsole.h"
#include "tests/support/fake_platform.h"
#include "tests/support/png_maker.h"

namespace shiori::testing {
namespace {

constexpr std::uint16_t Attr(int fore, int back) {
  return static_cast<std::uint16_t>(fore | (back << 4));
}
constexpr std::uint16_t kNameAttr = Attr(L_BLACK, H_GREEN);
const std::string kMailBeep = "MailBeep:129";

// Records, at each window, how many name lines and cues came before it.
class OrderWindow : public FakeWindow {
 public:
  OrderWindow(const FakeConsole& console, const FakeCues& cues) : console_(console), cues_(cues) {}
  bool Show(const std::string& title, const Dib* dib) override {
    int names = 0;
    for (const testing::Run& r : console_.runs)
      if (r.attr == kNameAttr && r.text.rfind("fig", 0) == 0) ++names;
    int beeps = 0;
    for (const std::string& c : cues_.played)
      if (c == kMailBeep) ++beeps;
    seen.push_back(title + " after " + std::to_string(names) + " names, " +
                   std::to_string(beeps) + " cues");
    return FakeWindow::Show(title, dib);
  }
  std::vector<std::string> seen;

 private:
  const FakeConsole& console_;
  const FakeCues& cues_;
};

// "line NNN" lines as NumberedLines makes them, with |extra| appended to the
// lines given.
std::string LinesWith(int count, const std::map<int, std::string>& extra) {
  std::string s;
  char buf[32];
  for (int i = 1; i <= count; ++i) {
    std::snprintf(buf, sizeof buf, "line %03d", i);
    s += buf;
    auto it = extra.find(i);
    if (it != extra.end()) s += it->second;
    s += "\r\n";
  }
  return s;
}

std::string Marker(const std::string& name) { return "［＃挿絵（" + name + ".png）入る］"; }

class ImageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    s.platform.window = &window;
    s.catalog.pngname = {"fig00000_01", "fig00000_02", "fig00000_03"};
    s.catalog.png_num = 2;
    s.resources.Add("fig00000_01", pngtest::MakeRgbPng(5, 4, pngtest::PatternColour));
    s.resources.Add("fig00000_02", pngtest::MakeRgbPng(7, 3, pngtest::PatternColour));
  }
  std::vector<std::string> Painted(std::uint16_t attr) const {
    std::vector<std::string> out;
    for (const testing::Run& r : s.console.runs)
      if (r.attr == attr && !r.text.empty()) out.push_back(r.text);
    return out;
  }
  int Beeps() const {
    return static_cast<int>(std::count(s.cues.played.begin(), s.cues.played.end(), kMailBeep));
  }
  Scenario s;
  OrderWindow window{s.console, s.cues};
};

TEST_F(ImageTest, TwoMarkersInOneLineOpenTwoWindowsEachAfterItsNameAndCue) {
  s.AddWork("alpha", "Alpha",
            LinesWith(30, {{3, "「挿絵」" + Marker("fig00000_01") + "と" + Marker("fig00000_02")}}));
  s.Run({"0"});
  EXPECT_EQ(window.seen, (std::vector<std::string>{"fig00000_01 after 1 names, 1 cues",
                                                   "fig00000_02 after 2 names, 2 cues"}));
  EXPECT_EQ(Painted(kNameAttr), (std::vector<std::string>{"fig00000_01", "fig00000_02"}));
  EXPECT_NE(s.console.Text().find("fig00000_01\nfig00000_02\nline 001"), std::string::npos);
  EXPECT_EQ(Beeps(), 2);
  // Each window got its own decoded picture.
  ASSERT_EQ(window.pictures.size(), 2u);
  EXPECT_EQ(window.pictures[0].width, 5);
  EXPECT_EQ(window.pictures[1].width, 7);
  EXPECT_EQ(window.pictures[1].stride, 24);
  // The line still reaches the page, markup filtered.
  EXPECT_NE(s.console.Text().find("line 003「挿絵」と"), std::string::npos);
}

TEST_F(ImageTest, MarkersWithoutFigOrWithOverlongNamesAreSkipped) {
  std::string long_name = "fig" + std::string(56, 'x');  // 59 bytes: fits
  std::string too_long = "fig" + std::string(57, 'y');   // 60 bytes: does not
  s.AddWork("alpha", "Alpha",
            LinesWith(30, {{2, "cover.png then " + Marker("fig00000_02")},
                           {4, Marker(too_long) + Marker(long_name)},
                           {5, "fig is before the first only: a.png b.png"}}));
  s.Run({"0"});
  // Line 2: the first ".png" has no "fig" before it, the second has.
  // Line 4: the 60-byte name is skipped, the 59-byte one is taken.
  // Line 5: "fig" then "a.png"; "b.png" has no "fig" after the first marker.
  EXPECT_EQ(Painted(kNameAttr), (std::vector<std::string>{"fig00000_02", long_name,
                                                          "fig is before the first only: a"}));
  // A name with no picture behind it is named and passed: no window, no
  // cue, nothing to wait for.
  EXPECT_EQ(window.shown, (std::vector<std::string>{"fig00000_02"}));
  EXPECT_EQ(Beeps(), 1);
  EXPECT_NE(s.console.Text().find(long_name + " (not in this work)\n"), std::string::npos);
}

// A picture whose header says it is |width| x |height|: a small picture's
// header rewritten, its checksum with it; the data stays as it was.
std::vector<std::uint8_t> ClaimingSize(std::uint32_t width, std::uint32_t height) {
  std::vector<std::uint8_t> png = pngtest::MakeRgbPng(8, 8, pngtest::PatternColour);
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) png[at + i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
  };
  put32(16, width);
  put32(20, height);
  put32(29, static_cast<std::uint32_t>(crc32(0, png.data() + 12, 17)));  // type and fields
  return png;
}

TEST(ImageUnshown, APictureThatCannotBeShownSaysWhyInOneLine) {
  std::vector<std::uint8_t> damaged = pngtest::MakeRgbPng(8, 8, pngtest::PatternColour);
  damaged[16 + 3] ^= 0x01;  // the width no longer matches the header's checksum
  struct Case {
    std::vector<std::uint8_t> png;
    std::string says;
  };
  const Case cases[] = {
      {ClaimingSize(30000, 30000),
       "the picture cannot be shown: 30000 x 30000 pixels is more than 256 MB decoded\n"},
      {damaged, "the picture cannot be read: "},
  };
  for (const Case& c : cases) {
    Scenario s;
    s.resources.Add("fig00000_03", c.png);
    s.AddWork("alpha", "Alpha", LinesWith(30, {{2, Marker("fig00000_03")}}));
    s.Run({"0"});
    const std::string text = s.console.Text();
    EXPECT_NE(text.find("fig00000_03\n" + c.says), std::string::npos) << text;
    // The window opens all the same, empty.
    EXPECT_EQ(s.window.shown, (std::vector<std::string>{"fig00000_03"}));
    ASSERT_EQ(s.window.pictures.size(), 1u);
    EXPECT_TRUE(s.window.pictures[0].pixels.empty());
  }
}

TEST_F(ImageTest, MarkersBeforeTheResumedPageOpenNothing) {
  s.AddWork("alpha", "Alpha",
            LinesWith(100, {{3, Marker("fig00000_01")}, {30, Marker("fig00000_02")},
                            {50, Marker("fig00000_01")}}));
  s.WriteFile("001036_info.ini", "alpha.txt\n44\n");
  s.keyboard.Type("n");
  s.Run({"0"});
  EXPECT_EQ(PagesShown(s.console.Text()).front(), 2);
  EXPECT_EQ(window.shown, (std::vector<std::string>{"fig00000_01"}));
  EXPECT_EQ(Beeps(), 1);
  EXPECT_EQ(Painted(kNameAttr), (std::vector<std::string>{"fig00000_01"}));
}

TEST_F(ImageTest, PagingBackPassesOverMarkersAlreadyBehind) {
  s.AddWork("alpha", "Alpha", LinesWith(100, {{3, Marker("fig00000_01")}, {30, Marker("fig00000_02")}}));
  s.keyboard.Type("nn-");
  s.Run({"0"});
  EXPECT_EQ(PagesShown(s.console.Text()), (std::vector<int>{1, 2, 3, 2}));
  EXPECT_EQ(window.shown, (std::vector<std::string>{"fig00000_01", "fig00000_02"}));
}

TEST_F(ImageTest, MarkersOnPagesASearchPassesOpenNothing) {
  s.AddWork("alpha", "Alpha",
            LinesWith(100, {{3, Marker("fig00000_01")}, {50, Marker("fig00000_02")}, {70, " TARGET"}}));
  s.keyboard.Type("s");
  s.keyboard.input = "TARGET\n";
  s.Run({"0"});
  EXPECT_NE(s.console.Text().find("TARGET"), std::string::npos);
  EXPECT_EQ(window.shown, (std::vector<std::string>{"fig00000_01"}));
  EXPECT_EQ(Beeps(), 1);
}

TEST_F(ImageTest, AWindowThatCannotBeCreatedShowsTheMessageBoxAndReadingGoesOn) {
  window.can_create = false;
  s.AddWork("alpha", "Alpha",
            LinesWith(60, {{3, Marker("fig00000_01") + Marker("fig00000_02")}}));
  s.keyboard.Type("n");
  s.Run({"0"});
  EXPECT_EQ(window.boxes, (std::vector<std::string>{"エラー:ウィンドウの作成に失敗しました",
                                                    "エラー:ウィンドウの作成に失敗しました"}));
  EXPECT_EQ(PagesShown(s.console.Text()), (std::vector<int>{1, 2}));
  EXPECT_EQ(Beeps(), 2);
}

class ImageListTest : public ImageTest {
 protected:
  void SetUp() override {
    ImageTest::SetUp();
    s.AddWork("alpha", "Alpha", LinesWith(60, {}));
  }
  // Runs the list once with |answers| at its prompt.
  std::string List(const std::string& answers) {
    s.keyboard.Type("pk");
    s.keyboard.input = answers;
    s.Run({"0"});
    return s.console.TextAfter("2014 --- ]");
  }
};

TEST_F(ImageListTest, HeaderEntriesAndTheChosenPictureInTheirColours) {
  std::string after = List("1\n");
  EXPECT_EQ(after.substr(0, after.find("line 001")),
            "\npng_num:2\n(00) fig00000_01 , (01) fig00000_02\n1 fig00000_02\n"
            "touch anykey , return page\n");
  std::vector<std::pair<std::uint16_t, std::string>> header;
  for (std::size_t i = 0; i < s.console.runs.size(); ++i) {
    if (s.console.runs[i].text != "[ --- ") continue;
    for (std::size_t j = i; j < i + 5 && j < s.console.runs.size(); ++j)
      header.push_back({s.console.runs[j].attr, s.console.runs[j].text});
    break;
  }
  EXPECT_EQ(header, (std::vector<std::pair<std::uint16_t, std::string>>{
                        {Attr(H_RED, L_GREEN), "[ --- "},
                        {Attr(L_BLUE, H_WHITE), "png "},
                        {Attr(L_GREEN, H_WHITE), " list "},
                        {Attr(L_BLACK, H_WHITE), "2014"},
                        {Attr(H_RED, L_GREEN), " --- ]"}}));
  // Before any marker no entry is highlighted; the echo is.
  EXPECT_EQ(Painted(kNameAttr), (std::vector<std::string>{"1 fig00000_02"}));
  EXPECT_EQ(window.seen, (std::vector<std::string>{"fig00000_02 after 0 names, 1 cues"}));
  ASSERT_EQ(window.pictures.size(), 1u);
  EXPECT_EQ(window.pictures[0].height, 3);
  // The same page is shown again after the key.
  EXPECT_EQ(PagesShown(s.console.Text()), (std::vector<int>{1, 1}));
}

TEST_F(ImageListTest, NumbersTakeTheirRemainderOnceAndAreAskedAgainWhenOutOfRange) {
  struct Case {
    const char* answers;
    const char* shown;  ///< "" when no window opens
    int asked_again;
  };
  const Case cases[] = {
      {"3\n", "fig00000_02", 0},
      {"7\n", "fig00000_02", 0},
      {"2\n", "fig00000_01", 0},
      {"-1\n1\n", "fig00000_02", 1},
      {"-3\n5\n0\n", "fig00000_01", 2},  // -3 is -1; 5 asked again is used as it is
      {"two\n1\n", "fig00000_02", 1},     // a word that is not a number is dropped
      {"x y 1\n-2\n0 1\n", "fig00000_01", 2},  // each line answers once
      {"", "", 0},                          // input ended: no window, no cue
      {"-5\n", "", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answers);
    s.ResetRecording();
    window.seen.clear();
    window.shown.clear();
    window.pictures.clear();
    std::string after = List(c.answers);
    const std::string again = "select input ( 0 <-> 1 )\n";
    int asked = 0;
    for (std::size_t at = after.find(again); at != std::string::npos; at = after.find(again, at + 1))
      ++asked;
    EXPECT_EQ(asked, c.asked_again);
    if (*c.shown == '\0') {
      EXPECT_TRUE(window.shown.empty());
      EXPECT_EQ(Beeps(), 0);
      EXPECT_TRUE(Painted(kNameAttr).empty());
    } else {
      EXPECT_EQ(window.shown, (std::vector<std::string>{c.shown}));
      EXPECT_EQ(Beeps(), 1);
    }
  }
}

TEST(ImageListHighlight, TheEntryOfTheLastMarkerIsHighlightedNotTheLastChoice) {
  Scenario s;
  s.catalog.pngname = {"fig00000_01", "fig00000_02"};
  s.catalog.png_num = 2;
  s.resources.Add("fig00000_01", pngtest::MakeRgbPng(5, 4, pngtest::PatternColour));
  s.resources.Add("fig00000_02", pngtest::MakeRgbPng(7, 3, pngtest::PatternColour));
  s.AddWork("alpha", "Alpha",
            LinesWith(60, {{3, Marker("fig00000_01")}, {5, Marker("fig00000_02")}}));
  s.keyboard.Type("pkpk");
  s.keyboard.input = "0\n0\n";
  s.Run({"0"});
  std::vector<std::string> highlighted;
  for (const testing::Run& r : s.console.runs)
    if (r.attr == kNameAttr && r.text.rfind("(", 0) == 0) highlighted.push_back(r.text);
  EXPECT_EQ(highlighted, (std::vector<std::string>{"(01) fig00000_02", "(01) fig00000_02"}));
  EXPECT_EQ(s.window.shown, (std::vector<std::string>{"fig00000_01", "fig00000_02", "fig00000_01",
                                                      "fig00000_01"}));
}

TEST(ImageListEmpty, ACatalogWithoutPicturesListsNothingAndAsksNothing) {
  Scenario s;
  s.AddWork("alpha", "Alpha", LinesWith(60, {}));
  s.keyboard.Type("pk");
  s.keyboard.input = "1\n";
  s.Run({"0"});
  EXPECT_NE(s.console.Text().find("png_num:0\ntouch anykey , return page\n"), std::string::npos);
  EXPECT_EQ(s.console.Text().find("select input"), std::string::npos);
  EXPECT_TRUE(s.window.shown.empty());
  EXPECT_EQ(PagesShown(s.console.Text()), (std::vector<int>{1, 1}));
}

}  // namespace
}  // namespace shiori::testing
