// Line wrapping and pagination: rows of 78 bytes, pages of pline_num rows.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "text/layout.h"

namespace shiori {

constexpr int l_mojinum = 78;       ///< row width in bytes
constexpr int def_pline_num = 22;   ///< default rows per page; page number divisor
constexpr int kPageRows = 100;      ///< rows a page buffer holds before it grows

/// What the entries of PageState::count hold.
constexpr int kRowsRead = 1;        ///< rows read from the top of the text
constexpr int kRowsInPage = 3;      ///< rows on the page being filled
constexpr int kRowsBeforeLine = 4;  ///< rows on that page before the line being placed
constexpr int kBytesRead = 5;       ///< bytes of the text read (the status line's percentage)

/// Progress counters and the two page buffers.
struct PageState {
  int count[10] = {};  ///< indexed by kRowsRead, kRowsInPage, kRowsBeforeLine, kBytesRead
  int pline_num = def_pline_num;
  int pg = 0;
  std::vector<std::string> page_buff[2] = {std::vector<std::string>(kPageRows),
                                           std::vector<std::string>(kPageRows)};
  std::vector<std::string_view> rows;  ///< the rows of the line being placed
  int lline = 0;  ///< pages whose count[kRowsRead] is below this are not shown
  int mae_p = 0;  ///< count[kRowsRead] at the last page advance

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

/// The classic layout: rows of 78 bytes, pages of pline_num rows (22, or
/// more for a line longer than a page), counted in a PageState.
class ClassicLayout final : public Layout {
 public:
  explicit ClassicLayout(PageState& page) : p_(page) {}
  /// Counts the line's rows and puts them on page_buff[pg]; a line longer
  /// than a page makes the page as long as the line.
  bool Place(const SourceLine& line) override { return Place(line.filtered); }
  bool Place(std::string_view line);
  bool PageToShow() const override { return p_.count[kRowsRead] >= p_.lline; }
  /// Flips pg, carrying the rows beyond the page over to the other buffer.
  bool TurnPage() override;
  int RowWidth() const override { return l_mojinum; }
  /// Pages of 22 rows read, whatever the length of the page shown.
  int PageNumber() const override { return p_.count[kRowsRead] / def_pline_num; }

 private:
  PageState& p_;
};

}  // namespace shiori
