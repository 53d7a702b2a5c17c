// EUC-JP, the form many older Japanese texts were kept in, and its
// conversion to the code page 932 the reader works in.
#pragma once

#include <string>
#include <string_view>

namespace shiori {

/// True when |text| is taken for EUC-JP: beyond ASCII, every byte belongs to
/// a JIS X 0208 pair (0xA1-0xFE twice), a half-width katakana (0x8E, then
/// 0xA1-0xDF) or a JIS X 0212 triple (0x8F, then 0xA1-0xFE twice), there is
/// at least one of them, and the text either has a hiragana or katakana pair
/// or is no code page 932 text at all.
bool IsEucJpText(std::string_view text);

/// |text| in code page 932: JIS X 0208 pairs by row and cell, half-width
/// katakana as their single byte, JIS X 0212 characters (which code page 932
/// cannot hold) and any byte that begins no character as 〓. ASCII stays.
std::string EucJpToCp932(std::string_view text);

}  // namespace shiori
