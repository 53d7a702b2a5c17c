#include "app/fitted_view.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "app/command_line.h"
#include "app/reader.h"
#include "media/speech.h"
#include "text/classic_rows.h"
#include "text/sjis.h"
#include "text/utf8.h"

namespace shiori {

namespace {

constexpr std::string_view kFullStop = "。";
// Gaiji on a row are searched as this byte, the character's UTF-8 and the
// byte again: no code page 932 text holds a DEL.
constexpr char kGaijiMark = '\x7f';

struct ScreenSize {
  int columns = 80;
  int rows = 24;
};

ScreenSize CurrentScreen(Reader& r) {
  ScreenInfo info;
  ScreenSize s;
  if (r.plat.console->GetScreenInfo(&info) && info.width > 0 && info.height > 1) {
    s.columns = info.width;
    s.rows = info.height;
  }
  return s;
}

// The reading loop reads the text again from its top; the classic counters
// start again as at the opening of a work.
void RestartReading(Reader& r) {
  r.page.ResetCounters();
  r.page.pg = 0;
  r.page.mae_p = 0;
  r.page.pline_num = def_pline_num;
  r.streams.ssout.Rewind();
}

// Lays the text out for the screen as it is now.
const FitOptions& LayOutForScreen(Reader& r) {
  const ScreenSize s = CurrentScreen(r);
  r.fit.screen_columns = s.columns;
  r.fit.screen_rows = s.rows;
  FitOptions o = FitOptionsFor(s.columns, s.rows, r.fit.width_option, r.fit.show_ruby,
                               r.rubyon_mode);
  o.ambiguous_wide = r.plat.ambiguous_wide;
  r.fitted.Reset(o);
  // One pass over the text finds its pages for "of y" and where each begins,
  // so that the page to show next is laid out from the nearest of them.
  r.fit.pages = r.fitted.IndexPages(r.streams.ssout.view(), r.backlog.line_rows);
  return r.fitted.Options();
}

ConsoleStyle ConsoleStyleOf(std::uint8_t style) {
  unsigned s = 0;
  if (style & kFitBold) s |= kConsoleBold;
  if (style & kFitUnderline) s |= kConsoleUnderline;
  if (style & kFitItalic) s |= kConsoleItalic;
  if (style & kFitSubdued) s |= kConsoleDim;
  return static_cast<ConsoleStyle>(s);
}

// Display columns of the code page 932 text, one character at a time.
std::size_t PrefixOfColumns(std::string_view text, int columns, bool ambiguous_wide) {
  std::size_t at = 0;
  int used = 0;
  while (at < text.size()) {
    const std::size_t n =
        IsLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
    const int w = Cp932Columns(text.substr(at, n), ambiguous_wide);
    if (used + w > columns) break;
    used += w;
    at += n;
  }
  return at;
}

// The text a row gives the speech and the readings: its code page 932
// pieces, ruby and gaiji left out.
std::string RowText(const FittedRow& row) {
  std::string text;
  for (const FitPiece& p : row.pieces)
    if (p.gaiji.n == 0 && !(p.style & kFitSubdued)) text += p.text;
  return text;
}

// One row as the search sees it, with where each piece begins in it.
void AppendSearchText(const FittedRow& row, std::string* text, std::vector<std::size_t>* at) {
  for (const FitPiece& p : row.pieces) {
    at->push_back(text->size());
    if (p.gaiji.n > 0) {
      *text += GaijiSearchKey(p.gaiji);
    } else if (!(p.style & kFitSubdued)) {
      *text += p.text;
    }
  }
}

// Where the search word stands on the page, in the page's search text.
struct Hits {
  std::vector<std::pair<std::size_t, std::size_t>> spans;  // [begin, end)
  Paint paint = Paint::kOccurrence;
  bool Covers(std::size_t pos) const {
    for (const auto& s : spans)
      if (pos >= s.first && pos < s.second) return true;
    return false;
  }
};

// Draws one row from the cursor: its indent, its pieces in their styles,
// the search word in |hits| painted. |spoken| bytes of the row's text (as
// RowText gives it) at most are drawn; npos draws it whole.
void DrawRow(Reader& r, const FittedRow& row, const std::size_t* piece_at, const Hits& hits,
             Paint base, std::size_t spoken) {
  ConsoleBuffer& c = *r.plat.console;
  if (row.indent > 0) r.Print(std::string(static_cast<std::size_t>(row.indent), ' '));
  std::size_t text_bytes = 0;
  for (std::size_t j = 0; j < row.pieces.size(); ++j) {
    const FitPiece& p = row.pieces[j];
    if (spoken != std::string_view::npos && text_bytes >= spoken) break;
    const unsigned style = ConsoleStyleOf(p.style);
    if (p.gaiji.n > 0) {
      const bool hit = hits.Covers(piece_at[j]);
      if (hit) r.Paint(hits.paint);
      c.SetStyle(style);
      c.WriteUtf8(GaijiUtf8(p.gaiji));
      if (style) c.SetStyle(0);
      if (hit) r.Paint(base);
      continue;
    }
    const bool counted = !(p.style & kFitSubdued);
    std::string_view text = p.text;
    if (counted && spoken != std::string_view::npos && text_bytes + text.size() > spoken)
      text = text.substr(0, spoken - text_bytes);
    if (counted) text_bytes += p.text.size();
    // Cut where the paint changes: the search word, byte for byte.
    std::size_t k = 0;
    while (k < text.size()) {
      const bool hit = counted && hits.Covers(piece_at[j] + k);
      std::size_t e = k + 1;
      while (e < text.size() && (counted && hits.Covers(piece_at[j] + e)) == hit) ++e;
      r.Paint(hit ? hits.paint : base);
      c.SetStyle(style);
      r.Print(text.substr(k, e - k));
      if (style) c.SetStyle(0);
      k = e;
    }
    r.Paint(base);
  }
}

// The search word in the fitted rows' form: the word typed at the fitted
// view's prompt, else the one of the classic view's.
const std::string& SearchKeyInUse(Reader& r) {
  if (r.fit.search_key_for != r.search.search_str) {
    r.fit.search_key = r.search.search_str;
    r.fit.search_key_for = r.search.search_str;
  }
  return r.fit.search_key;
}

void StatusLine(Reader& r) {
  const int width = r.fit.screen_columns - 1;  // the last cell left: no wrap
  const double total = static_cast<double>(r.streams.ssout.size());
  const double percent = total > 0 ? 100.0 * static_cast<double>(r.fitted.BytesRead()) / total
                                   : 0.0;
  char tail[96];
  char* p = tail;
  char* const end = tail + sizeof tail;
  const auto append = [&p](std::string_view s) { p = std::copy(s.begin(), s.end(), p); };
  const int page = r.fitted.PageNumber();
  append(" page ");
  p = std::to_chars(p, end, page).ptr;
  append(" of ");
  p = std::to_chars(p, end, std::max(page, r.fit.pages)).ptr;
  append("  ");
  p = std::to_chars(p, end - 16, percent, std::chars_format::fixed, 1).ptr;
  append("%");
  std::string_view numbers(tail, static_cast<std::size_t>(p - tail));
  std::string_view hint = "  h:help v:view q:quit";
  const bool amb = r.fitted.Options().ambiguous_wide;
  const std::string_view title = r.Title();
  // The title gives way first, then the hint; the numbers stay.
  int room = width - static_cast<int>(numbers.size() + hint.size()) - 4;
  if (room < 8) {
    hint = {};
    room = width - static_cast<int>(numbers.size()) - 4;
  }
  std::string line;
  if (room > 0) {
    line = "[ ";
    line += title.substr(0, PrefixOfColumns(title, room, amb));
    line += " ]";
  }
  line += numbers;
  line += hint;
  line.resize(PrefixOfColumns(line, std::max(width, 0), amb));
  r.PrintPainted(Paint::kStatus, line);
}

}  // namespace

FitOptions FitOptionsFor(int columns, int rows, int width_option, bool show_ruby,
                         int rubyon_mode) {
  FitOptions o;
  // The last column is left empty: a console that wraps as soon as it is
  // written would scroll the page at every full row.
  const int usable = std::max(columns - 1, 1);
  o.columns = std::min(width_option > 0 ? width_option : kComfortableMeasure, usable);
  o.rows = std::max(rows - 1, 1);
  o.show_ruby = show_ruby;
  o.rubyon_mode = rubyon_mode;
  return o;
}

void fitted_enter(Reader& r, int classic_rows) {
  r.fit.on = true;
  if (!r.fit.whole_screen) {
    r.plat.console->UseWholeScreen(true);
    r.fit.whole_screen = true;
  }
  r.plat.keyboard->ReportResize(true);
  LayOutForScreen(r);
  r.fitted.ShowFromClassicRows(std::max(classic_rows, 0));
  RestartReading(r);
}

void fitted_leave(Reader& r) {
  const int rows = r.fitted.ClassicRowsAtTop();
  fitted_release_screen(r);
  r.fit.on = false;
  RestartReading(r);
  r.page.lline = rows;
}

void fitted_release_screen(Reader& r) {
  if (!r.fit.whole_screen) return;
  r.plat.keyboard->ReportResize(false);
  r.plat.console->UseWholeScreen(false);
  r.fit.whole_screen = false;
}

void fitted_relayout(Reader& r) {
  // A window dragged larger sends many resizes: each lays out from the line
  // the reader was at, not from the top line of the page the last one gave.
  if (!r.fit.relaid) {
    r.fit.anchor = r.fitted.TopLine();
    r.fit.anchor_byte = r.fitted.TopByte();
  }
  r.fit.relaid = true;
  LayOutForScreen(r);
  r.fitted.ShowFromLine(r.fit.anchor, r.fit.anchor_byte);
  RestartReading(r);
}

void fitted_page_back(Reader& r) {
  const int page = r.fitted.PageNumber();
  r.fitted.Reset(r.fitted.Options());
  r.fitted.ShowFromPage(std::max(page - 1, 1));
  RestartReading(r);
}

void fitted_show_page(Reader& r) {
  const std::span<const FittedRow> rows = r.fitted.PageRows();
  // The page as the search sees it, and where each piece begins in it.
  std::string text;
  std::vector<std::size_t> piece_at;
  std::vector<std::size_t> row_first;  // index into piece_at of each row's first piece
  for (const FittedRow& row : rows) {
    row_first.push_back(piece_at.size());
    AppendSearchText(row, &text, &piece_at);
  }
  piece_at.push_back(text.size());
  Hits hits;
  const std::string& key = SearchKeyInUse(r);
  if (r.search.search_flag) {
    // A page without the word is passed over without a trace.
    if (key.empty() || text.find(key) == std::string::npos) return;
    r.search.search_flag = 0;
    hits.paint = Paint::kSearchHit;
  }
  if (r.search.search_str_len > 0 && !key.empty()) {
    for (std::size_t at = text.find(key); at != std::string::npos;
         at = text.find(key, at + key.size()))
      hits.spans.emplace_back(at, at + key.size());
  }

  r.plat.console->ClearScreen();
  const Paint base = r.speech.s_flag > 0 ? Paint::kRowSpeech : Paint::kNormal;
  // A sentence begun on the page before is spoken with this page's rows;
  // only this page's part of it is on screen to recolour.
  r.fit.speech_first = 0;
  const int n = static_cast<int>(rows.size());
  for (int i = 0; i < n; ++i) {
    if (i > 0) r.Print("\n");
    r.Paint(base);
    DrawRow(r, rows[i], piece_at.data() + row_first[i], hits, base, std::string_view::npos);
    const std::string spoken_text = RowText(rows[i]);
    tts_feed_line(r.speech, r.plat, spoken_text, false);
    if (r.speech.s_flag != 1 || r.speech.sp_flash == kSpokeNothing) continue;
    // What was just spoken is drawn again in the normal colours; a row
    // whose sentence ended inside it keeps its rest in the speaking one.
    std::size_t limit = std::string_view::npos;
    if (r.speech.sp_flash == kSpokeSentence) {
      const std::size_t stop = spoken_text.find(kFullStop);
      if (stop != std::string::npos && stop + kFullStop.size() + 2 <= spoken_text.size())
        limit = stop + kFullStop.size();
    }
    for (int k = r.fit.speech_first; k <= i; ++k) {
      r.SetCursorPosition(0, k);
      r.Normal();
      DrawRow(r, rows[k], piece_at.data() + row_first[k], hits, Paint::kNormal,
              k == i ? limit : std::string_view::npos);
    }
    r.fit.speech_first = limit == std::string_view::npos ? i + 1 : i;
  }
  r.Normal();
  // Down to the last row by line feeds that never pass it: the screen
  // does not scroll.
  const int status_row = r.fitted.Options().rows;
  r.Print(std::string(static_cast<std::size_t>(status_row - std::max(n - 1, 0)), '\n'));
  StatusLine(r);
  if (!r.fit.notice.empty()) {
    fitted_status_notice(r, r.fit.notice);
    r.fit.notice.clear();
  }
}

bool fitted_show_last_page(Reader& r) {
  // Rows left on the page being filled make the last page, not full. A
  // place past it (a page number beyond the last, the end, a position from
  // a longer edition) comes to it rather than to the end of the work.
  if (!r.fitted.HasRows()) return false;
  fitted_show_page(r);
  return true;
}

void fitted_status_notice(Reader& r, std::string_view text) {
  const int width = r.fit.screen_columns - 1;
  std::string line(text.substr(0, PrefixOfColumns(text, width, r.fitted.Options().ambiguous_wide)));
  r.SetCursorPosition(0, r.fitted.Options().rows);
  r.PrintPainted(Paint::kStatus, line);
  const int used = Cp932Columns(line, r.fitted.Options().ambiguous_wide);
  if (used < width) r.Print(std::string(static_cast<std::size_t>(width - used), ' '));
  r.SetCursorPosition(std::min(used, width), r.fitted.Options().rows);
}

void fitted_search_fail(Reader& r) {
  fitted_status_notice(r, "not found " + r.search.search_str + "  touch anykey , return page");
  r.search.search_flag = 0;
  r.GetKey();
  r.fitted.Reset(r.fitted.Options());
  r.fitted.ShowFromPage(r.fit.search_from);
  RestartReading(r);
}

bool fitted_search_prompt(Reader& r) {
  r.fit.search_from = r.fitted.PageNumber();
  if (!fitted_read_search_word(r)) return false;
  r.search.search_flag = 1;
  r.key = 'f';
  return true;
}

bool fitted_read_search_word(Reader& r) {
  fitted_status_notice(r, "input search str : ");
  r.plat.console->Flush();
  // Typed in UTF-8, so that a gaiji typed finds the gaiji shown; the
  // classic view, should the reader switch, searches the code page 932 form.
  std::string word, cp932;
  if (!r.plat.keyboard->ReadWordUtf8(&word, kSearchStrMax)) return false;
  if (!r.plat.codec->Utf8ToCp932(word, &cp932)) cp932 = word;
  r.search.search_str = cp932;
  r.search.search_str_len = static_cast<int>(cp932.size());
  r.fit.search_key = FittedSearchKey(word, *r.plat.codec);
  r.fit.search_key_for = cp932;
  return true;
}

void say_line(Reader& r, std::string_view line) {
  if (r.fit.on) {
    fitted_status_notice(r, line);
    r.plat.console->Flush();
    return;
  }
  r.Print(line);
  r.Print("\n");
}

std::string fitted_page_text(Reader& r) {
  std::string text;
  for (const FittedRow& row : r.fitted.PageRows()) text += RowText(row);
  return text;
}

std::string GaijiSearchKey(const GaijiChar& c) {
  return kGaijiMark + GaijiUtf8(c) + kGaijiMark;
}

std::string FittedSearchKey(std::string_view utf8_word, const TextCodec& codec) {
  constexpr std::string_view kGetaUtf8 = "\xE3\x80\x93";  // 〓 itself
  constexpr std::string_view kGetaCp932 = "\x81\xAC";
  std::string key;
  for (std::size_t at = 0; at < utf8_word.size();) {
    const std::size_t n =
        std::min(Utf8SequenceLength(static_cast<unsigned char>(utf8_word[at])),
                 utf8_word.size() - at);
    const std::string_view ch = utf8_word.substr(at, n);
    at += n;
    std::string cp932;
    if (!codec.Utf8ToCp932(ch, &cp932)) return std::string(utf8_word);
    if (cp932 == kGetaCp932 && ch != kGetaUtf8) {
      key += kGaijiMark;
      key += ch;
      key += kGaijiMark;
    } else {
      key += cp932;
    }
  }
  return key;
}

std::size_t FittedView::TopLine() { return r_.fitted.TopLine(); }

int FittedView::LastPage() { return std::max(r_.fit.pages, 1); }

// Lays the whole text out with |options| in a layout of its own (the one on
// screen keeps its page), calling |page| with each page to show, its last
// one not full included, until it answers false.
template <typename PageFn>
void ProbePages(Reader& r, FittedLayout& probe, PageFn page) {
  const std::string_view text = r.streams.ssout.view();
  FilterLines filtered;
  std::size_t pos = 0;
  std::string_view line;
  while (NextTextLine(text, &pos, &line)) {
    if (line.empty()) continue;
    // A line read before has its classic rows noted: it is not filtered again.
    SourceLine source{line, {}, static_cast<std::size_t>(line.data() - text.data())};
    if (!r.backlog.RowsOf(source.offset, &source.classic_rows))
      source.filtered = filter_line(line, r.rubyon_mode, &filtered, nullptr);
    for (bool complete = probe.Place(source); complete; complete = probe.TurnPage())
      if (probe.PageToShow() && !page()) return;
  }
  if (probe.HasRows() && probe.PageToShow()) page();
}

int FittedView::PageOfLine(std::size_t offset) { return PagesOfLines({offset}).front(); }

std::vector<int> FittedView::PagesOfLines(const std::vector<std::size_t>& offsets) {
  std::vector<int> pages(offsets.size(), LastPage());
  FittedLayout probe(r_.fitted.Options());
  std::size_t k = 0;
  // A line begins on the first page that reads past its start: the pages
  // before hold only rows of the lines before it.
  ProbePages(r_, probe, [&] {
    for (; k < offsets.size() && probe.BytesRead() > offsets[k]; ++k) pages[k] = probe.PageNumber();
    return k < offsets.size();
  });
  return pages;
}

int FittedView::MarkRows() { return r_.fitted.ClassicRowsAtTop(); }

int FittedView::PageOfMark(int rows) {
  FittedLayout probe(r_.fitted.Options());
  probe.ShowFromClassicRows(rows);
  int found = LastPage();
  ProbePages(r_, probe, [&] {
    found = probe.PageNumber();
    return false;
  });
  return found;
}

void FittedView::JumpToRows(int rows) {
  r_.fitted.Reset(r_.fitted.Options());
  r_.fitted.ShowFromClassicRows(rows);
  RestartReading(r_);
}

void FittedView::SearchBackward() {
  const int on_screen = r_.fitted.PageNumber();
  const std::string& key = SearchKeyInUse(r_);
  int found = 0;
  if (!key.empty()) {
    FittedLayout probe(r_.fitted.Options());
    std::string text;
    std::vector<std::size_t> piece_at;
    ProbePages(r_, probe, [&] {
      if (probe.PageNumber() >= on_screen) return false;
      text.clear();
      piece_at.clear();
      for (const FittedRow& row : probe.PageRows()) AppendSearchText(row, &text, &piece_at);
      if (text.find(key) != std::string::npos) found = probe.PageNumber();
      return true;
    });
  }
  r_.fitted.Reset(r_.fitted.Options());
  r_.fitted.ShowFromPage(found > 0 ? found : on_screen);
  RestartReading(r_);
  if (found > 0) {
    // The page is drawn as the forward search draws its hit.
    r_.search.search_flag = 1;
    r_.search.search_str_len = static_cast<int>(r_.search.search_str.size());
  } else {
    r_.fit.notice = "not found " + r_.search.search_str + " (search backward)";
  }
}

void FittedView::JumpToLine(std::size_t offset) {
  r_.fitted.Reset(r_.fitted.Options());
  r_.fitted.ShowFromLine(offset);
  RestartReading(r_);
}

void FittedView::JumpToPage(int number) {
  r_.fitted.Reset(r_.fitted.Options());
  r_.fitted.ShowFromPage(std::clamp(number, 1, LastPage()));
  RestartReading(r_);
}

}  // namespace shiori
