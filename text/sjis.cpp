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

bool IsCp932Text(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80 || (c >= 0xA1 && c <= 0xDF)) continue;
    if (!IsLeadByte(c) || i + 1 == text.size()) return false;
    const auto t = static_cast<unsigned char>(text[++i]);
    if (t < 0x40 || t > 0xFC || t == 0x7F) return false;
  }
  return true;
}

}  // namespace shiori
