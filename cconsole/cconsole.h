// The console driver: colours and cursor over the standard output buffer.
#pragma once

#include <cstdint>

#include "platform/console.h"

namespace shiori {

/// Console colour indexes: bit 1 blue, 2 green, 4 red, 8 intensity.
enum : std::uint16_t {
  L_BLACK = 0,
  L_BLUE = 1,
  L_GREEN = 2,
  L_WHITE = 7,
  H_BLUE = 9,
  H_GREEN = 10,
  H_RED = 12,
  H_WHITE = 15,
};

/// The attribute of a colour pair: foreground + 16 x background.
constexpr std::uint16_t Attribute(std::uint16_t fore, std::uint16_t back) {
  return static_cast<std::uint16_t>(fore + 16 * back);
}

class CConsole {
 public:
  /// Takes the standard output buffer.
  explicit CConsole(ConsoleBuffer* std_out) : m_hConsoleStdOut(std_out) {}
  ~CConsole();
  CConsole(const CConsole&) = delete;
  CConsole& operator=(const CConsole&) = delete;

  /// Paints the whole buffer in the pair and blanks it; the cursor and the
  /// output colour stay as they were. Does nothing when the buffer cannot be
  /// read (output is not a console).
  void Clear(std::uint16_t wFore = H_WHITE, std::uint16_t wBack = L_BLACK);
  /// Sets the pair for all further output.
  void SetColor(std::uint16_t wFore, std::uint16_t wBack);
  /// Fills |info| and returns the cursor row.
  int GetInfo(ScreenInfo* info);
  void SetCursorPosition(int x, int y);
  ConsoleBuffer* buffer() { return m_hConsoleStdOut; }

 private:
  ConsoleBuffer* m_hConsoleStdOut;
};

}  // namespace shiori
