// Drawing a picture into the terminal when there is no display to open a
// window on: sixel or kitty graphics where the terminal has them, coloured
// character art otherwise, and plain ASCII art when the output is not a
// terminal at all.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/media.h"

namespace shiori {

/// What the rendering needs to know about the output.
struct TerminalTraits {
  bool is_tty = false;
  int columns = 80;
  int rows = 24;
  int cell_width = 10;   ///< pixels of one character cell
  int cell_height = 20;
  /// "NAME=value" entries the terminal is recognised by (TERM, COLORTERM,
  /// KITTY_WINDOW_ID, ...): the process environment in the program.
  std::vector<std::string> env;
};

/// The traits of descriptor |fd| with the process environment.
TerminalTraits ReadTerminalTraits(int fd);

/// The bytes that draw |dib| at the cursor, scaled down to fit the terminal
/// (never up beyond one pixel a pixel), ending with a line break. Not a
/// terminal: ASCII characters and line breaks only, no escape sequence.
std::string RenderPicture(const Dib& dib, const TerminalTraits& traits);

/// The colour sequence that shows console attribute |attributes| (the same
/// mapping as the console: full reset, then foreground and background).
std::string AttributeSgr(std::uint16_t attributes);

}  // namespace shiori
