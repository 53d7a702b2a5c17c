// The Win32 conversions of work files and command-line text.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/text_codec.h"
#include "tests/support/corpus.h"

namespace shiori {
namespace {

std::string U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

TEST(WinTextCodecTest, Utf8BecomesCp932AndWhatItCannotHoldBecomesGeta) {
  auto codec = MakeTextCodec();
  std::string out;
  ASSERT_TRUE(codec->Utf8ToCp932(U8(u8"吾輩は猫である。"), &out));
  EXPECT_EQ(out, "\x8C\xE1\x94\x79\x82\xCD\x94\x4C\x82\xC5\x82\xA0\x82\xE9\x81\x42");
  // Both mappings' forms: wave dash and full-width tilde, minus sign and
  // full-width hyphen-minus, em dash and horizontal bar; a circled digit,
  // an IBM kanji, half-width katakana.
  ASSERT_TRUE(codec->Utf8ToCp932(U8(u8"〜～−－—―①髙ｱ"), &out));
  EXPECT_EQ(out, "\x81\x60\x81\x60\x81\x7C\x81\x7C\x81\x5C\x81\x5C\x87\x40\xFB\xFC\xB1");
  // Hangul, an emoji (a surrogate pair), the euro sign, and a character
  // that has only a look-alike: one geta mark each, never a best fit.
  ASSERT_TRUE(codec->Utf8ToCp932(
      "A\xED\x95\x9C" "B\xF0\x9F\x98\x80" "C\xE2\x82\xAC" "D\xC3\xA9\r\n", &out));
  EXPECT_EQ(out, "A\x81\xAC" "B\x81\xAC" "C\x81\xAC" "D\x81\xAC\r\n");
  ASSERT_TRUE(codec->Utf8ToCp932("", &out));
  EXPECT_EQ(out, "");
}

TEST(WinTextCodecTest, CorpusTextSurvivesTheRoundTripThroughUtf8) {
  SHIORI_NEEDS_CORPUS();
  const std::string cp932 = corpus::ReadFile(corpus::Path("776_ruby_6020.txt"));
  ASSERT_EQ(cp932.size(), 216453u);
  int n = MultiByteToWideChar(932, 0, cp932.data(), static_cast<int>(cp932.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(932, 0, cp932.data(), static_cast<int>(cp932.size()), wide.data(), n);
  int m = WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(m), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, utf8.data(), m, nullptr, nullptr);
  std::string back;
  ASSERT_TRUE(MakeTextCodec()->Utf8ToCp932(utf8, &back));
  EXPECT_TRUE(back == cp932);
}

TEST(WinTextCodecTest, CommandLineTextIsInTheAnsiCodePage) {
  auto codec = MakeTextCodec();
  if (GetACP() == 932) {
    EXPECT_EQ(codec->NativeToCp932("罪と罰.zip"), "罪と罰.zip");
  } else {
    // Another system's code page: its text is converted, and what code
    // page 932 lacks becomes a geta mark.
    char ansi[8] = {};
    BOOL lost = FALSE;
    WideCharToMultiByte(CP_ACP, 0, L"a\u00e9.zip", -1, ansi, sizeof ansi, nullptr, &lost);
    if (lost) GTEST_SKIP() << "the ANSI code page " << GetACP() << " has no e-acute";
    EXPECT_EQ(codec->NativeToCp932(ansi), "a\x81\xAC.zip");
  }
}

TEST(WinTextCodecTest, FileStemNeverSplitsAtTheSecondByteOfACharacter) {
  if (GetACP() != 932) GTEST_SKIP() << "the ANSI code page is " << GetACP();
  auto codec = MakeTextCodec();
  // 表 is 95 5C: its second byte is the backslash.
  EXPECT_EQ(codec->NativeFileStem("C:\\本\\表.zip"), "表");
  EXPECT_EQ(codec->NativeFileStem("Z:/works/罪と罰.ZIP"), "罪と罰");
  EXPECT_EQ(codec->NativeFileStem("a.b\\noext"), "noext");
}

}  // namespace
}  // namespace shiori
