// The page view: the rows of page_buff[pg] as the search and the speech
// paint them, and the status line below.
#include "app/page_view.h"

#include <algorithm>
#include <charconv>

#include "app/reader.h"
#include "app/search_view.h"
#include "media/speech.h"

namespace shiori {

void print_status_line(Reader& r) {
  const double total = static_cast<double>(r.streams.ssout.size());
  const double percent = total > 0 ? 100.0 * r.page.count[kBytesRead] / total : 0.0;
  r.Paint(Paint::kStatus);
  // "[ %s --- page %d --- %f%% ] ](q)end (n)next", put together without a
  // format: a search prints this line for every page it passes. to_chars
  // prints numbers as printf in the "C" locale does; any double in fixed
  // notation fits the buffer. The title goes as a piece of its own, the
  // same on every page.
  char tail[512];
  char* p = tail;
  char* const end = tail + sizeof tail;
  const auto append = [&p](std::string_view s) { p = std::copy(s.begin(), s.end(), p); };
  append(" --- page ");
  p = std::to_chars(p, end, r.layout.PageNumber()).ptr;
  append(" --- ");
  p = std::to_chars(p, end - 32, percent, std::chars_format::fixed, 6).ptr;
  append("% ] ](q)end (n)next");
  r.Print("[ ");
  r.Print(r.Title().c_str());  // as %s prints it: up to a NUL byte
  r.Print(std::string_view(tail, static_cast<std::size_t>(p - tail)));
  r.Normal();
  r.Print("\n");
}

void show_page(Reader& r) {
  PageState& p = r.page;
  std::vector<std::string>& buf = p.page_buff[p.pg];
  if (static_cast<int>(buf.size()) < p.pline_num) buf.resize(p.pline_num);
  if (r.search.search_flag && !search_page_may_hit(r, p.pline_num)) {
    // A page a pending search passes without a hit prints no row, and no
    // sentence is spoken from it: its status line alone.
    r.speech.sp_flash = kSpokeNothing;
    print_status_line(r);
    return;
  }
  for (int i = 0; i < p.pline_num; ++i) {
    r.Paint(r.speech.s_flag > 0 ? Paint::kRowSpeech : Paint::kNormal);
    if (r.search.search_flag || r.search.search_str_len > 0) {
      search_print_row(r, i, p.pline_num, false);
    } else {
      r.Print(buf[i]);
      r.Normal();
      r.Print("\n");
    }
    tts_feed_line(r, i);
    tts_recolor(r, i);
  }
  print_status_line(r);
}

void show_last_page(Reader& r) {
  PageState& p = r.page;
  std::vector<std::string>& buf = p.page_buff[p.pg];
  for (int i = 0; i < p.count[kRowsInPage] && i < static_cast<int>(buf.size()); ++i) {
    if (r.search.search_flag || r.search.search_str_len > 0) {
      search_print_row(r, i, p.count[kRowsInPage], true);
    } else {
      r.Print(buf[i]);
      r.Print("\n");
      if (r.speech.s_flag > 0 && !r.search.search_flag) G_TTS(r, buf[i]);
    }
  }
}

}  // namespace shiori
