// What the navigation keys (contents, go to, backward search, bookmarks) ask
// of the view on screen: where its pages stand in the text, and a jump.
// Each view implements it; positions and bookmarks are kept in the classic
// view's row counter, so both views agree on them.
#pragma once

#include <cstddef>

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
};

}  // namespace shiori
