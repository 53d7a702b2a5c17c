#include "platform/posix/keyboard_posix.h"

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/raw_mode.h"
#include "platform/posix/stop_request.h"
#include "platform/prompt_line.h"

namespace shiori {

namespace {

// Ctrl-C read as a byte: the terminal's signal keys are off, or the keys
// come from a file.
constexpr int kCtrlC = 0x03;

}  // namespace

PosixKeyboard::PosixKeyboard(int fd, const std::string& charset, ConsoleBuffer* output)
    : fd_(fd),
      tty_(isatty(fd) == 1),
      output_(output),
      to_cp932_(charset),
      charset_(charset),
      decoder_(IsUtf8Charset(charset)) {}

PosixKeyboard::~PosixKeyboard() { ReportResize(false); }

void PosixKeyboard::ReportResize(bool on) {
  if (on == report_resize_) return;
  report_resize_ = on;
  WatchResize(on);
}

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
  if (report_resize_ && TakeResize()) return kKeyResize;
  FlushOutput();
  ScopedRawMode raw(fd_);
  for (;;) {
    int byte = NextKeyByte(decoder_.PendingWaitMs());
    // A key half read stays in the decoder for the next wait.
    if (byte == kResized && TakeResize()) return kKeyResize;
    if (byte == kResized) continue;
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
  if (report_resize_ && ResizePending()) return true;
  if (!tty_ && !buffer_.empty()) return true;
  FlushOutput();
  // A terminal in its normal mode reports input only once a line is
  // complete; a single key needs single-key mode.
  ScopedRawMode raw(fd_);
  return WaitForInput(fd_, timeout_ms, report_resize_) != InputWait::kTimedOut;
}

bool PosixKeyboard::ReadInt(int* value) {
  std::string line, cp932;
  if (!ReadAnswer(&line)) return false;
  to_cp932_.Convert(line, &cp932);
  return ParsePromptInt(cp932, value);
}

bool PosixKeyboard::ReadWord(std::string* word, std::size_t max_bytes) {
  std::string line, cp932;
  if (!ReadAnswer(&line)) return false;
  to_cp932_.Convert(line, &cp932);
  return ParsePromptWord(cp932, max_bytes, word);
}

bool PosixKeyboard::ReadWordUtf8(std::string* word, std::size_t max_bytes) {
  std::string line;
  return ReadAnswer(&line) &&
         ParsePromptWordUtf8(TerminalTextToUtf8(charset_, line), max_bytes, word);
}

bool PosixKeyboard::ReadAnswer(std::string* answer) {
  FlushOutput();
  ended_ = false;
  for (;;) {
    PromptLine line;
    while (!line.complete()) {
      if (buffer_.empty() && Fill(-1) != 1) break;
      buffer_.erase(0, line.Take(buffer_));
    }
    // A line cut short by the end of input is still an answer; the end
    // itself is none.
    if (!line.started() || (!line.complete() && line.blank())) {
      ended_ = true;
      return false;
    }
    if (line.blank()) continue;
    *answer = line.text();
    return true;
  }
}

int PosixKeyboard::NextKeyByte(int timeout_ms) {
  if (tty_) {
    // One byte at a time: what follows the key stays in the terminal.
    for (;;) {
      const InputWait w = WaitForInput(fd_, timeout_ms, report_resize_);
      if (w == InputWait::kStop) return kEnd;
      if (w == InputWait::kTimedOut) return kTimedOut;
      if (w == InputWait::kResize) return kResized;
      unsigned char c;
      ssize_t n = read(fd_, &c, 1);
      if (n == 1) return c;
      if (n < 0 && errno == EINTR) continue;
      return kEnd;
    }
  }
  for (;;) {
    if (!buffer_.empty()) {
      unsigned char c = static_cast<unsigned char>(buffer_[0]);
      buffer_.erase(0, 1);
      return c;
    }
    int got = Fill(timeout_ms, report_resize_);
    if (got == kResized) return kResized;
    if (got != 1) return got == 0 ? kEnd : kTimedOut;
  }
}

int PosixKeyboard::Fill(int timeout_ms, bool resize) {
  for (;;) {
    // A request to end closes the input: a prompt then ends as at its end.
    const InputWait w = WaitForInput(fd_, timeout_ms, resize);
    if (w == InputWait::kStop) return 0;
    if (w == InputWait::kTimedOut) return kTimedOut;
    if (w == InputWait::kResize) return kResized;
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

void PosixKeyboard::FlushOutput() {
  if (output_ != nullptr) output_->Flush();
}

}  // namespace shiori
