#include "text/fitted_markup.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstring>

#include "text/display_width.h"
#include "text/sjis.h"

namespace shiori {

namespace {

constexpr std::string_view kGaijiOpen = "※［＃";
constexpr std::string_view kNoteOpen = "［＃";
constexpr std::string_view kRubyClose = "》";
constexpr std::string_view kGeta = "〓";
// The marks the view adds, kept once after each line's own bytes: the
// reading's brackets, then 〓.
constexpr std::string_view kAdded = "()〓";
constexpr std::uint32_t kAddedOpen = 0, kAddedClose = 1, kAddedGeta = 2;
constexpr std::string_view kQuoteOpen = "「";
constexpr std::string_view kQuoteClose = "」";
constexpr std::size_t npos = std::string_view::npos;

static_assert(kGaijiOpen.size() == 6 && kNoteOpen.size() == 4 && kGeta.size() == 2,
              "markers must be code page 932 bytes (-fexec-charset=CP932)");

// Second bytes, after 0x81, of the marks the scan stops at.
constexpr unsigned char kSecondKome = 0xA6;     // ※
constexpr unsigned char kSecondBracket = 0x6D;  // ［
constexpr unsigned char kSecondRuby = 0x73;     // 《
constexpr unsigned char kSecondRubyClose = 0x74;  // 》
constexpr unsigned char kSecondBar = 0x62;      // ｜

// Second bytes after 0x81 of the symbols a run of two-column characters takes
// in its stride (the punctuation of every sentence): two columns wide
// whatever the terminal, and none of the marks the reader stops at.
const std::array<std::uint8_t, 256> kPlain81 = [] {
  std::array<std::uint8_t, 256> table{};
  for (unsigned b = 0x40; b <= 0xFC; ++b)
    table[b] = b != 0x7F && Cp932PairColumns(0x8100 | b, /*ambiguous_wide=*/false) == 2;
  for (const unsigned char mark : {kSecondKome, kSecondBracket, kSecondRuby, kSecondRubyClose, kSecondBar})
    table[mark] = 0;
  return table;
}();

// Whether the character at |c| (both its bytes readable) is a double-byte one
// two columns wide that marks nothing.
inline bool PlainWide(const unsigned char* c) {
  return kLeadClass[c[0]] == kWideLead || (c[0] == 0x81 && kPlain81[c[1]] != 0);
}

unsigned char Byte(std::string_view s, std::size_t i) { return static_cast<unsigned char>(s[i]); }

std::size_t CharLen(std::string_view s, std::size_t i) {
  return i + 1 < s.size() && IsLeadByte(Byte(s, i)) ? 2 : 1;
}

// |needle| in |s| at a character boundary (a find() could match across two
// characters' bytes).
std::size_t FindChar(std::string_view s, std::string_view needle, std::size_t from = 0) {
  for (std::size_t i = from; i + needle.size() <= s.size(); i += CharLen(s, i))
    if (s.compare(i, needle.size(), needle) == 0) return i;
  return npos;
}

// The mark 0x81 |second| (kSecondRuby, kSecondRubyClose) at a character
// boundary from |from|; npos when none.
std::size_t FindMark(std::string_view s, std::size_t from, unsigned char second) {
  for (std::size_t i = from; i + 1 < s.size();) {
    const unsigned char b = Byte(s, i);
    if (b == 0x81 && Byte(s, i + 1) == second) return i;
    i += IsLeadByte(b) ? 2 : 1;
  }
  return npos;
}

// Whether |s| holds |needle|: the words annotations are told apart by,
// looked for byte-wise as the markup filter looks for its marks.
bool Has(std::string_view s, std::string_view needle) {
  return s.find(needle) != std::string_view::npos;
}

// The "］" matching the "［" at |open|, nested brackets counted.
std::size_t MatchingBracket(std::string_view s, std::size_t open) {
  int depth = 0;
  for (std::size_t i = open; i + 1 < s.size(); i += CharLen(s, i)) {
    if (Byte(s, i) != 0x81) continue;
    if (Byte(s, i + 1) == 0x6D) ++depth;
    if (Byte(s, i + 1) == 0x6E && --depth == 0) return i;
  }
  return npos;
}

// A number at |*i|: ASCII or full-width digits, or kanji numerals
// ("三", "十二", "二十"); -1 when there is none.
int TakeNumber(std::string_view s, std::size_t* i) {
  static constexpr std::string_view kKanji[] = {"〇", "一", "二", "三", "四",
                                                "五", "六", "七", "八", "九"};
  int tens = 0, units = -1;
  bool any = false;
  std::size_t p = *i;
  while (p < s.size()) {
    int d = -1;
    std::size_t len = 1;
    if (s[p] >= '0' && s[p] <= '9') {
      d = s[p] - '0';
    } else if (p + 1 < s.size() && Byte(s, p) == 0x82 && Byte(s, p + 1) >= 0x4F &&
               Byte(s, p + 1) <= 0x58) {
      d = Byte(s, p + 1) - 0x4F;
      len = 2;
    } else if (s.compare(p, 2, "十") == 0) {
      tens += 10 * (units < 0 ? 1 : units);  // 十 is ten times what stands before it
      units = -1;
      any = true;
      p += 2;
      continue;
    } else {
      for (int k = 0; k < 10 && d < 0; ++k)
        if (s.compare(p, 2, kKanji[k]) == 0) d = k, len = 2;
    }
    if (d < 0 || tens + units > 1000) break;
    units = units < 0 ? d : units * 10 + d;
    any = true;
    p += len;
  }
  if (!any) return -1;
  *i = p;
  return tens + (units < 0 ? 0 : units);
}

// "N字下げ" standing for the whole of |s|; -1 otherwise.
int IndentOf(std::string_view s) {
  std::size_t i = 0;
  const int n = TakeNumber(s, &i);
  return n >= 0 && s.substr(i) == "字下げ" ? n : -1;
}

bool IsUnderlineKind(std::string_view s) {
  return Has(s, "傍点") || Has(s, "傍線") || Has(s, "鎖線") || Has(s, "破線") || Has(s, "波線");
}

int HeadingLevelOf(std::string_view s) {
  if (!Has(s, "見出し")) return 0;
  if (Has(s, "大見出し")) return 1;
  if (Has(s, "小見出し")) return 3;
  return 2;
}

// Characters |quoted| shows: a gaiji note is one, other annotations, ruby
// and the base bar none.
int ShownChars(std::string_view q) {
  int n = 0;
  for (std::size_t i = 0; i < q.size();) {
    if (q.compare(i, kGaijiOpen.size(), kGaijiOpen) == 0 ||
        q.compare(i, kNoteOpen.size(), kNoteOpen) == 0) {
      const bool gaiji = q[i + 1] == static_cast<char>(kSecondKome);
      const std::size_t close = MatchingBracket(q, gaiji ? i + 2 : i);
      if (close != npos) {
        n += gaiji ? 1 : 0;
        i = close + 2;
        continue;
      }
    } else if (q.compare(i, 2, "《") == 0) {
      const std::size_t close = FindChar(q, kRubyClose, i);
      if (close != npos) {
        i = close + 2;
        continue;
      }
    } else if (q.compare(i, 2, "｜") == 0) {
      i += 2;
      continue;
    }
    ++n;
    i += CharLen(q, i);
  }
  return n;
}

static_assert(sizeof(FitCell) == 8 && offsetof(FitCell, len) == 4 && offsetof(FitCell, style) == 5 &&
                  offsetof(FitCell, cols) == 6 && offsetof(FitCell, flags) == 7 &&
                  std::endian::native == std::endian::little,
              "a cell is written as one little-endian 64-bit word");

class Enricher {
 public:
  Enricher(const FitOptions& options, MarkupState* state, EnrichedLine* out)
      : o_(options), st_(*state), out_(*out) {}

  void Run(std::string_view raw) {
    if (st_.heading_depth > 0) out_.heading = st_.heading_level;
    // The cells point into a copy of the line; marks the view adds (ruby
    // brackets, 〓) go after it.
    out_.bytes.reserve(raw.size() + kAdded.size());
    out_.bytes.assign(raw);
    out_.bytes.append(kAdded);
    raw_ = out_.bytes.data();
    added_ = static_cast<std::uint32_t>(raw.size());
    // A character of the line makes at most one cell (a mark the view adds
    // stands where the line's own marks were), so room for them is made once
    // and the cells are written without a test each.
    out_.cells.resize(raw.size() + 8);
    cells_ = out_.cells.data();
    count_ = 0;
    out_.odd.resize(out_.cells.size());  // a cell is listed at most once
    odd_ = out_.odd.data();
    odd_count_ = 0;
    odd_delta_ = 0;
    UpdateStyle();
    // The line is read from the copy, which kAdded follows: its "(" stops
    // a run of double-byte characters at the line's end without a test.
    Scan(std::string_view(raw_, raw.size()), 0, /*top=*/true);
    out_.cells.resize(count_);
    out_.odd.resize(odd_count_);
    if (line_indent_ >= 0) {
      out_.indent = out_.wrap_indent = 2 * line_indent_;
    } else if (st_.block_indent >= 0) {
      out_.indent = 2 * st_.block_indent;
      out_.wrap_indent = 2 * st_.block_wrap;
    }
    out_.right = line_right_ || st_.block_right;
    out_.raise = 2 * (line_right_ ? line_raise_ : st_.block_raise);
  }

 private:
  // Reads |s| into cells. At the top level every annotation is obeyed;
  // inside a reading only gaiji notes show and the rest is dropped.
  void Scan(std::string_view s, std::uint8_t flags, bool top) {
    const std::size_t n = s.size();
    std::size_t i = 0;
    while (i < n) {
      const unsigned char c = Byte(s, i);
      if (c == 0x81 && i + 1 < n) {
        const unsigned char second = Byte(s, i + 1);
        if (second == kSecondKome && s.compare(i, kGaijiOpen.size(), kGaijiOpen) == 0) {
          const std::size_t close = MatchingBracket(s, i + 2);
          if (close == npos) {
            AppendPlain(s.substr(i), flags);
            return;
          }
          AppendGaiji(s.substr(i + 6, close - (i + 6)), flags);
          out_.notes.push_back({static_cast<std::uint32_t>(count_ - 1),
                                static_cast<std::uint32_t>(s.data() - raw_ + i)});
          out_.markup = true;
          i = close + 2;
          continue;
        }
        if (second == kSecondBracket && s.compare(i, kNoteOpen.size(), kNoteOpen) == 0) {
          const std::size_t close = MatchingBracket(s, i);
          if (close == npos) {
            AppendPlain(s.substr(i), flags);
            return;
          }
          // "［＃］" names no annotation: the key a text's legend explains.
          if (close == i + kNoteOpen.size()) {
            AppendPlain(s.substr(i, close + 2 - i), flags);
            i = close + 2;
            continue;
          }
          if (top) {
            Annotate(s.substr(i + 4, close - (i + 4)));
            UpdateStyle();
          }
          i = close + 2;
          continue;
        }
        if (top && second == kSecondRuby) {
          const std::size_t close = FindMark(s, i + 2, kSecondRubyClose);
          if (close == npos) {
            AppendPlain(s.substr(i), flags);
            return;
          }
          if (close == i + 2) {  // "《》" reads nothing: shown as written
            AppendPlain(s.substr(i, 4), flags);
            i += 4;
            continue;
          }
          Ruby(s.substr(i + 2, close - (i + 2)));
          i = close + 2;
          continue;
        }
        if (top && second == kSecondBar) {
          // A bar no reading follows marks nothing: shown as written.
          if (FindMark(s, i + 2, kSecondRuby) == npos) {
            AppendPlain(s.substr(i, 2), flags);
            i += 2;
            continue;
          }
          bar_cell_ = static_cast<int>(count_);
          i += 2;
          continue;
        }
      }
      // Plain text up to the next mark: the bulk of every line. Everything
      // the loop reads is held in locals: its byte stores could otherwise
      // alias them and make each be read again.
      const std::uint8_t style = static_cast<std::uint8_t>(
          style_ | ((flags & kCellRuby) ? kFitSubdued : 0));
      const unsigned char* p = reinterpret_cast<const unsigned char*>(s.data());
      const std::uint32_t base = static_cast<std::uint32_t>(s.data() - raw_);
      const bool wide = o_.ambiguous_wide;
      FitCell* const cells = cells_;
      std::size_t count = count_;
      // A cell is written as one 64-bit word (see FitCell): its offset, then
      // its length, style, columns and flags, one byte each.
      const std::uint64_t common = std::uint64_t{style} << 40 | std::uint64_t{flags} << 56;
      const std::uint64_t wide_pair = common | std::uint64_t{2} << 32 | std::uint64_t{2} << 48;
      // Its first character was no mark (that was seen to above).
      const std::size_t run = i;
      const bool inline_ruby = top && flags == 0 && o_.rubyon_mode <= 0 && o_.show_ruby;
      do {
        // Kanji and kana, two columns wide whatever the terminal: the bulk.
        // The cell's word steps on with the offset in its low half, and two
        // characters are taken a turn while both are such.
        if (i + 1 < n && PlainWide(p + i)) {
          // What follows |s| is no such lead byte (the line's copy ends in
          // kAdded; a reading, in its "》"), so the run ends without a test
          // of the length. A lead byte the line ends with takes the byte
          // after it for its pair: that cell is taken back.
          const unsigned char* q = p + i;
          FitCell* out = cells + count;
          std::uint64_t word = wide_pair | (base + static_cast<std::uint32_t>(i));
          do {
            std::memcpy(out, &word, sizeof word);
            if (PlainWide(q + 2)) {
              const std::uint64_t next = word + 2;
              std::memcpy(out + 1, &next, sizeof next);
              out += 2;
              word += 4;
              q += 4;
            } else {
              ++out;
              word += 2;
              q += 2;
            }
          } while (PlainWide(q));
          if (q > p + n) {
            --out;
            q -= 2;
          }
          i = static_cast<std::size_t>(q - p);
          count = static_cast<std::size_t>(out - cells);
        }
        if (i >= n) break;
        const unsigned char b = p[i];
        std::uint64_t word;
        if (kLeadClass[b] != kSingleByte && i + 1 < n) {
          if (b == 0x81 && i != run) {
            const unsigned char second = p[i + 1];
            if (second == kSecondRuby && inline_ruby) {
              // Most readings are set here without leaving the run.
              const std::size_t after = InlineRuby(p, n, i, base, common, &count);
              if (after != 0) {
                i = after;
                continue;
              }
              break;
            }
            if (top && second == kSecondBar && FindMark(s, i + 2, kSecondRuby) != npos) {
              bar_cell_ = static_cast<int>(count);  // the base begins here
              i += 2;
              continue;
            }
            if (second == kSecondKome || second == kSecondBracket || (top && second == kSecondRuby))
              break;
          }
          const int cols = Cp932PairColumns(b << 8 | p[i + 1], wide);
          if (cols != 2) PushOdd(count, cols);
          word = common | std::uint64_t{2} << 32 | std::uint64_t(cols) << 48;
        } else {
          if (b < 0x20 || b == 0x7F) {  // a line's CR and other controls show nothing
            ++i;
            continue;
          }
          PushOdd(count, 1);
          word = common | std::uint64_t{1} << 32 | std::uint64_t{1} << 48;
        }
        word |= base + static_cast<std::uint32_t>(i);
        std::memcpy(&cells[count++], &word, sizeof word);
        i += (word >> 32 & 0xFF);
      } while (i < n);
      count_ = count;
    }
  }

  // The reading of the "《" at |at| of the run |p| (|n| bytes, its cells'
  // offsets from |base|) set after its base in brackets, when it is all
  // double-byte characters without annotations (nearly every reading):
  // returns the byte after its "》", the cells written. Otherwise returns 0
  // and writes nothing: the reading is left to Ruby().
  std::size_t InlineRuby(const unsigned char* p, std::size_t n, std::size_t at, std::uint32_t base,
                         std::uint64_t common, std::size_t* count) {
    const std::size_t odd_before = odd_count_;
    const int delta_before = odd_delta_;
    FitCell* const cells = cells_;
    const std::uint64_t ruby = common | std::uint64_t{kFitSubdued} << 40 | std::uint64_t{kCellRuby} << 56;
    const std::uint64_t pair = ruby | std::uint64_t{2} << 32;
    const std::uint64_t bracket = ruby | std::uint64_t{1} << 32 | std::uint64_t{1} << 48;
    const std::size_t open = *count;
    PushOdd(open, 1);
    std::size_t c = open + 1;
    std::size_t k = at + 2;
    for (;;) {
      // Kana and kanji, two columns each: the bulk of every reading.
      std::uint64_t word = pair | std::uint64_t{2} << 48 | (base + static_cast<std::uint32_t>(k));
      while (kLeadClass[p[k]] == kWideLead) {  // (the line's copy ends in kAdded)
        std::memcpy(&cells[c++], &word, sizeof word);
        word += 2;
        k += 2;
      }
      if (k + 1 >= n) break;  // no "》": not a reading
      const unsigned char b = p[k];
      if (kLeadClass[b] == kSingleByte) break;
      if (b == 0x81) {
        const unsigned char second = p[k + 1];
        if (second == kSecondRubyClose) {
          if (c == open + 1) break;  // "《》" reads nothing
          word = bracket | (added_ + kAddedOpen);
          std::memcpy(&cells[open], &word, sizeof word);
          word = bracket | (added_ + kAddedClose);
          std::memcpy(&cells[c], &word, sizeof word);
          PushOdd(c, 1);
          *count = c + 1;
          bar_cell_ = -1;
          out_.markup = true;
          return k + 2;
        }
        if (second == kSecondKome || second == kSecondBracket) break;
      }
      const int cols = Cp932PairColumns(b << 8 | p[k + 1], o_.ambiguous_wide);
      if (cols != 2) PushOdd(c, cols);
      word = pair | std::uint64_t(cols) << 48 | (base + static_cast<std::uint32_t>(k));
      std::memcpy(&cells[c++], &word, sizeof word);
      k += 2;
    }
    odd_count_ = odd_before;
    odd_delta_ = delta_before;
    return 0;
  }

  void UpdateStyle() {
    style_ = 0;
    if (st_.style_depth[0] > 0 || st_.heading_depth > 0) style_ |= kFitBold;
    if (st_.style_depth[1] > 0) style_ |= kFitUnderline;
    if (st_.style_depth[2] > 0) style_ |= kFitItalic;
  }

  FitCell& NewCell() {
    if (count_ == out_.cells.size()) {  // never, by the count above; kept safe
      out_.cells.resize(count_ + 16);
      cells_ = out_.cells.data();
      out_.odd.resize(count_ + 16);  // a cell is listed at most once
      odd_ = out_.odd.data();
    }
    return cells_[count_++];
  }

  // Lists |cell| (the last written) among the line's odd widths.
  void NoteWidth(const FitCell& cell) {
    if (cell.cols != 2) PushOdd(static_cast<std::size_t>(&cell - cells_), cell.cols);
  }

  // Lists the cell |index| (after those listed) of |cols| columns: every cell
  // between it and the one listed before is two columns wide.
  // (The list has room for every cell: see NewCell.)
  void PushOdd(std::size_t index, int cols) {
    const std::uint32_t before = 2 * static_cast<std::uint32_t>(index) + static_cast<std::uint32_t>(odd_delta_);
    odd_[odd_count_++] = {static_cast<std::uint32_t>(index), before + static_cast<std::uint32_t>(cols)};
    odd_delta_ += cols - 2;
  }

  // A mark the view adds (one of kAdded, |len| bytes from |which|).
  void AppendExtra(std::uint32_t which, std::uint8_t len, int cols, std::uint8_t flags) {
    FitCell& cell = NewCell();
    cell.at = added_ + which;
    cell.len = len;
    cell.style = static_cast<std::uint8_t>(style_ | ((flags & kCellRuby) ? kFitSubdued : 0));
    cell.cols = static_cast<std::uint8_t>(cols);
    cell.flags = flags;
    NoteWidth(cell);
  }

  // The rest of a line whose mark is never closed, as text.
  void AppendPlain(std::string_view s, std::uint8_t flags) {
    const std::uint32_t base = static_cast<std::uint32_t>(s.data() - raw_);
    for (std::size_t i = 0; i < s.size();) {
      const std::size_t len = CharLen(s, i);
      if (len == 2 || Byte(s, i) >= 0x20) {
        FitCell& cell = NewCell();
        cell.at = base + static_cast<std::uint32_t>(i);
        cell.len = static_cast<std::uint8_t>(len);
        cell.style = static_cast<std::uint8_t>(style_ | ((flags & kCellRuby) ? kFitSubdued : 0));
        cell.cols = static_cast<std::uint8_t>(Cp932Columns(s.substr(i, len), o_.ambiguous_wide));
        cell.flags = flags;
        NoteWidth(cell);
      }
      i += len;
    }
  }

  void AppendGaiji(std::string_view body, std::uint8_t flags) {
    GaijiChar g;
    if (!GaijiFromNote(body, &g)) {
      AppendExtra(kAddedGeta, 2, Cp932PairColumns(0x81AC, o_.ambiguous_wide),
                  static_cast<std::uint8_t>(flags | kCellKanji));
      return;
    }
    int cols = 0;
    for (int k = 0; k < g.n; ++k) cols += CodePointColumns(g.cp[k], o_.ambiguous_wide);
    FitCell& cell = NewCell();
    cell.at = static_cast<std::uint32_t>(out_.gaiji.size());
    cell.len = 0;
    cell.style = static_cast<std::uint8_t>(style_ | ((flags & kCellRuby) ? kFitSubdued : 0));
    cell.cols = static_cast<std::uint8_t>(cols > 0 ? cols : 1);
    cell.flags = static_cast<std::uint8_t>(flags | kCellKanji);
    NoteWidth(cell);
    out_.gaiji.push_back(g);
  }

  // A character a reading without "｜" takes as its base: a kanji (々 and 〆
  // too) or a gaiji.
  bool IsBaseChar(const FitCell& c) const {
    if (c.flags & kCellRuby) return false;
    if (c.flags & kCellKanji) return true;
    if (c.len != 2) return false;
    const unsigned code = Byte(out_.bytes, c.at) << 8 | Byte(out_.bytes, c.at + 1);
    // JIS X 0208 levels 1 and 2 run from 亜 to 熙 (the codes between the
    // levels hold no character).
    return (code >= 0x889F && code <= 0xEAA4) || code == 0x8158 || code == 0x8159;
  }

  void Ruby(std::string_view reading) {
    std::size_t base = count_;
    if (bar_cell_ >= 0) {
      base = static_cast<std::size_t>(bar_cell_);
    } else {
      while (base > 0 && IsBaseChar(cells_[base - 1])) --base;
    }
    bar_cell_ = -1;
    out_.markup = true;
    if (o_.rubyon_mode > 0) {
      count_ = base;  // the reading in place of its base
      while (!out_.notes.empty() && out_.notes.back().index >= base) out_.notes.pop_back();
      while (odd_count_ > 0 && odd_[odd_count_ - 1].index >= base) --odd_count_;
      odd_delta_ = odd_count_ == 0 ? 0
                                   : static_cast<int>(odd_[odd_count_ - 1].after) -
                                         2 * static_cast<int>(odd_[odd_count_ - 1].index + 1);
      Scan(reading, 0, /*top=*/false);
    } else if (o_.show_ruby && !reading.empty()) {
      AppendExtra(kAddedOpen, 1, 1, kCellRuby);
      Scan(reading, kCellRuby, /*top=*/false);
      AppendExtra(kAddedClose, 1, 1, kCellRuby);
    }
  }

  // Gives |style| to the characters |quoted| names, just before the note.
  void StyleBack(std::string_view quoted, std::uint8_t style) {
    int n = ShownChars(quoted);
    for (std::size_t k = count_; k > 0 && n > 0; --k) {
      FitCell& cell = cells_[k - 1];
      if (cell.flags & kCellRuby) continue;
      cell.style |= style;
      --n;
    }
  }

  void Illustration(std::string_view content, std::string_view caption) {
    const std::size_t png = FindChar(content, ".png");
    std::size_t from = png;
    // The name runs back to the bracket or mark before it.
    while (from > 0) {
      const std::size_t prev = from >= 2 && IsLeadByte(Byte(content, from - 2)) ? from - 2 : from - 1;
      const std::string_view ch = content.substr(prev, from - prev);
      if (ch == "（" || ch == "(" || ch == "、" || ch == "，" || ch == " " || ch == "　") break;
      from = prev;
    }
    out_.illustration.assign(content.substr(from, png - from));
    // The caption shows as text does: a gaiji there is 〓 (the caption is
    // code page 932) and other annotations drop out.
    out_.caption.clear();
    for (std::size_t i = 0; i < caption.size();) {
      const bool gaiji = caption.compare(i, kGaijiOpen.size(), kGaijiOpen) == 0;
      if (gaiji || caption.compare(i, kNoteOpen.size(), kNoteOpen) == 0) {
        const std::size_t close = MatchingBracket(caption, gaiji ? i + 2 : i);
        if (close != npos) {
          if (gaiji) out_.caption.append(kGeta);
          i = close + 2;
          continue;
        }
      }
      const std::size_t len = CharLen(caption, i);
      if (static_cast<unsigned char>(caption[i]) >= 0x20) out_.caption.append(caption.substr(i, len));
      i += len;
    }
  }

  void Annotate(std::string_view a) {
    out_.markup = true;
    if (a.starts_with(kQuoteOpen)) {
      int depth = 0;
      std::size_t close = npos;
      for (std::size_t i = 0; i < a.size(); i += CharLen(a, i)) {
        if (a.compare(i, 2, kQuoteOpen) == 0) ++depth;
        if (a.compare(i, 2, kQuoteClose) == 0 && --depth == 0) {
          close = i;
          break;
        }
      }
      if (close == npos) return;
      const std::string_view quoted = a.substr(2, close - 2);
      const std::string_view what = a.substr(close + 2);
      if (Has(what, ".png")) {
        Illustration(what, quoted);
      } else if (const int level = HeadingLevelOf(what); level > 0) {
        StyleBack(quoted, kFitBold);
        out_.heading = level;
      } else if (what.starts_with("に") || what.starts_with("の左に")) {
        if (IsUnderlineKind(what) && !Has(what, "「")) StyleBack(quoted, kFitUnderline);
      } else if (what == "は太字") {
        StyleBack(quoted, kFitBold);
      } else if (what == "は斜体") {
        StyleBack(quoted, kFitItalic);
      }
      return;
    }
    if (Has(a, ".png")) {
      const std::size_t paren = FindChar(a, "（");
      Illustration(a, a.substr(0, paren == npos ? 0 : paren));
      return;
    }
    if (a == "改ページ" || a == "改丁" || a == "改段" || a == "改見開き") {
      (count_ == 0 ? out_.break_before : out_.break_after) = true;
      return;
    }
    if (a.ends_with("終わり")) {
      if (Has(a, "見出し")) {
        if (st_.heading_depth > 0) --st_.heading_depth;
      } else if (Has(a, "字下げ")) {
        st_.block_indent = -1;
      } else if (Has(a, "地付き") || Has(a, "字上げ")) {
        st_.block_right = false;
        st_.block_raise = 0;
      } else if (Has(a, "太字")) {
        if (st_.style_depth[0] > 0) --st_.style_depth[0];
      } else if (Has(a, "斜体")) {
        if (st_.style_depth[2] > 0) --st_.style_depth[2];
      } else if (IsUnderlineKind(a)) {
        if (st_.style_depth[1] > 0) --st_.style_depth[1];
      }
      return;
    }
    std::string_view rest = a;
    const bool block = rest.starts_with("ここから");
    if (block) rest.remove_prefix(std::string_view("ここから").size());
    if (const int level = HeadingLevelOf(rest); level > 0) {
      ++st_.heading_depth;
      st_.heading_level = level;
      out_.heading = level;
      return;
    }
    if (rest == "太字" || rest == "斜体") {
      ++st_.style_depth[rest == "太字" ? 0 : 2];
      return;
    }
    if (!block && IsUnderlineKind(rest) &&
        (rest.ends_with("傍点") || rest.ends_with("線"))) {
      ++st_.style_depth[1];
      return;
    }
    if (rest == "地付き") {
      (block ? st_.block_right : line_right_) = true;
      (block ? st_.block_raise : line_raise_) = 0;
      return;
    }
    if (rest.starts_with("地から")) {
      std::size_t i = std::string_view("地から").size();
      const int n = TakeNumber(rest, &i);
      if (n >= 0 && rest.substr(i) == "字上げ") {
        (block ? st_.block_right : line_right_) = true;
        (block ? st_.block_raise : line_raise_) = n;
      }
      return;
    }
    if (!block) {
      if (const int n = IndentOf(rest); n >= 0) line_indent_ = n;
      return;
    }
    // ここからN字下げ[、折り返してM字下げ] and ここから改行天付き、折り返してN字下げ.
    const std::size_t comma = FindChar(rest, "、");
    const std::string_view first = rest.substr(0, comma);
    const std::string_view wrap =
        comma == npos ? std::string_view() : rest.substr(comma + 2);
    int first_n = first == "改行天付き" ? 0 : IndentOf(first);
    int wrap_n = first_n;
    if (wrap.starts_with("折り返して")) wrap_n = IndentOf(wrap.substr(std::string_view("折り返して").size()));
    if (first_n >= 0 && wrap_n >= 0) {
      st_.block_indent = first_n;
      st_.block_wrap = wrap_n;
    }
  }

  const FitOptions& o_;
  MarkupState& st_;
  EnrichedLine& out_;
  const char* raw_ = nullptr;  // the line the cells point into
  std::uint32_t added_ = 0;     // where kAdded begins in out_.bytes
  FitCell* cells_ = nullptr;    // out_.cells, count_ of them written
  std::size_t count_ = 0;
  EnrichedLine::OddCell* odd_ = nullptr;  // out_.odd, odd_count_ of them written
  std::size_t odd_count_ = 0;
  int odd_delta_ = 0;  // columns of the cells listed less two each
  std::uint8_t style_ = 0;      // the open ranges' style
  int bar_cell_ = -1;
  int line_indent_ = -1;
  bool line_right_ = false;
  int line_raise_ = 0;
};

}  // namespace

void EnrichedLine::Clear() {
  bytes.clear();
  cells.clear();
  gaiji.clear();
  odd.clear();
  notes.clear();
  indent = wrap_indent = raise = heading = 0;
  right = break_before = break_after = markup = false;
  illustration.clear();
  caption.clear();
}

void EnrichLine(std::string_view raw, const FitOptions& options, MarkupState* state,
                EnrichedLine* out) {
  out->Clear();
  Enricher(options, state, out).Run(raw);
}

std::string_view IllustrationHint() { return "（p で挿絵）"; }

}  // namespace shiori
