// Single-key input mode of a terminal, held only while a key is awaited.
#pragma once

#include <termios.h>

namespace shiori {

/// For its lifetime the terminal at |fd| delivers each key at once and
/// without echo (no canonical mode, no echo; signals keys still work, so
/// Ctrl-C ends the program through the terminal guard). The modes it found
/// are put back when it ends. Does nothing when |fd| is not a terminal.
class ScopedRawMode {
 public:
  explicit ScopedRawMode(int fd);
  ~ScopedRawMode();
  ScopedRawMode(const ScopedRawMode&) = delete;
  ScopedRawMode& operator=(const ScopedRawMode&) = delete;

 private:
  int fd_;
  bool active_ = false;
  struct termios saved_ {};
};

}  // namespace shiori
