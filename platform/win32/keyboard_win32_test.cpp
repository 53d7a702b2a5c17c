// Keys and prompts of the Win32 console input.
#include "platform/win32/keyboard_win32.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <io.h>

#include <cstdio>
#include <string>

namespace shiori {
namespace {

TEST(FoldSpecialKeyTest, TwoCodeKeysBecomeOneKey) {
  // The grey keys come with 0xE0, the keypad (Num Lock off) and F-keys with 0.
  for (int prefix : {0, 0xE0}) {
    EXPECT_EQ(FoldSpecialKey(prefix, 0x48), kKeyUp);
    EXPECT_EQ(FoldSpecialKey(prefix, 0x50), kKeyDown);
    EXPECT_EQ(FoldSpecialKey(prefix, 0x4B), kKeyLeft);
    EXPECT_EQ(FoldSpecialKey(prefix, 0x4D), kKeyRight);
    EXPECT_EQ(FoldSpecialKey(prefix, 0x49), kKeyPageUp);
    EXPECT_EQ(FoldSpecialKey(prefix, 0x51), kKeyPageDown);
    EXPECT_EQ(FoldSpecialKey(prefix, 0x47), kKeyHome);
    EXPECT_EQ(FoldSpecialKey(prefix, 0x4F), kKeyEnd);
    EXPECT_EQ(FoldSpecialKey(prefix, 0x52), kKeyInsert);
    EXPECT_EQ(FoldSpecialKey(prefix, 0x53), kKeyDelete);
  }
  EXPECT_EQ(FoldSpecialKey(0, 0x3B), kKeyF1);
  EXPECT_EQ(FoldSpecialKey(0, 0x44), kKeyF1 + 9);
  EXPECT_EQ(FoldSpecialKey(0xE0, 0x85), kKeyF1 + 10);
  EXPECT_EQ(FoldSpecialKey(0xE0, 0x86), kKeyF12);
}

TEST(FoldSpecialKeyTest, UnknownCodesAreStillOneSpecialKeyNeverALetter) {
  // Modified keys send second codes that are letters in ASCII: Ctrl+Left is
  // 0x73 ('s', search), Shift+F1 0x54 ('T', speech), Alt+F1 0x68 ('h').
  // None may act as that letter.
  for (int code : {0x73, 0x54, 0x68, 0x3A, 0x45, 0x87, 0x00, 0xFF}) {
    EXPECT_EQ(FoldSpecialKey(0xE0, code), kKeyOtherSpecial) << code;
    EXPECT_EQ(FoldSpecialKey(0, code), kKeyOtherSpecial) << code;
  }
  EXPECT_EQ(FoldSpecialKey('a', 0x48), kKeyOtherSpecial);
}

// Standard input for the prompts, fed through a pipe as a redirected run has.
class PromptTest : public ::testing::Test {
 protected:
  void Feed(const std::string& bytes) {
    int fds[2];
    ASSERT_EQ(_pipe(fds, 65536, _O_BINARY), 0);
    ASSERT_EQ(_write(fds[1], bytes.data(), static_cast<unsigned>(bytes.size())),
              static_cast<int>(bytes.size()));
    _close(fds[1]);
    in_ = _fdopen(fds[0], "rb");
    ASSERT_NE(in_, nullptr);
  }
  void TearDown() override {
    if (in_ != nullptr) std::fclose(in_);
  }
  std::FILE* in_ = nullptr;
};

TEST_F(PromptTest, EachPromptTakesOneLineAndItsRestIsDropped) {
  Feed("  12 5\nabc -7\n\r\n\x82\x50\x82\x52\n");  // ..., １３
  WinKeyboard kb(in_);
  int v = 99;
  ASSERT_TRUE(kb.ReadInt(&v));
  EXPECT_EQ(v, 12);
  v = 99;
  EXPECT_FALSE(kb.ReadInt(&v));
  EXPECT_EQ(v, 99) << "a failed read leaves the value alone";
  EXPECT_FALSE(kb.InputEnded()) << "a word is an answer, not the end";
  ASSERT_TRUE(kb.ReadInt(&v)) << "the word's line is gone, the blank one passed over";
  EXPECT_EQ(v, 13);
  EXPECT_FALSE(kb.ReadInt(&v)) << "end of input";
  EXPECT_TRUE(kb.InputEnded());
  std::string w;
  EXPECT_FALSE(kb.ReadWord(&w, 255));
}

TEST_F(PromptTest, AWordIsCodePage932BytesUpToABlank) {
  // 表示 (95 5C 8E A6): the second byte of 表 is a backslash byte.
  Feed("\x95\x5c\x8e\xa6\tnot\r\nnext\r\n");
  WinKeyboard kb(in_);
  std::string w;
  ASSERT_TRUE(kb.ReadWord(&w, 255));
  EXPECT_EQ(w, "\x95\x5c\x8e\xa6");
  ASSERT_TRUE(kb.ReadWord(&w, 255));
  EXPECT_EQ(w, "next");
}

TEST_F(PromptTest, ALongWordIsCutAtACharacterAndItsRestDropped) {
  // 200 double-byte characters: 255 bytes would end inside the 128th.
  std::string kanji;
  for (int i = 0; i < 200; ++i) kanji += "\x8a\xbf";
  Feed(kanji + " 5\n6\n");
  WinKeyboard kb(in_);
  std::string w;
  ASSERT_TRUE(kb.ReadWord(&w, 255));
  EXPECT_EQ(w, kanji.substr(0, 254));
  int v = 0;
  ASSERT_TRUE(kb.ReadInt(&v)) << "the rest of the long word's line is gone";
  EXPECT_EQ(v, 6);
}

TEST_F(PromptTest, AWordOfExactlyTheLimitKeepsTheNextWord) {
  const std::string exact(255, 'x');
  Feed(exact + "\nyz");
  WinKeyboard kb(in_);
  std::string w;
  ASSERT_TRUE(kb.ReadWord(&w, 255));
  EXPECT_EQ(w, exact);
  ASSERT_TRUE(kb.ReadWord(&w, 255));
  EXPECT_EQ(w, "yz");
}

TEST_F(PromptTest, ALongWordAtTheEndOfInput) {
  Feed(std::string(300, 'q'));
  WinKeyboard kb(in_);
  std::string w;
  ASSERT_TRUE(kb.ReadWord(&w, 255));
  EXPECT_EQ(w, std::string(255, 'q'));
  EXPECT_FALSE(kb.ReadWord(&w, 255));
}

}  // namespace
}  // namespace shiori
