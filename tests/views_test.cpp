// The reading views: readings on the page ('r'), positions and annotations
// ('i'), and the listing files they write.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "tests/support/fake_platform.h"

namespace shiori::testing {
namespace {

TEST(ShowRubyTest, ReadingOrderLongestBaseFirstAndNestedBasesLeftOut) {
  Scenario s;
  // 東京駅 is read before 東京 could claim its first two characters; 京 alone
  // is inside 東京駅 and is listed only where it stands by itself.
  std::string text = "東京駅《とうきょうえき》と東京《とうきょう》と京《きょう》\r\n"
                     "山《やま》\r\n" + NumberedLines(1, 30);
  s.AddWork("w", "W", text);
  s.keyboard.Type("rz");
  s.Run({"0"});
  std::string out = s.console.TextAfter("(n)next\n");
  EXPECT_EQ(out.rfind("東京駅(とうきょうえき)\t東京(とうきょう)\t京(きょう)\t山(やま)\t\n"
                      "touch anykey , return page\n",
                      0),
            0u)
      << out.substr(0, 120);
}

TEST(ShowRubyTest, NineReadingsAreFourFourAndOne) {
  Scenario s;
  std::string text;
  const char* kanji[] = {"一", "二", "三", "四", "五", "六", "七", "八", "九"};
  for (const char* k : kanji) text += std::string(k) + "《よみ》、";
  s.AddWork("w", "W", text + "\r\n" + NumberedLines(1, 30));
  s.keyboard.Type("rz");
  s.Run({"0"});
  std::string out = s.console.TextAfter("(n)next\n");
  EXPECT_EQ(out.rfind("一(よみ)\t二(よみ)\t三(よみ)\t四(よみ)\t\n"
                      "五(よみ)\t六(よみ)\t七(よみ)\t八(よみ)\t\n"
                      "九(よみ)\t\ntouch anykey , return page\n",
                      0),
            0u);
}

TEST(ShowRubyTest, APageWithoutBasesPrintsOnlyThePrompt) {
  Scenario s;
  s.AddWork("w", "W", "彼《かれ》\r\n" + NumberedLines(1, 50));
  s.keyboard.Type("nr");
  s.Run({"0"});
  EXPECT_EQ(s.console.TextAfter("(n)next\n", 1).rfind("touch anykey , return page\n", 0), 0u);
}

TEST(ShowRubyTest, ABaseCanStandWhereALongerOneWasClaimed) {
  // On page 2, "AABC" holds "AAB" (the longer base, looked for first); once
  // claimed it reads "***C", where "*C" (collected on page 1) now stands
  // too. "QZ" never stands on the page.
  Scenario s;
  s.AddWork("w", "W", "｜*C《ほし》｜QZ《きゅう》\r\n" + NumberedLines(2, 21) + "｜AAB《えー》C\r\n" +
                          NumberedLines(24, 30));
  s.keyboard.Type("nrz");
  s.Run({"0"});
  std::string out = s.console.TextAfter("(n)next\n", 1);
  EXPECT_EQ(out.rfind("AAB(えー)\t*C(ほし)\t\ntouch anykey , return page\n", 0), 0u)
      << out.substr(0, 80);
}

TEST(ShowRubyTest, SaveWritesTheWholeCollectionInOrderOfFirstAppearance) {
  Scenario s;
  std::string text = "甲《こう》乙《おつ》\r\n" + NumberedLines(1, 30) + "丙丁《へいてい》甲《こう》\r\n" +
                     NumberedLines(1, 30);
  s.AddWork("w", "W", text);
  s.keyboard.Type("nrS");
  s.Run({"0"});
  // Code page 932 on Windows; on POSIX the terminal's character set (the
  // tests' locale names none, which counts as UTF-8), so `cat` shows it.
#ifdef _WIN32
  EXPECT_EQ(s.ReadFile("ruby.txt"), "(0)甲 : こう\n(1)乙 : おつ\n(2)丙丁 : へいてい\n");
#else
  const char8_t* utf8 = u8"(0)甲 : こう\n(1)乙 : おつ\n(2)丙丁 : へいてい\n";
  EXPECT_EQ(s.ReadFile("ruby.txt"), reinterpret_cast<const char*>(utf8));
#endif
}

TEST(ShowRubyTest, AnyOtherKeyWritesNothing) {
  Scenario s;
  s.AddWork("w", "W", "甲《こう》\r\n" + NumberedLines(1, 30));
  s.keyboard.Type("rx");
  s.Run({"0"});
  std::ifstream f(s.Path("ruby.txt"));
  EXPECT_FALSE(f.good());
}

TEST(ShowRinfoTest, PositionsThenAnnotationsThreeToALine) {
  Scenario s;
  const std::string line =
      "東京［＃「東京」に傍点］へ、京都［＃「京都」に傍点］、奈良［＃「奈良」に傍点］、"
      "大阪［＃「大阪」に傍点］";
  s.AddWork("w", "W", line + "\r\n" + NumberedLines(1, 30));
  s.keyboard.Type("iS");
  s.Run({"0"});
  // The tag: rows before the line, bytes up to its end (its CR included).
  const std::string tag = "0_" + std::to_string(line.size() + 1);
  std::string out = s.console.TextAfter("(n)next\n");
  EXPECT_EQ(out.rfind("(00)0 : morgue , (01)0 : w\n"
                      "東京" + tag + "【＃「東京」に傍点】\t京都" + tag + "【＃「京都」に傍点】\t"
                      "奈良" + tag + "【＃「奈良」に傍点】\t\n大阪" + tag + "【＃「大阪」に傍点】\t\n"
                      "touch anykey , return page\n",
                      0),
            0u)
      << out.substr(0, 200);
  std::string saved = s.ReadFile("rinfo.txt");
  EXPECT_EQ(saved.rfind(s.codec->Cp932ToReadable("(0)東京" + tag + " : ＃「東京」に傍点\n(1)京都" +
                                                 tag + " : ＃「京都」に傍点\n"),
                        0),
            0u);
}

TEST(ShowRinfoTest, SaveWithNoAnnotationsWritesAnEmptyFile) {
  Scenario s;
  s.AddWork("w", "W", NumberedLines(1, 30));
  s.keyboard.Type("is");
  s.Run({"0"});
  std::ifstream f(s.Path("rinfo.txt"));
  EXPECT_TRUE(f.good());
  EXPECT_EQ(s.ReadFile("rinfo.txt"), "");
}

TEST(ShowRinfoTest, AListingThatCannotBeWrittenSaysSo) {
  Scenario s;
  s.AddWork("w", "W", NumberedLines(1, 30));
  ASSERT_TRUE(std::filesystem::create_directory(s.Path("rinfo.txt")));
  s.keyboard.Type("isq");
  s.Run({"0"});
  EXPECT_NE(s.console.Text().find("cannot write rinfo.txt"), std::string::npos);
  // The program goes on: the page again, then quit.
  EXPECT_NE(s.console.Text().find("途中まで"), std::string::npos);
}

}  // namespace
}  // namespace shiori::testing
