#include "platform/posix/messages_posix.h"

#include <gtest/gtest.h>
#include <time.h>
#include <unistd.h>

#include "platform/posix/monotonic_clock.h"

namespace shiori {
namespace {

class PosixMessageQueueTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(pipe(fds_), 0); }
  void TearDown() override {
    close(fds_[0]);
    close(fds_[1]);
  }
  void Type(const char* keys) {
    ssize_t n = write(fds_[1], keys, std::char_traits<char>::length(keys));
    (void)n;
  }
  int fds_[2] = {-1, -1};
};

TEST_F(PosixMessageQueueTest, TimerTicksAtItsIntervalWithoutInput) {
  PosixKeyboard keyboard(fds_[0], "UTF-8", nullptr);
  PosixMessageQueue queue(&keyboard);
  queue.StartTimer(40);
  long long start = NowMs();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(queue.WaitMessage(), MessageQueue::kTimer);
  long long elapsed = NowMs() - start;
  EXPECT_GE(elapsed, 115);
  EXPECT_LT(elapsed, 1000);
}

TEST_F(PosixMessageQueueTest, KeyEndsTheWaitBeforeTheTick) {
  PosixKeyboard keyboard(fds_[0], "UTF-8", nullptr);
  PosixMessageQueue queue(&keyboard);
  queue.StartTimer(10000);
  Type("k");
  long long start = NowMs();
  EXPECT_EQ(queue.WaitMessage(), MessageQueue::kOther);
  EXPECT_LT(NowMs() - start, 1000);
  EXPECT_TRUE(keyboard.KeyWaiting());
  EXPECT_EQ(keyboard.GetKey(), 'k');
}

TEST_F(PosixMessageQueueTest, DueTickComesBeforeWaitingKeysAndMissedTicksCoalesce) {
  PosixKeyboard keyboard(fds_[0], "UTF-8", nullptr);
  PosixMessageQueue queue(&keyboard);
  queue.StartTimer(20);
  usleep(90 * 1000);  // busy for four intervals
  Type("k");
  EXPECT_EQ(queue.WaitMessage(), MessageQueue::kTimer);
  // One tick for the four missed; then the key, which has been waiting.
  EXPECT_EQ(queue.WaitMessage(), MessageQueue::kOther);
}

}  // namespace
}  // namespace shiori
