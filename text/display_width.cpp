#include "text/display_width.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <string_view>

#include "text/fitted_layout.h"
#include "text/sjis.h"

// Made at build time from the machine's own iconv and wcwidth (tools/gen_widths).
#include "display_widths.inc"

namespace shiori {

namespace {

constexpr std::uint64_t kNarrow[65536 / 64] = {SHIORI_NARROW_CP932};

constexpr std::array<std::uint8_t, 256> MakeLeadClass() {
  std::array<std::uint8_t, 256> table{};
  for (int b = 0; b < 256; ++b) {
    if (!IsLeadByte(static_cast<unsigned char>(b))) continue;
    bool narrow = false;
    for (int w = 0; w < 4; ++w) narrow = narrow || kNarrow[b * 4 + w] != 0;
    // 0x81 leads the marks of the annotations as well: always looked at.
    table[b] = narrow || b == 0x81 ? kMixedLead : kWideLead;
  }
  return table;
}

}  // namespace

const std::uint64_t kNarrowCp932[65536 / 64] = {SHIORI_NARROW_CP932};
const std::array<std::uint8_t, 256> kLeadClass = MakeLeadClass();

namespace {

struct WidthRange {
  char32_t first, last;
  int cls;  ///< 0 combining, 2 wide, 3 ambiguous
};

constexpr WidthRange kWidthRanges[] = {SHIORI_WIDTH_RANGES};

}  // namespace

int CodePointColumns(char32_t cp, bool ambiguous_wide) {
  if (cp < 0x20 || cp == 0x7F) return 0;
  if (cp < 0xA0) return 1;
  const WidthRange* it =
      std::upper_bound(std::begin(kWidthRanges), std::end(kWidthRanges), cp,
                       [](char32_t v, const WidthRange& r) { return v < r.first; });
  if (it == std::begin(kWidthRanges)) return 1;
  --it;
  if (cp > it->last) return 1;
  if (it->cls == 3) return ambiguous_wide ? 2 : 1;
  return it->cls;
}

int Cp932Columns(std::string_view text, bool ambiguous_wide) {
  int cols = 0;
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (IsLeadByte(c) && i + 1 < text.size()) {
      cols += Cp932PairColumns(c << 8 | static_cast<unsigned char>(text[i + 1]), ambiguous_wide);
      i += 2;
    } else {
      cols += c < 0x20 || c == 0x7F ? 0 : 1;
      ++i;
    }
  }
  return cols;
}

}  // namespace shiori
