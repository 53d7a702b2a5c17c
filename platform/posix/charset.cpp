#include "platform/posix/charset.h"

#include <langinfo.h>
#include <locale.h>

#include <cerrno>
#include <cstdlib>

#include "text/sjis.h"
#include "text/utf8.h"

namespace shiori {

namespace {

const iconv_t kNoConversion = reinterpret_cast<iconv_t>(-1);

// Upper case without '-' and '_', so "utf8", "UTF-8" and "Utf_8" meet.
std::string Folded(std::string_view name) {
  std::string folded;
  for (char c : name) {
    if (c == '-' || c == '_') continue;
    folded += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  }
  return folded;
}

bool IsAsciiCharset(std::string_view charset) {
  std::string f = Folded(charset);
  return f.empty() || f == "ANSIX3.41968" || f == "ASCII" || f == "USASCII" || f == "646";
}

enum class Stop { kDone, kInvalid, kIncomplete };

// One iconv pass over *in, appending to *out until the input is used up or
// a character cannot be converted (*in then points at it).
Stop RunIconv(iconv_t cd, std::string_view* in, std::string* out) {
  char* ip = const_cast<char*>(in->data());
  std::size_t il = in->size();
  Stop stop = Stop::kDone;
  while (il > 0) {
    std::size_t old = out->size();
    std::size_t room = il * 4 + 16;
    out->resize(old + room);
    char* op = out->data() + old;
    std::size_t ol = room;
    std::size_t r = iconv(cd, &ip, &il, &op, &ol);
    int err = errno;
    out->resize(old + room - ol);
    if (r != static_cast<std::size_t>(-1)) break;
    if (err == E2BIG) continue;
    stop = err == EINVAL ? Stop::kIncomplete : Stop::kInvalid;
    break;
  }
  // Return a stateful target to its initial state at the end of each piece.
  char tail[16];
  char* tp = tail;
  std::size_t tl = sizeof tail;
  iconv(cd, nullptr, nullptr, &tp, &tl);
  out->append(tail, sizeof tail - tl);
  *in = std::string_view(ip, il);
  return stop;
}

// Converts with |cd|; without a conversion copies the ASCII at the front of
// *in, the one part every character set agrees on.
Stop ConvertOrCopyAscii(iconv_t cd, std::string_view* in, std::string* out) {
  if (cd != kNoConversion) return RunIconv(cd, in, out);
  while (!in->empty() && static_cast<unsigned char>(in->front()) < 0x80) {
    out->push_back(in->front());
    in->remove_prefix(1);
  }
  return in->empty() ? Stop::kDone : Stop::kInvalid;
}

}  // namespace

std::string CharsetOfLocaleName(std::string_view locale_name) {
  std::size_t dot = locale_name.find('.');
  if (dot == std::string_view::npos) return "";
  std::string_view rest = locale_name.substr(dot + 1);
  return std::string(rest.substr(0, rest.find('@')));
}

std::string TerminalCharset() {
  std::string charset;
  // A locale of its own, so the process's locale (and the C library's
  // character classes) stay as they are.
  locale_t loc = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
  if (loc != static_cast<locale_t>(nullptr)) {
    charset = nl_langinfo_l(CODESET, loc);
    freelocale(loc);
  } else {
    // The named locale is not installed; its name still says the charset.
    for (const char* var : {"LC_ALL", "LC_CTYPE", "LANG"}) {
      const char* value = std::getenv(var);
      if (value != nullptr && *value != '\0') {
        charset = CharsetOfLocaleName(value);
        break;
      }
    }
  }
  if (IsAsciiCharset(charset)) return "UTF-8";
  return charset;
}

bool IsUtf8Charset(std::string_view charset) { return Folded(charset) == "UTF8"; }

bool IsCp932Charset(std::string_view charset) {
  std::string f = Folded(charset);
  return f == "CP932" || f == "MS932" || f == "WINDOWS31J" || f == "CSWINDOWS31J" ||
         f == "IBM943" || f == "SJIS" || f == "SHIFTJIS" || f == "MSKANJI" || f == "CSSHIFTJIS";
}

Cp932ToTerminal::Cp932ToTerminal(const std::string& charset) {
  if (IsCp932Charset(charset)) {
    passthrough_ = true;
    return;
  }
  std::string target = charset;
  cd_ = iconv_open(target.c_str(), "CP932");
  if (cd_ == kNoConversion) {
    target = "UTF-8";
    cd_ = iconv_open(target.c_str(), "CP932");
  }
  // With no conversion at all, ASCII passes and the rest is replaced.
  replacement_ = IsUtf8Charset(target) && cd_ != kNoConversion ? "\xEF\xBF\xBD" : "?";
}

Cp932ToTerminal::~Cp932ToTerminal() {
  if (cd_ != kNoConversion) iconv_close(cd_);
}

void Cp932ToTerminal::Convert(std::string_view in, std::string* out) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < in.size(); ++i) {
    if (!IsCommandByte(static_cast<unsigned char>(in[i]))) continue;
    // A control byte is never a trail byte: a lead byte before it stands
    // alone.
    ConvertText(in.substr(start, i - start), out);
    Finish(out);
    out->append(replacement_);
    start = i + 1;
  }
  ConvertText(in.substr(start), out);
}

void Cp932ToTerminal::ConvertText(std::string_view in, std::string* out) {
  if (passthrough_) {
    out->append(in);
    return;
  }
  // ASCII is ASCII in every terminal's character set; and a piece converted
  // just before (the work's title on every status line) is converted once.
  const bool whole = held_.empty();
  if (whole && IsAsciiText(in)) {
    out->append(in);
    return;
  }
  if (whole && !last_in_.empty() && in == last_in_) {
    out->append(last_out_);
    return;
  }
  const std::string_view original = in;
  const std::size_t start = out->size();
  std::string joined;
  if (!held_.empty()) {
    joined = held_;
    joined.append(in);
    held_.clear();
    in = joined;
  }
  while (!in.empty()) {
    Stop stop = ConvertOrCopyAscii(cd_, &in, out);
    if (cd_ == kNoConversion && in.size() == 1 && IsLeadByte(static_cast<unsigned char>(in[0])))
      stop = Stop::kIncomplete;
    if (in.empty() || stop == Stop::kDone) break;
    if (stop == Stop::kIncomplete) {
      // Only a lead byte can be cut off; its second byte comes with the next
      // piece of output.
      held_.assign(in);
      break;
    }
    // A lead byte with a possible second byte is one character of two
    // columns; anything else is one byte of one column.
    std::size_t bad = in.size() >= 2 && IsLeadByte(static_cast<unsigned char>(in[0])) &&
                              IsTrailByte(static_cast<unsigned char>(in[1]))
                          ? 2
                          : 1;
    for (std::size_t i = 0; i < bad; ++i) out->append(replacement_);
    in.remove_prefix(bad);
  }
  if (whole && held_.empty() && original.size() <= kRememberedMax) {
    last_in_.assign(original);
    last_out_.assign(*out, start, std::string::npos);
  }
}

void Cp932ToTerminal::Finish(std::string* out) {
  for (std::size_t i = 0; i < held_.size(); ++i) out->append(replacement_);
  held_.clear();
}

char32_t NextCodePoint(std::string_view s, std::size_t* at) {
  const std::size_t i = *at;
  const unsigned char lead = static_cast<unsigned char>(s[i]);
  const std::size_t len = Utf8SequenceLength(lead);
  *at = i + 1;
  if (len == 1) return lead < 0x80 ? lead : 0xFFFD;
  if (i + len > s.size() || !IsUtf8Text(s.substr(i, len))) return 0xFFFD;
  char32_t cp = lead & (0x7F >> len);
  for (std::size_t k = 1; k < len; ++k) cp = cp << 6 | (static_cast<unsigned char>(s[i + k]) & 0x3F);
  *at = i + len;
  return cp;
}

namespace {

void AppendUtf8(char32_t cp, std::string* out) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | cp >> 6));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | cp >> 12));
    out->push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | cp >> 18));
    out->push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// C0 controls but tab, line feed and carriage return, DEL and the C1
// controls: each would command the terminal.
bool IsCommandCodePoint(char32_t cp) {
  return (cp < 0x20 && cp != '\t' && cp != '\n' && cp != '\r') || (cp >= 0x7F && cp < 0xA0);
}

}  // namespace

Utf8ToTerminal::Utf8ToTerminal(const std::string& charset) {
  if (IsUtf8Charset(charset)) {
    passthrough_ = true;
    replacement_ = "\xEF\xBF\xBD";
    return;
  }
  cd_ = iconv_open(charset.c_str(), "UTF-8");
  if (cd_ == kNoConversion) return;  // ASCII passes, the rest is "?"
  std::string_view geta = "\xE3\x80\x93";  // 〓
  std::string converted;
  if (RunIconv(cd_, &geta, &converted) == Stop::kDone && geta.empty()) geta_ = converted;
}

Utf8ToTerminal::~Utf8ToTerminal() {
  if (cd_ != kNoConversion) iconv_close(cd_);
}

void Utf8ToTerminal::Convert(std::string_view utf8, std::string* out) {
  // Well-formed UTF-8 with no command in it first; then the terminal's set.
  std::string clean;
  clean.reserve(utf8.size());
  bool changed = false;
  for (std::size_t i = 0; i < utf8.size();) {
    const std::size_t from = i;
    char32_t cp = NextCodePoint(utf8, &i);
    if (IsCommandCodePoint(cp)) cp = 0xFFFD;
    if (cp == 0xFFFD && utf8.substr(from, i - from) != "\xEF\xBF\xBD") changed = true;
    if (cp == 0xFFFD && !passthrough_) {
      // Marked now: the terminal's set may have no U+FFFD.
      clean.push_back('\0');
      continue;
    }
    AppendUtf8(cp, &clean);
  }
  if (passthrough_) {
    out->append(changed ? clean : std::string(utf8));
    return;
  }
  std::string_view in = clean;
  while (!in.empty()) {
    const std::size_t nul = in.find('\0');
    std::string_view piece = in.substr(0, nul);
    while (!piece.empty()) {
      const Stop stop = ConvertOrCopyAscii(cd_, &piece, out);
      if (piece.empty() || stop == Stop::kDone) break;
      // A character the set lacks (the text is well-formed by now).
      out->append(geta_);
      const std::size_t skip = std::min(piece.size(), Utf8SequenceLength(static_cast<unsigned char>(piece[0])));
      piece.remove_prefix(skip);
    }
    if (nul == std::string_view::npos) break;
    out->append(replacement_);
    in.remove_prefix(nul + 1);
  }
}

std::string TerminalTextToUtf8(const std::string& charset, std::string_view text) {
  std::string out;
  if (IsUtf8Charset(charset)) {
    for (std::size_t i = 0; i < text.size();) AppendUtf8(NextCodePoint(text, &i), &out);
    return out;
  }
  iconv_t cd = iconv_open("UTF-8", charset.c_str());
  while (!text.empty()) {
    const Stop stop = ConvertOrCopyAscii(cd, &text, &out);
    if (text.empty() || stop == Stop::kDone) break;
    out.append("\xEF\xBF\xBD");
    text.remove_prefix(stop == Stop::kIncomplete ? text.size() : 1);
  }
  if (cd != kNoConversion) iconv_close(cd);
  return out;
}

TerminalToCp932::TerminalToCp932(const std::string& charset) {
  if (IsCp932Charset(charset)) {
    passthrough_ = true;
    return;
  }
  std::string source = charset;
  cd_ = iconv_open("CP932", source.c_str());
  if (cd_ == kNoConversion) {
    source = "UTF-8";
    cd_ = iconv_open("CP932", source.c_str());
  }
  utf8_ = IsUtf8Charset(source);
}

TerminalToCp932::~TerminalToCp932() {
  if (cd_ != kNoConversion) iconv_close(cd_);
}

bool TerminalToCp932::Convert(std::string_view in, std::string* out) {
  out->clear();
  if (passthrough_) {
    out->assign(in);
    return true;
  }
  bool whole = true;
  while (!in.empty()) {
    const Stop stop = ConvertOrCopyAscii(cd_, &in, out);
    if (in.empty() || stop == Stop::kDone) break;
    whole = false;
    out->push_back(kUnconvertible);
    std::size_t skip = 1;
    if (utf8_ && stop == Stop::kInvalid) {
      // Skip the whole character: its lead byte and its continuation bytes.
      std::size_t len = Utf8SequenceLength(static_cast<unsigned char>(in[0]));
      while (skip < len && skip < in.size() && (static_cast<unsigned char>(in[skip]) & 0xC0) == 0x80)
        ++skip;
    } else if (stop == Stop::kIncomplete) {
      skip = in.size();
    }
    in.remove_prefix(skip);
  }
  return whole;
}

}  // namespace shiori
