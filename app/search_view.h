// The search on the screen: the prompt, the pages it passes, its rows
// painted, and the screen of a search that found nothing.
#pragma once

namespace shiori {

class Reader;

/// Prompts "input search str" and takes the word typed as the search word.
/// False when the input ended instead (the word stays as it was).
bool search_read_word(Reader& r);
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
