#include "text/filter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <sstream>

#include "tests/support/corpus.h"
#include "text/sjis.h"

namespace shiori {
namespace {

// One reader's worth of filter state.
struct Filter {
  ReadingCollection ruby, rinfo;
  FilterLines lines;
  std::string Run(std::string_view line, int mode = 0, int count1 = 0, int count5 = 0) {
    return std::string(filter_line(line, count1, count5, mode, ruby, rinfo, &lines));
  }
};

// ---------------------------------------------------------------------------

struct Example {
  const char* input;
  const char* normal;
  const char* reading;
  const char* ruby_moto;   // nullptr: no ruby record
  const char* ruby_yomi;
  const char* rinfo_moto;  // nullptr: no annotation record
  const char* rinfo_yomi;
};

TEST(FilterTest, ExampleTable) {
  const Example examples[] = {
      {"彼は誼《よしみ》を結んだ", "彼は誼を結んだ", "彼はよしみを結んだ", "誼", "よしみ", nullptr, nullptr},
      {"｜イェール大学《ニューヘイヴン》へ", "イェール大学へ", "ニューヘイヴンへ", "イェール大学",
       "ニューヘイヴン", nullptr, nullptr},
      {"あいう《あいう》", "あいう", "あいうあいう", nullptr, nullptr, nullptr, nullptr},
      {"人々《ひとびと》", "人々", "人々ひとびと", nullptr, nullptr, nullptr, nullptr},
      {"東京［＃「東京」に傍点］へ", "東京へ", "東京へ", nullptr, nullptr, "東京7_1234",
       "＃「東京」に傍点"},
      // A note inside a reading goes with it when the reading stands in place;
      // the collection keeps the reading as written.
      {"桃太郎《も※［＃二の字点、1-2-22］たらう》へ", "桃太郎へ", "もたらうへ", "桃太郎",
       "も※［＃二の字点、1-2-22］たらう", nullptr, nullptr},
      {"町《まち［＃「まち」は小書き］》と", "町と", "まちと", "町", "まち［＃「まち」は小書き］", nullptr,
       nullptr},
      {"町《まち［＃閉じない》と", "町と", "まち［＃閉じないと", "町", "まち［＃閉じない", nullptr,
       nullptr},
  };
  for (const Example& e : examples) {
    SCOPED_TRACE(e.input);
    for (int mode : {0, 1}) {
      Filter f;
      EXPECT_EQ(f.Run(e.input, mode, 7, 1234), mode ? e.reading : e.normal);
      ASSERT_EQ(f.ruby.size(), e.ruby_moto ? 1 : 0);
      if (e.ruby_moto) {
        EXPECT_EQ(f.ruby[0].moto, e.ruby_moto);
        EXPECT_EQ(f.ruby[0].yomi, e.ruby_yomi);
        EXPECT_EQ(f.ruby[0].moto_len, static_cast<int>(strlen(e.ruby_moto)));
        EXPECT_EQ(f.ruby[0].yomi_len, static_cast<int>(strlen(e.ruby_yomi)));
      }
      ASSERT_EQ(f.rinfo.size(), e.rinfo_moto ? 1 : 0);
      if (e.rinfo_moto) {
        EXPECT_EQ(f.rinfo[0].moto, e.rinfo_moto);
        EXPECT_EQ(f.rinfo[0].yomi, e.rinfo_yomi);
        EXPECT_EQ(f.rinfo[0].moto_len, static_cast<int>(strlen(e.rinfo_moto)));
      }
    }
  }
}

TEST(FilterTest, LineWithoutMarkersPassesUnchanged) {
  for (const char* line : {"ただの行です。\r", "｜縦棒だけ\r", "》閉じだけ］\r", "\r"}) {
    Filter f;
    EXPECT_EQ(f.Run(line, 0), line);
    EXPECT_EQ(f.Run(line, 1), line);
    EXPECT_EQ(f.ruby.size() + f.rinfo.size(), 0);
  }
}

TEST(FilterTest, ResultIsTheLineInUse) {
  Filter f;
  std::string_view normal = filter_line("漢字《かんじ》です", 0, 0, 0, f.ruby, f.rinfo, &f.lines);
  EXPECT_EQ(normal.data(), f.lines.buff.data());
  EXPECT_EQ(normal, "漢字です");
  std::string_view reading = filter_line("漢字《かんじ》です", 0, 0, 2, f.ruby, f.rinfo, &f.lines);
  EXPECT_EQ(reading.data(), f.lines.buff2.data());
  EXPECT_EQ(reading, "かんじです");
}

TEST(FilterTest, GaijiMarkGoesWithItsAnnotation) {
  Filter f;
  EXPECT_EQ(f.Run("木※［＃「木＋世」、第3水準1-85-54］と\r", 0, 3, 99), "木と\r");
  ASSERT_EQ(f.rinfo.size(), 1);
  EXPECT_EQ(f.rinfo[0].moto, "木3_99");  // the kanji before "※" is the base
  EXPECT_EQ(f.rinfo[0].yomi, "［＃「木＋世」、第3水準1-85-54");
  EXPECT_EQ(f.Run("木※［＃「木＋世」、第3水準1-85-54］と\r", 1), "木と\r");
}

TEST(FilterTest, EmptyAnnotationIsTheHashMark) {
  Filter f;
  EXPECT_EQ(f.Run("あ［＃］い"), "あい");
  ASSERT_EQ(f.rinfo.size(), 1);
  EXPECT_EQ(f.rinfo[0].yomi, "＃");
  EXPECT_EQ(f.rinfo[0].moto, "0_0");
}

TEST(FilterTest, ScannedBaseTakesOnlyKanji) {
  struct Case {
    const char* input;
    const char* reading;
    const char* base;  // nullptr: no record
  } cases[] = {
      {"かな漢字《かんじ》", "かなかんじ", "漢字"},
      {"カナ亜熙《x》", "カナx", "亜熙"},            // first and last kanji of the two levels
      {"漢々《x》", "漢々x", nullptr},                // 々 stops the scan
      {"漢字、《x》", "漢字、x", nullptr},
      {"漢１２《x》", "漢１２x", nullptr},             // full-width digits
      {"漢ＡＢ《x》", "漢ＡＢx", nullptr},             // full-width Latin
      {"漢ab《x》", "漢abx", nullptr},                 // single-byte characters
      {"仝《x》", "仝x", nullptr},                      // a symbol-row character, not a kanji
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    Filter f;
    EXPECT_EQ(f.Run(c.input, 1), c.reading);
    ASSERT_EQ(f.ruby.size(), c.base ? 1 : 0);
    if (c.base) {
      EXPECT_EQ(f.ruby[0].moto, c.base);
    }
  }
}

TEST(FilterTest, ScanStaysInsideTheRemainingText) {
  // The second base starts right after the first closer; the third scan
  // ends one byte after the line start, where no two-byte step fits.
  Filter f;
  EXPECT_EQ(f.Run("漢《かん》字《じ》", 1), "かんじ");
  ASSERT_EQ(f.ruby.size(), 2);
  EXPECT_EQ(f.ruby[1].moto, "字");
  EXPECT_EQ(f.Run("a漢字《かんじ》", 1), "aかんじ");
  EXPECT_EQ(f.ruby[2].moto, "漢字");
}

TEST(FilterTest, MarkersAreFoundByteWise) {
  // "＝" is 81 81: "＝s" holds 81 73 ("《") from its second byte on, and "＝t"
  // holds 81 74 ("》"). The pair is taken as ruby with an empty base.
  Filter f;
  EXPECT_EQ(f.Run("A＝sよみ＝tB", 0), "A\x81" "B");
  EXPECT_EQ(f.Run("A＝sよみ＝tB", 1), "A\x81よみ\x81" "B");
  EXPECT_EQ(f.ruby.size(), 0);
}

TEST(FilterTest, ExplicitBaseBar) {
  Filter f;
  // "｜" directly before "《": empty base, no record, the reading stays.
  EXPECT_EQ(f.Run("前｜《よみ》後", 0), "前後");
  EXPECT_EQ(f.Run("前｜《よみ》後", 1), "前よみ後");
  EXPECT_EQ(f.ruby.size(), 0);
  // "｜" before an annotation: the base, without the bar, in both lines.
  EXPECT_EQ(f.Run("前｜あの山［＃「あの山」に傍点］後", 0, 2, 40), "前あの山後");
  EXPECT_EQ(f.Run("前｜あの山［＃「あの山」に傍点］後", 1, 2, 40), "前あの山後");
  ASSERT_EQ(f.rinfo.size(), 1);  // the second run is the same place again
  EXPECT_EQ(f.rinfo[0].moto, "あの山2_40");
  // A bar after the first marker waits for its own marker.
  EXPECT_EQ(f.Run("漢字《かんじ》と｜東京駅《とうきょうえき》", 1), "かんじととうきょうえき");
  ASSERT_EQ(f.ruby.size(), 2);
  EXPECT_EQ(f.ruby[1].moto, "東京駅");
}

TEST(FilterTest, NestedAnnotationsCloseAtTheirMatchingBracket) {
  const char* line =
      "をも蒔《ま》け、※［＃「金＋※［＃「插」でつくりの縦棒が下に突き抜けている、第4水準2-13-28］"
      "のつくり」、161-下-29］《すき》をも揮へ、\r";
  Filter f;
  EXPECT_EQ(f.Run(line, 0, 10, 500), "をも蒔け、をも揮へ、\r");
  EXPECT_EQ(f.Run(line, 1, 10, 500), "をもまけ、すきをも揮へ、\r");
  ASSERT_EQ(f.rinfo.size(), 1);
  EXPECT_EQ(f.rinfo[0].yomi,
            "［＃「金＋※［＃「插」でつくりの縦棒が下に突き抜けている、第4水準2-13-28］"
            "のつくり」、161-下-29");
  EXPECT_EQ(f.rinfo[0].moto, "10_500");
  EXPECT_EQ(f.ruby.size(), 1);  // 蒔/ま; すき has no kanji before it

  Filter g;
  EXPECT_EQ(g.Run("前［＃「一［＃「二［＃三］」］」］後［＃終］"), "前後");
  ASSERT_EQ(g.rinfo.size(), 2);
  EXPECT_EQ(g.rinfo[0].yomi, "＃「一［＃「二［＃三］」］」");
  EXPECT_EQ(g.rinfo[1].yomi, "＃終");
  // A stray closer after an annotation stays as text.
  EXPECT_EQ(g.Run("お酒を［＃「お酒を」は底本では「お酒屋」］］一"), "お酒を］一");
}

TEST(FilterTest, UnclosedMarkerLeavesTheRestAsText) {
  struct Case {
    const char* input;
    const char* normal;
    int rubies;
  } cases[] = {
      {"漢字《かんじ", "漢字《かんじ", 0},
      {"東京［＃傍点", "東京［＃傍点", 0},
      {"木※［＃「木＋世」", "木※［＃「木＋世」", 0},
      {"外［＃「［」の注記］", "外［＃「［」の注記］", 0},  // the nested "［" is never closed
      {"漢字《かんじ》と東京［＃傍点", "漢字と東京［＃傍点", 1},
      {"｜東京《とうきょう", "｜東京《とうきょう", 0},
      {"東京［＃傍点《ぼう》", "東京［＃傍点《ぼう》", 0},  // nothing after the first unclosed one
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    Filter f;
    EXPECT_EQ(f.Run(c.input, 0), c.normal);
    EXPECT_EQ(f.ruby.size(), c.rubies);
    EXPECT_EQ(f.rinfo.size(), 0);
  }
  EXPECT_EQ(Filter().Run("漢字《かんじ》と東京［＃傍点", 1), "かんじと東京［＃傍点");
}

// ---------------------------------------------------------------------------

TEST(FilterDuplicateTest, RulesForRubyAndAnnotations) {
  Filter f;
  f.Run("誼《よしみ》と誼《よしみ》");
  f.Run("誼《よしみ》");
  EXPECT_EQ(f.ruby.size(), 1);
  f.Run("誼《ぎ》");  // same base, another reading
  ASSERT_EQ(f.ruby.size(), 2);
  EXPECT_EQ(f.ruby[1].yomi, "ぎ");
  EXPECT_EQ(f.ruby[1].id, 1);

  f.Run("東京［＃傍点］", 0, 1, 10);
  f.Run("東京［＃傍点］", 0, 1, 10);  // read again after a restart: same place
  EXPECT_EQ(f.rinfo.size(), 1);
  f.Run("東京［＃傍点］", 0, 2, 30);
  f.Run("東京［＃傍点］東京［＃傍点］", 0, 3, 60);  // twice on one line: one record
  ASSERT_EQ(f.rinfo.size(), 3);
  EXPECT_EQ(f.rinfo[1].moto, "東京2_30");
  EXPECT_EQ(f.rinfo[2].moto, "東京3_60");
  EXPECT_EQ(f.rinfo[2].id, 2);
}

TEST(ReadingCollectionTest, WorkingSlotAndIds) {
  ReadingCollection c;
  EXPECT_EQ(c.size(), 0);
  EXPECT_EQ(c.begin(), c.end());
  c.slot().moto = "";
  c.slot().yomi = "x";
  EXPECT_FALSE(c.AcceptSlot(true));  // empty base refused for ruby
  EXPECT_TRUE(c.AcceptSlot(false));  // but allowed where asked
  for (const char* m : {"b", "ccc", "dd"}) {
    c.slot().moto = m;
    c.slot().moto_len = static_cast<int>(strlen(m));
    c.slot().yomi = "y";
    EXPECT_TRUE(c.AcceptSlot(true));
  }
  ASSERT_EQ(c.size(), 4);
  EXPECT_EQ(std::distance(c.begin(), c.end()), 4);
  EXPECT_TRUE(c.slot().moto.empty() && c.slot().yomi.empty());
  for (int i = 0; i < c.size(); ++i) EXPECT_EQ(c[i].id, i);

  // A view re-sorts the records; duplicates are still found afterwards.
  std::sort(c.begin(), c.end(),
            [](const auto& a, const auto& b) { return comp01(a.get(), b.get()) < 0; });
  EXPECT_EQ(c[0].moto, "ccc");
  EXPECT_EQ(c[3].moto, "");
  c.slot().moto = "b";
  c.slot().yomi = "y";
  EXPECT_FALSE(c.AcceptSlot(true));
  c.slot().yomi = "y2";
  EXPECT_TRUE(c.AcceptSlot(true));
  EXPECT_EQ(c[4].id, 4);
  // Moving moto bytes into yomi makes another pair.
  c.slot().moto = "b";
  c.slot().yomi = "y2";
  EXPECT_FALSE(c.AcceptSlot(true));
  c.slot().moto = "by";
  c.slot().yomi = "2";
  EXPECT_TRUE(c.AcceptSlot(true));
}

TEST(ReadingCollectionTest, Comparators) {
  ruby_info a, b;
  a.moto_len = 3;
  b.moto_len = 5;
  EXPECT_GT(comp01(&a, &b), 0);  // longer base first
  EXPECT_LT(comp01(&b, &a), 0);
  a.id = 2;
  b.id = 9;
  EXPECT_LT(compID(&a, &b), 0);  // smaller id first
  EXPECT_GT(compID(&b, &a), 0);
  b = a;
  EXPECT_EQ(comp01(&a, &b), 0);
  EXPECT_EQ(compID(&a, &b), 0);
  a.moto_len = a.id = INT_MIN;
  b.moto_len = b.id = INT_MAX;
  EXPECT_GT(comp01(&a, &b), 0);
  EXPECT_LT(compID(&a, &b), 0);
}

// ---------------------------------------------------------------------------

TEST(KanjiTest, LevelBoundaries) {
  EXPECT_FALSE(IsKanjiLevel1(0x889E));
  EXPECT_TRUE(IsKanjiLevel1(0x889F));   // 亜
  EXPECT_TRUE(IsKanjiLevel1(0x9872));   // 腕
  EXPECT_FALSE(IsKanjiLevel1(0x9873));
  EXPECT_FALSE(IsKanjiLevel2(0x9872));
  EXPECT_FALSE(IsKanjiLevel2(0x989E));
  EXPECT_TRUE(IsKanjiLevel2(0x989F));   // 弌
  EXPECT_TRUE(IsKanjiLevel2(0x9FFC));
  EXPECT_TRUE(IsKanjiLevel2(0xE040));   // after the single-byte kana gap
  EXPECT_TRUE(IsKanjiLevel2(0xEAA4));   // 熙
  EXPECT_FALSE(IsKanjiLevel2(0xEAA5));
  EXPECT_FALSE(IsKanjiLevel1(0x989F));
  // Trail bytes: 0x40-0x7E and 0x80-0xFC only.
  EXPECT_TRUE(IsKanjiLevel1(0x8940));
  EXPECT_FALSE(IsKanjiLevel1(0x893F));
  EXPECT_FALSE(IsKanjiLevel1(0x897F));
  EXPECT_TRUE(IsKanjiLevel1(0x8980));
  EXPECT_TRUE(IsKanjiLevel1(0x88FC));
  EXPECT_FALSE(IsKanjiLevel1(0x88FD));
  // Lead bytes 0xA0-0xDF are single-byte kana, never the start of a kanji.
  EXPECT_FALSE(IsKanjiLevel2(0xA0A0));
  EXPECT_FALSE(IsKanjiLevel2(0xDF40));
  // Kana, 々 and codes beyond two bytes.
  EXPECT_FALSE(IsKanjiLevel1(0x82A0) || IsKanjiLevel2(0x82A0));
  EXPECT_FALSE(IsKanjiLevel1(0x8158) || IsKanjiLevel2(0x8158));
  EXPECT_FALSE(IsKanjiLevel1(0x1889F) || IsKanjiLevel2(0x1989F));
}

TEST(KanjiTest, LevelsHoldEveryJisKanji) {
  // JIS X 0208 has 2965 level-1 and 3390 level-2 kanji.
  int level1 = 0, level2 = 0;
  for (unsigned code = 0; code <= 0xFFFF; ++code) {
    level1 += IsKanjiLevel1(code);
    level2 += IsKanjiLevel2(code);
    EXPECT_FALSE(IsKanjiLevel1(code) && IsKanjiLevel2(code)) << code;
  }
  EXPECT_EQ(level1, 2965);
  EXPECT_EQ(level2, 3390);
}

// ---------------------------------------------------------------------------

// Scans characters from the line start, as a reader sees them.
struct CharScan {
  bool ruby_pair = false;   // a "《" followed later by "》"
  bool annotation = false;  // "［" directly followed by "＃"
};
CharScan ScanChars(std::string_view s) {
  const std::string_view open = "《", close = "》", bracket = "［", hash = "＃";
  CharScan out;
  bool open_seen = false;
  std::string_view prev;
  for (std::size_t i = 0; i < s.size();) {
    std::size_t n = IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
    std::string_view ch = s.substr(i, n);
    if (ch == open) open_seen = true;
    if (ch == close) out.ruby_pair |= open_seen;
    if (ch == hash && prev == bracket) out.annotation = true;
    prev = ch;
    i += n;
  }
  return out;
}

class FilterCorpusTest : public ::testing::TestWithParam<corpus::Texts> {};

TEST_P(FilterCorpusTest, NoMarkupSurvivesInAnyText) {
  if (GetParam() == corpus::Texts::kCorpus) SHIORI_NEEDS_CORPUS();
  int texts = 0;
  for (const std::string& path : corpus::TextFiles(GetParam())) {
    const std::filesystem::path entry(path);
    SCOPED_TRACE(entry.filename().string());
    std::string text = corpus::ReadFile(path);
    ASSERT_FALSE(text.empty());
    ++texts;
    Filter normal, reading;
    int count1 = 0, count5 = 0, lines = 0;
    std::istringstream stream(text);
    std::string line;
    while (std::getline(stream, line)) {
      if (line.empty()) continue;
      count5 += static_cast<int>(line.size());
      std::string a = normal.Run(line, 0, count1, count5);
      std::string b = reading.Run(line, 1, count1, count5);
      count1 += std::max<int>(1, (static_cast<int>(a.size()) + 77) / 78);
      ++lines;
      ASSERT_LE(a.size(), line.size()) << "line " << lines;
      ASSERT_LE(b.size(), line.size()) << "line " << lines;
      EXPECT_FALSE(ScanChars(a).ruby_pair) << "line " << lines;
      EXPECT_FALSE(ScanChars(a).annotation) << "line " << lines;
      EXPECT_FALSE(ScanChars(b).ruby_pair) << "line " << lines;
      // A note inside a reading goes with it, as notes in the line do.
      EXPECT_FALSE(ScanChars(b).annotation) << "line " << lines;
    }
    EXPECT_GT(lines, 0);
    EXPECT_EQ(normal.ruby.size(), reading.ruby.size());
    EXPECT_EQ(normal.rinfo.size(), reading.rinfo.size());
    if (entry.filename() == "2078_ruby_15898.txt") {
      int nested = 0;
      for (int i = 0; i < normal.rinfo.size(); ++i)
        nested += normal.rinfo[i].yomi.find("［＃「金＋※［＃「插」") == 0 &&
                  normal.rinfo[i].yomi.find("161-下-29") != std::string::npos;
      EXPECT_EQ(nested, 1);
    }
  }
  EXPECT_GE(texts, GetParam() == corpus::Texts::kCorpus ? 12 : 2);
}

INSTANTIATE_TEST_SUITE_P(Texts, FilterCorpusTest,
                         ::testing::Values(corpus::Texts::kEmbedded, corpus::Texts::kCorpus),
                         corpus::kTextsName);

}  // namespace
}  // namespace shiori
