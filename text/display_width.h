// Display columns of characters, as a terminal shows them: the tables are
// generated at build time (tools/gen_widths) from the machine's iconv and
// wcwidth, so that nothing here is typed by hand.
#pragma once

#include <cstdint>

namespace shiori {

/// A bit per code page 932 double-byte code (lead << 8 | trail) shown in one
/// column outside a CJK setting (East Asian ambiguous width).
extern const std::uint64_t kNarrowCp932[65536 / 64];

/// Columns of the double-byte character |code| (lead << 8 | trail).
inline int Cp932PairColumns(unsigned code, bool ambiguous_wide) {
  if (ambiguous_wide) return 2;
  return (kNarrowCp932[code >> 6] >> (code & 63) & 1) != 0 ? 1 : 2;
}

}  // namespace shiori
