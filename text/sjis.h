// Code page 932 byte classes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace shiori {

/// True for a code page 932 lead byte (0x81-0x9F, 0xE0-0xFC).
constexpr bool IsLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

/// True for a code page 932 trail byte (0x40-0x7E, 0x80-0xFC).
constexpr bool IsTrailByte(unsigned char c) {
  return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

/// 1 for a lead byte and 0 for any other, by byte value: the width of a
/// character less one, for loops that step over every character of a text.
inline constexpr std::array<std::uint8_t, 256> kLeadByteExtra = [] {
  std::array<std::uint8_t, 256> table{};
  for (int c = 0; c < 256; ++c) table[c] = IsLeadByte(static_cast<unsigned char>(c)) ? 1 : 0;
  return table;
}();

/// True when every byte sequence of |text| is a code page 932 character:
/// ASCII, a half-width katakana (0xA1-0xDF), or a lead byte followed by a
/// trail byte (0x40-0x7E, 0x80-0xFC). 0x80, 0xA0 and 0xFD-0xFF stand alone
/// in no valid text.
bool IsCp932Text(std::string_view text);

/// Length of the longest prefix of |s| of at most |max| bytes that does not
/// end inside a double-byte character (scanning from the start of |s|).
std::size_t CharBoundaryPrefix(std::string_view s, std::size_t max);

}  // namespace shiori
