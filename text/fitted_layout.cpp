#include "text/fitted_layout.h"

#include <algorithm>
#include <array>
#include <deque>
#include <iterator>

#include "text/classic_rows.h"
#include "text/fitted_markup.h"
#include "text/pager.h"
#include "text/sjis.h"

namespace shiori {

namespace {

// Characters that never begin a row (closing punctuation, iteration marks,
// the long vowel mark and small kana) and that never end one (opening
// brackets), as sets of code page 932 codes.
using CodeSet = std::array<std::uint64_t, 1024>;

constexpr CodeSet MakeSet(std::string_view chars) {
  CodeSet set{};
  for (std::size_t i = 0; i < chars.size();) {
    unsigned code = static_cast<unsigned char>(chars[i]);
    if (IsLeadByte(static_cast<unsigned char>(chars[i])) && i + 1 < chars.size()) {
      code = code << 8 | static_cast<unsigned char>(chars[i + 1]);
      i += 2;
    } else {
      ++i;
    }
    set[code >> 6] |= std::uint64_t{1} << (code & 63);
  }
  return set;
}

constexpr CodeSet kNoStart = MakeSet(
    "。、，．」』）〕］｝〉》】ゝゞ々ー"
    "ぁぃぅぇぉっゃゅょゎァィゥェォッャュョヮヵヶ"
    "｡｣､ｧｨｩｪｫｬｭｮｯｰ)");
constexpr CodeSet kNoEnd = MakeSet("「『（〔［｛〈《【｢(");

bool InSet(const CodeSet& set, const EnrichedLine& line, const FitCell& cell) {
  if (cell.len == 0) return false;  // a gaiji: none of these marks
  const auto* p = reinterpret_cast<const unsigned char*>(line.bytes.data() + cell.at);
  const unsigned code = cell.len == 2 ? (p[0] << 8 | p[1]) : p[0];
  return (set[code >> 6] >> (code & 63) & 1) != 0;
}

enum RowKind : std::uint8_t { kTextRow, kBlankRow, kIllustrationRow };

struct RowRef {
  std::uint64_t line = 0;  ///< the source line's number since the top
  std::uint32_t begin = 0, end = 0;  ///< its cells
  int indent = 0;
  int columns = 0;
  RowKind kind = kTextRow;
  bool heading = false;
};

// A line whose rows are not all turned past: its bytes and the blocks open
// at its start, from which its cells are made again when a page shows it.
// Cells are not kept: a page passed over never needs them.
struct StoredLine {
  std::size_t offset = 0, end = 0;
  int classic_before = 0;
  std::string raw;
  MarkupState markup;
};

enum class Target { kNone, kPage, kLine, kClassicRows };

// A page that begins with the first row of a line, as the first pass over a
// text found it: enough to start there again without laying out the lines
// before (a page back, or a return to a place, at the same size).
struct PageMark {
  int page = 0;
  std::size_t offset = 0;     ///< the line's
  std::uint64_t hash = 0;     ///< of the line's bytes: a text that changed is told
  int classic_before = 0;     ///< the classic rows before the line
  MarkupState markup;         ///< the blocks open at its start
};

std::uint64_t LineHash(std::string_view raw) {
  std::uint64_t h = 0xcbf29ce484222325ULL ^ raw.size();
  const std::size_t n = std::min<std::size_t>(raw.size(), 64);
  for (std::size_t i = 0; i < n; ++i) h = (h ^ static_cast<unsigned char>(raw[i])) * 0x100000001b3ULL;
  for (std::size_t i = raw.size() - n; i < raw.size(); ++i)
    h = (h ^ static_cast<unsigned char>(raw[i])) * 0x100000001b3ULL;
  return h;
}

constexpr std::size_t npos_byte = static_cast<std::size_t>(-1);

// Byte in its line where the first of |row|'s cells begins: its own bytes,
// or a gaiji's note (a bracket the view adds stands for nothing); npos_byte
// when none.
std::size_t FirstOwnByte(const EnrichedLine& e, const RowRef& row, std::size_t raw_size) {
  if (row.kind != kTextRow) return npos_byte;
  for (std::uint32_t k = row.begin; k < row.end; ++k) {
    if (e.cells[k].len != 0 && e.cells[k].at < raw_size) return e.cells[k].at;
    const auto note = std::lower_bound(
        e.notes.begin(), e.notes.end(), k,
        [](const EnrichedLine::NoteCell& n, std::uint32_t index) { return n.index < index; });
    if (note != e.notes.end() && note->index == k) return note->at;
  }
  return npos_byte;
}

bool SameLayout(const FitOptions& a, const FitOptions& b) {
  return a.columns == b.columns && a.rows == b.rows && a.ambiguous_wide == b.ambiguous_wide &&
         a.show_ruby == b.show_ruby && a.rubyon_mode == b.rubyon_mode;
}

}  // namespace

struct FittedLayout::Impl {
  FitOptions o;
  int measure = 80;
  int rows_per_page = 23;

  MarkupState markup;
  std::deque<StoredLine> lines;    // lines whose rows are not all turned past
  std::vector<StoredLine> spare;   // emptied lines, their buffers kept for reuse
  std::uint64_t first_line = 0;    // number of lines.front()
  std::uint64_t lines_placed = 0;

  std::vector<RowRef> rows;  // rows not turned past, and before them rows_[0..head)
  std::size_t head = 0;
  std::uint64_t rows_base = 0;          // number of rows[0] since the top
  std::deque<std::uint64_t> starts;     // numbers of the rows that begin a page
  int fill = 0;                         // rows on the page being filled
  bool break_pending = false;
  RowKind last_kind = kBlankRow;

  int classic_total = 0;
  int pages_turned = 0;
  std::size_t last_offset = 0, last_end = 0;

  Target target = Target::kNone;
  std::size_t target_value = 0;
  std::size_t target_byte = 0;  // kLine: the character within the line
  bool target_found = false;
  std::uint64_t target_row = 0;

  std::vector<PageMark> marks;  // the page index, for options marks_for
  FitOptions marks_for;
  int pages_started = 0;
  bool blank_before_heading = false;  // Break put a blank row before the line
  const PageMark* resume = nullptr;   // lines before it are passed over unread

  EnrichedLine scratch;  // the line being placed
  // Lines a page shows, their cells made again: (line number, cells).
  mutable std::vector<std::pair<std::uint64_t, EnrichedLine>> shown;
  mutable std::size_t shown_count = 0;

  mutable std::vector<FittedRow> page;

  std::uint64_t RowsEnd() const { return rows_base + rows.size(); }
  std::uint64_t PageEnd() const {
    if (starts.size() >= 2) return starts[1];
    return RowsEnd();
  }
  bool Complete() const {
    return !starts.empty() &&
           (starts.size() >= 2 || RowsEnd() - starts.front() >= static_cast<std::uint64_t>(rows_per_page));
  }
  const RowRef* Row(std::uint64_t n) const { return &rows[static_cast<std::size_t>(n - rows_base)]; }
  const StoredLine& Line(std::uint64_t n) const {
    return lines[static_cast<std::size_t>(n - first_line)];
  }

  void Push(RowRef row) {
    if (fill == 0 || fill >= rows_per_page || (break_pending && fill > 0)) {
      starts.push_back(RowsEnd());
      ++pages_started;
      fill = 0;
    }
    break_pending = false;
    ++fill;
    last_kind = row.kind;
    rows.push_back(row);
  }

  void Break(std::uint64_t n, const EnrichedLine& e);
  void ResumeAt(bool (*before)(const PageMark&, std::size_t));
  void Build(const RowRef& ref, FittedRow* out) const;
  const EnrichedLine& Cells(std::uint64_t n) const;
};

void FittedLayout::Impl::Break(std::uint64_t n, const EnrichedLine& e) {
  blank_before_heading = false;
  if (e.break_before) break_pending = true;
  if (e.MarkupOnly()) {
    if (e.break_after) break_pending = true;
    return;
  }
  // A large heading starts a page or follows a blank row.
  if (e.heading == 1 && fill > 0 && fill < rows_per_page && last_kind != kBlankRow &&
      !break_pending) {
    Push(RowRef{n, 0, 0, 0, 0, kBlankRow, false});
    blank_before_heading = true;
  }
  const bool heading = e.heading != 0;
  if (!e.illustration.empty()) Push(RowRef{n, 0, 0, 0, 0, kIllustrationRow, heading});
  const std::uint32_t count = static_cast<std::uint32_t>(e.cells.size());
  if (count == 0) {
    if (e.illustration.empty()) Push(RowRef{n, 0, 0, 0, 0, kBlankRow, heading});
  } else {
    // A row keeps room for at least a double-width character.
    const int raise = e.right ? std::min(e.raise, measure - 2) : 0;
    const int most_indent = measure * 2 / 3;
    // Most cells are two columns wide; the line lists the others with the
    // columns up to each, so a row's end is found from the ones it holds.
    const FitCell* const cells = e.cells.data();
    const EnrichedLine::OddCell* const odd = e.odd.data();
    const std::size_t odd_count = e.odd.size();
    std::size_t next_odd = 0;  // the first of |odd| at or after the row's start
    std::uint32_t before = 0;  // columns before the row's first cell
    std::uint32_t i = 0;
    bool first = true;
    while (i < count) {
      const int indent = e.right ? 0 : std::min(first ? e.indent : e.wrap_indent, most_indent);
      const int avail = std::max(measure - indent - raise, 0);
      const std::uint32_t limit = before + static_cast<std::uint32_t>(avail);
      // The odd cells that end within the row, then the two-column cells
      // after the last of them (or from the row's start).
      std::size_t q = next_odd;
      while (q < odd_count && odd[q].after <= limit) ++q;
      std::uint32_t from = i, from_cols = before;
      if (q > next_odd) {
        from = odd[q - 1].index + 1;
        from_cols = odd[q - 1].after;
      }
      const std::uint32_t stretch_end = q < odd_count ? odd[q].index : count;
      std::uint32_t j = std::min(stretch_end, from + (limit - from_cols) / 2);
      int cols = static_cast<int>(from_cols + 2 * (j - from) - before);
      next_odd = q;
      if (j == i) {  // wider than any row: never here with measure >= 2
        cols = cells[i].cols;
        j = i + 1;
        if (next_odd < odd_count && odd[next_odd].index == i) ++next_odd;
      }
      // Kinsoku: push characters down rather than start a row with a
      // closing mark or end one with an opening bracket.
      // A reading stays on the row of its base, unless it is longer
      // than a row; when no cut keeps the rules the row stays full.
      const auto bad = [&](std::uint32_t at, bool reading) {
        return (reading && (e.cells[at].flags & kCellRuby)) || InSet(kNoStart, e, e.cells[at]) ||
               InSet(kNoEnd, e, e.cells[at - 1]);
      };
      if (j < count && bad(j, true)) {  // (most cuts keep every rule)
        std::uint32_t k = j;
        for (const bool reading : {true, false}) {
          k = j;
          while (k > i + 1 && bad(k, reading)) --k;
          if (!bad(k, reading)) break;
        }
        if (!bad(k, false)) {
          for (std::uint32_t m = k; m < j; ++m) cols -= e.cells[m].cols;
          j = k;
          while (next_odd > 0 && odd[next_odd - 1].index >= j) --next_odd;
        }
      }
      RowRef row{n, i, j, e.right ? measure - raise - cols : indent, 0, kTextRow, heading};
      row.columns = row.indent + cols;
      Push(row);
      before += static_cast<std::uint32_t>(cols);
      i = j;
      first = false;
    }
  }
  if (e.break_after) break_pending = true;
}

const EnrichedLine& FittedLayout::Impl::Cells(std::uint64_t n) const {
  for (std::size_t k = 0; k < shown_count; ++k)
    if (shown[k].first == n) return shown[k].second;
  if (shown_count == shown.size()) shown.emplace_back();
  auto& [number, e] = shown[shown_count++];
  const StoredLine& line = Line(n);
  MarkupState markup = line.markup;
  number = n;
  EnrichLine(line.raw, o, &markup, &e);
  return e;
}

void FittedLayout::Impl::Build(const RowRef& ref, FittedRow* out) const {
  const StoredLine& line = Line(ref.line);
  const EnrichedLine& e = Cells(ref.line);
  out->indent = ref.kind == kTextRow ? ref.indent : 0;
  out->pieces.clear();
  out->columns = out->indent;
  out->line = line.offset;
  out->heading = ref.heading;
  out->illustration.clear();
  if (ref.kind == kIllustrationRow) {
    out->illustration = e.illustration;
    const std::string_view hint = IllustrationHint();
    const int hint_cols = Cp932Columns(hint, o.ambiguous_wide);
    // The caption, cut to leave room for the hint.
    std::string_view caption = e.caption;
    std::size_t cut = 0;
    int cols = 0;
    while (cut < caption.size()) {
      const std::size_t len = IsLeadByte(static_cast<unsigned char>(caption[cut])) ? 2 : 1;
      const int w = Cp932Columns(caption.substr(cut, len), o.ambiguous_wide);
      if (cols + w + hint_cols > measure) break;
      cols += w;
      cut += len;
    }
    if (cut > 0) out->pieces.push_back(FitPiece{std::string(caption.substr(0, cut)), {}, 0, cols});
    if (cols + hint_cols <= measure)
      out->pieces.push_back(FitPiece{std::string(hint), {}, kFitSubdued, hint_cols});
    for (const FitPiece& p : out->pieces) out->columns += p.columns;
    return;
  }
  for (std::uint32_t k = ref.begin; k < ref.end; ++k) {
    const FitCell& c = e.cells[k];
    if (c.len == 0) {
      out->pieces.push_back(FitPiece{{}, e.gaiji[c.at], c.style, c.cols});
    } else if (!out->pieces.empty() && out->pieces.back().gaiji.n == 0 &&
               out->pieces.back().style == c.style) {
      out->pieces.back().text.append(e.bytes, c.at, c.len);
      out->pieces.back().columns += c.cols;
    } else {
      out->pieces.push_back(FitPiece{e.bytes.substr(c.at, c.len), {}, c.style, c.cols});
    }
    out->columns += c.cols;
  }
}

FittedLayout::FittedLayout(const FitOptions& options) : impl_(std::make_unique<Impl>()) {
  Reset(options);
}

FittedLayout::~FittedLayout() = default;

void FittedLayout::Reset(const FitOptions& options) {
  options_ = options;
  Impl& s = *impl_;
  for (StoredLine& l : s.lines) s.spare.push_back(std::move(l));
  s.lines.clear();
  s.o = options;
  s.measure = std::max(options.columns, 2);
  s.rows_per_page = std::max(options.rows, 1);
  s.markup = MarkupState{};
  s.first_line = s.lines_placed = 0;
  s.rows.clear();
  s.head = 0;
  s.rows_base = 0;
  s.starts.clear();
  s.fill = 0;
  s.break_pending = false;
  s.last_kind = kBlankRow;
  s.classic_total = 0;
  s.pages_turned = 0;
  s.last_offset = s.last_end = 0;
  s.target = Target::kNone;
  s.target_value = 0;
  s.target_byte = 0;
  s.target_found = false;
  s.target_row = 0;
  s.pages_started = 0;
  s.resume = nullptr;
  if (!SameLayout(s.marks_for, options)) {
    s.marks.clear();
    s.marks_for = options;
  }
}

bool FittedLayout::Place(const SourceLine& line) {
  Impl& s = *impl_;
  const int classic_before = s.classic_total;
  s.classic_total +=
      line.classic_rows >= 0 ? line.classic_rows : RowCount(static_cast<int>(line.filtered.size()));
  s.last_offset = line.offset;
  s.last_end = line.offset + line.raw.size();
  if (s.resume != nullptr) {
    // Every page before the one to show is passed over: the lines before
    // the marked page's first line count their classic rows and no more.
    if (line.offset < s.resume->offset) {
      s.first_line = ++s.lines_placed;
      return false;
    }
    const PageMark& m = *s.resume;
    s.resume = nullptr;
    if (line.offset == m.offset && LineHash(line.raw) == m.hash &&
        classic_before == m.classic_before) {
      s.markup = m.markup;
      s.pages_turned = s.pages_started = m.page - 1;
      s.fill = 0;
      s.break_pending = false;
    } else {
      s.marks.clear();  // another text: its pages are found anew
    }
  }
  const MarkupState markup_before = s.markup;
  const bool target_inside =
      !s.target_found && s.target == Target::kLine && line.offset == s.target_value && s.target_byte > 0;
  if (!s.target_found) {
    if ((s.target == Target::kLine && line.offset >= s.target_value) ||
        (s.target == Target::kClassicRows &&
         static_cast<std::size_t>(s.classic_total) >= s.target_value)) {
      s.target_found = true;
      s.target_row = s.RowsEnd();
    }
  }
  StoredLine stored;
  if (!s.spare.empty()) {
    stored = std::move(s.spare.back());
    s.spare.pop_back();
  }
  stored.offset = line.offset;
  stored.end = line.offset + line.raw.size();
  stored.classic_before = classic_before;
  stored.raw.assign(line.raw);
  stored.markup = s.markup;
  EnrichLine(line.raw, s.o, &s.markup, &s.scratch);
  const std::uint64_t n = s.lines_placed++;
  s.lines.push_back(std::move(stored));
  const std::uint64_t first_row = s.RowsEnd();
  s.Break(n, s.scratch);
  if (target_inside) {
    // The row that holds the character: the last one begun at or before it.
    for (std::uint64_t r = first_row; r < s.RowsEnd(); ++r) {
      const std::size_t own = FirstOwnByte(s.scratch, *s.Row(r), line.raw.size());
      if (own != npos_byte && own <= s.target_byte) s.target_row = r;
    }
  }
  // A page that begins with this line's first row goes into the index.
  if (s.RowsEnd() > first_row && !s.blank_before_heading) {
    int later = 0;  // pages begun after it, by the rest of the line
    auto it = s.starts.rbegin();
    while (it != s.starts.rend() && *it > first_row) ++it, ++later;
    const int page = s.pages_started - later;
    if (it != s.starts.rend() && *it == first_row && (s.marks.empty() || s.marks.back().page < page))
      s.marks.push_back(PageMark{page, line.offset, LineHash(line.raw), classic_before, markup_before});
  }
  return s.Complete();
}

bool FittedLayout::PageToShow() const {
  const Impl& s = *impl_;
  switch (s.target) {
    case Target::kNone:
      return true;
    case Target::kPage:
      return PageNumber() >= static_cast<int>(s.target_value);
    default:
      return s.target_found && s.PageEnd() > s.target_row;
  }
}

bool FittedLayout::TurnPage() {
  Impl& s = *impl_;
  if (s.starts.empty()) return false;
  const std::uint64_t end = s.PageEnd();
  s.starts.pop_front();
  ++s.pages_turned;
  s.head = static_cast<std::size_t>(end - s.rows_base);
  if (s.starts.empty()) s.fill = 0;  // what follows begins a page
  // Rows and lines turned past are let go; their buffers serve again.
  if (s.head == s.rows.size() || s.head >= 4096) {
    s.rows.erase(s.rows.begin(), s.rows.begin() + static_cast<std::ptrdiff_t>(s.head));
    s.rows_base += s.head;
    s.head = 0;
  }
  const std::uint64_t keep = s.head < s.rows.size() ? s.rows[s.head].line : s.lines_placed;
  while (!s.lines.empty() && s.first_line < keep) {
    s.spare.push_back(std::move(s.lines.front()));
    s.lines.pop_front();
    ++s.first_line;
  }
  return s.Complete();
}

int FittedLayout::PageNumber() const { return impl_->pages_turned + 1; }

bool FittedLayout::HasRows() const { return !impl_->starts.empty(); }

std::span<const FittedRow> FittedLayout::PageRows() const {
  const Impl& s = *impl_;
  if (s.starts.empty()) return {};
  const std::uint64_t from = s.starts.front(), to = s.PageEnd();
  const std::size_t n = static_cast<std::size_t>(to - from);
  s.shown_count = 0;
  if (s.page.size() < n) s.page.resize(n);
  for (std::size_t k = 0; k < n; ++k) s.Build(*s.Row(from + k), &s.page[k]);
  return std::span<const FittedRow>(s.page.data(), n);
}

std::size_t FittedLayout::TopLine() const {
  const Impl& s = *impl_;
  if (s.starts.empty()) return s.last_offset;
  return s.Line(s.Row(s.starts.front())->line).offset;
}

int FittedLayout::ClassicRowsAtTop() const {
  const Impl& s = *impl_;
  if (s.starts.empty()) return s.classic_total + 1;
  return s.Line(s.Row(s.starts.front())->line).classic_before + 1;
}

std::size_t FittedLayout::TopByte() const {
  const Impl& s = *impl_;
  if (s.starts.empty()) return 0;
  const RowRef& row = *s.Row(s.starts.front());
  if (row.kind != kTextRow || row.begin == 0) return 0;
  // The line's cells made again apart from the page's (a resize asks this once).
  const StoredLine& line = s.Line(row.line);
  MarkupState markup = line.markup;
  EnrichedLine e;
  EnrichLine(line.raw, s.o, &markup, &e);
  const std::size_t own = FirstOwnByte(e, row, line.raw.size());
  return own == npos_byte ? 0 : own;
}

std::size_t FittedLayout::BytesRead() const {
  const Impl& s = *impl_;
  if (s.starts.empty()) return s.last_end;
  return s.Line(s.Row(s.PageEnd() - 1)->line).end;
}

// The last page of the index that begins at or before the target (when
// the text has not been read from yet): the lines before it need not be
// laid out at all.
void FittedLayout::Impl::ResumeAt(bool (*before)(const PageMark&, std::size_t)) {
  resume = nullptr;
  if (lines_placed != 0 || !SameLayout(marks_for, o)) return;
  const auto it = std::partition_point(
      marks.begin(), marks.end(), [&](const PageMark& m) { return before(m, target_value); });
  if (it != marks.begin() && std::prev(it)->page > 1) resume = &*std::prev(it);
}

void FittedLayout::ShowFromLine(std::size_t offset, std::size_t byte) {
  Impl& s = *impl_;
  s.target = Target::kLine;
  s.target_value = offset;
  s.target_byte = byte;
  s.target_found = false;
  s.ResumeAt([](const PageMark& m, std::size_t v) { return m.offset <= v; });
}

void FittedLayout::ShowFromPage(int number) {
  Impl& s = *impl_;
  s.target = number > 1 ? Target::kPage : Target::kNone;
  s.target_value = static_cast<std::size_t>(std::max(number, 1));
  if (s.target == Target::kPage)
    s.ResumeAt([](const PageMark& m, std::size_t v) { return static_cast<std::size_t>(m.page) <= v; });
}

void FittedLayout::ShowFromClassicRows(int classic_rows) {
  Impl& s = *impl_;
  s.target = classic_rows > 0 ? Target::kClassicRows : Target::kNone;
  s.target_value = static_cast<std::size_t>(std::max(classic_rows, 0));
  s.target_found = false;
  if (s.target == Target::kClassicRows)
    s.ResumeAt([](const PageMark& m, std::size_t v) {
      return static_cast<std::size_t>(m.classic_before) < v;
    });
}

int FittedLayout::IndexPages(std::string_view text, std::span<const LineClassicRows> known) {
  FittedLayout all(options_);
  int pages = 0;
  std::size_t k = 0;
  std::size_t unknown_from = text.size();  // the first line |known| does not give
  std::string_view raw;
  for (std::size_t pos = 0; NextTextLine(text, &pos, &raw);) {
    if (raw.empty()) continue;
    const std::size_t at = static_cast<std::size_t>(raw.data() - text.data());
    // Laying out needs no classic rows: the line is not filtered.
    int classic = 0;
    if (at < unknown_from) {
      if (k < known.size() && known[k].offset == at) {
        classic = known[k++].rows;
      } else {
        unknown_from = at;
      }
    }
    if (all.Place(SourceLine{raw, {}, at, classic})) {
      do ++pages;
      while (all.TurnPage());
    }
  }
  if (all.HasRows()) ++pages;
  // Pages that begin after a line of unknown classic rows are left out: the
  // rows counted before them would not be a position's.
  std::vector<PageMark>& marks = all.impl_->marks;
  marks.erase(std::upper_bound(marks.begin(), marks.end(), unknown_from,
                               [](std::size_t at, const PageMark& m) { return at < m.offset; }),
              marks.end());
  Impl& s = *impl_;
  s.resume = nullptr;  // it pointed into the index replaced
  s.marks = std::move(marks);
  s.marks_for = options_;
  return std::max(pages, 1);
}

int FittedPageCount(std::string_view text, const FitOptions& options) {
  return FittedLayout(options).IndexPages(text, {});
}

}  // namespace shiori
