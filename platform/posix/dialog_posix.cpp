#include "platform/posix/dialog_posix.h"

#include <pwd.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/posix/stop_request.h"

namespace shiori {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string HomeOf(const std::string& user) {
  if (user.empty()) {
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') return home;
    const struct passwd* pw = getpwuid(getuid());
    return pw != nullptr && pw->pw_dir != nullptr ? pw->pw_dir : "";
  }
  const struct passwd* pw = getpwnam(user.c_str());
  return pw != nullptr && pw->pw_dir != nullptr ? pw->pw_dir : "";
}

// "~" and "~user" at the start name a home folder; a relative path starts in
// |initial_dir|.
std::string Resolve(const std::string& path, const std::string& initial_dir) {
  std::string p = path;
  if (!p.empty() && p[0] == '~') {
    std::size_t slash = p.find('/');
    std::string user = p.substr(1, slash == std::string::npos ? std::string::npos : slash - 1);
    std::string home = HomeOf(user);
    if (!home.empty()) p = home + (slash == std::string::npos ? "" : p.substr(slash));
  }
  if (!p.empty() && p[0] != '/' && !initial_dir.empty()) {
    p = initial_dir + (initial_dir.back() == '/' ? "" : "/") + p;
  }
  return p;
}

// What a terminal makes of a file dropped into it or a path typed as for a
// shell: enclosing quotes, a trailing blank, backslash-escaped characters.
std::string ShellForm(const std::string& answer) {
  std::size_t b = 0, e = answer.size();
  while (b < e && IsBlank(answer[b])) ++b;
  while (e > b && IsBlank(answer[e - 1])) --e;
  std::string s = answer.substr(b, e - b);
  if (s.size() >= 2 && (s[0] == '\'' || s[0] == '"') && s.back() == s[0])
    return s.substr(1, s.size() - 2);
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) ++i;
    out += s[i];
  }
  return out;
}

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

std::vector<std::string> DialogPathCandidates(const std::string& answer,
                                              const std::string& initial_dir) {
  std::vector<std::string> out;
  if (!answer.empty()) out.push_back(Resolve(answer, initial_dir));
  std::string shell = ShellForm(answer);
  if (!shell.empty() && shell != answer) {
    std::string p = Resolve(shell, initial_dir);
    if (out.empty() || p != out[0]) out.push_back(p);
  }
  return out;
}

void PosixFileDialog::Say(const std::string& text) {
  if (output_ == nullptr) return;
  output_->Write(text);
  output_->Flush();
}

PosixFileDialog::Line PosixFileDialog::ReadLine(std::string* line) {
  line->clear();
  // The answer is typed in the terminal's normal mode: echoed, with line
  // editing, whatever mode the terminal was left in.
  struct termios saved {};
  const bool tty = isatty(fd_) == 1 && tcgetattr(fd_, &saved) == 0;
  if (tty) {
    struct termios cooked = saved;
    cooked.c_lflag |= ICANON | ECHO | ECHOE | ECHOK;
    cooked.c_iflag |= ICRNL;
    tcsetattr(fd_, TCSANOW, &cooked);
  }
  Line result = Line::kEnd;
  bool too_long = false;
  for (;;) {
    // A request to end the program ends the answer as the end of input does.
    if (WaitForInput(fd_, -1) == InputWait::kStop) break;
    char c;
    ssize_t n = read(fd_, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // end of input: an unfinished line is dropped
    if (c == '\n') {
      result = too_long ? Line::kTooLong : Line::kRead;
      break;
    }
    if (line->size() < kMaxAnswer) {
      *line += c;
    } else {
      too_long = true;
    }
  }
  if (tty) tcsetattr(fd_, TCSANOW, &saved);
  if (result != Line::kRead) line->clear();
  if (!line->empty() && line->back() == '\r') line->pop_back();
  return result;
}

std::string PosixFileDialog::GetOpenFileName(const std::string& title,
                                             const std::vector<FileFilter>& filters,
                                             const std::string& initial_dir) {
  Say(title + "\n");
  if (!filters.empty()) Say(filters.front().description + "\n");
  for (;;) {
    Say("file name (Enter alone: cancel): ");
    std::string answer;
    Line got = ReadLine(&answer);
    if (got == Line::kEnd) {
      Say("\n");
      return "";
    }
    if (got == Line::kTooLong) {
      Say("the name is too long\n");
      continue;
    }
    if (ShellForm(answer).empty()) return "";
    for (const std::string& path : DialogPathCandidates(answer, initial_dir))
      if (IsRegularFile(path)) return path;
    Say("no such file\n");
  }
}

}  // namespace shiori
