// What the navigation keys (contents, go to, backward search, bookmarks) ask
// of the view on screen: where its pages stand in the text, and a jump.
// Each view implements it; positions and bookmarks are kept in the classic
// view's row counter, so both views agree on them.
#pragma once

#include <cstddef>
#include <vector>

namespace shiori {

class ReadingView {
 public:
  virtual ~ReadingView() = default;
  /// Offset in the text of the source line that holds the first character
  /// on screen.
  virtual std::size_t TopLine() = 0;
  /// The number of the page, as the status line gives it, on which the
  /// source line at |offset| begins.
  virtual int PageOfLine(std::size_t offset) = 0;
  /// The number the status line gives the last page.
  virtual int LastPage() = 0;
  /// The next page shown is the one the source line at |offset| begins on.
  virtual void JumpToLine(std::size_t offset) = 0;
  /// The next page shown is page |number| (kept within the first and last).
  virtual void JumpToPage(int number) = 0;

  /// The pages on which the source lines at |offsets| (ascending) begin, as
  /// PageOfLine gives them; a view that finds them all in one pass says so.
  virtual std::vector<int> PagesOfLines(const std::vector<std::size_t>& offsets) {
    std::vector<int> pages;
    for (const std::size_t offset : offsets) pages.push_back(PageOfLine(offset));
    return pages;
  }
  /// The classic row count that brings back the page on screen, as a saved
  /// position does (bookmarks are kept in it).
  virtual int MarkRows() = 0;
  /// The number the status line gives the page a mark of |rows| brings back.
  virtual int PageOfMark(int rows) = 0;
  /// The next page shown is the one a mark of |rows| brings back.
  virtual void JumpToRows(int rows) = 0;
  /// Searches for the search word backward from the page before the one on
  /// screen: the next page shown is the nearest before it that holds it,
  /// under the forward search's rules and painted as they paint it; or,
  /// when none does, the page on screen again, below a line saying so.
  virtual void SearchBackward() = 0;
};

}  // namespace shiori
