#include "text/sjis.h"

namespace shiori {

std::size_t CharBoundaryPrefix(std::string_view s, std::size_t max) {
  if (max >= s.size()) return s.size();
  std::size_t i = 0;
  while (i < max) {
    std::size_t step = IsLeadByte(static_cast<unsigned char>(s[i])) ? 2 : 1;
    if (i + step > max) break;
    i += step;
  }
  return i;
}

}  // namespace shiori
