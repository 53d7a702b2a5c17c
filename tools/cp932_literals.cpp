// Build-time helper for compilers that cannot convert literals themselves
// (clang takes only UTF-8 as the execution character set): copies a UTF-8
// source file, writing every non-ASCII character inside a plain string or
// character literal as the octal escapes of its code page 932 bytes, the
// bytes that -fexec-charset=CP932 would have made. Comments, code and
// prefixed literals (u8"", u"", U"", L"") are copied as they are.
//
// Usage: cp932_literals IN OUT
#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace {

bool IsIdentChar(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
         c == '_';
}

// The identifier (or number) that ends just before |at|.
std::string TokenBefore(const std::string& s, std::size_t at) {
  std::size_t b = at;
  while (b > 0 && IsIdentChar(s[b - 1])) --b;
  return s.substr(b, at - b);
}

bool ToCp932(iconv_t cd, const std::string& utf8, std::string* out) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::string buf(utf8.size() * 2 + 8, '\0');
  char* in = const_cast<char*>(utf8.data());
  std::size_t in_left = utf8.size();
  char* o = buf.data();
  std::size_t out_left = buf.size();
  if (iconv(cd, &in, &in_left, &o, &out_left) == static_cast<std::size_t>(-1)) return false;
  buf.resize(buf.size() - out_left);
  *out = buf;
  return true;
}

// Octal escapes never swallow a following digit (at most three digits), unlike \x.
void AppendOctal(std::string* out, unsigned char byte) {
  char esc[5];
  std::snprintf(esc, sizeof esc, "\\%03o", byte);
  out->append(esc);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: cp932_literals IN OUT\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::cerr << "cp932_literals: cannot read " << argv[1] << "\n";
    return 1;
  }
  std::stringstream ss;
  ss << in.rdbuf();
  const std::string src = ss.str();

  iconv_t cd = iconv_open("CP932", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    std::cerr << "cp932_literals: iconv has no CP932\n";
    return 1;
  }

  std::string out;
  out.reserve(src.size() + src.size() / 4);
  int line = 1;
  std::size_t i = 0;
  const std::size_t n = src.size();
  auto fail = [&](const char* what) {
    std::cerr << argv[1] << ":" << line << ": " << what << "\n";
    iconv_close(cd);
    return 1;
  };

  while (i < n) {
    const char c = src[i];
    if (c == '\n') ++line;
    // Comments.
    if (c == '/' && i + 1 < n && src[i + 1] == '/') {
      std::size_t e = src.find('\n', i);
      if (e == std::string::npos) e = n;
      out.append(src, i, e - i);
      i = e;
      continue;
    }
    if (c == '/' && i + 1 < n && src[i + 1] == '*') {
      std::size_t e = src.find("*/", i + 2);
      e = e == std::string::npos ? n : e + 2;
      for (std::size_t k = i; k < e; ++k)
        if (src[k] == '\n') ++line;
      out.append(src, i, e - i);
      i = e;
      continue;
    }
    if (c != '"' && c != '\'') {
      out.push_back(c);
      ++i;
      continue;
    }

    const std::string prefix = TokenBefore(src, i);
    // A quote after a number is a digit separator (1'000).
    if (c == '\'' && !prefix.empty() && prefix != "u8" && prefix != "u" && prefix != "U" &&
        prefix != "L") {
      out.push_back(c);
      ++i;
      continue;
    }
    // Raw strings: copied whole, with nothing converted inside (none of ours
    // holds a character beyond ASCII; refuse one that does).
    if (c == '"' && (prefix == "R" || prefix == "u8R" || prefix == "uR" || prefix == "UR" ||
                     prefix == "LR")) {
      std::size_t paren = src.find('(', i);
      if (paren == std::string::npos) return fail("unterminated raw string");
      const std::string close = ")" + src.substr(i + 1, paren - i - 1) + "\"";
      std::size_t e = src.find(close, paren);
      if (e == std::string::npos) return fail("unterminated raw string");
      e += close.size();
      for (std::size_t k = i; k < e; ++k) {
        if (static_cast<unsigned char>(src[k]) >= 0x80)
          return fail("a raw string holds a character beyond ASCII");
        if (src[k] == '\n') ++line;
      }
      out.append(src, i, e - i);
      i = e;
      continue;
    }
    const bool convert = !(prefix == "u8" || prefix == "u" || prefix == "U" || prefix == "L");
    out.push_back(c);
    ++i;
    while (i < n && src[i] != c) {
      if (src[i] == '\n') return fail("unterminated literal");
      if (src[i] == '\\' && i + 1 < n) {
        out.append(src, i, 2);
        i += 2;
        continue;
      }
      if (static_cast<unsigned char>(src[i]) < 0x80 || !convert) {
        out.push_back(src[i]);
        ++i;
        continue;
      }
      std::size_t e = i;
      while (e < n && static_cast<unsigned char>(src[e]) >= 0x80) ++e;
      std::string bytes;
      if (!ToCp932(cd, src.substr(i, e - i), &bytes))
        return fail("a character in a literal has no code page 932 form");
      for (char b : bytes) AppendOctal(&out, static_cast<unsigned char>(b));
      i = e;
    }
    if (i >= n) return fail("unterminated literal");
    out.push_back(c);
    ++i;
  }
  iconv_close(cd);

  // Leave an unchanged output alone, so that nothing rebuilds needlessly.
  {
    std::ifstream old(argv[2], std::ios::binary);
    if (old) {
      std::stringstream os;
      os << old.rdbuf();
      if (os.str() == out) return 0;
    }
  }
  std::ofstream o(argv[2], std::ios::binary | std::ios::trunc);
  o << out;
  if (!o) {
    std::cerr << "cp932_literals: cannot write " << argv[2] << "\n";
    return 1;
  }
  return 0;
}
