#include "text/headings.h"

#include <algorithm>
#include <array>

#include "text/filter.h"
#include "text/sjis.h"

namespace shiori {

namespace {

constexpr std::string_view kNoteOpen = "［＃";
constexpr std::string_view kNoteClose = "］";
constexpr std::string_view kHeading = "見出し";
constexpr std::string_view kEnd = "終わり";
constexpr std::string_view kBlockStart = "ここから";
constexpr std::string_view kBlockEnd = "ここで";
constexpr std::string_view kQuoteOpen = "「";
constexpr std::string_view kQuoteClose = "」は";

// Calls |f(line, offset)| for every line of |text| without its line end.
template <typename F>
void ForEachLine(std::string_view text, F f) {
  for (std::size_t at = 0; at < text.size();) {
    std::size_t nl = text.find('\n', at);
    const std::size_t next = nl == std::string_view::npos ? text.size() : nl + 1;
    std::string_view line = text.substr(at, (nl == std::string_view::npos ? text.size() : nl) - at);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    f(line, at);
    at = next;
  }
}

// The line as the page shows it: ruby, notes and gaiji taken away.
std::string Plain(std::string_view line) {
  FilterLines out;
  return std::string(filter_line(line, 0, &out, nullptr));
}

// The characters of |s|, each one or two bytes.
std::vector<std::string_view> Chars(std::string_view s) {
  std::vector<std::string_view> chars;
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t n = std::min<std::size_t>(1 + kLeadByteExtra[static_cast<unsigned char>(s[i])], s.size() - i);
    chars.push_back(s.substr(i, n));
    i += n;
  }
  return chars;
}

// Full-width and half-width spaces at both ends taken away.
std::string_view Trim(std::string_view s) {
  std::size_t from = 0, to = 0, at = 0;  // |to|: the end of the last other character
  bool leading = true;
  for (std::string_view c : Chars(s)) {
    const bool space = c == " " || c == "　";
    if (leading && space) from = at + c.size();
    if (!space) {
      leading = false;
      to = at + c.size();
    }
    at += c.size();
  }
  return to > from ? s.substr(from, to - from) : std::string_view();
}

// The level a note's words name ("大見出し", "同行中見出し", "ここで小見出し
// 終わり", …): the size mark just before "見出し"; false for other notes.
bool LevelBefore(std::string_view note, std::size_t heading_at, HeadingLevel* level) {
  if (heading_at < 2) return false;
  const std::string_view mark = note.substr(heading_at - 2, 2);
  if (mark == "大") *level = HeadingLevel::kLarge;
  else if (mark == "中") *level = HeadingLevel::kMedium;
  else if (mark == "小") *level = HeadingLevel::kSmall;
  else return false;
  return true;
}

struct Note {
  std::size_t at, end;  ///< the note's bytes in the line, brackets included
  std::string_view words;
};

// The notes of a line, outermost only.
std::vector<Note> Notes(std::string_view line) {
  std::vector<Note> notes;
  std::size_t i = 0;
  while ((i = line.find(kNoteOpen, i)) != std::string_view::npos) {
    int depth = 0;
    std::size_t j = i + kNoteOpen.size();
    while (j < line.size()) {
      if (line.substr(j).starts_with(kNoteClose)) {
        if (depth == 0) break;
        --depth;
      } else if (line.substr(j).starts_with("［")) {
        ++depth;
      }
      j += 1 + kLeadByteExtra[static_cast<unsigned char>(line[j])];
    }
    if (j >= line.size()) break;
    const std::size_t words_at = i + kNoteOpen.size();
    notes.push_back({i, j + kNoteClose.size(), line.substr(words_at, j - words_at)});
    i = j + kNoteClose.size();
  }
  return notes;
}

}  // namespace

std::vector<Heading> FindHeadings(std::string_view text) {
  std::vector<Heading> out;
  bool in_block = false;
  HeadingLevel block_level = HeadingLevel::kMedium;
  bool block_taken = false;
  ForEachLine(text, [&](std::string_view line, std::size_t offset) {
    const std::vector<Note> notes =
        line.find(kHeading) == std::string_view::npos ? std::vector<Note>() : Notes(line);
    HeadingLevel level;
    const bool marks = std::any_of(notes.begin(), notes.end(), [&level](const Note& n) {
      const std::size_t h = n.words.find(kHeading);
      return h != std::string_view::npos && LevelBefore(n.words, h, &level);
    });
    if (!marks) {
      // A line inside a heading block: the first with text is the heading.
      if (in_block && !block_taken) {
        const std::string plain(Trim(Plain(line)));
        if (!plain.empty()) {
          out.push_back({block_level, plain, offset});
          block_taken = true;
        }
      }
      return;
    }
    std::size_t open_at = std::string_view::npos;  // after "［＃中見出し］"
    HeadingLevel open_level = HeadingLevel::kMedium;
    for (const Note& n : notes) {
      const std::size_t h = n.words.find(kHeading);
      if (h == std::string_view::npos || !LevelBefore(n.words, h, &level)) continue;
      const std::string_view after = n.words.substr(h + kHeading.size());
      if (n.words.starts_with(kBlockStart)) {
        in_block = true;
        block_level = level;
        block_taken = false;
      } else if (n.words.starts_with(kBlockEnd)) {
        in_block = false;
      } else if (n.words.starts_with(kQuoteOpen)) {
        // 「X」は大見出し: X names the text before the note.
        const std::size_t q = n.words.find(kQuoteClose);
        if (q == std::string_view::npos || !after.empty()) continue;
        const std::string name(Trim(Plain(n.words.substr(kQuoteOpen.size(), q - kQuoteOpen.size()))));
        if (!name.empty()) out.push_back({level, name, offset});
      } else if (after == kEnd) {
        if (open_at != std::string_view::npos) {
          const std::string name(Trim(Plain(line.substr(open_at, n.at - open_at))));
          if (!name.empty()) out.push_back({open_level, name, offset});
          open_at = std::string_view::npos;
        }
      } else if (after.empty()) {
        open_at = n.end;
        open_level = level;
      }
    }
    if (in_block && !block_taken) {
      // A block's heading may stand on the line that opens it.
      const std::string plain(Trim(Plain(line)));
      if (!plain.empty() && notes.size() == 1 && notes[0].words.starts_with(kBlockStart)) {
        out.push_back({block_level, plain, offset});
        block_taken = true;
      }
    }
  });
  return out;
}

namespace {

bool IsNumeral(std::string_view ch) {
  static constexpr std::array<std::string_view, 15> kNumerals = {
      "一", "二", "三", "四", "五", "六", "七", "八", "九", "十", "百", "千", "〇", "零", "廿"};
  for (std::string_view n : kNumerals)
    if (ch == n) return true;
  if (ch.size() == 2 && static_cast<unsigned char>(ch[0]) == 0x82) {
    const unsigned char t = static_cast<unsigned char>(ch[1]);
    return t >= 0x4F && t <= 0x58;  // ０-９
  }
  return false;
}

bool IsRoman(std::string_view ch) {
  // Ⅰ-Ⅹ in code page 932.
  return ch.size() == 2 && static_cast<unsigned char>(ch[0]) == 0x87 &&
         static_cast<unsigned char>(ch[1]) >= 0x54 && static_cast<unsigned char>(ch[1]) <= 0x5D;
}

// A chapter number alone; |level| large for 第…編 and its kin.
bool IsChapterTitle(std::string_view s, HeadingLevel* level) {
  const std::vector<std::string_view> c = Chars(s);
  if (c.empty() || c.size() > 8) return false;
  if (c.size() == 1 && IsRoman(c[0])) {
    *level = HeadingLevel::kMedium;
    return true;
  }
  std::size_t i = 0, last = c.size();
  const bool dai = c[0] == "第";
  if (dai) ++i;
  static constexpr std::array<std::string_view, 9> kUnits = {"編", "篇", "章", "部", "回",
                                                             "節", "巻", "幕", "話"};
  std::string_view unit;
  for (std::string_view u : kUnits)
    if (c.back() == u) unit = u;
  if (!unit.empty()) --last;
  if (dai && unit.empty()) return false;
  if (i >= last) return false;
  for (std::size_t k = i; k < last; ++k)
    if (!IsNumeral(c[k])) return false;
  *level = unit == "編" || unit == "篇" || unit == "部" || unit == "巻" ? HeadingLevel::kLarge
                                                                     : HeadingLevel::kMedium;
  return true;
}

}  // namespace

std::vector<Heading> FindChapterLines(std::string_view text) {
  std::vector<Heading> out;
  ForEachLine(text, [&](std::string_view line, std::size_t offset) {
    if (line.size() > 80) return;
    const std::string plain(Trim(Plain(line)));
    HeadingLevel level;
    if (IsChapterTitle(plain, &level)) out.push_back({level, plain, offset});
  });
  return out;
}

std::vector<Heading> WorkHeadings(std::string_view text) {
  std::vector<Heading> h = FindHeadings(text);
  return h.empty() ? FindChapterLines(text) : h;
}

}  // namespace shiori
