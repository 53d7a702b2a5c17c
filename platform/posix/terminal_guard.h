// Puts the terminal back as the program found it, however the program ends.
#pragma once

#include <signal.h>
#include <termios.h>

#include "platform/console.h"

namespace shiori {

/// Saves the terminal's modes at start and restores them, leaving the
/// alternate screen when the program is in it and resetting the colours when
/// colours are in force, at a normal exit (exit() included), and when the
/// guard is destroyed.
/// SIGINT, SIGTERM, SIGHUP and SIGPIPE ask the program to end (see
/// stop_request.h): the reader saves what it keeps and ends by its exit
/// sequence, then EndBySignal restores the terminal and ends the process by
/// the signal itself, so the parent sees how the program ended. A second
/// SIGINT or SIGTERM while that is under way restores and ends at once.
/// On SIGTSTP (Ctrl-Z) the modes are restored (and the alternate screen
/// left) before the program stops, and the modes it had (a key wait's) are
/// set again when it is continued; an alternate screen is entered again,
/// empty, and a resize is reported (stop_request.h) so that a view that
/// watches for one draws itself again.
/// The signal handlers are process-wide by nature: one guard is active at a
/// time, the latest constructed.
class TerminalGuard {
 public:
  /// |in_fd|: the terminal whose modes are saved (nothing is saved when it
  /// is not a terminal); |out_fd|: where the colour reset goes.
  TerminalGuard(int in_fd, int out_fd);
  ~TerminalGuard();
  TerminalGuard(const TerminalGuard&) = delete;
  TerminalGuard& operator=(const TerminalGuard&) = delete;

  /// Colours are in force on the output (a reset is due on the way out).
  void SetColoursInForce(bool in_force) { colours_ = in_force ? 1 : 0; }
  /// The output is in the terminal's alternate screen (leaving it is due on
  /// the way out).
  void SetWholeScreen(bool on) { whole_screen_ = on ? 1 : 0; }
  /// The console whose buffered output is flushed at a normal exit (not on
  /// a signal, where only async-signal-safe calls may run). May be null.
  void SetConsole(ConsoleBuffer* console) { console_ = console; }
  /// Restores the saved modes, leaves the alternate screen and resets the
  /// colours if in force.
  /// Async-signal-safe: tcsetattr and write only.
  void Restore();
  /// Flushes the console, restores, and ends the process by |signal_number|
  /// taking its default action.
  [[noreturn]] void EndBySignal(int signal_number);
  /// True once after a stop reset the colours behind the console's back:
  /// the console shows its colours again before it writes.
  bool TakeColoursReset() {
    const bool reset = colours_reset_ != 0;
    colours_reset_ = 0;
    return reset;
  }

 private:
  static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGTSTP};
  static constexpr int kSignalCount = sizeof kSignals / sizeof kSignals[0];
  static void OnSignal(int signal_number);
  static void OnStop(int signal_number);
  static void OnExit();

  int in_fd_;
  int out_fd_;
  bool saved_ = false;
  struct termios modes_ {};
  volatile sig_atomic_t colours_ = 0;
  volatile sig_atomic_t colours_reset_ = 0;
  volatile sig_atomic_t whole_screen_ = 0;
  ConsoleBuffer* console_ = nullptr;
  TerminalGuard* previous_ = nullptr;
  struct sigaction old_actions_[kSignalCount] {};
  bool handled_[kSignalCount] = {};
};

}  // namespace shiori
