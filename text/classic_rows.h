// Where lines stand in the classic layout, found by reading a text from its
// top as the reading loop does: the rows before a line, the line that holds
// a row, and the pages the layout completes. Each is one pass of the text;
// no page is kept.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace shiori {

/// One line of |text| from *pos, split as the reading loop splits the text
/// (LF, CR LF, or a CR that no LF follows; the line keeps its CR). False at
/// the end of the text.
bool NextTextLine(std::string_view text, std::size_t* pos, std::string_view* line);

/// A page the classic layout completes: the line being placed when it did,
/// and the rows read then (count[kRowsRead], the status line's page times 22).
struct ClassicPage {
  std::size_t line = 0;  ///< offset of that line in the text
  int rows = 0;
};

/// Every page the classic layout completes over |text|, in order, laid out
/// from the top as a reading that starts or resumes there lays it out.
std::vector<ClassicPage> ClassicPages(std::string_view text, int rubyon_mode);

/// The status line's number of the page on which the line at |offset|
/// begins; a line after the last complete page is on the last one.
int ClassicPageOfLine(const std::vector<ClassicPage>& pages, std::size_t offset);

/// The offset of the line that holds row |row| (counted from 0, as the
/// classic row counter counts them); the last line's for a row past the end.
std::size_t ClassicLineAtRow(std::string_view text, int row, int rubyon_mode);

}  // namespace shiori
