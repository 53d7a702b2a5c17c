// The Win32 console driver: on a pipe (redirected output) and on a real
// console screen buffer.
#include "platform/win32/console_win32.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "cconsole/cconsole.h"
#include "platform/win32/keyboard_win32.h"

namespace shiori {
namespace {

std::string ReadAll(HANDLE h) {
  std::string out;
  char buf[4096];
  DWORD got = 0;
  while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
  return out;
}

// Each of |keys| pressed and let go, as the console records typing (a CR is
// the Enter key).
std::vector<INPUT_RECORD> Typed(std::wstring_view keys) {
  std::vector<INPUT_RECORD> typed;
  for (const wchar_t c : keys) {
    for (const BOOL down : {TRUE, FALSE}) {
      INPUT_RECORD r{};
      r.EventType = KEY_EVENT;
      r.Event.KeyEvent.bKeyDown = down;
      r.Event.KeyEvent.wRepeatCount = 1;
      r.Event.KeyEvent.wVirtualKeyCode = c == L'\r' ? VK_RETURN : 0;
      r.Event.KeyEvent.uChar.UnicodeChar = c;
      typed.push_back(r);
    }
  }
  return typed;
}

TEST(WinConsoleTest, RedirectedOutputGetsTheBytesAloneWithCrLf) {
  HANDLE r = nullptr, w = nullptr;
  ASSERT_TRUE(CreatePipe(&r, &w, nullptr, 1 << 16));
  {
    WinConsole out(w);
    EXPECT_FALSE(out.is_console());
    CConsole cnsl(&out);
    cnsl.Clear(L_BLACK, H_WHITE);  // no console: nothing at all
    cnsl.SetColor(H_WHITE, H_BLUE);
    out.Write("[ \x95\x5c\x8e\xa6 --- page 1 ]");
    cnsl.SetColor(L_WHITE, L_BLACK);
    out.Write("\n");
    cnsl.SetCursorPosition(0, 3);
    out.Write("a\r\nb\n");
    // A gaiji: code page 932 lacks it, so 〓 stands in its place.
    out.SetStyle(kConsoleBold);
    out.UseWholeScreen(true);
    out.ClearScreen();
    out.WriteUtf8(reinterpret_cast<const char*>(u8"漢\U00020B9F\n"));
    ScreenInfo info;
    EXPECT_FALSE(out.GetScreenInfo(&info));
  }  // the driver's destructor closes the handle: the reader sees the end
  EXPECT_EQ(ReadAll(r),
            "[ \x95\x5c\x8e\xa6 --- page 1 ]\r\na\r\r\nb\r\n\x8a\xbf\x81\xac\r\n");
  CloseHandle(r);
}

TEST(WinConsoleTest, OutputAfterCloseIsDropped) {
  HANDLE r = nullptr, w = nullptr;
  ASSERT_TRUE(CreatePipe(&r, &w, nullptr, 1 << 16));
  WinConsole out(w);
  out.Write("x");
  out.Close();
  out.Write("y");
  out.Close();  // a second close must not close some other handle
  EXPECT_EQ(ReadAll(r), "x");
  CloseHandle(r);
}

// A console screen buffer of this process's own. Under wine a console can
// only be made when there is a display.
class RealConsoleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FreeConsole();
    if (!AllocConsole()) GTEST_SKIP() << "no console could be made (wine needs a display)";
    handle_ = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD mode = 0;
    if (handle_ == INVALID_HANDLE_VALUE || !GetConsoleMode(handle_, &mode))
      GTEST_SKIP() << "the console made has no screen buffer (wine needs a display)";
    // Only so that the bytes read back are the bytes written; the program
    // itself leaves the code page alone.
    SetConsoleOutputCP(932);
  }
  void TearDown() override { FreeConsole(); }

  WORD AttributeAt(int x, int y) {
    WORD a = 0;
    DWORD n = 0;
    ReadConsoleOutputAttribute(handle_, &a, 1, {static_cast<SHORT>(x), static_cast<SHORT>(y)},
                               &n);
    return a;
  }
  // Single-byte characters of |count| cells.
  std::string CharsAt(int x, int y, int count) {
    std::wstring w(count, L'\0');
    DWORD n = 0;
    ReadConsoleOutputCharacterW(handle_, w.data(), count,
                                {static_cast<SHORT>(x), static_cast<SHORT>(y)}, &n);
    std::string s;
    for (DWORD i = 0; i < n; ++i) s.push_back(w[i] < 0x80 ? static_cast<char>(w[i]) : '?');
    return s;
  }

  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

TEST_F(RealConsoleTest, ColoursReachTheCellsAsConsoleAttributes) {
  WinConsole out(handle_);
  ASSERT_TRUE(out.is_console());
  CConsole cnsl(&out);
  cnsl.SetCursorPosition(0, 0);
  cnsl.SetColor(H_WHITE, H_BLUE);  // the status line
  out.Write("ab");
  cnsl.SetColor(L_BLACK, H_GREEN);  // an image name
  out.Write("c");
  cnsl.SetColor(L_WHITE, L_BLACK);
  out.Write("d\n");
  EXPECT_EQ(AttributeAt(0, 0), 0x9F);
  EXPECT_EQ(AttributeAt(1, 0), 0x9F);
  EXPECT_EQ(AttributeAt(2, 0), 0xA0);
  EXPECT_EQ(AttributeAt(3, 0), 0x07);
  EXPECT_EQ(CharsAt(0, 0, 4), "abcd");
  ScreenInfo info;
  ASSERT_TRUE(out.GetScreenInfo(&info));
  EXPECT_EQ(info.cursor_x, 0);
  EXPECT_EQ(info.cursor_y, 1);
  EXPECT_EQ(info.attributes, 0x07);
}

TEST_F(RealConsoleTest, JapaneseIsWrittenAsItsCodePage932Bytes) {
  WinConsole out(handle_);
  CConsole cnsl(&out);
  cnsl.SetCursorPosition(0, 2);
  out.Write("\x95\x5c\x8e\xa6");  // 表示
  // Read back as characters: 表 in the first cell, 示 after it (Windows
  // gives a full-width character two cells, wine one).
  wchar_t cells[4] = {};
  DWORD n = 0;
  ReadConsoleOutputCharacterW(handle_, cells, 4, {0, 2}, &n);
  const std::wstring got(cells, n);
  EXPECT_EQ(got.substr(0, 1), L"\u8868");
  EXPECT_NE(got.find(L'\u793a'), std::wstring::npos);
}

TEST_F(RealConsoleTest, JapaneseShowsAndIsTypedUnderAnotherCodePage) {
  // A console left at the code page of a Western system.
  ASSERT_TRUE(SetConsoleOutputCP(437));
  ASSERT_TRUE(SetConsoleCP(437));
  WinConsole out(handle_);
  CConsole cnsl(&out);
  cnsl.SetCursorPosition(0, 4);
  // 表示, cut inside each character by the writes.
  out.Write("\x95");
  out.Write("\x5c\x8e");
  out.Write("\xa6\n");
  wchar_t cells[4] = {};
  DWORD n = 0;
  ReadConsoleOutputCharacterW(handle_, cells, 4, {0, 4}, &n);
  const std::wstring got(cells, n);
  EXPECT_EQ(got.substr(0, 1), L"\u8868");
  EXPECT_NE(got.find(L'\u793a'), std::wstring::npos);

  // 検索 typed, a blank, more, Enter: the prompt gets the word in code page 932.
  HANDLE in = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(in, INVALID_HANDLE_VALUE);
  std::vector<INPUT_RECORD> typed = Typed(L"\u691c\u7d22 x\r");
  DWORD written = 0;
  ASSERT_TRUE(WriteConsoleInputW(in, typed.data(), static_cast<DWORD>(typed.size()), &written));
  WinKeyboard keys(nullptr, in);
  std::string word;
  ASSERT_TRUE(keys.ReadWord(&word, 255));
  EXPECT_EQ(word, "\x8c\x9f\x8d\xf5");
  // The same typed for a word in UTF-8, with a character beyond U+FFFF
  // (its surrogate pair typed as two units), which code page 932 lacks.
  typed = Typed(L"\u691c\xD842\xDF9F x\r");
  ASSERT_TRUE(WriteConsoleInputW(in, typed.data(), static_cast<DWORD>(typed.size()), &written));
  ASSERT_TRUE(keys.ReadWordUtf8(&word, 255));
  EXPECT_EQ(word, reinterpret_cast<const char*>(u8"検\U00020B9F"));
  CloseHandle(in);
  // The code pages are as they were found.
  EXPECT_EQ(GetConsoleOutputCP(), 437u);
  EXPECT_EQ(GetConsoleCP(), 437u);
}

TEST_F(RealConsoleTest, GaijiStylesAndTheWholeScreenOnTheConsole) {
  WinConsole out(handle_);
  CConsole cnsl(&out);
  cnsl.SetCursorPosition(0, 1);
  cnsl.SetColor(L_WHITE, L_BLACK);
  out.Write("main");
  out.UseWholeScreen(true);
  EXPECT_TRUE(out.has_own_screen()) << "fell back to clearing the buffer found";
  ScreenInfo info;
  ASSERT_TRUE(out.GetScreenInfo(&info));
  EXPECT_EQ(info.cursor_x, 0);
  EXPECT_EQ(info.cursor_y, 0);
  // A character beyond U+FFFF reaches the cells as its surrogate pair.
  out.WriteUtf8(reinterpret_cast<const char*>(u8"\U00020B9Fx"));
  out.SetStyle(kConsoleBold | kConsoleUnderline | kConsoleItalic);
  out.Write("b");
  out.SetStyle(0);
  out.Write("n");
  HANDLE shown = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(shown, INVALID_HANDLE_VALUE);
  wchar_t cells[8] = {};
  DWORD n = 0;
  ReadConsoleOutputCharacterW(shown, cells, 8, {0, 0}, &n);
  const std::wstring got(cells, n);
  EXPECT_EQ(got.substr(0, 2), L"\xD842\xDF9F");
  const std::size_t b = got.find(L'b');
  ASSERT_NE(b, std::wstring::npos);
  WORD attributes[2] = {};
  ReadConsoleOutputAttribute(shown, attributes, 2, {static_cast<SHORT>(b), 0}, &n);
  EXPECT_EQ(attributes[0], 0x07 | FOREGROUND_INTENSITY | COMMON_LVB_UNDERSCORE);
  EXPECT_EQ(attributes[1], 0x07);
  CloseHandle(shown);
  // Ended: the buffer found is shown again, as it was.
  out.UseWholeScreen(false);
  EXPECT_FALSE(out.has_own_screen());
  EXPECT_EQ(CharsAt(0, 1, 4), "main");
}

TEST_F(RealConsoleTest, ResizeIsAKeyOnlyWhileReported) {
  HANDLE in = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(in, INVALID_HANDLE_VALUE);
  INPUT_RECORD size{};
  size.EventType = WINDOW_BUFFER_SIZE_EVENT;
  size.Event.WindowBufferSizeEvent.dwSize = {100, 30};
  DWORD written = 0;
  DWORD mode = 0;
  ASSERT_TRUE(GetConsoleMode(in, &mode));
  {
    WinKeyboard keys(nullptr, in);
    // Off: the event is passed over like any other that is no key.
    ASSERT_TRUE(WriteConsoleInputW(in, &size, 1, &written));
    EXPECT_FALSE(keys.KeyWaiting());
    keys.ReportResize(true);
    DWORD on = 0;
    GetConsoleMode(in, &on);
    EXPECT_TRUE(on & ENABLE_WINDOW_INPUT);
    INPUT_RECORD two[2] = {size, size};  // changes that came together: one key
    ASSERT_TRUE(WriteConsoleInputW(in, two, 2, &written));
    EXPECT_TRUE(keys.KeyWaiting());
    EXPECT_EQ(keys.GetKey(), kKeyResize);
    EXPECT_FALSE(keys.KeyWaiting());
  }
  // The keyboard gives the input its mode back.
  DWORD after = 0;
  GetConsoleMode(in, &after);
  EXPECT_EQ(after, mode);
  CloseHandle(in);
}

// Shrinks the window after a while as a user dragging it would; should
// the wait for a key not notice, a key ends it in the end.
struct ShrinkLater {
  HANDLE out, in, done;
  SMALL_RECT window;
};

DWORD WINAPI ShrinkTheWindow(void* arg) {
  const ShrinkLater& s = *static_cast<const ShrinkLater*>(arg);
  Sleep(300);
  SetConsoleWindowInfo(s.out, TRUE, &s.window);
  if (WaitForSingleObject(s.done, 3000) == WAIT_TIMEOUT) {
    INPUT_RECORD key{};
    key.EventType = KEY_EVENT;
    key.Event.KeyEvent.bKeyDown = TRUE;
    key.Event.KeyEvent.wRepeatCount = 1;
    key.Event.KeyEvent.uChar.AsciiChar = 'x';
    DWORD written = 0;
    WriteConsoleInputA(s.in, &key, 1, &written);
  }
  return 0;
}

TEST_F(RealConsoleTest, AWindowMadeSmallerIsAResizeWhileWaitingForAKey) {
  HANDLE in = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(in, INVALID_HANDLE_VALUE);
  CONSOLE_SCREEN_BUFFER_INFO before;
  ASSERT_TRUE(GetConsoleScreenBufferInfo(handle_, &before));
  ShrinkLater later{handle_, in, CreateEventA(nullptr, TRUE, FALSE, nullptr), before.srWindow};
  later.window.Bottom = static_cast<SHORT>(later.window.Bottom - 3);
  later.window.Right = static_cast<SHORT>(later.window.Right - 5);
  {
    WinKeyboard keys(nullptr, in);
    keys.ReportResize(true);
    HANDLE thread = CreateThread(nullptr, 0, ShrinkTheWindow, &later, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    const int key = keys.GetKey();
    SetEvent(later.done);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    CONSOLE_SCREEN_BUFFER_INFO after;
    ASSERT_TRUE(GetConsoleScreenBufferInfo(handle_, &after));
    // The buffer kept its size: only the window changed.
    EXPECT_EQ(after.dwSize.X, before.dwSize.X);
    EXPECT_EQ(after.dwSize.Y, before.dwSize.Y);
    EXPECT_EQ(after.srWindow.Bottom - after.srWindow.Top,
              before.srWindow.Bottom - before.srWindow.Top - 3);
    EXPECT_EQ(key, kKeyResize);
    EXPECT_FALSE(keys.KeyWaiting());  // once for one change
  }
  FlushConsoleInputBuffer(in);
  CloseHandle(later.done);
  CloseHandle(in);
}

TEST_F(RealConsoleTest, ClearPaintsTheWholeBufferAndLeavesCursorAndColour) {
  WinConsole out(handle_);
  CConsole cnsl(&out);
  cnsl.SetCursorPosition(5, 3);
  cnsl.SetColor(L_WHITE, L_BLACK);
  out.Write("xyz");
  ScreenInfo before;
  ASSERT_TRUE(out.GetScreenInfo(&before));
  cnsl.Clear(L_BLACK, H_WHITE);
  ScreenInfo after;
  ASSERT_TRUE(out.GetScreenInfo(&after));
  EXPECT_EQ(after.cursor_x, before.cursor_x);
  EXPECT_EQ(after.cursor_y, before.cursor_y);
  EXPECT_EQ(after.attributes, 0x07) << "the output colour is not changed";
  EXPECT_EQ(CharsAt(5, 3, 3), "   ");
  // Every cell, the last row of the buffer included (below the window).
  EXPECT_EQ(AttributeAt(0, 0), 0xF0);
  EXPECT_EQ(AttributeAt(before.width - 1, before.height - 1), 0xF0);
  EXPECT_EQ(CharsAt(before.width - 1, before.height - 1, 1), " ");
  EXPECT_EQ(cnsl.GetInfo(&after), before.cursor_y);
}

}  // namespace
}  // namespace shiori
