#include "platform/posix/messages_posix.h"

#include "platform/posix/monotonic_clock.h"

namespace shiori {

void PosixMessageQueue::StartTimer(int interval_ms) {
  interval_ms_ = interval_ms > 0 ? interval_ms : 1;
  next_tick_ms_ = NowMs() + interval_ms_;
}

MessageQueue::Message PosixMessageQueue::WaitMessage() {
  if (interval_ms_ == 0) {
    keyboard_->WaitForKey(-1);
    return kOther;
  }
  std::int64_t now = NowMs();
  // A tick that is due comes first, so a stream of keys cannot starve the
  // timer.
  if (now < next_tick_ms_) {
    if (keyboard_->WaitForKey(static_cast<int>(next_tick_ms_ - now))) return kOther;
    now = NowMs();
  }
  next_tick_ms_ += interval_ms_;
  if (next_tick_ms_ <= now) next_tick_ms_ = now + interval_ms_;
  return kTimer;
}

}  // namespace shiori
