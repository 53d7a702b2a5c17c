// Display columns of characters, as a terminal shows them: the tables are
// generated at build time (tools/gen_widths) from the machine's iconv and
// wcwidth, so that nothing here is typed by hand.
#pragma once

#include <array>
#include <cstdint>

namespace shiori {

/// A bit per code page 932 double-byte code (lead << 8 | trail) shown in one
/// column outside a CJK setting (East Asian ambiguous width).
extern const std::uint64_t kNarrowCp932[65536 / 64];

/// What a byte tells of the character it begins: kSingleByte, kWideLead (a
/// double-byte character whose every code is two columns wide), kMixedLead
/// (some of its codes are narrow: look them up).
enum LeadClass : std::uint8_t { kSingleByte = 0, kWideLead = 1, kMixedLead = 2 };
extern const std::array<std::uint8_t, 256> kLeadClass;

/// Columns of the double-byte character |code| (lead << 8 | trail).
inline int Cp932PairColumns(unsigned code, bool ambiguous_wide) {
  if (ambiguous_wide) return 2;
  return (kNarrowCp932[code >> 6] >> (code & 63) & 1) != 0 ? 1 : 2;
}

}  // namespace shiori
