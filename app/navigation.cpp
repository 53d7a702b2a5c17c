#include "app/navigation.h"

#include <algorithm>
#include <climits>
#include <cstdio>

#include "app/list_pager.h"
#include "app/reader.h"
#include "app/search_view.h"
#include "text/headings.h"
#include "text/search.h"

namespace shiori {

namespace {

using Jump = NavState::Jump;

// Notes the complete page. Its rows are copied only when |copy_rows|: the
// last complete page before the end of the text is still in its buffer
// there (the partial page after it fills the other one).
void Keep(Reader& r, bool copy_rows) {
  NavState::KeptPage& k = r.nav.kept;
  const PageState& p = r.page;
  std::copy(std::begin(p.count), std::end(p.count), std::begin(k.count));
  k.pline_num = p.pline_num;
  k.pg = p.pg;
  k.mae_p = p.mae_p;
  k.rows.clear();
  k.rows_copied = copy_rows;
  if (copy_rows) {
    // The page's rows and those beyond it that the turn carries over.
    const std::vector<std::string>& buf = p.page_buff[p.pg];
    const std::size_t n = std::min(buf.size(), static_cast<std::size_t>(p.count[kRowsInPage]));
    k.rows.resize(n);
    for (std::size_t i = 0; i < n; ++i) k.rows[i].assign(buf[i]);
  }
  k.read_at = r.streams.ssout.tell();
  k.taken = true;
}

// The kept page becomes the complete page of the reading loop, shown from
// here on; the text is read on from the line after the one that completed it.
void BringBack(Reader& r) {
  NavState::KeptPage& k = r.nav.kept;
  PageState& p = r.page;
  std::copy(std::begin(k.count), std::end(k.count), std::begin(p.count));
  p.pline_num = k.pline_num;
  p.pg = k.pg;
  p.mae_p = k.mae_p;
  if (k.rows_copied) {
    std::vector<std::string>& buf = p.page_buff[p.pg];
    if (buf.size() < k.rows.size()) buf.resize(k.rows.size());
    for (std::size_t i = 0; i < k.rows.size(); ++i) buf[i].swap(k.rows[i]);
  }
  r.streams.ssout.Seek(k.read_at);
  p.lline = p.count[kRowsRead];
  k.taken = false;
}

// Whether the complete page holds the word as the forward search finds it:
// the rows together first, as a pending search tests a page, and one by one
// only when they hold it.
bool PageHoldsWord(Reader& r) {
  const PageState& p = r.page;
  const std::vector<std::string>& buf = p.page_buff[p.pg];
  const int rows = std::min(p.pline_num, static_cast<int>(buf.size()));
  if (!search_page_may_hit(r, rows)) return false;
  const std::string& word = r.search.search_str;
  for (int i = 0; i < rows; ++i) {
    const std::string& row = buf[i];
    const std::size_t width = std::max(static_cast<std::size_t>(r.layout.RowWidth()), row.size());
    const std::string_view next = i + 1 < rows ? std::string_view(buf[i + 1]) : std::string_view();
    if (RowHit(row, next, word, width) != std::string_view::npos) return true;
  }
  return false;
}

struct ContentsEntry {
  int page = 0;
  bool mark = false;
  std::size_t line = 0;  ///< a heading's line
  int rows = 0;          ///< a mark's row count
  std::string label;
};

}  // namespace

bool nav_page_passed(Reader& r) {
  NavState& n = r.nav;
  switch (n.jump) {
    case Jump::kNone:
      return false;
    case Jump::kBackward:
      if (PageHoldsWord(r)) Keep(r, true);
      return false;
    case Jump::kToLine:
      if (static_cast<std::size_t>(r.LineStr.data() - r.streams.ssout.view().data()) >= n.line) {
        r.page.lline = r.page.count[kRowsRead];
        return true;
      }
      break;
    case Jump::kToRows:
      break;
  }
  Keep(r, false);  // the last complete page, should the jump run past the end
  return false;
}

void nav_page_reached(Reader& r) {
  NavState& n = r.nav;
  if (n.jump == Jump::kBackward) {
    if (n.kept.taken) {
      BringBack(r);
      // Shown as the forward search shows its hit: from the row that holds it.
      r.search.search_flag = 1;
    } else {
      r.Print("not found before this page ");
      r.PrintPainted(Paint::kNotFoundWord, r.search.search_str);
      r.Print("\n");
    }
  }
  n.jump = Jump::kNone;
  n.kept.taken = false;
}

bool nav_end_of_text(Reader& r) {
  NavState& n = r.nav;
  const bool back = n.jump != Jump::kNone && n.kept.taken;
  n.jump = Jump::kNone;
  if (!back) return false;
  BringBack(r);
  return true;
}

void classic_jump(Reader& r, Jump kind, int rows, std::size_t line) {
  PageState& p = r.page;
  for (int i = kRowsRead; i <= kBytesRead; ++i) p.count[i] = 0;
  // Laid out from the top as a reading that starts there lays it out, so
  // that the pages are the ones the contents and the saved positions count.
  p.pline_num = def_pline_num;
  p.lline = kind == Jump::kToLine ? INT_MAX : rows;
  r.streams.ssout.Rewind();
  r.nav.jump = kind;
  r.nav.line = line;
  r.nav.kept.taken = false;
}

bool contents_key(Reader& r) {
  ReadingView& view = r.View();
  bookmarks_for_work(r);
  const std::string_view text = r.streams.ssout.view();
  std::vector<Heading> heads = FindHeadings(text);
  const bool chapter_lines = heads.empty();
  if (chapter_lines) heads = FindChapterLines(text);

  std::vector<std::size_t> offsets;
  for (const Heading& h : heads) offsets.push_back(h.offset);
  const std::vector<int> pages = view.PagesOfLines(offsets);
  std::vector<ContentsEntry> entries;
  for (std::size_t i = 0; i < heads.size(); ++i) {
    const std::string indent(2 * (static_cast<int>(heads[i].level) - 1), ' ');
    entries.push_back({pages[i], false, heads[i].offset, 0, indent + heads[i].text});
  }
  for (const int rows : r.nav.marks.rows)
    entries.push_back({view.PageOfMark(rows), true, 0, rows, "＊しおり"});
  // A mark after the headings that begin on its page.
  std::stable_sort(entries.begin(), entries.end(),
                   [](const ContentsEntry& a, const ContentsEntry& b) { return a.page < b.page; });

  std::vector<std::string> lines;
  lines.push_back(chapter_lines ? "目次（見出しがないので、章の番号だけの行から）"
                                : "目次（見出しから）");
  if (entries.empty()) lines.push_back("見出しも章の番号の行もしおりもありません");
  for (std::size_t i = 0; i < entries.size(); ++i) {
    char head[40];
    std::snprintf(head, sizeof head, "(%02d) page %4d  ", static_cast<int>(i + 1),
                  entries[i].page);
    lines.push_back(head + entries[i].label);
  }
  if (!PageList(r, lines, r.ScreenRows()) || entries.empty()) return false;
  say_line(r, "input number (enter: return page)");
  int number = 0;
  // A bad or cancelled answer leaves the page as it was.
  if (!r.ReadInt(&number) || r.StopRequested()) return false;
  if (number < 1 || number > static_cast<int>(entries.size())) {
    const std::string complaint = "no entry " + std::to_string(number);
    // The fitted page drawn again says it on its status line.
    if (r.fit.on) {
      r.fit.notice = complaint;
    } else {
      say_line(r, complaint);
    }
    return false;
  }
  const ContentsEntry& e = entries[static_cast<std::size_t>(number - 1)];
  if (e.mark) {
    view.JumpToRows(e.rows);
  } else {
    view.JumpToLine(e.line);
  }
  return true;
}

bool ParseGoto(const std::string& answer, GotoTarget* target) {
  if (answer == "^") {
    target->kind = GotoTarget::Kind::kStart;
    return true;
  }
  if (answer == "$") {
    target->kind = GotoTarget::Kind::kEnd;
    return true;
  }
  std::string_view digits = answer;
  const bool percent = !digits.empty() && digits.back() == '%';
  if (percent) digits.remove_suffix(1);
  if (digits.empty() || digits.size() > 9) return false;
  int number = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return false;
    number = number * 10 + (c - '0');
  }
  if (percent && number > 100) return false;
  target->kind = percent ? GotoTarget::Kind::kPercent : GotoTarget::Kind::kPage;
  target->number = number;
  return true;
}

bool goto_key(Reader& r) {
  // Asked again after a bad answer, a few times; an empty answer or the end
  // of input cancels, and the page stays.
  constexpr std::string_view kAsk = "go to: page number, N% , ^ (start) or $ (end)";
  std::string complaint;  // the fitted view's one line says both
  for (int ask = 0; ask < 3; ++ask) {
    say_line(r, complaint + std::string(kAsk));
    r.plat.console->Flush();
    std::string answer;
    if (!r.plat.keyboard->ReadWord(&answer, 16) || answer.empty() || r.StopRequested())
      return false;
    GotoTarget t;
    if (!ParseGoto(answer, &t)) {
      if (r.fit.on) {
        complaint = "bad input: " + answer + "  ";
      } else {
        say_line(r, "bad input: " + answer);
      }
      continue;
    }
    ReadingView& view = r.View();
    const std::string_view text = r.streams.ssout.view();
    switch (t.kind) {
      case GotoTarget::Kind::kPage:
        view.JumpToPage(t.number);
        break;
      case GotoTarget::Kind::kStart:
        view.JumpToLine(0);
        break;
      case GotoTarget::Kind::kEnd:
        view.JumpToLine(text.size());
        break;
      case GotoTarget::Kind::kPercent: {
        if (t.number >= 100) {
          view.JumpToLine(text.size());
          break;
        }
        // The line that holds that byte of the text.
        const std::size_t at = text.size() / 100 * t.number + text.size() % 100 * t.number / 100;
        const std::size_t nl = at == 0 ? std::string_view::npos : text.rfind('\n', at - 1);
        view.JumpToLine(nl == std::string_view::npos ? 0 : nl + 1);
        break;
      }
    }
    return true;
  }
  return false;
}

bool search_back_key(Reader& r) {
  if (r.search.search_str.empty() &&
      (!(r.fit.on ? fitted_read_search_word(r) : search_read_word(r)) ||
       r.search.search_str.empty()))
    return false;
  r.View().SearchBackward();
  return true;
}

void bookmark_key(Reader& r) {
  ReadingView& view = r.View();
  const int rows = view.MarkRows();
  bool saved = false;
  const bool set = bookmarks_toggle(r, rows, &saved);
  say_line(r, std::string(set ? "bookmark set at" : "bookmark removed from") + " page " +
                  std::to_string(view.PageOfMark(rows)) + (saved ? "" : " (for this run only)"));
}

}  // namespace shiori
