#include "platform/posix/mci_command.h"

#include <cctype>
#include <cstdlib>
#include <vector>

namespace shiori {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool SameWord(const std::string& a, const char* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != b[i]) return false;
  return i == a.size() && b[i] == '\0';
}

// Blank-separated words; a word in double quotes keeps its blanks and loses
// its quotes.
std::vector<std::string> Words(const std::string& s) {
  std::vector<std::string> words;
  std::size_t p = 0;
  while (p < s.size()) {
    while (p < s.size() && IsBlank(s[p])) ++p;
    if (p == s.size()) break;
    if (s[p] == '"') {
      std::size_t close = s.find('"', p + 1);
      if (close == std::string::npos) close = s.size();
      words.push_back(s.substr(p + 1, close - p - 1));
      p = close + 1;
    } else {
      std::size_t e = p;
      while (e < s.size() && !IsBlank(s[e])) ++e;
      words.push_back(s.substr(p, e - p));
      p = e;
    }
  }
  return words;
}

bool ParseOpen(const std::string& command, MciCommand* out) {
  // Past "open" and its blanks.
  std::size_t p = 4;
  while (p < command.size() && IsBlank(command[p])) ++p;
  std::string rest;
  if (p < command.size() && command[p] == '"') {
    std::size_t close = command.find('"', p + 1);
    if (close == std::string::npos) return false;
    out->file = command.substr(p + 1, close - p - 1);
    rest = command.substr(close + 1);
  } else {
    // A hand-written entry without quotes: the name may hold blanks.
    std::size_t at = command.rfind(" alias ");
    if (at == std::string::npos || at < p) return false;
    out->file = command.substr(p, at - p);
    rest = command.substr(at);
  }
  std::vector<std::string> words = Words(rest);
  if (out->file.empty() || words.size() != 2 || !SameWord(words[0], "alias")) return false;
  out->alias = words[1];
  out->verb = MciVerb::kOpen;
  return true;
}

}  // namespace

bool ParseMciCommand(const std::string& command, MciCommand* out) {
  *out = MciCommand{};
  std::vector<std::string> words = Words(command);
  if (words.size() < 2) return false;
  const std::string& verb = words[0];
  if (SameWord(verb, "open")) return ParseOpen(command, out);
  out->alias = words[1];
  std::size_t i = 2;
  if (SameWord(verb, "status")) {
    out->verb = MciVerb::kStatusMode;
    return words.size() == 3 && SameWord(words[2], "mode");
  }
  if (SameWord(verb, "play")) {
    out->verb = MciVerb::kPlay;
  } else if (SameWord(verb, "stop")) {
    out->verb = MciVerb::kStop;
  } else if (SameWord(verb, "close")) {
    out->verb = MciVerb::kClose;
  } else {
    return false;
  }
  for (; i < words.size(); ++i) {
    if (SameWord(words[i], "notify")) {
      out->notify = true;
    } else if (out->verb == MciVerb::kPlay && SameWord(words[i], "from") &&
               i + 1 < words.size()) {
      const std::string& n = words[++i];
      char* end = nullptr;
      long v = std::strtol(n.c_str(), &end, 10);
      if (n.empty() || *end != '\0' || v < 0) return false;
      out->has_from = true;
      out->from_ms = v;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace shiori
