// The page on the screen: its rows, painted for the search and for speech,
// and its status line.
#pragma once

namespace shiori {

class Reader;

/// Prints rows 0..pline_num-1 of page_buff[pg] and the status line.
void show_page(Reader& r);

/// Prints rows 0..count[kRowsInPage]-1 of page_buff[pg] (the partial last page).
void show_last_page(Reader& r);

/// Prints the status line of the shown page.
void print_status_line(Reader& r);

}  // namespace shiori
