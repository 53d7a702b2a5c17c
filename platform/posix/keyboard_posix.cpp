#include "platform/posix/keyboard_posix.h"

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "platform/posix/raw_mode.h"
#include "platform/posix/stop_request.h"
#include "text/sjis.h"

namespace shiori {

namespace {

// White space as scanf skips it in the C locale.
bool IsSpace(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(int c) { return c >= '0' && c <= '9'; }

// Ctrl-C read as a byte: the terminal's signal keys are off, or the keys
// come from a file.
constexpr int kCtrlC = 0x03;

}  // namespace

PosixKeyboard::PosixKeyboard(int fd, const std::string& charset, ConsoleBuffer* output)
    : fd_(fd),
      tty_(isatty(fd) == 1),
      output_(output),
      to_cp932_(charset),
      decoder_(IsUtf8Charset(charset)) {}

int PosixKeyboard::GetKey() {
  // Asked to end: no key will be taken any more, as at the end of input.
  if (StopSignal() != 0) return kKeyEof;
  const int key = DecodeKey();
  if (key == kCtrlC) {
    RequestStop(SIGINT);
    return kKeyEof;
  }
  return key;
}

int PosixKeyboard::DecodeKey() {
  int key;
  if (decoder_.Next(&key)) return key;
  FlushOutput();
  ScopedRawMode raw(fd_);
  for (;;) {
    int byte = NextKeyByte(decoder_.PendingWaitMs());
    if (byte == kEnd || byte == kTimedOut) {
      decoder_.Timeout();
      if (decoder_.Next(&key)) return key;
      if (byte == kEnd) return kKeyEof;
      continue;
    }
    decoder_.Feed(static_cast<unsigned char>(byte));
    if (decoder_.Next(&key)) return key;
  }
}

bool PosixKeyboard::KeyWaiting() { return WaitForKey(0); }

bool PosixKeyboard::WaitForKey(int timeout_ms) {
  if (decoder_.HasKey() || StopSignal() != 0) return true;
  if (!tty_) {
    DropPromptLineEnd();
    if (!buffer_.empty()) return true;
  }
  FlushOutput();
  // A terminal in its normal mode reports input only once a line is
  // complete; a single key needs single-key mode.
  ScopedRawMode raw(fd_);
  return WaitForInput(fd_, timeout_ms) != InputWait::kTimedOut;
}

bool PosixKeyboard::ReadInt(int* value) {
  FlushOutput();
  prompt_line_open_ = true;
  if (!SkipWhite()) return false;
  std::size_t i = 0;
  int sign = Peek(0);
  if (sign == '+' || sign == '-') i = 1;
  std::size_t first_digit = i;
  long long number = 0;
  for (int c = Peek(i); IsDigit(c); c = Peek(++i)) {
    // Digits beyond the range of int are read, and the value stays at its
    // limit.
    if (number <= INT_MAX) number = number * 10 + (c - '0');
  }
  // Not a number: nothing is taken, the next prompt sees it all.
  if (i == first_digit) return false;
  if (sign == '-') number = -number;
  if (number > INT_MAX) number = INT_MAX;
  if (number < INT_MIN) number = INT_MIN;
  buffer_.erase(0, i);
  *value = static_cast<int>(number);
  return true;
}

bool PosixKeyboard::ReadWord(std::string* word, std::size_t max_bytes) {
  FlushOutput();
  prompt_line_open_ = true;
  if (!SkipWhite()) return false;
  std::size_t end = 0;
  for (int c = Peek(0); c != kEnd && !IsSpace(c); c = Peek(++end)) {
  }
  std::string cp932;
  to_cp932_.Convert(std::string_view(buffer_).substr(0, end), &cp932);
  buffer_.erase(0, end);
  word->assign(cp932, 0, CharBoundaryPrefix(cp932, max_bytes));
  return true;
}

int PosixKeyboard::NextKeyByte(int timeout_ms) {
  if (tty_) {
    // One byte at a time: what follows the key stays in the terminal.
    for (;;) {
      const InputWait w = WaitForInput(fd_, timeout_ms);
      if (w == InputWait::kStop) return kEnd;
      if (w == InputWait::kTimedOut) return kTimedOut;
      unsigned char c;
      ssize_t n = read(fd_, &c, 1);
      if (n == 1) return c;
      if (n < 0 && errno == EINTR) continue;
      return kEnd;
    }
  }
  for (;;) {
    DropPromptLineEnd();
    if (!buffer_.empty()) {
      unsigned char c = static_cast<unsigned char>(buffer_[0]);
      buffer_.erase(0, 1);
      return c;
    }
    int got = Fill(timeout_ms);
    if (got != 1) return got == 0 ? kEnd : kTimedOut;
  }
}

int PosixKeyboard::Fill(int timeout_ms) {
  for (;;) {
    // A request to end closes the input: a prompt then ends as at its end.
    const InputWait w = WaitForInput(fd_, timeout_ms);
    if (w == InputWait::kStop) return 0;
    if (w == InputWait::kTimedOut) return kTimedOut;
    char chunk[4096];
    ssize_t n = read(fd_, chunk, sizeof chunk);
    if (n > 0) {
      buffer_.append(chunk, static_cast<std::size_t>(n));
      return 1;
    }
    if (n < 0 && errno == EINTR) continue;
    return 0;
  }
}

int PosixKeyboard::Peek(std::size_t index) {
  while (buffer_.size() <= index) {
    if (Fill(-1) != 1) return kEnd;
  }
  return static_cast<unsigned char>(buffer_[index]);
}

bool PosixKeyboard::SkipWhite() {
  for (;;) {
    std::size_t n = 0;
    while (n < buffer_.size() && IsSpace(static_cast<unsigned char>(buffer_[n]))) ++n;
    buffer_.erase(0, n);
    if (!buffer_.empty()) return true;
    if (Fill(-1) != 1) return false;
  }
}

void PosixKeyboard::DropPromptLineEnd() {
  while (prompt_line_open_ && !buffer_.empty()) {
    char c = buffer_[0];
    if (c == ' ' || c == '\t' || c == '\r') {
      buffer_.erase(0, 1);
      continue;
    }
    if (c == '\n') buffer_.erase(0, 1);
    prompt_line_open_ = false;
  }
}

void PosixKeyboard::FlushOutput() {
  if (output_ != nullptr) output_->Flush();
}

}  // namespace shiori
