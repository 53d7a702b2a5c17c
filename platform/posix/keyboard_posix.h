// Keys and prompts from a POSIX terminal (or from a file or pipe).
#pragma once

#include <cstddef>
#include <string>

#include "platform/console.h"
#include "platform/keyboard.h"
#include "platform/posix/charset.h"
#include "platform/posix/key_decoder.h"

namespace shiori {

/// Key waits put the terminal in single-key mode (no echo, no line
/// buffering) for as long as they wait, and no longer; prompts read in the
/// terminal's normal mode, so the reader sees and edits the answer.
///
/// A prompt takes a whole line from the input, its line feed included, so
/// nothing of it is left for a later prompt or key. On a terminal a key wait
/// reads the terminal itself (a normal-mode terminal hands over a line at a
/// time, so a prompt never holds typing meant for a key). When the input is
/// not a terminal, keys come from the bytes read after the prompt's line.
class PosixKeyboard : public Keyboard {
 public:
  /// Reads |fd| (0, the standard input). |charset|: the terminal's
  /// (TerminalCharset()), for typed words. |output| (may be null) is flushed
  /// before every wait for input, so what was written is on the screen.
  PosixKeyboard(int fd, const std::string& charset, ConsoleBuffer* output);
  /// Stops watching for changes of size if it was.
  ~PosixKeyboard() override;
  PosixKeyboard(const PosixKeyboard&) = delete;
  PosixKeyboard& operator=(const PosixKeyboard&) = delete;

  /// One key press: a plain key is its byte; a special key (an escape
  /// sequence) or a typed character beyond ASCII is one code of its own; a
  /// lone ESC is 27. kKeyEof when the input has ended, or when the program
  /// has been asked to end (stop_request.h); Ctrl-C read as a byte is that
  /// request (SIGINT), as the terminal's own Ctrl-C is.
  int GetKey() override;
  bool KeyWaiting() override;
  bool ReadInt(int* value) override;
  /// A word holding a character that code page 932 cannot hold is still a
  /// word (true): that character becomes TerminalToCp932::kUnconvertible, a
  /// byte no code page 932 text contains, so a search for the word finds
  /// nothing and never matches mangled bytes, and the word still shows (with
  /// a replacement mark) when it is printed back.
  bool ReadWord(std::string* word, std::size_t max_bytes) override;
  /// The typed line converted from the terminal's character set to UTF-8.
  bool ReadWordUtf8(std::string* word, std::size_t max_bytes) override;
  /// SIGWINCH while on (stop_request.h): a key wait answers kKeyResize for
  /// a change of size, once for changes that came together; keys typed
  /// before or after it, a key half read included, are all still read.
  void ReportResize(bool on) override;
  bool InputEnded() const override { return ended_; }

  /// Waits up to |timeout_ms| (-1: no limit) for a key press; true when one
  /// is waiting (or the input has ended, or the program has been asked to
  /// end, so a read will not block).
  bool WaitForKey(int timeout_ms);

 private:
  static constexpr int kEnd = -1;
  static constexpr int kTimedOut = -2;
  static constexpr int kResized = -3;

  /// One key press as GetKey reads it, before Ctrl-C is told apart.
  int DecodeKey();
  /// The next byte of a key press, kEnd, kTimedOut after |timeout_ms|, or
  /// kResized (while reporting).
  int NextKeyByte(int timeout_ms);
  /// Reads what input there is into buffer_: 1, or 0 at the end of input,
  /// or kTimedOut, or kResized when |resize| and the size changed.
  int Fill(int timeout_ms, bool resize = false);
  /// The next line that is not blank, in the terminal's character set;
  /// false (and ended_) at end of input.
  bool ReadAnswer(std::string* line);
  void FlushOutput();

  int fd_;
  bool tty_;
  ConsoleBuffer* output_;
  TerminalToCp932 to_cp932_;
  std::string charset_;
  KeyDecoder decoder_;
  std::string buffer_;
  bool ended_ = false;
  bool report_resize_ = false;
};

}  // namespace shiori
