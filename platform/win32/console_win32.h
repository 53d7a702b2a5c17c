// The Win32 console screen buffer of the standard output.
#pragma once

#include <string>
#include <string_view>

#include "platform/console.h"

namespace shiori {

/// A console gets the text in wide characters, converted from code page 932,
/// so that Japanese shows whatever the console's code page (which is left
/// as it was found). When the handle is not a console (a pipe or a file),
/// the code page 932 bytes alone are written, each LF as CR LF (as text-mode
/// output writes it): colours and cursor moves are dropped and the screen
/// information is unavailable.
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
  /// Closes the handle (unless it is the invalid handle); later output is dropped.
  void Close() override;

  bool is_console() const { return is_console_; }

 private:
  /// Writes out a lead byte still waiting for its trail byte.
  void FlushPending();

  void* handle_;
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
