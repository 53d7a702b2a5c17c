// Console screen buffer: the only way the reader writes to the screen.
#pragma once

#include <cstdint>
#include <string_view>

namespace shiori {

/// What the screen buffer reports about itself (cells, cursor, attribute).
struct ScreenInfo {
  int width = 80;
  int height = 25;
  int cursor_x = 0;
  int cursor_y = 0;
  std::uint16_t attributes = 0x07;
};

/// Styles beyond the colours, for the text that follows.
enum ConsoleStyle : unsigned {
  kConsoleBold = 1,
  kConsoleUnderline = 2,
  kConsoleItalic = 4,
  kConsoleDim = 8,
};

/// A console screen buffer. Text is code page 932 bytes; an attribute is a
/// 4-bit foreground plus 16 x a 4-bit background colour index.
class ConsoleBuffer {
 public:
  virtual ~ConsoleBuffer() = default;
  /// Writes bytes at the cursor in the current text attribute.
  virtual void Write(std::string_view bytes) = 0;
  /// Writes an error message to the error stream (standard error), without
  /// colours; what Write gave before is out first, so the two keep their
  /// order on a screen that shows both.
  virtual void WriteError(std::string_view bytes) = 0;
  /// Sets the attribute used for all further output.
  virtual void SetTextAttribute(std::uint16_t attributes) = 0;
  /// Fills |info|; false when the output is not a console.
  virtual bool GetScreenInfo(ScreenInfo* info) = 0;
  /// Paints |cells| cells from (x, y) with |attributes|; the cursor and the
  /// output attribute stay as they are.
  virtual void FillAttribute(std::uint16_t attributes, int cells, int x, int y) = 0;
  /// Writes |cells| copies of |ch| from (x, y) without moving the cursor.
  virtual void FillCharacter(char ch, int cells, int x, int y) = 0;
  /// Moves the cursor to column x, row y of the buffer.
  virtual void SetCursorPosition(int x, int y) = 0;
  /// Writes UTF-8 text at the cursor: the characters code page 932 lacks
  /// (a gaiji) as themselves where the device can show them. A console that
  /// cannot shows each such character as 「〓」 (two columns).
  virtual void WriteUtf8(std::string_view utf8) {
    for (unsigned char c : utf8)
      if ((c & 0xC0) != 0x80) Write("\x81\xac");  // 〓 in code page 932
  }
  /// Draws the text that follows in |styles| (ConsoleStyle bits; 0 plain)
  /// on top of the current attribute. A style the device lacks is left out,
  /// or shown by a near equivalent (bold as the bright colour).
  virtual void SetStyle(unsigned styles) { (void)styles; }
  /// A whole-screen view begins (true) or ends (false): the terminal's
  /// alternate screen where it has one, entered cleared and left with the
  /// screen before it restored. Also left when the program ends any way.
  virtual void UseWholeScreen(bool on) { (void)on; }
  /// Clears the screen (the whole-screen view's) and puts the cursor home.
  virtual void ClearScreen() {}
  /// Pushes buffered output to the device (before waiting for input).
  virtual void Flush() {}
  /// Releases the output handle (the console driver's destructor).
  virtual void Close() {}
};

}  // namespace shiori
