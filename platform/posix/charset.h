// The terminal's character set, and the conversions between it and code
// page 932, the program's own. Output leaves through Cp932ToTerminal; typed
// words come in through TerminalToCp932.
#pragma once

#include <iconv.h>

#include <string>
#include <string_view>

namespace shiori {

/// The character set of the terminal, from the locale (LC_ALL, LC_CTYPE,
/// LANG) without changing the process's own locale. A locale that names
/// only ASCII (the "C" locale, or none set) counts as UTF-8: terminals are
/// UTF-8 in practice, and ASCII would turn every Japanese character into a
/// question mark.
std::string TerminalCharset();

/// The charset part of a locale name ("ja_JP.UTF-8@x" gives "UTF-8"), or
/// empty when it has none.
std::string CharsetOfLocaleName(std::string_view locale_name);

/// True for UTF-8 under any of its spellings.
bool IsUtf8Charset(std::string_view charset);
/// True for code page 932 and the Shift_JIS names a terminal may use for it.
bool IsCp932Charset(std::string_view charset);

/// Converts code page 932 text to the terminal's character set. It never
/// produces an invalid sequence: each byte of an invalid or unconvertible
/// character becomes one replacement mark (U+FFFD in UTF-8, "?" otherwise),
/// so the text keeps its columns. Nor does text ever command the terminal:
/// each control byte but tab, line feed and carriage return (an escape
/// sequence's ESC, a bell, DEL) is shown as one replacement mark too. A code
/// page 932 terminal gets the other bytes unchanged.
class Cp932ToTerminal {
 public:
  explicit Cp932ToTerminal(const std::string& charset);
  ~Cp932ToTerminal();
  Cp932ToTerminal(const Cp932ToTerminal&) = delete;
  Cp932ToTerminal& operator=(const Cp932ToTerminal&) = delete;

  /// Appends the conversion of |in| to |out|. A lead byte that ends |in| is
  /// held back and joined to the first byte of the next call.
  void Convert(std::string_view in, std::string* out);
  /// Appends a replacement for a held-back lead byte, if any.
  void Finish(std::string* out);
  /// True for a byte that is shown as a replacement mark whatever follows
  /// it, because it would command the terminal.
  static bool IsCommandByte(unsigned char c) {
    return (c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7F;
  }
  bool holding() const { return !held_.empty(); }
  /// True when the bytes pass unchanged (a code page 932 terminal).
  bool passthrough() const { return passthrough_; }

 private:
  /// Converts text that holds no command byte.
  void ConvertText(std::string_view in, std::string* out);

  /// The longest piece whose conversion is remembered for the next one.
  static constexpr std::size_t kRememberedMax = 256;

  iconv_t cd_ = reinterpret_cast<iconv_t>(-1);
  bool passthrough_ = false;
  std::string replacement_ = "?";
  std::string held_;
  std::string last_in_;   ///< the last piece converted whole
  std::string last_out_;  ///< and what it became
};

/// Converts UTF-8 text (the fitted view's, gaiji included) to the terminal's
/// character set. A character that set lacks is shown as 「〓」 (as "?"
/// where even that is missing); a malformed byte and a control byte but tab,
/// line feed and carriage return are shown as one replacement mark each, so
/// the text never commands the terminal. A UTF-8 terminal gets the bytes.
class Utf8ToTerminal {
 public:
  explicit Utf8ToTerminal(const std::string& charset);
  ~Utf8ToTerminal();
  Utf8ToTerminal(const Utf8ToTerminal&) = delete;
  Utf8ToTerminal& operator=(const Utf8ToTerminal&) = delete;

  /// Appends the conversion of |utf8| (whole characters) to |out|.
  void Convert(std::string_view utf8, std::string* out);

 private:
  iconv_t cd_ = reinterpret_cast<iconv_t>(-1);
  bool passthrough_ = false;
  std::string geta_ = "?";
  std::string replacement_ = "?";
};

/// The code point of the UTF-8 sequence at *at, which moves past it; a
/// malformed sequence is U+FFFD and moves one byte.
char32_t NextCodePoint(std::string_view utf8, std::size_t* at);

/// |text| in the terminal's character set |charset| as well-formed UTF-8:
/// what cannot be converted is U+FFFD.
std::string TerminalTextToUtf8(const std::string& charset, std::string_view text);

/// Converts what the reader typed, in the terminal's character set, to code
/// page 932.
class TerminalToCp932 {
 public:
  /// Stands for a typed character code page 932 cannot hold; no valid code
  /// page 932 text contains this byte, so a search for it finds nothing.
  static constexpr char kUnconvertible = '\xFF';

  explicit TerminalToCp932(const std::string& charset);
  ~TerminalToCp932();
  TerminalToCp932(const TerminalToCp932&) = delete;
  TerminalToCp932& operator=(const TerminalToCp932&) = delete;

  /// Sets *out to |in| in code page 932. False when |in| holds a character
  /// that code page 932 cannot hold, or a malformed sequence; each such
  /// character is then kUnconvertible in *out.
  bool Convert(std::string_view in, std::string* out);

 private:
  iconv_t cd_ = reinterpret_cast<iconv_t>(-1);
  bool passthrough_ = false;
  bool utf8_ = false;
};

}  // namespace shiori
