// The bookmarks of the works, "shiori_marks.ini" beside the position file:
// one line per mark, the work's key (the position file's), a tab, and the
// classic row count that brings the marked page back.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace shiori {

class Reader;

inline constexpr char kBookmarkFile[] = "shiori_marks.ini";

using BookmarkEntry = std::pair<std::string, int>;  ///< key, row count

/// The marks of the current work, as read from the file.
struct Bookmarks {
  std::string key;        ///< the work they belong to; "" before the first look-up
  bool loaded = false;
  std::vector<int> rows;  ///< ascending
  /// The file could not be read, or holds a line that is no mark: it is
  /// left as it is for the rest of the run (marks set are kept in memory).
  bool left_alone = false;
};

/// Appends the marks of |text| to |entries| in file order. False when a
/// line (empty ones aside) is not a key, a tab and a row count; *bad_line
/// is then its number (from 1), and the lines before it are kept.
bool ParseBookmarks(std::string_view text, std::vector<BookmarkEntry>* entries, int* bad_line);
/// The file's text for |entries|, lines ended by |eol|.
std::string FormatBookmarks(const std::vector<BookmarkEntry>& entries, const std::string& eol);

/// Makes r.nav.marks the current work's (read from the file the first time,
/// with one line when it cannot be read or is damaged).
void bookmarks_for_work(Reader& r);
/// Sets a mark at |rows|, or removes the one there; true when one was set.
/// The file is rewritten under its lock with only this work's marks
/// changed; *saved says whether it was.
bool bookmarks_toggle(Reader& r, int rows, bool* saved);

}  // namespace shiori
