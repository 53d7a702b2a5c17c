// A layout turns filtered lines into rows and pages. It never shows a page:
// it says that one is complete, and the reading loop shows it (or passes
// over it) before the layout turns to the next.
#pragma once

#include <cstddef>
#include <string_view>

namespace shiori {

/// One line of the text as the reading loop hands it to a layout.
struct SourceLine {
  std::string_view raw;       ///< as the text has it, annotations and all
  std::string_view filtered;  ///< through the markup filter (what the classic view shows)
  std::size_t offset = 0;     ///< where |raw| begins in the text
  /// The rows the classic view gives the line when already known (a line
  /// read before); -1: counted from |filtered|, which is then given.
  int classic_rows = -1;
};

/// The classic rows of a line read before, and where it begins in the text.
struct LineClassicRows {
  std::size_t offset;
  int rows;
};

class Layout {
 public:
  virtual ~Layout() = default;

  /// Places one line on the page being filled; true when a page is
  /// complete.
  virtual bool Place(const SourceLine& line) = 0;
  /// Whether the complete page is one to show: pages before the place where
  /// reading resumes are passed over.
  virtual bool PageToShow() const = 0;
  /// Leaves the complete page; rows beyond it begin the next one. True when
  /// that one is complete too.
  virtual bool TurnPage() = 0;
  /// Columns a row is cut to; a row may run past it by a character kept
  /// whole or a stop mark kept at its end.
  virtual int RowWidth() const = 0;
  /// The number of the page being shown, as its status line gives it.
  virtual int PageNumber() const = 0;
};

}  // namespace shiori
