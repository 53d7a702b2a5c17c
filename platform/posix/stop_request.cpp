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

// A change of size: the flag, and a pipe that wakes the waits, emptied when
// the change is taken. The flag is set before the byte is written and
// cleared before the pipe is emptied, so a change is never lost between.
volatile sig_atomic_t g_resized = 0;
int g_resize_wake[2] = {-1, -1};
bool g_watching_resize = false;
struct sigaction g_old_winch {};

// A non-blocking pipe whose ends sit above the three standard descriptors:
// a program started with one of them closed would otherwise read its keys
// from the pipe.
bool MakeWakePipe(int ends[2]) {
  if (ends[0] >= 0) return true;
  int fds[2];
  if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  for (int& fd : fds) {
    if (fd > 2) continue;
    const int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    if (moved < 0) {
      close(fds[0]);
      close(fds[1]);
      return false;
    }
    close(fd);
    fd = moved;
  }
  ends[1] = fds[1];
  ends[0] = fds[0];
  return true;
}

void OnWindowChange(int) { NoteResize(); }

void DrainResizePipe() {
  char drain[64];
  if (g_resize_wake[0] >= 0)
    while (read(g_resize_wake[0], drain, sizeof drain) > 0) {
    }
}

}  // namespace

void PrepareStopRequests() { MakeWakePipe(g_wake); }

void WatchResize(bool on) {
  if (on == g_watching_resize) return;
  if (on) {
    MakeWakePipe(g_resize_wake);
    TakeResize();
    struct sigaction action {};
    action.sa_handler = &OnWindowChange;
    sigemptyset(&action.sa_mask);
    // Restarted where the system can: the key waits see the pipe anyway.
    action.sa_flags = SA_RESTART;
    g_watching_resize = sigaction(SIGWINCH, &action, &g_old_winch) == 0;
  } else {
    sigaction(SIGWINCH, &g_old_winch, nullptr);
    g_watching_resize = false;
    TakeResize();
  }
}

void NoteResize() {
  const int saved_errno = errno;
  g_resized = 1;
  if (g_resize_wake[1] >= 0) {
    ssize_t ignored = write(g_resize_wake[1], "!", 1);  // a full pipe is awake already
    (void)ignored;
  }
  errno = saved_errno;
}

bool ResizePending() { return g_resized != 0; }

bool TakeResize() {
  if (g_resized == 0) return false;
  g_resized = 0;
  DrainResizePipe();
  return true;
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

InputWait WaitForInput(int fd, int timeout_ms, bool resize) {
  for (;;) {
    if (g_stop_signal != 0) return InputWait::kStop;
    if (resize && g_resized != 0) return InputWait::kResize;
    // A negative descriptor is passed over by poll: without the pipe, the
    // flag alone (checked after EINTR) ends the wait.
    struct pollfd p[3] = {
        {fd, POLLIN, 0}, {g_wake[0], POLLIN, 0}, {resize ? g_resize_wake[0] : -1, POLLIN, 0}};
    const int r = poll(p, 3, timeout_ms);
    if (g_stop_signal != 0) return InputWait::kStop;
    if (resize && g_resized != 0) return InputWait::kResize;
    // Only the size pipe woke the wait and no change is recorded (the flag
    // is what counts): empty it and wait on.
    if (r > 0 && p[0].revents == 0 && p[1].revents == 0) {
      DrainResizePipe();
      continue;
    }
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
