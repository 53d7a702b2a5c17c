// The Win32 conversions: through UTF-16 with the system's code page tables.
// The machine's own character set is the ANSI code page (932 on a Japanese
// system, where a command line needs no conversion at all).
#include <windows.h>

#include <string>

#include "platform/text_codec.h"
#include "text/sjis.h"

namespace shiori {

namespace {

constexpr char kGeta[] = "\x81\xAC";  // 〓, for what code page 932 cannot hold

// Text written with the JIS mapping uses a few code points that code page
// 932 spells differently; take them as the characters they stand for.
wchar_t Cp932Form(wchar_t c) {
  switch (c) {
    case 0x301C: return 0xFF5E;  // wave dash
    case 0x2212: return 0xFF0D;  // minus sign
    case 0x2016: return 0x2225;  // double vertical line
    case 0x2014: return 0x2015;  // em dash
    case 0x00A2: return 0xFFE0;  // cent sign
    case 0x00A3: return 0xFFE1;  // pound sign
    case 0x00AC: return 0xFFE2;  // not sign
    default: return c;
  }
}

std::wstring Wide(std::string_view text, UINT code_page) {
  if (text.empty()) return std::wstring();
  int n = MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

// Appends |wide| in code page 932; false when a character has no form there.
bool AppendCp932(const wchar_t* wide, int count, std::string* out) {
  BOOL lost = FALSE;
  int n = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide, count, nullptr, 0, nullptr, &lost);
  if (n <= 0 || lost) return false;
  const std::size_t old = out->size();
  out->resize(old + static_cast<std::size_t>(n));
  WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide, count, out->data() + old, n, nullptr,
                      nullptr);
  return true;
}

std::string Cp932FromWide(std::wstring wide) {
  for (wchar_t& c : wide) c = Cp932Form(c);
  std::string out;
  if (wide.empty() || AppendCp932(wide.data(), static_cast<int>(wide.size()), &out)) return out;
  // Some character has no form in code page 932: one at a time, a surrogate
  // pair as one character.
  out.clear();
  for (std::size_t i = 0; i < wide.size();) {
    int units = (wide[i] >= 0xD800 && wide[i] <= 0xDBFF && i + 1 < wide.size()) ? 2 : 1;
    if (!AppendCp932(wide.data() + i, units, &out)) out += kGeta;
    i += static_cast<std::size_t>(units);
  }
  return out;
}

// One code page 932 character (one or two bytes) as UTF-16; false when it
// is no character.
bool AppendWideChar(std::string_view bytes, std::wstring* out) {
  wchar_t wide[2];
  const int n = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(),
                                    static_cast<int>(bytes.size()), wide, 2);
  if (n <= 0) return false;
  out->append(wide, static_cast<std::size_t>(n));
  return true;
}

std::string Utf8FromWide(const std::wstring& wide) {
  if (wide.empty()) return std::string();
  const int size = static_cast<int>(wide.size());
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, out.data(), n, nullptr, nullptr);
  return out;
}

class WinTextCodec : public TextCodec {
 public:
  bool Utf8ToCp932(std::string_view utf8, std::string* cp932) const override {
    *cp932 = Cp932FromWide(Wide(utf8, CP_UTF8));
    return true;
  }

  std::string Cp932ToUtf8(std::string_view cp932) const override {
    // Character by character: the system would give a byte that is no
    // character as a katakana middle dot, which is a character.
    std::wstring wide;
    wide.reserve(cp932.size());
    for (std::size_t i = 0; i < cp932.size();) {
      const unsigned char c = static_cast<unsigned char>(cp932[i]);
      const std::size_t len = IsLeadByte(c) && i + 1 < cp932.size() &&
                                      IsTrailByte(static_cast<unsigned char>(cp932[i + 1]))
                                  ? 2
                                  : 1;
      const bool control = len == 1 && ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7F);
      if (control || !AppendWideChar(cp932.substr(i, len), &wide)) wide.append(len, L'\xFFFD');
      i += len;
    }
    return Utf8FromWide(wide);
  }

  std::string NativeToCp932(std::string_view native) const override {
    if (GetACP() == 932) return std::string(native);
    return Cp932FromWide(Wide(native, CP_ACP));
  }

  std::string Cp932ToReadable(std::string_view cp932) const override {
    return std::string(cp932);
  }

  std::string NativeFileStem(std::string_view path) const override {
    // Walk the path by characters of the ANSI code page, so that the second
    // byte of a character (0x5C in 表) is never taken for a separator.
    std::size_t name_start = 0, dot = std::string_view::npos;
    for (std::size_t i = 0; i < path.size();) {
      char c = path[i];
      if (IsDBCSLeadByte(static_cast<BYTE>(c)) && i + 1 < path.size()) {
        i += 2;
        continue;
      }
      if (c == '\\' || c == '/' || c == ':') {
        name_start = i + 1;
        dot = std::string_view::npos;
      } else if (c == '.') {
        dot = i;
      }
      ++i;
    }
    std::size_t end = dot == std::string_view::npos ? path.size() : dot;
    return std::string(path.substr(name_start, end - name_start));
  }
};

}  // namespace

std::unique_ptr<TextCodec> MakeTextCodec() { return std::make_unique<WinTextCodec>(); }

}  // namespace shiori
