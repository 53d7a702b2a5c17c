// A list longer than the screen, a screenful at a time. It knows nothing of
// the views: lines in, a terminal port to print them and read the keys.
#pragma once

#include <string>
#include <vector>

#include "cconsole/terminal_port.h"

namespace shiori {

/// Rows a list may take when the console gives no size.
constexpr int kListScreenRows = 24;

/// Prints |lines| (code page 932, without line ends), |screen_rows| - 1 at a
/// time with a line asking for a key below them: 'q' (or the end of input)
/// leaves, any other key shows the next screenful. True when the whole list
/// was shown; the caller asks its own last question below it.
bool PageList(TerminalPort& port, const std::vector<std::string>& lines, int screen_rows);

/// Items printed |per_line| to a line, |separator| between them, as the
/// reading lists print theirs.
std::vector<std::string> JoinItems(const std::vector<std::string>& items, int per_line,
                                   const std::string& separator);

}  // namespace shiori
