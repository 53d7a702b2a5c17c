#include "platform/win32/console_win32.h"

#include <windows.h>

namespace shiori {

std::string ToCrLf(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 32);
  for (char c : bytes) {
    if (c == '\n') out.push_back('\r');
    out.push_back(c);
  }
  return out;
}

WinConsole::WinConsole(void* handle)
    : handle_(handle != nullptr ? handle : GetStdHandle(STD_OUTPUT_HANDLE)) {
  DWORD mode = 0;
  is_console_ = GetConsoleMode(handle_, &mode) != 0;
}

void WinConsole::Write(std::string_view bytes) {
  if (closed_ || bytes.empty()) return;
  const std::string out = ToCrLf(bytes);
  const char* p = out.data();
  DWORD left = static_cast<DWORD>(out.size());
  while (left > 0) {
    DWORD done = 0;
    // A console takes the bytes in its own code page; anything else gets
    // them as they are.
    BOOL ok = is_console_ ? WriteConsoleA(handle_, p, left, &done, nullptr)
                          : WriteFile(handle_, p, left, &done, nullptr);
    if (!ok || done == 0) return;
    p += done;
    left -= done;
  }
}

void WinConsole::SetTextAttribute(std::uint16_t attributes) {
  if (!closed_ && is_console_) SetConsoleTextAttribute(handle_, attributes);
}

bool WinConsole::GetScreenInfo(ScreenInfo* info) {
  CONSOLE_SCREEN_BUFFER_INFO csbi;
  if (closed_ || !GetConsoleScreenBufferInfo(handle_, &csbi)) return false;
  info->width = csbi.dwSize.X;
  info->height = csbi.dwSize.Y;
  info->cursor_x = csbi.dwCursorPosition.X;
  info->cursor_y = csbi.dwCursorPosition.Y;
  info->attributes = csbi.wAttributes;
  return true;
}

void WinConsole::FillAttribute(std::uint16_t attributes, int cells, int x, int y) {
  if (closed_ || !is_console_ || cells <= 0) return;
  DWORD done = 0;
  COORD at = {static_cast<SHORT>(x), static_cast<SHORT>(y)};
  FillConsoleOutputAttribute(handle_, attributes, static_cast<DWORD>(cells), at, &done);
}

void WinConsole::FillCharacter(char ch, int cells, int x, int y) {
  if (closed_ || !is_console_ || cells <= 0) return;
  DWORD done = 0;
  COORD at = {static_cast<SHORT>(x), static_cast<SHORT>(y)};
  FillConsoleOutputCharacterA(handle_, ch, static_cast<DWORD>(cells), at, &done);
}

void WinConsole::SetCursorPosition(int x, int y) {
  if (closed_ || !is_console_) return;
  COORD at = {static_cast<SHORT>(x), static_cast<SHORT>(y)};
  SetConsoleCursorPosition(handle_, at);
}

void WinConsole::Close() {
  if (closed_) return;
  closed_ = true;
  if (handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr) CloseHandle(handle_);
}

}  // namespace shiori
