// The Win32 console screen buffer of the standard output.
#pragma once

#include <string>
#include <string_view>

#include "platform/console.h"

namespace shiori {

/// Text goes out as code page 932 bytes, each LF as CR LF (as text-mode
/// output writes it); the console's code page is left alone. When the handle
/// is not a console (a pipe or a file), the bytes alone are written: colours
/// and cursor moves are dropped and the screen information is unavailable.
class WinConsole : public ConsoleBuffer {
 public:
  /// |handle| is a HANDLE; null takes the standard output handle.
  explicit WinConsole(void* handle = nullptr);
  void Write(std::string_view bytes) override;
  void SetTextAttribute(std::uint16_t attributes) override;
  bool GetScreenInfo(ScreenInfo* info) override;
  void FillAttribute(std::uint16_t attributes, int cells, int x, int y) override;
  void FillCharacter(char ch, int cells, int x, int y) override;
  void SetCursorPosition(int x, int y) override;
  /// Closes the handle (unless it is the invalid handle); later output is dropped.
  void Close() override;

  bool is_console() const { return is_console_; }

 private:
  void* handle_;
  bool is_console_ = false;
  bool closed_ = false;
};

/// |bytes| with a CR put before every LF.
std::string ToCrLf(std::string_view bytes);

}  // namespace shiori
