#include "platform/prompt_line.h"

#include <algorithm>
#include <climits>

#include "text/sjis.h"

namespace shiori {

namespace {

bool IsAsciiBlank(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The full-width forms an input method gives: 　 ＋ － and ０-９.
constexpr unsigned char kWide = 0x81;
constexpr unsigned char kWideSpace = 0x40;
constexpr unsigned char kWidePlus = 0x7B;
constexpr unsigned char kWideMinus = 0x7C;
constexpr unsigned char kDigitLead = 0x82;
constexpr unsigned char kWideZero = 0x4F;

unsigned char At(std::string_view s, std::size_t i) {
  return i < s.size() ? static_cast<unsigned char>(s[i]) : 0;
}

// The blank at |i| and its width in bytes, or 0 when there is none.
std::size_t BlankAt(std::string_view s, std::size_t i) {
  if (i >= s.size()) return 0;
  if (IsAsciiBlank(At(s, i))) return 1;
  return At(s, i) == kWide && At(s, i + 1) == kWideSpace ? 2 : 0;
}

std::size_t SkipBlanks(std::string_view s, std::size_t i) {
  for (std::size_t w; (w = BlankAt(s, i)) != 0;) i += w;
  return i;
}

// The digit at |i| (its value, and its width in *width), or -1.
int DigitAt(std::string_view s, std::size_t i, std::size_t* width) {
  const unsigned char c = At(s, i);
  if (i < s.size() && c >= '0' && c <= '9') {
    *width = 1;
    return c - '0';
  }
  const unsigned char t = At(s, i + 1);
  if (c == kDigitLead && t >= kWideZero && t <= kWideZero + 9) {
    *width = 2;
    return t - kWideZero;
  }
  return -1;
}

}  // namespace

std::size_t PromptLine::Take(std::string_view chunk) {
  if (complete_) return 0;
  const std::size_t nl = chunk.find('\n');
  const std::size_t end = nl == std::string_view::npos ? chunk.size() : nl;
  if (text_.size() < kPromptLineMax)
    text_.append(chunk.substr(0, std::min(end, kPromptLineMax - text_.size())));
  started_ = started_ || !chunk.empty();
  if (nl == std::string_view::npos) return chunk.size();
  complete_ = true;
  if (!text_.empty() && text_.back() == '\r') text_.pop_back();
  return nl + 1;
}

bool PromptLine::blank() const { return SkipBlanks(text_, 0) == text_.size(); }

bool ParsePromptInt(std::string_view line, int* value) {
  std::size_t i = SkipBlanks(line, 0);
  bool negative = false;
  if (At(line, i) == '+' || At(line, i) == '-') {
    negative = At(line, i) == '-';
    i += 1;
  } else if (At(line, i) == kWide &&
             (At(line, i + 1) == kWidePlus || At(line, i + 1) == kWideMinus)) {
    negative = At(line, i + 1) == kWideMinus;
    i += 2;
  }
  long long number = 0;
  bool any = false;
  std::size_t width = 0;
  for (int d; (d = DigitAt(line, i, &width)) >= 0; i += width) {
    any = true;
    if (number <= INT_MAX) number = number * 10 + d;
  }
  if (!any) return false;
  if (negative) number = -number;
  if (number > INT_MAX) number = INT_MAX;
  if (number < INT_MIN) number = INT_MIN;
  *value = static_cast<int>(number);
  return true;
}

namespace {

// The first blank-delimited word of |line|; false when it has none. The
// blanks are ASCII, which neither code page 932 nor UTF-8 uses inside a
// character.
bool FirstWord(std::string_view line, std::string_view* word) {
  std::size_t start = 0;
  while (start < line.size() && IsAsciiBlank(At(line, start))) ++start;
  if (start == line.size()) return false;
  std::size_t end = start;
  while (end < line.size() && !IsAsciiBlank(At(line, end))) ++end;
  *word = line.substr(start, end - start);
  return true;
}

}  // namespace

bool ParsePromptWord(std::string_view line, std::size_t max_bytes, std::string* word) {
  std::string_view got;
  if (!FirstWord(line, &got)) return false;
  word->assign(got.substr(0, CharBoundaryPrefix(got, max_bytes)));
  return true;
}

bool ParsePromptWordUtf8(std::string_view line, std::size_t max_bytes, std::string* word) {
  std::string_view got;
  if (!FirstWord(line, &got)) return false;
  std::size_t keep = std::min(max_bytes, got.size());
  // Back to the start of the character the bound cuts.
  if (keep < got.size())
    while (keep > 0 && (static_cast<unsigned char>(got[keep]) & 0xC0) == 0x80) --keep;
  word->assign(got.substr(0, keep));
  return true;
}

}  // namespace shiori
