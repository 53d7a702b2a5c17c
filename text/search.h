// The search word and where it stands: the state of a search and its matcher.
#pragma once

#include <string>
#include <string_view>

namespace shiori {

constexpr std::size_t kSearchStrMax = 255;  ///< bytes kept of a typed word

struct SearchState {
  int search_flag = 0;      ///< a search is pending (no hit yet)
  std::string search_str;   ///< code page 932 bytes
  int search_str_len = 0;   ///< 0 until the first 's' of the run
  int s_mae_page = 0;       ///< row count to return to when the search fails
  bool s_mae_page_set = false;  ///< an 's' has set s_mae_page in this run
  int f_return_page = 0;    ///< page on screen when 'f' started a search
  std::string page_text;    ///< search mode: the rows of a page, joined
};

/// Where |word| first occurs in |row| followed by |next| (as find() on the two
/// joined would tell), if it begins before byte |before| of the joined text;
/// npos otherwise. Nothing is copied.
std::size_t FindInJoined(std::string_view row, std::string_view next, std::string_view word,
                         std::size_t before);

/// Where the occurrence of |word| that row |row| of a page is shown with
/// begins (npos for none): one within the row, or one that begins in its
/// last bytes and runs into |next|, the page's following row. A row is
/// |width| bytes wide; an occurrence that may lie in the next row when the
/// row is short belongs to that row. The forward and the backward search
/// both judge a row by it.
std::size_t RowHit(std::string_view row, std::string_view next, std::string_view word,
                   std::size_t width);

}  // namespace shiori
