// Prompt answers: the number or word taken from a typed line, and the bound
// on what a line may cost.
#include "platform/prompt_line.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace shiori {
namespace {

TEST(PromptLineTest, NumbersAsTypedWithAsciiOrFullWidthDigits) {
  struct Case {
    std::string line;
    bool number;
    int value;
  };
  const Case cases[] = {
      {"12", true, 12},
      {"  -7x", true, -7},
      {"+5 9", true, 5},
      {"\x82\x50", true, 1},                   // １
      {"\x82\x50\x82\x58" "0", true, 190},     // １９0
      {"\x81\x40\x81\x7c\x82\x52", true, -3},  // 　－３
      {"99999999999", true, INT_MAX},
      {"-99999999999", true, INT_MIN},
      {std::string(5000, '9'), true, INT_MAX},
      {"abc 12", false, 0},
      {"+ 5", false, 0},
      {"\x82\x60", false, 0},  // Ａ: a full-width letter, not a digit
      {"\x82", false, 0},      // a lead byte cut off
      {"", false, 0},
  };
  for (const Case& c : cases) {
    int value = 42;
    EXPECT_EQ(ParsePromptInt(c.line, &value), c.number) << c.line;
    EXPECT_EQ(value, c.number ? c.value : 42) << c.line;
  }
}

TEST(PromptLineTest, AWordIsCutAtACharacterBoundary) {
  std::string word;
  ASSERT_TRUE(ParsePromptWord("  \x95\x5c\x8e\xa6\tnext", 255, &word));
  EXPECT_EQ(word, "\x95\x5c\x8e\xa6");  // 表示: its second byte is a backslash
  std::string kanji;
  for (int i = 0; i < 200; ++i) kanji += "\x8a\xbf";
  ASSERT_TRUE(ParsePromptWord(kanji + " x", 255, &word));
  EXPECT_EQ(word, kanji.substr(0, 254));
  EXPECT_FALSE(ParsePromptWord(" \t ", 255, &word));
}

TEST(PromptLineTest, ALineIsTakenToItsLineFeedAndKeptToItsBound) {
  PromptLine line;
  // An endless run of digits arrives in pieces: what is kept stops growing.
  for (int i = 0; i < 1000; ++i) {
    const std::string piece(4096, '7');
    EXPECT_EQ(line.Take(piece), piece.size());
    EXPECT_FALSE(line.complete());
  }
  EXPECT_EQ(line.text().size(), kPromptLineMax);
  EXPECT_EQ(line.Take("77\r\nnext"), 4u) << "the line feed ends the line; the rest is not taken";
  EXPECT_TRUE(line.complete());
  EXPECT_EQ(line.text(), std::string(kPromptLineMax, '7'));
  EXPECT_EQ(line.Take("more"), 0u);

  PromptLine enter;
  EXPECT_EQ(enter.Take("\r\n5\n"), 2u);
  EXPECT_TRUE(enter.started());
  EXPECT_TRUE(enter.blank());
  PromptLine nothing;
  EXPECT_FALSE(nothing.started());
}

}  // namespace
}  // namespace shiori
