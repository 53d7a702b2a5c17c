// The thread timer and message wait on POSIX: the next timer tick or input
// from the keyboard, whichever comes first.
#pragma once

#include <cstdint>

#include "platform/messages.h"
#include "platform/posix/keyboard_posix.h"

namespace shiori {

/// A periodic timer without a message queue: WaitMessage sleeps until the
/// next tick (kTimer) or until a key press arrives (kOther). Ticks missed
/// while the program was busy come as one, as a thread's timer messages do.
class PosixMessageQueue : public MessageQueue {
 public:
  /// Input is awaited through |keyboard| (in its single-key mode, so a key
  /// press is noticed at once and not echoed).
  explicit PosixMessageQueue(PosixKeyboard* keyboard) : keyboard_(keyboard) {}

  void StartTimer(int interval_ms) override;
  /// Without a timer started, waits for input alone.
  Message WaitMessage() override;

 private:
  PosixKeyboard* keyboard_;
  // Monotonic clock, in ms (<chrono> cannot be compiled for code page 932).
  std::int64_t interval_ms_ = 0;
  std::int64_t next_tick_ms_ = 0;
};

}  // namespace shiori
