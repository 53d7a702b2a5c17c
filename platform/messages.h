// The thread's timer and message wait used while music plays.
#pragma once

namespace shiori {

/// A thread timer and the wait for its messages.
class MessageQueue {
 public:
  enum Message { kTimer, kOther, kQuit };
  virtual ~MessageQueue() = default;
  /// Starts the periodic timer (never stopped).
  virtual void StartTimer(int interval_ms) = 0;
  /// Blocks until the next message. kOther also covers "input arrived".
  virtual Message WaitMessage() = 0;
};

}  // namespace shiori
