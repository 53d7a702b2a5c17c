// The classic view as the navigation keys see it: its pages are the status
// line's (rows read / 22 where a page completes), a jump reads the text
// again from its top to the page asked for, as a page back does.
#pragma once

#include <cstddef>
#include <vector>

#include "app/reading_view.h"
#include "text/classic_rows.h"

namespace shiori {

class Reader;

class ClassicView final : public ReadingView {
 public:
  explicit ClassicView(Reader& r) : r_(r) {}

  std::size_t TopLine() override;
  int PageOfLine(std::size_t offset) override;
  int LastPage() override;
  void JumpToLine(std::size_t offset) override;
  void JumpToPage(int number) override;
  std::vector<int> PagesOfLines(const std::vector<std::size_t>& offsets) override;
  int MarkRows() override;
  int PageOfMark(int rows) override;
  void JumpToRows(int rows) override;
  void SearchBackward() override;

 private:
  /// The pages of the current text, found in one pass the first time they
  /// are asked for and kept while the text is the same (a few bytes a page).
  const std::vector<ClassicPage>& Pages();

  Reader& r_;
  std::vector<ClassicPage> pages_;
  int pages_fid_ = -1;
  std::size_t pages_size_ = 0;
  int pages_mode_ = 0;
};

}  // namespace shiori
