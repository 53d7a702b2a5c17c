#include "text/pager.h"

#include <algorithm>

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

bool ClassicLayout::Place(std::string_view line) {
  PageState& p = p_;
  const int n = static_cast<int>(line.size());
  p.count[kRowsBeforeLine] = p.count[kRowsInPage];
  if (n > l_mojinum) {
    int q = n / l_mojinum;
    p.pline_num = q >= def_pline_num ? q + 1 : def_pline_num;
  }
  std::vector<std::string_view>& rows = p.rows;
  CutRows(line, &rows);
  const int nrows = static_cast<int>(rows.size());
  p.count[kRowsRead] += nrows;
  p.count[kRowsInPage] += nrows;

  std::vector<std::string>& buf = p.page_buff[p.pg];
  if (static_cast<int>(buf.size()) < p.count[kRowsInPage]) buf.resize(p.count[kRowsInPage]);
  for (int k = 0; k < nrows; ++k) buf[p.count[kRowsBeforeLine] + k].assign(rows[k]);
  return p.count[kRowsInPage] >= p.pline_num;
}

bool ClassicLayout::TurnPage() {
  PageState& p = p_;
  p.mae_p = p.count[kRowsRead];
  const int from = p.pg;
  p.pg = 1 - p.pg;
  // Rows beyond the page (the rest of the line, or rows left over when the
  // page length shrank) carry over to the next page; none is lost.
  const int overflow = p.count[kRowsInPage] - p.pline_num;
  std::vector<std::string>& dst = p.page_buff[p.pg];
  if (static_cast<int>(dst.size()) < std::max(overflow, kPageRows))
    dst.resize(std::max(overflow, kPageRows));
  for (int k = 0; k < overflow; ++k) dst[k] = p.page_buff[from][p.pline_num + k];
  p.count[kRowsInPage] = overflow > 0 ? overflow : p.count[kRowsInPage] % p.pline_num;
  return p.count[kRowsInPage] >= p.pline_num;
}

}  // namespace shiori
