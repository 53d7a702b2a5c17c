#include "platform/win32/messages_win32.h"

#include <windows.h>

#include "platform/win32/console_stop_win32.h"
#include "platform/win32/keyboard_win32.h"

namespace shiori {

namespace {

MessageQueue::Message Classify(const MSG& msg) {
  if (msg.message == WM_TIMER) return MessageQueue::kTimer;
  if (msg.message == WM_QUIT) return MessageQueue::kQuit;
  return MessageQueue::kOther;
}

}  // namespace

WinMessages::WinMessages() : console_in_(ConsoleInputHandle()) {}

void WinMessages::StartTimer(int interval_ms) {
  SetTimer(nullptr, 0, static_cast<UINT>(interval_ms), nullptr);
}

MessageQueue::Message WinMessages::WaitMessage() {
  MSG msg;
  if (console_in_ == nullptr) {
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    return got == 0 || got == -1 ? kQuit : Classify(msg);
  }
  // A request to end the program ends the wait as a key press does: the
  // key wait that follows answers it.
  HANDLE waits[2] = {static_cast<HANDLE>(console_in_), static_cast<HANDLE>(ConsoleStopEvent())};
  const DWORD count = waits[1] != nullptr ? 2 : 1;
  for (;;) {
    if (ConsoleStopRequested()) return kOther;
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return Classify(msg);
    DWORD woke = MsgWaitForMultipleObjectsEx(count, waits, INFINITE, QS_ALLINPUT,
                                             MWMO_INPUTAVAILABLE);
    if (woke == WAIT_OBJECT_0 && ConsoleKeyWaiting(console_in_)) return kOther;
    if (woke == WAIT_FAILED) {
      BOOL got = GetMessageA(&msg, nullptr, 0, 0);
      return got == 0 || got == -1 ? kQuit : Classify(msg);
    }
  }
}

}  // namespace shiori
