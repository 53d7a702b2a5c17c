// The POSIX conversions of work files and command-line text.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/posix/charset.h"
#include "platform/text_codec.h"
#include "tests/support/corpus.h"

namespace shiori {
namespace {

std::string U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

// Sets LC_ALL for one test and puts the old value back.
class ScopedLocale {
 public:
  explicit ScopedLocale(const char* value) {
    if (const char* old = std::getenv("LC_ALL")) old_ = old;
    setenv("LC_ALL", value, 1);
  }
  ~ScopedLocale() {
    if (old_) {
      setenv("LC_ALL", old_->c_str(), 1);
    } else {
      unsetenv("LC_ALL");
    }
  }

 private:
  std::optional<std::string> old_;
};

TEST(TextCodecTest, Utf8BecomesCp932AndWhatItCannotHoldBecomesGeta) {
  auto codec = MakeTextCodec();
  std::string out;
  ASSERT_TRUE(codec->Utf8ToCp932(U8(u8"吾輩は猫である。"), &out));
  EXPECT_EQ(out, "\x8C\xE1\x94\x79\x82\xCD\x94\x4C\x82\xC5\x82\xA0\x82\xE9\x81\x42");
  // The forms converters of either mapping write: wave dash and full-width
  // tilde, minus sign, circled digit, IBM kanji, half-width katakana.
  ASSERT_TRUE(codec->Utf8ToCp932(U8(u8"〜～−①髙ｱ"), &out));
  EXPECT_EQ(out, "\x81\x60\x81\x60\x81\x7C\x87\x40\xFB\xFC\xB1");
  // Hangul (U+D55C), an emoji (U+1F600, four bytes), the euro sign: one
  // geta mark each. (Spelled in bytes: the compiler cannot hold them in
  // code page 932 even inside a UTF-8 literal.)
  ASSERT_TRUE(codec->Utf8ToCp932("A\xED\x95\x9C" "B\xF0\x9F\x98\x80" "C\xE2\x82\xAC\r\n", &out));
  EXPECT_EQ(out, "A\x81\xAC" "B\x81\xAC" "C\x81\xAC\r\n");
  ASSERT_TRUE(codec->Utf8ToCp932("", &out));
  EXPECT_EQ(out, "");
}

TEST(TextCodecTest, CorpusTextSurvivesTheRoundTripThroughUtf8) {
  SHIORI_NEEDS_CORPUS();
  const std::string cp932 = corpus::ReadFile(corpus::Path("776_ruby_6020.txt"));
  ASSERT_EQ(cp932.size(), 216453u);
  Cp932ToTerminal to_utf8("UTF-8");
  std::string utf8;
  to_utf8.Convert(cp932, &utf8);
  to_utf8.Finish(&utf8);
  ASSERT_GT(utf8.size(), cp932.size());
  std::string back;
  ASSERT_TRUE(MakeTextCodec()->Utf8ToCp932(utf8, &back));
  EXPECT_TRUE(back == cp932);
}

TEST(TextCodecTest, NativeTextFollowsTheLocaleTheCodecWasMadeIn) {
  {
    ScopedLocale utf8("C.UTF-8");
    auto codec = MakeTextCodec();
    EXPECT_EQ(codec->NativeToCp932(U8(u8"罪と罰.zip")), "罪と罰.zip");
    EXPECT_EQ(codec->NativeToCp932(U8(u8"/曲/二.mp3")), "/曲/二.mp3");
  }
  {
    ScopedLocale sjis("ja_JP.SJIS");
    auto codec = MakeTextCodec();
    EXPECT_EQ(codec->NativeToCp932("罪と罰.zip"), "罪と罰.zip");
  }
}

TEST(TextCodecTest, FileStemTakesOnlySlashesAsSeparators) {
  auto codec = MakeTextCodec();
  EXPECT_EQ(codec->NativeFileStem(U8(u8"/books/罪と罰.zip")), U8(u8"罪と罰"));
  EXPECT_EQ(codec->NativeFileStem("dir.d/my.book.txt"), "my.book");
  // A backslash is an ordinary character of a POSIX file name.
  EXPECT_EQ(codec->NativeFileStem("a\\b.txt"), "a\\b");
  EXPECT_EQ(codec->NativeFileStem("noext"), "noext");
}

}  // namespace
}  // namespace shiori
