#include "text/search.h"

#include <algorithm>

#include "app/reader.h"

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

void search_prompt(Reader& r) {
  SearchState& s = r.search;
  r.Print("input search str\n");
  r.plat.console->Flush();
  std::string word;
  if (!r.plat.keyboard->ReadWord(&word, kSearchStrMax)) word.clear();
  s.search_str = word;
  s.search_flag = 1;
  s.search_str_len = static_cast<int>(word.size());
  s.s_mae_page = r.page.mae_p + 1;
  s.s_mae_page_set = true;
  r.key = 'f';
}

void search_continue(Reader& r) {
  SearchState& s = r.search;
  // Without an 's' in this run, a failed search returns to the page on screen.
  if (!s.search_flag && !s.s_mae_page_set) s.f_return_page = r.page.mae_p + 1;
  s.search_flag = 1;
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
  // hold nothing: the joined text is built in a buffer kept for the run.
  std::string& joined = s.joined;
  joined.assign(row);
  if (i + 1 < rows) joined += buf[i + 1];
  std::size_t at = joined.find(str);
  if (at == std::string::npos) return;
  // A row is 78 bytes wide; a row that took a whole character or a "。" at
  // its end is as wide as it is.
  const long width = std::max<long>(l_mojinum, static_cast<long>(row.size()));
  const long p = static_cast<long>(at), l = static_cast<long>(len);
  const Paint hit = last_page ? Paint::kLastPageHit : Paint::kSearchHit;
  if (p < width - l) {
    // It may still lie in the next row when this row is short.
    std::size_t in_row = row.find(str);
    if (in_row == std::string::npos) return;
    print_hit_row(r, row, in_row, len, hit, row_paint);
  } else if (p >= width) {
    return;  // it begins in the next row, which is tested in its turn
  } else {
    // Over the end of the row: the row and the rest of the occurrence.
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
