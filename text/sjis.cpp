#include "text/sjis.h"

#include <array>
#include <cstdint>

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

namespace {

// What a byte may be where a character begins.
enum ByteClass : std::uint8_t { kSingle, kLead, kNever };

constexpr std::array<std::uint8_t, 256> kStartClass = [] {
  std::array<std::uint8_t, 256> t{};
  for (int c = 0; c < 256; ++c) {
    const auto b = static_cast<unsigned char>(c);
    t[c] = (c < 0x80 || (c >= 0xA1 && c <= 0xDF)) ? kSingle : IsLeadByte(b) ? kLead : kNever;
  }
  return t;
}();

constexpr std::array<bool, 256> kTrail = [] {
  std::array<bool, 256> t{};
  for (int c = 0; c < 256; ++c) t[c] = IsTrailByte(static_cast<unsigned char>(c));
  return t;
}();

}  // namespace

bool IsCp932Text(std::string_view text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* const end = p + text.size();
  while (p < end) {
    switch (kStartClass[*p]) {
      case kSingle:
        ++p;
        break;
      case kLead:
        if (end - p < 2 || !kTrail[p[1]]) return false;
        p += 2;
        break;
      default:
        return false;
    }
  }
  return true;
}

}  // namespace shiori
