#include "app/classic_view.h"

#include <algorithm>

#include "app/navigation.h"
#include "app/reader.h"

namespace shiori {

const std::vector<ClassicPage>& ClassicView::Pages() {
  const std::string_view text = r_.streams.ssout.view();
  if (pages_fid_ != r_.fid || pages_size_ != text.size() || pages_mode_ != r_.rubyon_mode) {
    pages_ = ClassicPages(text, r_.rubyon_mode);
    pages_fid_ = r_.fid;
    pages_size_ = text.size();
    pages_mode_ = r_.rubyon_mode;
  }
  return pages_;
}

std::size_t ClassicView::TopLine() {
  // The page's rows are the last ones read, less those carried beyond it.
  const PageState& p = r_.page;
  const int first_row = p.count[kRowsRead] - std::max(p.count[kRowsInPage], p.pline_num);
  return ClassicLineAtRow(r_.streams.ssout.view(), std::max(first_row, 0), r_.rubyon_mode);
}

int ClassicView::PageOfLine(std::size_t offset) { return ClassicPageOfLine(Pages(), offset); }

std::vector<int> ClassicView::PagesOfLines(const std::vector<std::size_t>& offsets) {
  const std::vector<ClassicPage>& pages = Pages();
  std::vector<int> out;
  for (const std::size_t offset : offsets) out.push_back(ClassicPageOfLine(pages, offset));
  return out;
}

int ClassicView::LastPage() {
  const std::vector<ClassicPage>& pages = Pages();
  return pages.empty() ? 0 : pages.back().rows / def_pline_num;
}

void ClassicView::JumpToLine(std::size_t offset) {
  classic_jump(r_, NavState::Jump::kToLine, 0, offset);
}

void ClassicView::JumpToPage(int number) {
  // The first page whose rows read reach the number's: the page of that
  // number, or the next there is. Past the last, the last.
  const int rows = number <= 1 ? 0 : std::min(number, 2147483647 / def_pline_num) * def_pline_num;
  classic_jump(r_, NavState::Jump::kToRows, rows, 0);
}

int ClassicView::MarkRows() { return r_.page.count[kRowsRead]; }

int ClassicView::PageOfMark(int rows) { return rows / def_pline_num; }

void ClassicView::JumpToRows(int rows) { classic_jump(r_, NavState::Jump::kToRows, rows, 0); }

void ClassicView::SearchBackward() {
  classic_jump(r_, NavState::Jump::kBackward, r_.page.count[kRowsRead], 0);
}

}  // namespace shiori
