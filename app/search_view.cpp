#include "app/search_view.h"

#include <algorithm>

#include "app/reader.h"
#include "text/search.h"

namespace shiori {

namespace {

// Prints |text| with the |len| bytes at |at| in |hit|: the part before in the
// colours in force (a full page has just set its row colour), the rest in
// |row|, and the normal colours before the line feed.
void print_hit_row(Reader& r, std::string_view text, std::size_t at, std::size_t len, Paint hit,
                   Paint row) {
  r.Print(text.substr(0, at));
  r.Paint(hit);
  r.Print(text.substr(at, len));
  r.Paint(row);
  r.Print(text.substr(std::min(text.size(), at + len)));
  r.Normal();
  r.Print("\n");
}

Paint RowPaint(Reader& r, bool last_page) {
  if (last_page) return Paint::kNormal;
  return r.speech.s_flag > 0 ? Paint::kRowSpeech : Paint::kNormal;
}

}  // namespace

bool search_read_word(Reader& r) {
  SearchState& s = r.search;
  r.Print("input search str\n");
  r.plat.console->Flush();
  std::string word;
  // The end of input (Ctrl-D) cancels: no search, the page stays.
  if (!r.plat.keyboard->ReadWord(&word, kSearchStrMax)) return false;
  s.search_str = word;
  s.search_str_len = static_cast<int>(word.size());
  return true;
}

bool search_prompt(Reader& r) {
  SearchState& s = r.search;
  if (!search_read_word(r)) return false;
  s.search_flag = 1;
  s.s_mae_page = r.page.mae_p + 1;
  s.s_mae_page_set = true;
  r.key = 'f';
  return true;
}

void search_continue(Reader& r) {
  SearchState& s = r.search;
  // Without an 's' in this run, a failed search returns to the page on screen.
  if (!s.search_flag && !s.s_mae_page_set) s.f_return_page = r.page.mae_p + 1;
  s.search_flag = 1;
}

bool search_page_may_hit(Reader& r, int rows) {
  SearchState& s = r.search;
  const std::vector<std::string>& buf = r.page.page_buff[r.page.pg];
  s.page_text.clear();
  for (int i = 0; i < rows && i < static_cast<int>(buf.size()); ++i) s.page_text += buf[i];
  return s.page_text.find(s.search_str) != std::string::npos;
}

void search_print_row(Reader& r, int i, int rows, bool last_page) {
  SearchState& s = r.search;
  const std::vector<std::string>& buf = r.page.page_buff[r.page.pg];
  const std::string& row = buf[i];
  const std::string& str = s.search_str;
  const std::size_t len = str.size();
  const Paint row_paint = RowPaint(r, last_page);

  if (!s.search_flag) {
    // Highlight mode: the first occurrence in the row alone.
    std::size_t at = row.find(str);
    if (at != std::string::npos) {
      print_hit_row(r, row, at, len, last_page ? Paint::kLastPageHit : Paint::kOccurrence,
                    row_paint);
    } else {
      r.Print(row);
      r.Normal();
      r.Print("\n");
    }
    return;
  }

  // Search mode: the row joined with the next one of the page, so that an
  // occurrence over the end of a full row is found. Most rows of a search
  // hold nothing, so the two are never copied together to be searched.
  // A row is as wide as the layout cuts rows (78 bytes); a row that took a
  // whole character or a "。" at its end is as wide as it is. An occurrence that begins past that width
  // lies in the next row, which is tested in its turn.
  const std::size_t width = std::max(static_cast<std::size_t>(r.layout.RowWidth()), row.size());
  const std::string_view next = i + 1 < rows ? std::string_view(buf[i + 1]) : std::string_view();
  const std::size_t at = RowHit(row, next, str, width);
  if (at == std::string_view::npos) return;
  const Paint hit = last_page ? Paint::kLastPageHit : Paint::kSearchHit;
  if (at + len <= row.size()) {
    print_hit_row(r, row, at, len, hit, row_paint);
  } else {
    // Over the end of the row: the row and the rest of the occurrence.
    std::string joined(row);
    joined.append(next.substr(0, at + len > row.size() ? at + len - row.size() : 0));
    print_hit_row(r, std::string_view(joined).substr(0, at + len), at, len, hit, row_paint);
  }
  s.search_flag = 0;
}

void search_fail(Reader& r) {
  SearchState& s = r.search;
  r.Reextract();
  r.page.ResetCounters();
  r.page.lline = s.s_mae_page_set ? s.s_mae_page : s.f_return_page;
  r.Print("not found ");
  r.PrintPainted(Paint::kNotFoundWord, s.search_str);
  s.search_flag = 0;
  r.Print("touch anykey , return page\n");
  r.GetKey();
}

}  // namespace shiori
