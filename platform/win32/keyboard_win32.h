// Keys from the Win32 console (_getch/_kbhit) and the prompts read from
// standard input with the C runtime's scanf.
#pragma once

#include <cstdio>
#include <string>

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
/// signalled for nothing. Null |console_in|: _kbhit alone.
bool ConsoleKeyWaiting(void* console_in);

/// The standard input handle when it is a console, else null.
void* ConsoleInputHandle();

class WinKeyboard : public Keyboard {
 public:
  /// Prompts read |prompts| (standard input by default).
  explicit WinKeyboard(std::FILE* prompts = stdin);
  int GetKey() override;
  bool KeyWaiting() override;
  bool ReadInt(int* value) override;
  bool ReadWord(std::string* word, std::size_t max_bytes) override;

 private:
  std::FILE* in_;
  void* console_in_;
};

}  // namespace shiori
