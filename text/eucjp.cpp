#include "text/eucjp.h"

#include "text/sjis.h"

namespace shiori {

namespace {

constexpr bool IsEucByte(unsigned char c) { return c >= 0xA1 && c <= 0xFE; }
constexpr unsigned char kSingleShift2 = 0x8E;  // a half-width katakana follows
constexpr unsigned char kSingleShift3 = 0x8F;  // a JIS X 0212 pair follows

// Bytes of the EUC-JP character at |i| (which is above ASCII); 0 when the
// bytes there begin none.
std::size_t CharLength(std::string_view text, std::size_t i) {
  const auto at = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const std::size_t left = text.size() - i;
  const unsigned char c = at(i);
  if (IsEucByte(c)) return left >= 2 && IsEucByte(at(i + 1)) ? 2 : 0;
  if (c == kSingleShift2) return left >= 2 && at(i + 1) >= 0xA1 && at(i + 1) <= 0xDF ? 2 : 0;
  if (c == kSingleShift3)
    return left >= 3 && IsEucByte(at(i + 1)) && IsEucByte(at(i + 2)) ? 3 : 0;
  return 0;
}

}  // namespace

bool IsEucJpText(std::string_view text) {
  bool any = false;
  bool kana = false;
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    const std::size_t n = CharLength(text, i);
    if (n == 0) return false;
    any = true;
    // Rows 4 and 5: hiragana and katakana.
    if (c == 0xA4 || c == 0xA5) kana = true;
    i += n;
  }
  // Well-formed EUC-JP is often code page 932 in form too (its pairs read as
  // half-width katakana and kanji), and a code page 932 text can be EUC-JP
  // in form when it holds nothing but half-width katakana in runs of even
  // length. Japanese prose is never without kana, which code page 932 keeps
  // under lead bytes EUC-JP does not have (0x82, 0x83).
  return any && (kana || !IsCp932Text(text));
}

std::string EucJpToCp932(std::string_view text) {
  static constexpr char kGeta[] = "\x81\xAC";  // 〓
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
      continue;
    }
    const std::size_t n = CharLength(text, i);
    if (n == 2 && c == kSingleShift2) {
      out += text[i + 1];
    } else if (n == 2) {
      // Row and cell, 1 to 94 each. Two rows share a lead byte: the odd row
      // takes the trail bytes 0x40-0x9E (skipping 0x7F), the even row
      // 0x9F-0xFC; the lead bytes skip the half-width katakana 0xA0-0xDF.
      const int row = c - 0xA0;
      const int cell = static_cast<unsigned char>(text[i + 1]) - 0xA0;
      const int lead = (row - 1) / 2 + (row <= 62 ? 0x81 : 0xC1);
      int trail = row % 2 ? cell + 0x3F : cell + 0x9E;
      if (row % 2 && trail >= 0x7F) ++trail;
      out += static_cast<char>(lead);
      out += static_cast<char>(trail);
    } else {
      out += kGeta;
    }
    i += n == 0 ? 1 : n;
  }
  return out;
}

}  // namespace shiori
