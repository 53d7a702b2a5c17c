// Keys from the Win32 console (_getch/_kbhit) and the prompts' lines, read
// from the console in wide characters or from redirected standard input.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "platform/keyboard.h"

namespace shiori {

/// The one key code of a key that the console delivers as two codes: a
/// prefix (0 or 0xE0) and a scan code. Unknown scan codes give
/// kKeyOtherSpecial.
int FoldSpecialKey(int prefix, int code);

/// True when _getch would return a key now. |console_in| (a HANDLE) is
/// peeked first, which wine needs before _kbhit sees typed keys; events that
/// _getch would pass over (key releases, lone modifier keys, focus and mouse
/// events) are taken out of the buffer so that the handle does not stay
/// signalled for nothing. Null |console_in|: _kbhit alone. *resized (when
/// not null) is set when a change of the buffer's size was among the events
/// taken out.
bool ConsoleKeyWaiting(void* console_in, bool* resized = nullptr);

/// The standard input handle when it is a console, else null.
void* ConsoleInputHandle();

/// Prompts read the console input |console| (a HANDLE) when it is one: in
/// wide characters, turned into code page 932, so that typed Japanese
/// arrives whatever the console's input code page. Otherwise they read the
/// code page 932 bytes of |prompts| (standard input when null).
class WinKeyboard : public Keyboard {
 public:
  explicit WinKeyboard(std::FILE* prompts = nullptr, void* console = ConsoleInputHandle());
  /// Gives the console input its mode back if reporting changed it.
  ~WinKeyboard() override;
  WinKeyboard(const WinKeyboard&) = delete;
  WinKeyboard& operator=(const WinKeyboard&) = delete;
  int GetKey() override;
  bool KeyWaiting() override;
  bool ReadInt(int* value) override;
  bool ReadWord(std::string* word, std::size_t max_bytes) override;
  /// A console line from its wide characters; a redirected one from code
  /// page 932.
  bool ReadWordUtf8(std::string* word, std::size_t max_bytes) override;
  /// While on, the console input takes window events (ENABLE_WINDOW_INPUT)
  /// and a change of the buffer's size, met before the next key, is
  /// answered as kKeyResize (once for changes that came together). A change
  /// of the window's size alone sends no event (the buffer may stay as it
  /// was): the wait for a key looks at the window every kWindowWatchMs and
  /// answers kKeyResize when it has changed.
  void ReportResize(bool on) override;
  bool InputEnded() const override { return ended_; }

 private:
  /// The next line that is not blank, in code page 932 or in UTF-8; false
  /// (and ended_) at end of input.
  bool ReadAnswer(std::string* line, bool utf8);
  /// One line into |line|; false when the input has ended before it.
  bool ReadConsoleLine(PromptLine* line, bool utf8);
  bool ReadFileLine(PromptLine* line);
  /// True when the console's window has changed size since last asked (or
  /// since reporting began).
  bool WindowResized();

  std::FILE* in_;
  void* console_in_;
  bool prompts_from_console_;
  bool ended_ = false;
  bool report_resize_ = false;
  bool resize_pending_ = false;
  unsigned long mode_before_ = 0;  ///< the input mode reporting changed
  int window_columns_ = 0;         ///< the window's size last seen (0: none)
  int window_rows_ = 0;
};

/// How often the wait for a key looks at the window's size while resizes
/// are reported.
inline constexpr unsigned long kWindowWatchMs = 200;

/// UTF-8 for UTF-16 |wide|; a lone surrogate becomes U+FFFD.
std::string WideToUtf8(std::wstring_view wide);

/// Code page 932 for UTF-16 |wide|; a character code page 932 cannot hold
/// becomes the system's default character.
std::string WideToCp932(std::wstring_view wide);

}  // namespace shiori
