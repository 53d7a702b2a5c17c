// A pseudo-terminal for the tests of the POSIX console and keyboard: the
// code under test gets the terminal side, the test reads and types on the
// other.
#pragma once

#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <string>

namespace shiori {

class TestPty {
 public:
  /// A terminal of |columns| x |rows|. Output processing is off, so a line
  /// feed arrives as written (no carriage return is added).
  explicit TestPty(int columns = 80, int rows = 24) {
    struct winsize size {};
    size.ws_col = static_cast<unsigned short>(columns);
    size.ws_row = static_cast<unsigned short>(rows);
    ok_ = openpty(&master_, &terminal_, nullptr, nullptr, &size) == 0;
    if (!ok_) return;
    struct termios modes {};
    tcgetattr(terminal_, &modes);
    modes.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    tcsetattr(terminal_, TCSANOW, &modes);
  }
  ~TestPty() {
    if (master_ >= 0) close(master_);
    if (terminal_ >= 0) close(terminal_);
  }
  TestPty(const TestPty&) = delete;
  TestPty& operator=(const TestPty&) = delete;

  bool ok() const { return ok_; }
  /// The side the program uses.
  int terminal() const { return terminal_; }
  int master() const { return master_; }

  /// Everything the program wrote: waits up to |first_ms| for output, then
  /// reads until nothing more comes for 20 ms.
  std::string Read(int first_ms = 500) {
    std::string out;
    for (;;) {
      struct pollfd p {master_, POLLIN, 0};
      if (poll(&p, 1, out.empty() ? first_ms : 20) <= 0) break;
      char chunk[4096];
      ssize_t n = read(master_, chunk, sizeof chunk);
      if (n <= 0) break;
      out.append(chunk, static_cast<std::size_t>(n));
    }
    return out;
  }
  /// Types |keys| as if on the keyboard.
  void Type(const std::string& keys) {
    ssize_t n = write(master_, keys.data(), keys.size());
    (void)n;
  }
  /// The terminal's current local modes.
  tcflag_t LocalModes() const {
    struct termios modes {};
    tcgetattr(terminal_, &modes);
    return modes.c_lflag;
  }

 private:
  bool ok_ = false;
  int master_ = -1;
  int terminal_ = -1;
};

}  // namespace shiori
