// The headings of a work: what its annotations mark as large, medium and
// small headings, or, in a text without them, the lines that stand alone as
// chapter titles. A contents list and a layout that sets headings apart
// both read them here.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace shiori {

enum class HeadingLevel { kLarge = 1, kMedium = 2, kSmall = 3 };

struct Heading {
  HeadingLevel level = HeadingLevel::kMedium;
  std::string text;        ///< code page 932, markup removed
  std::size_t offset = 0;  ///< where the line that holds it begins in the text
  bool operator==(const Heading&) const = default;
};

/// Headings marked by annotations, in text order: "X［＃「X」は大見出し］"
/// (and 中/小, 同行 and 窓 forms), "［＃中見出し］X［＃中見出し終わり］", and
/// the block "［＃ここから中見出し］" … "［＃ここで中見出し終わり］", whose
/// first line with text gives the heading. |text| is the whole text, lines
/// ending in LF or CR LF.
std::vector<Heading> FindHeadings(std::string_view text);

/// For a text without heading annotations: the lines that, markup and
/// spaces taken away, are a chapter number alone — kanji numerals or
/// full-width digits, "第" before and one of 編 篇 章 部 回 節 巻 幕 話 after
/// allowed ("第一編", "一", "１２") — or a Roman numeral alone. Their level
/// is medium, or large for the 第…編/篇/部/巻 forms.
std::vector<Heading> FindChapterLines(std::string_view text);

/// FindHeadings, or FindChapterLines where it finds none.
std::vector<Heading> WorkHeadings(std::string_view text);

}  // namespace shiori
