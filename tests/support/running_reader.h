// The real program in a pseudo-terminal, as a reader at a UTF-8 terminal
// runs it: what arrives on the screen, keys typed, signals, and how it ended.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/posix/pty_for_tests.h"

namespace shiori::testing {

/// In a forked child: becomes the program in |dir| with |args|, as a reader
/// at a UTF-8 terminal without a display starts it (126: no such folder,
/// 127: no program).
[[noreturn]] inline void ExecReader(const std::string& dir, std::vector<std::string> args,
                                    const std::vector<std::string>& env = {}) {
  if (chdir(dir.c_str()) != 0) _exit(126);
  setenv("LANG", "C.UTF-8", 1);
  unsetenv("LC_ALL");
  unsetenv("DISPLAY");
  for (const std::string& e : env) {
    const std::size_t eq = e.find('=');
    setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
  }
  std::vector<char*> argv;
  std::string bin = SHIORI_BINARY;
  argv.push_back(bin.data());
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  execv(bin.c_str(), argv.data());
  _exit(127);
}

class RunningReader {
 public:
  /// Where the program's standard input comes from.
  enum class Input { kTerminal, kDevNull, kClosed };

  struct Options {
    int columns = 100;
    int rows = 40;
    Input input = Input::kTerminal;
    std::vector<std::string> env;  ///< "NAME=value" set for the program
  };

  RunningReader(const std::string& dir, std::vector<std::string> args)
      : RunningReader(dir, std::move(args), Options()) {}
  RunningReader(const std::string& dir, std::vector<std::string> args, Options options)
      : pty_(options.columns, options.rows) {
    tcgetattr(pty_.terminal(), &modes_at_start_);
    pid_ = fork();
    if (pid_ == 0) {
      close(pty_.master());
      setsid();
      ioctl(pty_.terminal(), TIOCSCTTY, 0);
      if (options.input == Input::kTerminal) {
        dup2(pty_.terminal(), 0);
      } else if (options.input == Input::kDevNull) {
        int null = open("/dev/null", O_RDONLY);
        dup2(null, 0);
        if (null != 0) close(null);
      } else {
        close(0);
      }
      dup2(pty_.terminal(), 1);
      dup2(pty_.terminal(), 2);
      ExecReader(dir, args, options.env);
    }
  }
  ~RunningReader() {
    if (pid_ > 0 && !exited_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  RunningReader(const RunningReader&) = delete;
  RunningReader& operator=(const RunningReader&) = delete;

  /// Reads until |text| has arrived (after what was already matched) or |ms|
  /// pass.
  bool WaitFor(const std::string& text, int ms = 5000) {
    for (int waited = 0; waited < ms; waited += 50) {
      seen_ += pty_.Read(50);
      std::size_t at = seen_.find(text, mark_);
      if (at != std::string::npos) {
        mark_ = at + text.size();
        return true;
      }
    }
    return false;
  }
  void Type(const std::string& keys) { pty_.Type(keys); }
  /// The terminal takes a new size, and the program is told as a window
  /// system tells it (SIGWINCH).
  void Resize(int columns, int rows) {
    struct winsize size {};
    size.ws_col = static_cast<unsigned short>(columns);
    size.ws_row = static_cast<unsigned short>(rows);
    ioctl(pty_.master(), TIOCSWINSZ, &size);
    kill(pid_, SIGWINCH);
  }
  void Signal(int signal_number) { kill(pid_, signal_number); }
  /// Waits for the program to end; its exit status, or -1 (also when it was
  /// ended by a signal: see status()).
  int Wait(int ms = 5000) {
    for (int waited = 0; waited < ms; waited += 20) {
      seen_ += pty_.Read(20);
      int st = 0;
      struct rusage usage {};
      if (wait4(pid_, &st, WNOHANG, &usage) == pid_) {
        exited_ = true;
        status_ = st;
        usage_ = usage;
        seen_ += pty_.Read(20);
        return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
      }
    }
    return -1;
  }
  /// The wait status of the ended program.
  int status() const { return status_; }
  bool exited() const { return exited_; }
  /// Resources the ended program used (peak memory in ru_maxrss, KiB).
  const struct rusage& usage() const { return usage_; }
  const std::string& seen() const { return seen_; }
  /// The terminal's modes before the program started, and now.
  const struct termios& ModesAtStart() const { return modes_at_start_; }
  struct termios ModesNow() const {
    struct termios now {};
    tcgetattr(pty_.terminal(), &now);
    return now;
  }

 private:
  TestPty pty_;
  struct termios modes_at_start_ {};
  pid_t pid_ = -1;
  bool exited_ = false;
  int status_ = 0;
  struct rusage usage_ {};
  std::string seen_;
  std::size_t mark_ = 0;
};

}  // namespace shiori::testing
