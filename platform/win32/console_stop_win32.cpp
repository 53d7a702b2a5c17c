#include "platform/win32/console_stop_win32.h"

#include <windows.h>

namespace shiori {

namespace {

// The handler runs on a thread of its own that the system starts for each
// event; the reading loop runs on the main thread.
volatile LONG g_requested = 0;
HANDLE g_stop_event = nullptr;
HANDLE g_finished_event = nullptr;

// Ends within the system's own limit for a closing window (5 s), leaving
// room for the main thread's last writes.
constexpr DWORD kFinishWaitMs = 4500;

BOOL WINAPI OnConsoleControl(DWORD event) {
  const bool again = InterlockedCompareExchange(&g_requested, 0, 0) != 0;
  if (again && (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT))
    return FALSE;  // asked twice from the keyboard: the default, ending now
  RequestConsoleStop();
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
  // The window is closing (or the session ending): the process is ended as
  // soon as this returns, so it waits for the main thread to have saved.
  if (g_finished_event != nullptr) WaitForSingleObject(g_finished_event, kFinishWaitMs);
  return TRUE;
}

}  // namespace

void PrepareConsoleStop() {
  if (g_stop_event != nullptr) return;
  g_stop_event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  g_finished_event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(&OnConsoleControl, TRUE);
}

void RequestConsoleStop() {
  InterlockedExchange(&g_requested, 1);
  if (g_stop_event != nullptr) SetEvent(g_stop_event);
}

bool ConsoleStopRequested() { return InterlockedCompareExchange(&g_requested, 0, 0) != 0; }

void* ConsoleStopEvent() { return g_stop_event; }

void ConsoleStopFinished() {
  if (g_finished_event != nullptr) SetEvent(g_finished_event);
}

}  // namespace shiori
