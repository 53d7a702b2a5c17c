#include "text/gaiji.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "text/sjis.h"

namespace shiori {

namespace {

struct Cell {
  std::uint32_t key;  ///< plane << 16 | row << 8 | cell
  std::uint32_t first;
  std::uint32_t second;
};

// Made at build time from the machine's own converter (tools/gen_jisx0213).
constexpr Cell kCells[] = {
#include "jisx0213_table.inc"
};

static_assert(std::size(kCells) > 11000, "the JIS X 0213 table is incomplete");

// Code page 932 bytes of the marks a note is written with.
constexpr std::string_view kComma = "\x81\x41";        // 、
constexpr std::string_view kOpenBracket = "\x81\x6D";  // ［
constexpr std::string_view kCloseBracket = "\x81\x6E"; // ］
constexpr std::string_view kDai = "\x91\xE6";          // 第
constexpr std::string_view kSuijun = "\x90\x85\x8F\x80"; // 水準

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A decimal number at the front of |s|, taken off it; false if none (or
// one too long to be a row or cell).
bool TakeNumber(std::string_view* s, int* value) {
  std::size_t n = 0;
  int v = 0;
  while (n < s->size() && IsDigit((*s)[n]) && n < 4) v = v * 10 + ((*s)[n++] - '0');
  if (n == 0 || (n < s->size() && IsDigit((*s)[n]))) return false;
  s->remove_prefix(n);
  *value = v;
  return true;
}

bool TakeDash(std::string_view* s) {
  if (s->empty() || (*s)[0] != '-') return false;
  s->remove_prefix(1);
  return true;
}

// "U+XXXX" (4 to 6 hexadecimal digits) standing for the whole field.
bool UnicodeField(std::string_view f, GaijiChar* out) {
  if (f.size() < 6 || f.size() > 8 || f[0] != 'U' || f[1] != '+') return false;
  std::uint32_t v = 0;
  for (char c : f.substr(2)) {
    int d = IsDigit(c) ? c - '0' : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                 : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
    if (d < 0) return false;
    v = v * 16 + static_cast<std::uint32_t>(d);
  }
  if (v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF) || v < 0x80) return false;
  *out = GaijiChar{{static_cast<char32_t>(v), 0}, 1};
  return true;
}

// "[第N水準]P-R-C" standing for the whole field.
bool JisField(std::string_view f, GaijiChar* out) {
  if (f.substr(0, kDai.size()) == kDai) {
    f.remove_prefix(kDai.size());
    int level = 0;
    if (!TakeNumber(&f, &level) || f.substr(0, kSuijun.size()) != kSuijun) return false;
    f.remove_prefix(kSuijun.size());
  }
  int plane = 0, row = 0, cell = 0;
  if (!TakeNumber(&f, &plane) || !TakeDash(&f) || !TakeNumber(&f, &row) || !TakeDash(&f) ||
      !TakeNumber(&f, &cell) || !f.empty())
    return false;
  return Jisx0213ToUnicode(plane, row, cell, out);
}

}  // namespace

bool Jisx0213ToUnicode(int plane, int row, int cell, GaijiChar* out) {
  if (plane < 1 || plane > 2 || row < 1 || row > 94 || cell < 1 || cell > 94) return false;
  const std::uint32_t key = static_cast<std::uint32_t>(plane << 16 | row << 8 | cell);
  const Cell* it = std::lower_bound(std::begin(kCells), std::end(kCells), key,
                                    [](const Cell& c, std::uint32_t k) { return c.key < k; });
  if (it == std::end(kCells) || it->key != key) return false;
  out->cp[0] = it->first;
  out->cp[1] = it->second;
  out->n = it->second != 0 ? 2 : 1;
  return true;
}

bool GaijiFromNote(std::string_view body, GaijiChar* out) {
  // The fields are what the commas outside nested notes separate; the first
  // is the description. Quotation marks are not counted: real descriptions
  // leave a 「 open now and then, and a code never stands inside one.
  int depth = 0;
  std::size_t field = std::string_view::npos;  // start of the field being read
  for (std::size_t i = 0; i <= body.size();) {
    const std::string_view at = body.substr(i);
    const bool end = i == body.size();
    if (!end && at.starts_with(kOpenBracket)) {
      ++depth;
    } else if (!end && at.starts_with(kCloseBracket)) {
      if (depth > 0) --depth;
    } else if (end || (depth == 0 && at.starts_with(kComma))) {
      if (field != std::string_view::npos) {
        const std::string_view f = body.substr(field, i - field);
        if (UnicodeField(f, out) || JisField(f, out)) return true;
      }
      if (end) break;
      field = i + kComma.size();
    }
    i += end ? 1 : 1 + kLeadByteExtra[static_cast<unsigned char>(body[i])];
  }
  return false;
}

std::string GaijiUtf8(const GaijiChar& c) {
  std::string s;
  for (int k = 0; k < c.n; ++k) {
    const char32_t v = c.cp[k];
    if (v < 0x80) {
      s += static_cast<char>(v);
    } else if (v < 0x800) {
      s += static_cast<char>(0xC0 | v >> 6);
      s += static_cast<char>(0x80 | (v & 0x3F));
    } else if (v < 0x10000) {
      s += static_cast<char>(0xE0 | v >> 12);
      s += static_cast<char>(0x80 | (v >> 6 & 0x3F));
      s += static_cast<char>(0x80 | (v & 0x3F));
    } else {
      s += static_cast<char>(0xF0 | v >> 18);
      s += static_cast<char>(0x80 | (v >> 12 & 0x3F));
      s += static_cast<char>(0x80 | (v >> 6 & 0x3F));
      s += static_cast<char>(0x80 | (v & 0x3F));
    }
  }
  return s;
}

}  // namespace shiori
