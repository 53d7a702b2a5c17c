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

void WriteWide(HANDLE h, const std::wstring& wide) {
  const wchar_t* p = wide.data();
  DWORD left = static_cast<DWORD>(wide.size());
  while (left > 0) {
    DWORD done = 0;
    if (!WriteConsoleW(h, p, left, &done, nullptr) || done == 0) return;
    p += done;
    left -= done;
  }
}

// The console takes characters, not bytes: whatever its code page, the
// wide form shows the Japanese.
void WriteChars(HANDLE h, std::string_view cp932) { WriteWide(h, Cp932ToWide(cp932)); }

// UTF-16 for UTF-8 |utf8|: surrogate pairs beyond U+FFFF, U+FFFD for a
// malformed byte.
std::wstring Utf8ToWide(std::string_view utf8) {
  if (utf8.empty()) return L"";
  const int size = static_cast<int>(utf8.size());
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring out(n > 0 ? static_cast<std::size_t>(n) : 0, L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, out.data(), n);
  return out;
}

// Text never commands the console: the control characters but tab, line
// feed and carriage return show as one mark each.
void MarkControls(std::wstring* wide) {
  for (wchar_t& c : *wide)
    if ((c < 0x20 && c != L'\t' && c != L'\n' && c != L'\r') || (c >= 0x7F && c < 0xA0))
      c = L'\xFFFD';
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
  CONSOLE_SCREEN_BUFFER_INFO csbi;
  if (is_console_ && GetConsoleScreenBufferInfo(handle_, &csbi)) attributes_ = csbi.wAttributes;
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
  attributes_ = attributes;
  ApplyAttribute();
}

void WinConsole::ApplyAttribute() {
  if (closed_ || !is_console_) return;
  WORD shown = attributes_;
  if (styles_ & kConsoleBold) shown |= FOREGROUND_INTENSITY;
  if (styles_ & kConsoleUnderline) shown |= COMMON_LVB_UNDERSCORE;
  SetConsoleTextAttribute(handle_, shown);
}

void WinConsole::SetStyle(unsigned styles) {
  const unsigned kept = styles & (kConsoleBold | kConsoleUnderline);
  if (kept == styles_) return;
  FlushPending();
  styles_ = kept;
  ApplyAttribute();
}

bool WinConsole::GetScreenInfo(ScreenInfo* info) {
  CONSOLE_SCREEN_BUFFER_INFO csbi;
  if (closed_) return false;
  // The window may have changed size since: the view's buffer follows it.
  if (main_handle_ != nullptr) FitBufferToWindow();
  if (!GetConsoleScreenBufferInfo(handle_, &csbi)) return false;
  info->width = csbi.dwSize.X;
  info->height = csbi.dwSize.Y;
  info->cursor_x = csbi.dwCursorPosition.X;
  info->cursor_y = csbi.dwCursorPosition.Y;
  // The colours asked for, without the styles drawn over them.
  info->attributes = styles_ != 0 ? attributes_ : csbi.wAttributes;
  return true;
}

void WinConsole::WriteUtf8(std::string_view utf8) {
  if (closed_ || utf8.empty()) return;
  FlushPending();
  const std::string out = ToCrLf(utf8);
  if (!is_console_) {
    std::string cp932;
    codec_->Utf8ToCp932(out, &cp932);
    WriteBytes(handle_, cp932);
    return;
  }
  std::wstring wide = Utf8ToWide(out);
  MarkControls(&wide);
  WriteWide(handle_, wide);
}

void WinConsole::UseWholeScreen(bool on) {
  if (closed_ || !is_console_) return;
  FlushPending();
  if (!on) {
    if (main_handle_ == nullptr) return;
    SetConsoleActiveScreenBuffer(main_handle_);
    CloseHandle(handle_);
    handle_ = main_handle_;
    main_handle_ = nullptr;
    ApplyAttribute();
    return;
  }
  if (main_handle_ == nullptr) {
    HANDLE own = CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           CONSOLE_TEXTMODE_BUFFER, nullptr);
    if (own != INVALID_HANDLE_VALUE && SetConsoleActiveScreenBuffer(own)) {
      main_handle_ = handle_;
      handle_ = own;
      FitBufferToWindow();
      ApplyAttribute();
    } else if (own != INVALID_HANDLE_VALUE) {
      CloseHandle(own);  // the view clears the buffer it has
    }
  }
  ClearScreen();
}

void WinConsole::FitBufferToWindow() {
  CONSOLE_SCREEN_BUFFER_INFO csbi;
  if (!GetConsoleScreenBufferInfo(handle_, &csbi)) return;
  const SHORT columns = static_cast<SHORT>(csbi.srWindow.Right - csbi.srWindow.Left + 1);
  const SHORT rows = static_cast<SHORT>(csbi.srWindow.Bottom - csbi.srWindow.Top + 1);
  if (columns <= 0 || rows <= 0) return;
  if (csbi.dwSize.X == columns && csbi.dwSize.Y == rows && csbi.srWindow.Left == 0 &&
      csbi.srWindow.Top == 0)
    return;
  // The window first to the buffer's top left corner, so the buffer can
  // shrink to it.
  SMALL_RECT window = {0, 0, static_cast<SHORT>(columns - 1), static_cast<SHORT>(rows - 1)};
  SetConsoleWindowInfo(handle_, TRUE, &window);
  SetConsoleScreenBufferSize(handle_, {columns, rows});
}

void WinConsole::ClearScreen() {
  if (closed_ || !is_console_) return;
  FlushPending();
  CONSOLE_SCREEN_BUFFER_INFO csbi;
  if (!GetConsoleScreenBufferInfo(handle_, &csbi)) return;
  const DWORD cells = static_cast<DWORD>(csbi.dwSize.X) * static_cast<DWORD>(csbi.dwSize.Y);
  DWORD done = 0;
  FillConsoleOutputCharacterW(handle_, L' ', cells, {0, 0}, &done);
  // The colours without the styles: an underline would rule every row.
  FillConsoleOutputAttribute(handle_, attributes_, cells, {0, 0}, &done);
  SetConsoleCursorPosition(handle_, {0, 0});
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
  UseWholeScreen(false);
  closed_ = true;
  if (handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr) CloseHandle(handle_);
}

}  // namespace shiori
