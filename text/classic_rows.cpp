#include "text/classic_rows.h"

#include <algorithm>
#include <cstring>

#include "text/filter.h"
#include "text/pager.h"

namespace shiori {

bool NextTextLine(std::string_view text, std::size_t* pos, std::string_view* line) {
  const std::size_t p = *pos;
  if (p >= text.size()) return false;
  std::size_t nl = text.find('\n', p);
  if (nl == std::string_view::npos) nl = text.size();
  const std::size_t before_lf = nl > p && text[nl - 1] == '\r' ? nl - 1 : nl;
  const void* cr = std::memchr(text.data() + p, '\r', before_lf - p);
  if (cr != nullptr) {
    const std::size_t end =
        static_cast<std::size_t>(static_cast<const char*>(cr) - text.data()) + 1;
    *line = text.substr(p, end - p);
    *pos = end;
    return true;
  }
  *line = text.substr(p, nl - p);
  *pos = nl < text.size() ? nl + 1 : nl;
  return true;
}

std::vector<ClassicPage> ClassicPages(std::string_view text, int rubyon_mode) {
  // The layout itself, on a page state of its own: the pages it completes
  // here are the ones the reading loop completes, long lines and all.
  PageState page;
  ClassicLayout layout(page);
  FilterLines filtered;
  std::vector<ClassicPage> pages;
  std::string_view line;
  for (std::size_t pos = 0; NextTextLine(text, &pos, &line);) {
    if (line.empty()) continue;
    const std::size_t at = static_cast<std::size_t>(line.data() - text.data());
    const std::string_view use = filter_line(line, rubyon_mode, &filtered, nullptr);
    for (bool complete = layout.Place(use); complete; complete = layout.TurnPage())
      pages.push_back({at, page.count[kRowsRead]});
  }
  return pages;
}

int ClassicPageOfLine(const std::vector<ClassicPage>& pages, std::size_t offset) {
  if (pages.empty()) return 0;
  // A line begins on the first page completed while it or a later line was
  // placed: its first row is among the rows read by then.
  const auto it = std::lower_bound(pages.begin(), pages.end(), offset,
                                   [](const ClassicPage& p, std::size_t o) { return p.line < o; });
  return (it == pages.end() ? pages.back() : *it).rows / def_pline_num;
}

std::size_t ClassicLineAtRow(std::string_view text, int row, int rubyon_mode) {
  FilterLines filtered;
  std::string_view line;
  std::size_t last = 0;
  int rows = 0;
  for (std::size_t pos = 0; NextTextLine(text, &pos, &line);) {
    if (line.empty()) continue;
    last = static_cast<std::size_t>(line.data() - text.data());
    rows += RowCount(static_cast<int>(filter_line(line, rubyon_mode, &filtered, nullptr).size()));
    if (rows > row) break;
  }
  return last;
}

}  // namespace shiori
