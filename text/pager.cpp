#include "text/pager.h"

#include <algorithm>
#include <charconv>

#include "app/reader.h"
#include "media/speech.h"
#include "text/search.h"
#include "text/sjis.h"

namespace shiori {

namespace {

bool IsStopMark(std::string_view line, std::size_t at) {
  // "。" is 81 42 and "、" is 81 41 in code page 932.
  return at + 1 < line.size() && static_cast<unsigned char>(line[at]) == 0x81 &&
         (line[at + 1] == 0x42 || line[at + 1] == 0x41);
}

}  // namespace

int RowCount(int n) {
  if (n <= l_mojinum) return 1;
  int q = n / l_mojinum, rem = n % l_mojinum;
  return rem == 0 ? q : q + 1;
}

void CutRows(std::string_view line, std::vector<std::string_view>* out) {
  const int rows = RowCount(static_cast<int>(line.size()));
  out->clear();
  std::size_t c = 0;
  for (int k = 0; k < rows; ++k) {
    std::size_t take = l_mojinum;
    // A row never splits a double-byte character: it takes the character
    // whole. Every row begins at a character, and a byte that cannot lead
    // ends one; so the run of lead bytes just before the cut tells whether
    // the cut falls inside a character (an odd run), without reading the
    // line from its start.
    if (c + take < line.size()) {
      std::size_t run = 0;
      while (run < take && kLeadByteExtra[static_cast<unsigned char>(line[c + take - 1 - run])])
        ++run;
      if (run % 2 == 1) ++take;
    }
    // "。" and "、" never begin a row: they stay at the end of this one.
    if (c + take < line.size() && line.size() - c > take && IsStopMark(line, c + take)) take += 2;
    if (c >= line.size()) {
      out->emplace_back();
    } else {
      out->push_back(line.substr(c, std::min(take, line.size() - c)));
    }
    c += take;
  }
}

std::vector<std::string_view> CutRows(std::string_view line) {
  std::vector<std::string_view> rows;
  CutRows(line, &rows);
  return rows;
}

Outcome wrap_line(Reader& r, std::string_view line) {
  PageState& p = r.page;
  const int n = static_cast<int>(line.size());
  p.count[4] = p.count[3];
  if (n > l_mojinum) {
    int q = n / l_mojinum;
    p.pline_num = q >= def_pline_num ? q + 1 : def_pline_num;
  }
  std::vector<std::string_view>& rows = p.rows;
  CutRows(line, &rows);
  const int nrows = static_cast<int>(rows.size());
  p.count[1] += nrows;
  p.count[3] += nrows;

  std::vector<std::string>& buf = p.page_buff[p.pg];
  if (static_cast<int>(buf.size()) < p.count[3]) buf.resize(p.count[3]);
  for (int k = 0; k < nrows; ++k) buf[p.count[4] + k].assign(rows[k]);

  while (p.count[3] >= p.pline_num) {
    if (p.count[1] >= p.lline) {
      show_page(r);
      Outcome o = key_dispatch(r);
      if (o != Outcome::kAdvance) return o;
    }
    p.mae_p = p.count[1];
    const int from = p.pg;
    p.pg = 1 - p.pg;
    // Rows beyond the page (the rest of the line, or rows left over when the
    // page length shrank) carry over to the next page; none is lost.
    const int overflow = p.count[3] - p.pline_num;
    std::vector<std::string>& dst = p.page_buff[p.pg];
    if (static_cast<int>(dst.size()) < std::max(overflow, kPageRows))
      dst.resize(std::max(overflow, kPageRows));
    for (int k = 0; k < overflow; ++k) dst[k] = p.page_buff[from][p.pline_num + k];
    p.count[3] = overflow > 0 ? overflow : p.count[3] % p.pline_num;
  }
  return Outcome::kAdvance;
}

void print_status_line(Reader& r) {
  const double total = static_cast<double>(r.streams.ssout.size());
  const double percent = total > 0 ? 100.0 * r.page.count[5] / total : 0.0;
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
  p = std::to_chars(p, end, r.page.count[1] / def_pline_num).ptr;
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
    r.speech.sp_flash = 0;
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
  for (int i = 0; i < p.count[3] && i < static_cast<int>(buf.size()); ++i) {
    if (r.search.search_flag || r.search.search_str_len > 0) {
      search_print_row(r, i, p.count[3], true);
    } else {
      r.Print(buf[i]);
      r.Print("\n");
      if (r.speech.s_flag > 0 && !r.search.search_flag) G_TTS(r, buf[i]);
    }
  }
}

}  // namespace shiori
