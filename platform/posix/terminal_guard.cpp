#include "platform/posix/terminal_guard.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/posix/stop_request.h"

namespace shiori {

namespace {

// The guard the handlers serve. Signals and atexit know no objects, so this
// one pointer is the bridge.
TerminalGuard* volatile g_active = nullptr;

constexpr char kReset[] = "\x1b[0m";
constexpr char kEnterAlternate[] = "\x1b[?1049h";
constexpr char kLeaveAlternate[] = "\x1b[?1049l";

void Put(int fd, const char* bytes, std::size_t size) {
  ssize_t ignored = write(fd, bytes, size);
  (void)ignored;
}

}  // namespace

TerminalGuard::TerminalGuard(int in_fd, int out_fd) : in_fd_(in_fd), out_fd_(out_fd) {
  saved_ = isatty(in_fd_) == 1 && tcgetattr(in_fd_, &modes_) == 0;
  previous_ = g_active;
  g_active = this;

  PrepareStopRequests();
  static bool exit_hook = false;
  if (!exit_hook) exit_hook = std::atexit(&TerminalGuard::OnExit) == 0;

  for (int i = 0; i < kSignalCount; ++i) {
    struct sigaction action {};
    action.sa_handler = kSignals[i] == SIGTSTP ? &TerminalGuard::OnStop : &TerminalGuard::OnSignal;
    sigemptyset(&action.sa_mask);
    if (sigaction(kSignals[i], nullptr, &old_actions_[i]) != 0) continue;
    // A signal the program was started to ignore (nohup) stays ignored.
    if (old_actions_[i].sa_handler == SIG_IGN) continue;
    handled_[i] = sigaction(kSignals[i], &action, nullptr) == 0;
  }
}

TerminalGuard::~TerminalGuard() {
  Restore();
  for (int i = 0; i < kSignalCount; ++i)
    if (handled_[i]) sigaction(kSignals[i], &old_actions_[i], nullptr);
  g_active = previous_;
}

void TerminalGuard::Restore() {
  int saved_errno = errno;
  if (saved_) tcsetattr(in_fd_, TCSANOW, &modes_);
  if (whole_screen_) {
    whole_screen_ = 0;
    Put(out_fd_, kLeaveAlternate, sizeof kLeaveAlternate - 1);
    // Leaving may give back the colours of the moment the screen was
    // entered: reset whatever they are.
    colours_ = 1;
  }
  if (colours_) {
    colours_ = 0;
    Put(out_fd_, kReset, sizeof kReset - 1);
  }
  errno = saved_errno;
}

void TerminalGuard::OnSignal(int signal_number) {
  // The first request is carried out by the reader at its next wait. A
  // closed pipe says so again at every write, and a closed terminal may be
  // reported twice (by the system and by the shell): neither is a reader
  // who insists.
  if (StopSignal() == 0 || signal_number == SIGPIPE || signal_number == SIGHUP) {
    RequestStop(signal_number);
    return;
  }
  if (TerminalGuard* guard = g_active) guard->Restore();
  // Die of the signal itself: it is blocked while this handler runs, and
  // takes its default action as soon as the handler returns.
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  sigaction(signal_number, &fallback, nullptr);
  raise(signal_number);
}

void TerminalGuard::EndBySignal(int signal_number) {
  if (console_ != nullptr) console_->Flush();
  Restore();
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  sigaction(signal_number, &fallback, nullptr);
  sigset_t just_this;
  sigemptyset(&just_this);
  sigaddset(&just_this, signal_number);
  sigprocmask(SIG_UNBLOCK, &just_this, nullptr);
  raise(signal_number);
  // A signal whose default is not to end the process: end as a shell
  // reports one that did.
  std::_Exit(128 + signal_number);
}

void TerminalGuard::OnStop(int signal_number) {
  const int saved_errno = errno;
  TerminalGuard* guard = g_active;
  // The modes of the moment (a key wait's, most often), for the return.
  struct termios now {};
  const bool have_now = guard != nullptr && guard->saved_ && tcgetattr(guard->in_fd_, &now) == 0;
  bool had_whole_screen = false;
  if (guard != nullptr) {
    had_whole_screen = guard->whole_screen_ != 0;
    const bool had_colours = guard->colours_ != 0 || had_whole_screen;
    guard->Restore();
    if (had_colours) guard->colours_reset_ = 1;
  }
  // Stop as the default action does: it takes effect as soon as the signal,
  // blocked in this handler, is let through. A process group the shell has
  // left behind is not stopped, and goes straight on.
  struct sigaction stop {};
  struct sigaction mine {};
  stop.sa_handler = SIG_DFL;
  sigemptyset(&stop.sa_mask);
  sigaction(signal_number, &stop, &mine);
  sigset_t just_this;
  sigemptyset(&just_this);
  sigaddset(&just_this, signal_number);
  raise(signal_number);
  sigprocmask(SIG_UNBLOCK, &just_this, nullptr);
  // Continued (SIGCONT): blocked again until the handler returns, caught
  // again, and the modes of the moment set again.
  sigprocmask(SIG_BLOCK, &just_this, nullptr);
  sigaction(signal_number, &mine, nullptr);
  if (have_now) tcsetattr(guard->in_fd_, TCSANOW, &now);
  if (had_whole_screen) {
    Put(guard->out_fd_, kEnterAlternate, sizeof kEnterAlternate - 1);
    guard->whole_screen_ = 1;
    NoteResize();  // the screen is empty: a watching view draws it again
  }
  errno = saved_errno;
}

void TerminalGuard::OnExit() {
  TerminalGuard* guard = g_active;
  if (guard == nullptr) return;
  if (guard->console_ != nullptr) guard->console_->Flush();
  guard->Restore();
}

}  // namespace shiori
