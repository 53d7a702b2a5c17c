#include "platform/posix/raw_mode.h"

#include <unistd.h>

namespace shiori {

ScopedRawMode::ScopedRawMode(int fd) : fd_(fd) {
  if (isatty(fd_) != 1 || tcgetattr(fd_, &saved_) != 0) return;
  struct termios raw = saved_;
  raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  // TCSANOW: keys typed ahead stay in the input.
  active_ = tcsetattr(fd_, TCSANOW, &raw) == 0;
}

ScopedRawMode::~ScopedRawMode() {
  if (active_) tcsetattr(fd_, TCSANOW, &saved_);
}

}  // namespace shiori
