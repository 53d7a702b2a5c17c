// The thread timer and the message wait.
#include "platform/win32/messages_win32.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace shiori {
namespace {

TEST(WinMessagesTest, TheTimerTicksWithoutAWindow) {
  WinMessages queue;
  queue.StartTimer(50);
  DWORD start = GetTickCount();
  int ticks = 0;
  while (ticks < 3 && GetTickCount() - start < 5000) {
    if (queue.WaitMessage() == MessageQueue::kTimer) ++ticks;
  }
  EXPECT_EQ(ticks, 3);
  // Three ticks of 50 ms cannot come sooner than about 100 ms.
  EXPECT_GE(GetTickCount() - start, 90u);
}

TEST(WinMessagesTest, OtherMessagesAndQuitAreTakenInOrder) {
  WinMessages queue;
  queue.StartTimer(1000);
  ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_USER + 7, 0, 0));
  PostQuitMessage(0);
  // Posted messages come before timer messages.
  EXPECT_EQ(queue.WaitMessage(), MessageQueue::kOther);
  EXPECT_EQ(queue.WaitMessage(), MessageQueue::kQuit);
}

}  // namespace
}  // namespace shiori
