#include "app/list_pager.h"

#include <algorithm>

#include "platform/keyboard.h"

namespace shiori {

bool PageList(TerminalPort& port, const std::vector<std::string>& lines, int screen_rows) {
  // The last row of each screenful is the question; the caller's own last
  // question takes the row below the final lines.
  const std::size_t per_screen = static_cast<std::size_t>(std::max(screen_rows - 1, 1));
  std::size_t at = 0;
  while (at < lines.size()) {
    const std::size_t end = std::min(lines.size(), at + per_screen);
    // The rest fits with the caller's question below it: no stop.
    const std::size_t stop = lines.size() - at <= per_screen - 1 ? lines.size() : end;
    for (; at < stop; ++at) {
      port.Print(lines[at]);
      port.Print("\n");
    }
    if (at >= lines.size()) return true;
    port.Printf("touch anykey , %d lines more (q:return page)\n",
                static_cast<int>(lines.size() - at));
    const int key = port.GetKey();
    if (key == 'q' || key == 'Q' || key == kKeyEof) return false;
  }
  return true;
}

std::vector<std::string> JoinItems(const std::vector<std::string>& items, int per_line,
                                   const std::string& separator) {
  std::vector<std::string> lines;
  for (std::size_t k = 0; k < items.size(); ++k) {
    if (k % static_cast<std::size_t>(per_line) == 0) {
      lines.emplace_back();
    } else {
      lines.back() += separator;
    }
    lines.back() += items[k];
  }
  return lines;
}

}  // namespace shiori
