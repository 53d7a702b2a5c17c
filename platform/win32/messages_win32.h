// The thread timer and the wait for the thread's messages.
#pragma once

#include "platform/messages.h"

namespace shiori {

/// SetTimer with no window; the wait takes (does not dispatch) the next
/// message: WM_TIMER is kTimer, WM_QUIT kQuit, anything else kOther. While
/// the standard input is a console, a key press ends the wait at once as
/// kOther instead of at the next timer message.
class WinMessages : public MessageQueue {
 public:
  WinMessages();
  void StartTimer(int interval_ms) override;
  Message WaitMessage() override;

 private:
  void* console_in_;
};

}  // namespace shiori
