#include "text/search.h"

#include <algorithm>

namespace shiori {

std::size_t FindInJoined(std::string_view row, std::string_view next, std::string_view word,
                         std::size_t before) {
  constexpr std::size_t npos = std::string_view::npos;
  const std::size_t n = row.size(), l = word.size();
  // An occurrence within the row comes before any that reaches past it.
  std::size_t at = row.find(word);
  if (at != npos) return at < before ? at : npos;
  if (l == 0) return npos;  // unreachable: "" is found at 0
  // One that begins in the row's last l - 1 bytes and ends in the next row.
  for (std::size_t s = n >= l ? n - l + 1 : 0; s < n && s < before; ++s) {
    const std::size_t head = n - s;  // its bytes in the row, fewer than l
    if (row[s] != word[0] || next.size() < l - head) continue;
    if (row.substr(s) == word.substr(0, head) && next.substr(0, l - head) == word.substr(head))
      return s;
  }
  // One wholly in the next row, beginning before |before| in the joined text.
  if (before <= n) return npos;
  const std::size_t reach = std::min(next.size(), before - n - 1 + l);
  at = next.substr(0, reach).find(word);
  return at == npos ? npos : n + at;
}

std::size_t RowHit(std::string_view row, std::string_view next, std::string_view word,
                   std::size_t width) {
  const std::size_t at = FindInJoined(row, next, word, width);
  if (at == std::string_view::npos) return at;
  // Before the row's last |word| bytes the occurrence lies in the row, or,
  // the row being short, in the next one, which is tested in its turn.
  if (static_cast<long>(at) < static_cast<long>(width) - static_cast<long>(word.size()) &&
      at + word.size() > row.size())
    return std::string_view::npos;
  return at;
}

}  // namespace shiori
