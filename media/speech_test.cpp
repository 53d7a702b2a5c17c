// The speech collector row by row: when text is spoken, in which pieces, and
// what stays collected for the next row.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "media/speech.h"
#include "tests/support/fake_platform.h"

namespace shiori::testing {
namespace {

const std::string kStop = "。";
const std::string kComma = "、";

std::string A(std::size_t n) { return std::string(n, 'a'); }

class CollectorTest : public ::testing::Test {
 protected:
  CollectorTest() { sp.s_flag = 1; }

  // Hands |row| to the collector as the next row shown.
  void Feed(const std::string& row) { tts_feed_line(sp, s.platform, row, searching); }
  // Each G_TTS call as the bytes it spoke (the rows here hold no line ends).
  std::vector<std::string> Pieces() const {
    std::vector<std::string> out;
    for (const std::vector<std::string>& call : s.speech.spoken) {
      std::string piece;
      for (const std::string& line : call) piece += line;
      out.push_back(piece);
    }
    return out;
  }
  const std::string& Collected() const { return sp.sp_str; }

  Scenario s;
  SpeechState sp;
  bool searching = false;
};

TEST_F(CollectorTest, NothingIsSpokenUntilTheCollectionPassesTwoHundredBytes) {
  Feed(A(80));
  Feed(A(80));
  Feed(A(40));
  EXPECT_TRUE(Pieces().empty());
  EXPECT_EQ(sp.sp_flash, 0);
  EXPECT_EQ(Collected().size(), 200u);
  Feed("b");
  ASSERT_EQ(Pieces().size(), 1u);
  EXPECT_EQ(Pieces()[0], A(200) + "b");
  EXPECT_EQ(sp.sp_flash, 2);
  EXPECT_TRUE(Collected().empty());
}

TEST_F(CollectorTest, ExactlyTwoHundredFiftySixBytesAreSpokenWholeAndOneMoreIsCut) {
  sp.sp_str = A(200);
  Feed(A(56));
  ASSERT_EQ(Pieces().size(), 1u);
  EXPECT_EQ(Pieces()[0], A(256));
  EXPECT_TRUE(Collected().empty());

  s.speech.spoken.clear();
  sp.sp_str = A(200);
  Feed(A(56) + "z");
  ASSERT_EQ(Pieces().size(), 1u);
  EXPECT_EQ(Pieces()[0], A(256));
  EXPECT_EQ(Collected(), "z");
  EXPECT_EQ(sp.sp_flash, 2);
}

TEST_F(CollectorTest, ACutAtByteTwoHundredFiftySixMaySplitACharacter) {
  std::string kana;
  for (int k = 0; k < 40; ++k) kana += "あ";
  sp.sp_str = "x" + std::string(kana.data(), 80) + std::string(kana.data(), 80) +
                    std::string(kana.data(), 60);  // 221 bytes, no mark
  Feed(std::string(kana.data(), 36));                // 257 bytes
  ASSERT_EQ(Pieces().size(), 1u);
  ASSERT_EQ(Pieces()[0].size(), 256u);
  // The last spoken byte is the lead byte of "あ"; its trail byte stays.
  EXPECT_EQ(Pieces()[0].back(), "あ"[0]);
  EXPECT_EQ(Collected(), std::string(1, "あ"[1]));
}

TEST_F(CollectorTest, ALongCollectionIsCutAtTheLastCommaWithinTwoHundredFiftySix) {
  // Commas at 150 and 202, the next one beyond 256.
  sp.sp_str = A(150) + kComma + A(50) + kComma + A(60);
  Feed(A(40) + kComma + "tail");
  ASSERT_EQ(Pieces().size(), 1u);
  EXPECT_EQ(Pieces()[0], A(150) + kComma + A(50));
  EXPECT_EQ(Collected(), A(100) + kComma + "tail");

  // A first comma beyond byte 256: the first 256 bytes are spoken.
  s.speech.spoken.clear();
  sp.sp_str = A(240);
  Feed(A(20) + kComma + "b");
  ASSERT_EQ(Pieces().size(), 1u);
  EXPECT_EQ(Pieces()[0], A(256));
  EXPECT_EQ(Collected(), A(4) + kComma + "b");
}

TEST_F(CollectorTest, ACollectionBeginningWithACommaAndNoOtherSpeaksAnEmptyPiece) {
  sp.sp_str = kComma + A(218);
  Feed(A(40));
  ASSERT_EQ(s.speech.spoken.size(), 1u);
  EXPECT_TRUE(s.speech.spoken[0].empty());
  EXPECT_EQ(Collected(), A(258));
  EXPECT_EQ(sp.sp_flash, 2);
}

TEST_F(CollectorTest, ASentenceEndSpeaksUpToTheFullStopAndTheRestStartsTheNext) {
  sp.sp_str = "first ";
  Feed("part" + kStop + "next" + kStop + "more");
  ASSERT_EQ(Pieces().size(), 1u);
  EXPECT_EQ(Pieces()[0], "first part" + kStop);
  // The rest, further full stops included, waits for the next row.
  EXPECT_EQ(Collected(), "next" + kStop + "more");
  EXPECT_EQ(sp.sp_flash, 1);
}

TEST_F(CollectorTest, ARowEndingWithTheFullStopRestartsWithTwoBlanksThatCount) {
  Feed("end" + kStop);
  EXPECT_EQ(Collected(), "  ");
  Feed(A(80));
  Feed(A(80));
  Feed(A(38));  // 2 + 198 = 200: still waiting
  EXPECT_EQ(Pieces().size(), 1u);
  Feed("b");
  ASSERT_EQ(Pieces().size(), 2u);
  EXPECT_EQ(Pieces()[1], "  " + A(198) + "b");
}

TEST_F(CollectorTest, ALongSentenceIsCutAtLaterCommasMoreThanTwoHundredBytesApart) {
  // Commas at 10 (never a cut), 150 (too close), 230 (cut), 300 (too close
  // to 230), 470 (cut); the full stop at 520.
  std::string b = A(10) + kComma + A(138) + kComma + A(78) + kComma + A(68) + kComma + A(168) +
                  kComma + A(48);
  ASSERT_EQ(b.size(), 520u);
  sp.sp_str = b;
  Feed(kStop + "after");
  ASSERT_EQ(Pieces().size(), 3u);
  EXPECT_EQ(Pieces()[0], b.substr(0, 230));
  EXPECT_EQ(Pieces()[1], b.substr(232, 470 - 232));
  EXPECT_EQ(Pieces()[2], b.substr(472) + kStop);
  EXPECT_EQ(Collected(), "after");
}

TEST_F(CollectorTest, CutsNeedMoreThanTwoHundredAndAtMostTwoHundredFiftySixBytes) {
  // Commas at 10 (first), 200 (exactly 200 after the start: no cut), 256
  // (exactly 256: cut), 513 (257 after the cut: no cut).
  std::string b = A(10) + kComma + A(188) + kComma + A(54) + kComma + A(255) + kComma + A(20);
  sp.sp_str = b;
  Feed(kStop);
  ASSERT_EQ(Pieces().size(), 2u);
  EXPECT_EQ(Pieces()[0], b.substr(0, 256));
  EXPECT_EQ(Pieces()[1], b.substr(258) + kStop);

  // A sentence of exactly 256 bytes is spoken whole, cut points or not.
  s.speech.spoken.clear();
  sp.sp_str = A(10) + kComma + A(218) + kComma + A(22);
  Feed(kStop);
  ASSERT_EQ(Pieces().size(), 1u);
  EXPECT_EQ(Pieces()[0].size(), 256u);
}

TEST_F(CollectorTest, ALongSentenceWithoutASecondCommaOrWithDistantCommasIsOnePiece) {
  // The only comma lies where a later one would be cut: the first never is.
  sp.sp_str = A(220) + kComma + A(100);
  Feed("x" + kStop);
  ASSERT_EQ(Pieces().size(), 1u);
  EXPECT_EQ(Pieces()[0], A(220) + kComma + A(100) + "x" + kStop);

  // The second comma lies more than 256 bytes after the start: no cut is made
  // there, and none after it either.
  s.speech.spoken.clear();
  sp.sp_str = kComma + A(298) + kComma + A(100) + kComma + A(300);
  Feed(kStop);
  ASSERT_EQ(Pieces().size(), 1u);
  EXPECT_EQ(Pieces()[0].size(), 2u + 298 + 2 + 100 + 2 + 300 + 2);
}

TEST_F(CollectorTest, NothingIsCollectedWithSpeechOffDuringASearchOrFromAnEmptyRow) {
  sp.sp_str = "kept";
  sp.s_flag = 0;
  Feed("a" + kStop);
  sp.s_flag = 1;
  searching = true;
  Feed(A(250) + kStop);
  searching = false;
  sp.sp_flash = 2;
  Feed("");
  EXPECT_TRUE(Pieces().empty());
  EXPECT_EQ(Collected(), "kept");
  EXPECT_EQ(sp.sp_flash, 0);
}

}  // namespace
}  // namespace shiori::testing
