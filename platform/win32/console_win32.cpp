#include "platform/win32/console_win32.h"

#include <windows.h>

#include "text/sjis.h"

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

std::wstring Cp932ToWide(std::string_view bytes) {
  if (bytes.empty()) return L"";
  const int size = static_cast<int>(bytes.size());
  const int n = MultiByteToWideChar(932, 0, bytes.data(), size, nullptr, 0);
  std::wstring out(n > 0 ? static_cast<std::size_t>(n) : 0, L'\0');
  if (n > 0) MultiByteToWideChar(932, 0, bytes.data(), size, out.data(), n);
  return out;
}

namespace {

bool IsConsole(HANDLE h) {
  DWORD mode = 0;
  return GetConsoleMode(h, &mode) != 0;
}

void WriteBytes(HANDLE h, std::string_view bytes) {
  const char* p = bytes.data();
  DWORD left = static_cast<DWORD>(bytes.size());
  while (left > 0) {
    DWORD done = 0;
    if (!WriteFile(h, p, left, &done, nullptr) || done == 0) return;
    p += done;
    left -= done;
  }
}

// The console takes characters, not bytes: whatever its code page, the
// wide form shows the Japanese.
void WriteChars(HANDLE h, std::string_view cp932) {
  const std::wstring wide = Cp932ToWide(cp932);
  const wchar_t* p = wide.data();
  DWORD left = static_cast<DWORD>(wide.size());
  while (left > 0) {
    DWORD done = 0;
    if (!WriteConsoleW(h, p, left, &done, nullptr) || done == 0) return;
    p += done;
    left -= done;
  }
}

// The length of |text| without a lead byte that ends it.
std::size_t WholeCharacters(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    if (!IsLeadByte(static_cast<unsigned char>(text[i]))) {
      ++i;
    } else if (i + 1 == text.size()) {
      break;
    } else {
      i += IsTrailByte(static_cast<unsigned char>(text[i + 1])) ? 2 : 1;
    }
  }
  return i;
}

}  // namespace

WinConsole::WinConsole(void* handle, void* error_handle)
    : handle_(handle != nullptr ? handle : GetStdHandle(STD_OUTPUT_HANDLE)),
      error_handle_(error_handle != nullptr ? error_handle : GetStdHandle(STD_ERROR_HANDLE)) {
  is_console_ = IsConsole(handle_);
}

void WinConsole::Write(std::string_view bytes) {
  if (closed_ || bytes.empty()) return;
  std::string out = ToCrLf(bytes);
  if (!is_console_) {
    WriteBytes(handle_, out);
    return;
  }
  // A character cut between two writes: its lead byte waits for the trail
  // byte, which the console would otherwise show as two wrong characters.
  out.insert(0, pending_);
  const std::size_t whole = WholeCharacters(out);
  pending_.assign(out, whole, std::string::npos);
  out.resize(whole);
  WriteChars(handle_, out);
}

void WinConsole::WriteError(std::string_view bytes) {
  if (bytes.empty()) return;
  FlushPending();
  const std::string out = ToCrLf(bytes);
  if (IsConsole(error_handle_)) {
    WriteChars(error_handle_, out);
  } else {
    WriteBytes(error_handle_, out);
  }
}

void WinConsole::FlushPending() {
  if (closed_ || pending_.empty()) return;
  WriteChars(handle_, pending_);
  pending_.clear();
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
  FlushPending();
  COORD at = {static_cast<SHORT>(x), static_cast<SHORT>(y)};
  SetConsoleCursorPosition(handle_, at);
}

void WinConsole::Close() {
  if (closed_) return;
  FlushPending();
  closed_ = true;
  if (handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr) CloseHandle(handle_);
}

}  // namespace shiori
