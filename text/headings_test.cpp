// Headings for the contents and the fitted view: every annotated form, and
// chapter-number lines in a text without annotations.
#include "text/headings.h"

#include <gtest/gtest.h>

#include "tests/support/corpus.h"

namespace shiori {
namespace {

// "level:text@line" for each heading, the line counted from 0.
std::vector<std::string> Describe(std::string_view text, const std::vector<Heading>& hs) {
  std::vector<std::string> out;
  for (const Heading& h : hs) {
    int line = 0;
    for (std::size_t i = 0; i < h.offset; ++i) line += text[i] == '\n';
    out.push_back(std::to_string(static_cast<int>(h.level)) + ":" + h.text + "@" +
                  std::to_string(line));
  }
  return out;
}

TEST(HeadingsTest, EveryAnnotatedFormInTextOrder) {
  const std::string text =
      "［＃２字下げ］第一篇［＃「第一篇」は大見出し］\r\n"
      "本文です。\r\n"
      "［＃７字下げ］一［＃「一」は中見出し］\r\n"
      "［＃中見出し］亜細亜《アジア》の曙［＃中見出し終わり］\r\n"
      "［＃ここから小見出し］\r\n"
      "\r\n"
      "　小さな見出し\r\n"
      "続きの行\r\n"
      "［＃ここで小見出し終わり］\r\n"
      "龍王岬［＃「龍王岬」は窓中見出し］　峨々たる岩岬、又此岬より龍王嶋［＃「龍王嶋」は同行小見出し］と云り。\r\n"
      "［＃窓大見出し］窓の見出し［＃窓大見出し終わり］本文\r\n"
      "見出しという言葉だけの行。［＃「行」に傍点］\n";
  EXPECT_EQ(Describe(text, FindHeadings(text)),
            std::vector<std::string>({"1:第一篇@0", "2:一@2", "2:亜細亜の曙@3", "3:小さな見出し@6",
                                      "2:龍王岬@9", "3:龍王嶋@9", "1:窓の見出し@10"}));
}

TEST(HeadingsTest, ChapterNumberLinesServeWhereNoAnnotationMarksOne) {
  const std::string text =
      "題名\r\n"
      "第一編\r\n"
      "　　一\r\n"
      "一つの文。\r\n"
      "［＃３字下げ］十二［＃「十二」は太字］\r\n"
      "１３\r\n"
      "第三\r\n"
      "Ⅳ\r\n"
      "一二三四五六七八九\r\n";
  EXPECT_EQ(FindHeadings(text), std::vector<Heading>());
  EXPECT_EQ(Describe(text, WorkHeadings(text)),
            std::vector<std::string>({"1:第一編@1", "2:一@2", "2:十二@4", "2:１３@5", "2:Ⅳ@7"}));
}

TEST(HeadingsTest, TheChaptersOfARealNovel) {
  SHIORI_NEEDS_CORPUS();
  const std::vector<Heading> hs = WorkHeadings(corpus::ReadFile(corpus::Path("776_ruby_6020.txt")));
  std::vector<std::string> texts;
  for (const Heading& h : hs) {
    EXPECT_EQ(h.level, HeadingLevel::kMedium);
    texts.push_back(h.text);
  }
  EXPECT_EQ(texts, std::vector<std::string>({"一", "二", "三", "四", "五", "六", "七", "八", "九",
                                             "十", "十一", "十二", "十三"}));
}

}  // namespace
}  // namespace shiori
