// The Win32 console screen buffer of the standard output.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/console.h"
#include "platform/text_codec.h"

namespace shiori {

/// A console gets the text in wide characters, converted from code page 932,
/// so that Japanese shows whatever the console's code page (which is left
/// as it was found). When the handle is not a console (a pipe or a file),
/// the code page 932 bytes alone are written, each LF as CR LF (as text-mode
/// output writes it): colours and cursor moves are dropped and the screen
/// information is unavailable, and UTF-8 text is written in code page 932
/// with 「〓」 for what it lacks.
///
/// The whole-screen view is a screen buffer of its own, made active while
/// it lasts and kept as large as the console's window, so that its size is
/// the window's and it never scrolls; the buffer the program found is made
/// active again when the view ends or the console is closed. Where no such
/// buffer can be made, the view clears the program's own buffer instead.
class WinConsole : public ConsoleBuffer {
 public:
  /// |handle| and |error_handle| are HANDLEs; null takes the standard output
  /// and the standard error handle.
  explicit WinConsole(void* handle = nullptr, void* error_handle = nullptr);
  void Write(std::string_view bytes) override;
  void WriteError(std::string_view bytes) override;
  void SetTextAttribute(std::uint16_t attributes) override;
  bool GetScreenInfo(ScreenInfo* info) override;
  void FillAttribute(std::uint16_t attributes, int cells, int x, int y) override;
  void FillCharacter(char ch, int cells, int x, int y) override;
  void SetCursorPosition(int x, int y) override;
  /// Through WriteConsoleW: a character beyond U+FFFF as its surrogate pair.
  void WriteUtf8(std::string_view utf8) override;
  /// Underline as COMMON_LVB_UNDERSCORE (shown by consoles that draw the
  /// grid attributes: a CJK console, or one in that mode), bold as the
  /// bright foreground; italic and dim are left out.
  void SetStyle(unsigned styles) override;
  void UseWholeScreen(bool on) override;
  /// Fills the whole buffer with blanks in the current attribute and puts
  /// the cursor home.
  void ClearScreen() override;
  /// Ends the whole-screen view, then closes the handle (unless it is the
  /// invalid handle); later output is dropped.
  void Close() override;

  bool is_console() const { return is_console_; }
  /// True while the whole-screen view has a screen buffer of its own.
  bool has_own_screen() const { return main_handle_ != nullptr; }

 private:
  /// Writes out a lead byte still waiting for its trail byte.
  void FlushPending();
  /// The attribute asked for, with the styles' bits.
  void ApplyAttribute();
  /// Makes the whole-screen buffer as large as the window, no larger.
  void FitBufferToWindow();

  void* handle_;
  void* main_handle_ = nullptr;  ///< the buffer found, while the view has its own
  std::uint16_t attributes_ = 0x07;
  unsigned styles_ = 0;
  std::unique_ptr<TextCodec> codec_ = MakeTextCodec();
  void* error_handle_;
  bool is_console_ = false;
  bool closed_ = false;
  std::string pending_;  ///< a lead byte whose trail byte has not come yet
};

/// UTF-16 for code page 932 |bytes|; a byte that is no character becomes
/// the system's replacement.
std::wstring Cp932ToWide(std::string_view bytes);

/// |bytes| with a CR put before every LF.
std::string ToCrLf(std::string_view bytes);

}  // namespace shiori
