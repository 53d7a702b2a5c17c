#include "text/utf8.h"

namespace shiori {

std::size_t Utf8SequenceLength(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 1;
}

bool IsUtf8Text(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    const std::size_t n = Utf8SequenceLength(c);
    if (n == 1 || text.size() - i < n) return false;
    // The second byte's range rules out over-long forms, the surrogates
    // (U+D800-U+DFFF) and code points above U+10FFFF.
    unsigned char lo = 0x80, hi = 0xBF;
    if (c == 0xE0) lo = 0xA0;
    if (c == 0xED) hi = 0x9F;
    if (c == 0xF0) lo = 0x90;
    if (c == 0xF4) hi = 0x8F;
    const auto c1 = static_cast<unsigned char>(text[i + 1]);
    if (c1 < lo || c1 > hi) return false;
    for (std::size_t k = 2; k < n; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    i += n;
  }
  return true;
}

}  // namespace shiori
