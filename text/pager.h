// Line wrapping and pagination: rows of 78 bytes, pages of pline_num rows.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace shiori {

class Reader;

constexpr int l_mojinum = 78;       ///< row width in bytes
constexpr int def_pline_num = 22;   ///< default rows per page; page number divisor
constexpr int kPageRows = 100;      ///< rows a page buffer holds before it grows

/// Progress counters and the two page buffers.
struct PageState {
  int count[10] = {};  ///< [1] rows read, [3] rows in page, [4] before line, [5] bytes
  int pline_num = def_pline_num;
  int pg = 0;
  std::vector<std::string> page_buff[2] = {std::vector<std::string>(kPageRows),
                                           std::vector<std::string>(kPageRows)};
  std::vector<std::string_view> rows;  ///< the rows of the line being placed
  int lline = 0;  ///< pages whose count[1] is below this are not shown
  int mae_p = 0;  ///< count[1] at the last page advance

  void ResetCounters() {
    for (int& c : count) c = 0;
  }
};

/// Number of display rows a filtered line of |n| bytes takes (78 a row).
int RowCount(int n);

/// Cuts a filtered line into its display rows: RowCount(size) rows of 78
/// bytes, 79 where a cut would split a double-byte character, plus 2 where
/// the next row would begin with "。" or "、". Trailing rows may be empty.
void CutRows(std::string_view line, std::vector<std::string_view>* out);
std::vector<std::string_view> CutRows(std::string_view line);

/// What key_dispatch asks of the wrapper.
enum class Outcome { kAdvance, kRestart, kLeave };

/// Counts and places one filtered line; shows (or passes over) every page it
/// completes and hands each shown page to key_dispatch.
Outcome wrap_line(Reader& r, std::string_view line);

/// Prints rows 0..pline_num-1 of page_buff[pg] and the status line.
void show_page(Reader& r);

/// Prints rows 0..count[3]-1 of page_buff[pg] (the partial last page).
void show_last_page(Reader& r);

/// Prints the status line of the shown page.
void print_status_line(Reader& r);

}  // namespace shiori
