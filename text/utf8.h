// UTF-8, the form a converted copy of a work takes.
#pragma once

#include <cstddef>
#include <string_view>

namespace shiori {

/// True when |text| is well-formed UTF-8: no stray continuation byte, no
/// over-long form, no surrogate, nothing above U+10FFFF, no cut sequence.
bool IsUtf8Text(std::string_view text);

/// True when every byte of |text| is ASCII, the part every character set
/// this program meets agrees on.
inline bool IsAsciiText(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

/// Bytes of the UTF-8 sequence that |lead| begins; 1 for a byte that begins
/// none, so that a scan always moves on.
std::size_t Utf8SequenceLength(unsigned char lead);

/// The UTF-8 byte order mark that some editors put before a text.
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

}  // namespace shiori
