#include "platform/win32/keyboard_win32.h"

#include <conio.h>
#include <windows.h>

#include <string_view>

#include "platform/win32/console_stop_win32.h"
#include "platform/win32/console_win32.h"

namespace shiori {

int FoldSpecialKey(int prefix, int code) {
  if (prefix != 0 && prefix != 0xE0) return kKeyOtherSpecial;
  // The grey keys (prefix 0xE0) and the keypad with Num Lock off (prefix 0)
  // share their scan codes.
  switch (code) {
    case 0x48: return kKeyUp;
    case 0x50: return kKeyDown;
    case 0x4B: return kKeyLeft;
    case 0x4D: return kKeyRight;
    case 0x49: return kKeyPageUp;
    case 0x51: return kKeyPageDown;
    case 0x47: return kKeyHome;
    case 0x4F: return kKeyEnd;
    case 0x52: return kKeyInsert;
    case 0x53: return kKeyDelete;
    case 0x85: return kKeyF1 + 10;
    case 0x86: return kKeyF12;
    default:
      if (code >= 0x3B && code <= 0x44) return kKeyF1 + (code - 0x3B);
      return kKeyOtherSpecial;
  }
}

void* ConsoleInputHandle() {
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  return (in != INVALID_HANDLE_VALUE && GetConsoleMode(in, &mode)) ? in : nullptr;
}

namespace {

// A key-down event that _getch turns into a key: a character, or one of the
// keys it reports with a prefix code (arrows, paging and editing keys, F1-F12).
bool IsKeyForGetch(const KEY_EVENT_RECORD& k) {
  if (k.uChar.AsciiChar != 0) return true;
  WORD vk = k.wVirtualKeyCode;
  return (vk >= VK_PRIOR && vk <= VK_DOWN) || vk == VK_INSERT || vk == VK_DELETE ||
         (vk >= VK_F1 && vk <= VK_F12) || vk == VK_CLEAR;
}

// Takes out of the buffer the leading events that _getch would not turn
// into a key; stops at the first one it would. Only leading events are
// looked at: a change of size behind a key is met after that key is read,
// in the order the two came. *resized (when not null) is set when one of
// the events taken out was a change of the buffer's size.
void DropIdleEvents(HANDLE in, bool* resized = nullptr) {
  INPUT_RECORD rec[64];
  DWORD got = 0;
  if (!PeekConsoleInputA(in, rec, 64, &got) || got == 0) return;
  DWORD idle = 0;
  while (idle < got) {
    const INPUT_RECORD& r = rec[idle];
    if (r.EventType == KEY_EVENT && r.Event.KeyEvent.bKeyDown && IsKeyForGetch(r.Event.KeyEvent))
      break;
    if (r.EventType == WINDOW_BUFFER_SIZE_EVENT && resized != nullptr) *resized = true;
    ++idle;
  }
  if (idle > 0) ReadConsoleInputA(in, rec, idle, &got);
}

// The size of the console's window over the screen buffer shown now (the
// whole-screen view's own, while it lasts). False without a console.
bool ConsoleWindowSize(int* columns, int* rows) {
  HANDLE out = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (out == INVALID_HANDLE_VALUE) return false;
  CONSOLE_SCREEN_BUFFER_INFO csbi;
  const bool ok = GetConsoleScreenBufferInfo(out, &csbi) != 0;
  CloseHandle(out);
  if (!ok) return false;
  *columns = csbi.srWindow.Right - csbi.srWindow.Left + 1;
  *rows = csbi.srWindow.Bottom - csbi.srWindow.Top + 1;
  return true;
}

}  // namespace

bool ConsoleKeyWaiting(void* console_in, bool* resized) {
  if (console_in == nullptr) return _kbhit() != 0;
  WaitForSingleObject(console_in, 0);
  if (_kbhit()) return true;
  DropIdleEvents(console_in, resized);
  return false;
}

std::string WideToUtf8(std::wstring_view wide) {
  if (wide.empty()) return "";
  const int size = static_cast<int>(wide.size());
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, out.data(), n, nullptr, nullptr);
  return out;
}

std::string WideToCp932(std::wstring_view wide) {
  if (wide.empty()) return "";
  const int n = WideCharToMultiByte(932, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string out(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
  if (n > 0)
    WideCharToMultiByte(932, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                        nullptr, nullptr);
  return out;
}

WinKeyboard::WinKeyboard(std::FILE* prompts, void* console)
    : in_(prompts != nullptr ? prompts : stdin),
      console_in_(console),
      prompts_from_console_(prompts == nullptr && console != nullptr) {}

WinKeyboard::~WinKeyboard() { ReportResize(false); }

void WinKeyboard::ReportResize(bool on) {
  if (on == report_resize_) return;
  report_resize_ = on;
  resize_pending_ = false;
  window_columns_ = window_rows_ = 0;
  if (console_in_ == nullptr) return;
  if (on) {
    if (!ConsoleWindowSize(&window_columns_, &window_rows_)) window_columns_ = window_rows_ = 0;
    DWORD mode = 0;
    if (!GetConsoleMode(console_in_, &mode)) return;
    mode_before_ = mode;
    SetConsoleMode(console_in_, mode | ENABLE_WINDOW_INPUT);
  } else {
    SetConsoleMode(console_in_, static_cast<DWORD>(mode_before_));
  }
}

int WinKeyboard::GetKey() {
  // Asked to end: no key will be taken any more, as at the end of input.
  if (ConsoleStopRequested()) return kKeyEof;
  if (console_in_ != nullptr) {
    // _getch cannot be woken once it waits: it is called only when a key is
    // there, and the wait for one also watches for a request to end.
    HANDLE waits[2] = {static_cast<HANDLE>(console_in_), static_cast<HANDLE>(ConsoleStopEvent())};
    const DWORD count = waits[1] != nullptr ? 2 : 1;
    // Peeked rather than asked of _kbhit, which passes over the keys that
    // have no character (the arrows) under wine.
    for (;;) {
      bool resized = false;
      DropIdleEvents(waits[0], &resized);
      if (resized && report_resize_) resize_pending_ = true;
      if (WindowResized()) resize_pending_ = true;
      if (resize_pending_) {
        resize_pending_ = false;
        return kKeyResize;
      }
      INPUT_RECORD next;
      DWORD queued = 0;
      if (PeekConsoleInputA(waits[0], &next, 1, &queued) && queued > 0) break;
      // Woken now and then to look at the window: its size alone changing
      // puts nothing in the input.
      const DWORD woke = WaitForMultipleObjects(count, waits, FALSE,
                                                report_resize_ ? kWindowWatchMs : INFINITE);
      if (ConsoleStopRequested()) return kKeyEof;
      if (woke == WAIT_FAILED) break;
    }
  }
  int c = _getch();
  if (c == EOF || c == 0xFFFF) return kKeyEof;  // no console to read from
  // Ctrl-C typed while _getch itself read the console arrives as a key.
  if (c == 0x03) {
    RequestConsoleStop();
    return kKeyEof;
  }
  if (c == 0 || c == 0xE0) return FoldSpecialKey(c, _getch());
  return c & 0xFF;
}

bool WinKeyboard::KeyWaiting() {
  if (ConsoleStopRequested() || resize_pending_) return true;
  bool resized = false;
  const bool key = ConsoleKeyWaiting(console_in_, &resized);
  if (resized && report_resize_) resize_pending_ = true;
  if (WindowResized()) resize_pending_ = true;
  return key || resize_pending_;
}

bool WinKeyboard::WindowResized() {
  if (!report_resize_ || console_in_ == nullptr || window_columns_ == 0) return false;
  int columns = 0, rows = 0;
  if (!ConsoleWindowSize(&columns, &rows) ||
      (columns == window_columns_ && rows == window_rows_))
    return false;
  window_columns_ = columns;
  window_rows_ = rows;
  return true;
}

bool WinKeyboard::ReadInt(int* value) {
  std::string line;
  return ReadAnswer(&line, false) && ParsePromptInt(line, value);
}

bool WinKeyboard::ReadWord(std::string* word, std::size_t max_bytes) {
  std::string line;
  return ReadAnswer(&line, false) && ParsePromptWord(line, max_bytes, word);
}

bool WinKeyboard::ReadWordUtf8(std::string* word, std::size_t max_bytes) {
  std::string line;
  return ReadAnswer(&line, true) && ParsePromptWordUtf8(line, max_bytes, word);
}

bool WinKeyboard::ReadAnswer(std::string* answer, bool utf8) {
  ended_ = false;
  // Asked to end: a prompt ends as at the end of input.
  if (ConsoleStopRequested()) {
    ended_ = true;
    return false;
  }
  for (;;) {
    PromptLine line;
    const bool got = prompts_from_console_ ? ReadConsoleLine(&line, utf8) : ReadFileLine(&line);
    // Ctrl-Z at the start of a line ends console input, as the C runtime
    // takes it.
    if (!got || (!line.text().empty() && line.text()[0] == '\x1a')) {
      ended_ = true;
      return false;
    }
    if (line.blank()) continue;
    // A redirected line is code page 932 bytes.
    *answer = utf8 && !prompts_from_console_ ? WideToUtf8(Cp932ToWide(line.text())) : line.text();
    return true;
  }
}

bool WinKeyboard::ReadConsoleLine(PromptLine* line, bool utf8) {
  // The console hands over the typed line as it was edited; the whole of
  // it is read, and only its first kPromptLineMax bytes kept.
  wchar_t chunk[256];
  std::wstring held;  // a surrogate pair's first half, cut off by the chunk
  while (!line->complete()) {
    DWORD got = 0;
    if (!ReadConsoleW(console_in_, chunk, 256, &got, nullptr) || got == 0)
      return line->started() && !line->blank();
    std::wstring wide = held + std::wstring(chunk, got);
    held.clear();
    if (utf8 && !wide.empty() && wide.back() >= 0xD800 && wide.back() <= 0xDBFF) {
      held = wide.back();
      wide.pop_back();
    }
    line->Take(utf8 ? WideToUtf8(wide) : WideToCp932(wide));
  }
  return true;
}

bool WinKeyboard::ReadFileLine(PromptLine* line) {
  char chunk[256];
  while (!line->complete()) {
    std::size_t n = 0;
    int c = 0;
    while (n < sizeof chunk && (c = std::fgetc(in_)) != EOF) {
      chunk[n++] = static_cast<char>(c);
      if (c == '\n') break;
    }
    line->Take(std::string_view(chunk, n));
    if (c == EOF) return line->started() && !line->blank();
  }
  return true;
}

}  // namespace shiori
