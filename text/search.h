// Forward search with highlighting.
#pragma once

#include <string>
#include <string_view>

namespace shiori {

class Reader;

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

/// The 's' key: prompt "input search str", read the word, arm the search.
/// False when the input ended instead (the search is cancelled).
bool search_prompt(Reader& r);
/// The 'f' key: arm the search with the current word.
void search_continue(Reader& r);
/// Search mode: whether the word stands anywhere in the first |rows| rows of
/// the page being shown, taken together. Each row is tested joined with the
/// next, a piece of the rows together, so without it no row can hold a hit.
bool search_page_may_hit(Reader& r, int rows);
/// Prints row |i| of the page being shown under the search rules (search mode
/// or highlight mode). |rows| is the number of rows on the page; |last_page|
/// marks the final partial page.
void search_print_row(Reader& r, int i, int rows, bool last_page);
/// End of text with a search pending: extraction again, counters reset, the
/// "not found " message, one key, and reading restarts at the starting page.
void search_fail(Reader& r);

}  // namespace shiori
