// The encoding tests a work file passes through: code page 932, UTF-8 and EUC-JP.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/corpus.h"
#include "text/eucjp.h"
#include "text/sjis.h"
#include "text/utf8.h"

namespace shiori {
namespace {

std::string U8(const char8_t* s) { return std::string(reinterpret_cast<const char*>(s)); }

class EncodingTest : public ::testing::TestWithParam<corpus::Texts> {};

TEST_P(EncodingTest, EveryTextIsCp932AndNeitherUtf8NorEucJp) {
  if (GetParam() == corpus::Texts::kCorpus) SHIORI_NEEDS_CORPUS();
  const std::vector<std::string> paths = corpus::TextFiles(GetParam());
  ASSERT_GE(paths.size(), GetParam() == corpus::Texts::kCorpus ? 12u : 2u) << corpus::Dir();
  for (const std::string& path : paths) {
    std::string text = corpus::ReadFile(path);
    ASSERT_GT(text.size(), 1000u) << path;
    EXPECT_TRUE(IsCp932Text(text)) << path;
    EXPECT_FALSE(IsUtf8Text(text)) << path;
    EXPECT_FALSE(IsEucJpText(text)) << path;
  }
}

INSTANTIATE_TEST_SUITE_P(Texts, EncodingTest,
                         ::testing::Values(corpus::Texts::kEmbedded, corpus::Texts::kCorpus),
                         corpus::kTextsName);

TEST(EncodingTest, Cp932Forms) {
  EXPECT_TRUE(IsCp932Text(""));
  EXPECT_TRUE(IsCp932Text("abc\r\n"));
  EXPECT_TRUE(IsCp932Text("吾輩は猫である。ｱｲｳ〓\r\n"));
  EXPECT_TRUE(IsCp932Text("\x81\x40\xFC\xFC\xE0\x80"));  // the edges of lead and trail
  const std::pair<std::string, const char*> bad[] = {
      {"\x82", "a lead byte ends the text"},
      {"\x82\r\n", "a lead byte before the line end"},
      {"\x82\x7F", "0x7F is no trail byte"},
      {"\x82\xFD", "0xFD is no trail byte"},
      {"a\x80", "0x80 alone"},
      {"a\xA0", "0xA0 alone"},
      {"a\xFD\x40", "0xFD is no lead byte"},
      {U8(u8"吾輩は猫である。\r\n"), "UTF-8 ending in a byte that would be a lead"},
  };
  for (const auto& [text, why] : bad) EXPECT_FALSE(IsCp932Text(text)) << why;
  // UTF-8 Japanese is often code page 932 in form too: its third bytes read
  // as half-width katakana or as lead bytes of pairs. So a loader must ask
  // whether a text is UTF-8 first.
  EXPECT_TRUE(IsCp932Text(U8(u8"吾輩は猫である\r\n")));
}

TEST(EncodingTest, Utf8Forms) {
  const std::string good[] = {
      "", "plain ASCII\r\n", U8(u8"吾輩は猫である。"), U8(u8"é ü"),
      "\xF0\x9F\x98\x80",  // U+1F600
      "\xEF\xBF\xBF", "\xF4\x8F\xBF\xBF",  // U+FFFF and U+10FFFF
  };
  for (const std::string& text : good) EXPECT_TRUE(IsUtf8Text(text)) << text;
  const std::pair<std::string, const char*> bad[] = {
      {"\x80", "a stray continuation byte"},
      {"\xC0\x80", "an over-long NUL"},
      {"\xE0\x80\x80", "an over-long three-byte form"},
      {"\xED\xA0\x80", "a surrogate"},
      {"\xF4\x90\x80\x80", "above U+10FFFF"},
      {"\xF5\x80\x80\x80", "no lead byte begins above 0xF4"},
      {"\xE3\x81", "a sequence cut at the end"},
      {"\xE3\x81" "a", "a sequence cut by ASCII"},
      {"吾輩", "code page 932"},
  };
  for (const auto& [text, why] : bad) EXPECT_FALSE(IsUtf8Text(text)) << why;
  EXPECT_EQ(Utf8SequenceLength(0x41), 1u);
  EXPECT_EQ(Utf8SequenceLength(0xE3), 3u);
  EXPECT_EQ(Utf8SequenceLength(0xF0), 4u);
  EXPECT_EQ(Utf8SequenceLength(0x80), 1u);
}

}  // namespace
}  // namespace shiori
