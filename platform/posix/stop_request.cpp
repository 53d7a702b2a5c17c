#include "platform/posix/stop_request.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace shiori {

namespace {

volatile sig_atomic_t g_stop_signal = 0;
// The self-pipe: a byte is written at each request and never read, so that
// once asked, the read end stays readable and no wait can miss the request
// (not even one that starts after the signal).
int g_wake[2] = {-1, -1};

}  // namespace

void PrepareStopRequests() {
  if (g_wake[0] >= 0) return;
  int fds[2];
  if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return;
  // Above the three standard descriptors: a program started with one of
  // them closed would otherwise read its keys from the pipe.
  for (int& fd : fds) {
    if (fd > 2) continue;
    const int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    if (moved < 0) {
      close(fds[0]);
      close(fds[1]);
      return;
    }
    close(fd);
    fd = moved;
  }
  g_wake[1] = fds[1];
  g_wake[0] = fds[0];
}

void RequestStop(int signal_number) {
  const int saved_errno = errno;
  if (g_stop_signal == 0) g_stop_signal = signal_number;
  if (g_wake[1] >= 0) {
    ssize_t ignored = write(g_wake[1], "!", 1);  // a full pipe is awake already
    (void)ignored;
  }
  errno = saved_errno;
}

int StopSignal() { return g_stop_signal; }

InputWait WaitForInput(int fd, int timeout_ms) {
  for (;;) {
    if (g_stop_signal != 0) return InputWait::kStop;
    // A negative descriptor is passed over by poll: without the pipe, the
    // flag alone (checked after EINTR) ends the wait.
    struct pollfd p[2] = {{fd, POLLIN, 0}, {g_wake[0], POLLIN, 0}};
    const int r = poll(p, 2, timeout_ms);
    if (g_stop_signal != 0) return InputWait::kStop;
    if (r > 0) return InputWait::kReady;
    if (r == 0) return InputWait::kTimedOut;
    if (errno != EINTR) return InputWait::kReady;  // let the read report the failure
  }
}

bool NapUnlessStopped(int ms) {
  if (g_stop_signal != 0) return false;
  struct pollfd p {g_wake[0], POLLIN, 0};
  if (poll(&p, 1, ms) < 0 && errno != EINTR) usleep(static_cast<useconds_t>(ms) * 1000);
  return g_stop_signal == 0;
}

}  // namespace shiori
