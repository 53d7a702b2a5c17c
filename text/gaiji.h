// Gaiji: the characters code page 932 cannot hold, written in a text as a
// note "※［＃description、CODE、page-line］" whose CODE is a JIS X 0213
// plane-row-cell ("第3水準1-88-85", "第4水準2-90-26", "1-2-22") or a Unicode
// code ("U+5A86"). The text stays code page 932; a view that can show such a
// character asks for it here.
#pragma once

#include <string>
#include <string_view>

namespace shiori {

/// One character as code points: most are one, a few JIS X 0213 cells are a
/// letter and a combining mark.
struct GaijiChar {
  char32_t cp[2] = {};
  int n = 0;
};

/// The code points of JIS X 0213 plane |plane| (1 or 2), row and cell (1-94);
/// false for a cell the standard leaves empty or numbers out of range.
bool Jisx0213ToUnicode(int plane, int row, int cell, GaijiChar* out);

/// The character a gaiji note names. |body| is the note between "※［＃" and
/// its closing "］", in code page 932. The code is looked for in the fields
/// after the description, outside any quotation or nested note; false when
/// the note gives a description only (or a code no character has).
bool GaijiFromNote(std::string_view body, GaijiChar* out);

/// |c| in UTF-8.
std::string GaijiUtf8(const GaijiChar& c);

}  // namespace shiori
