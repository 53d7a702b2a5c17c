// The console screen buffer over a POSIX terminal: ANSI colours, relative
// cursor moves and the conversion of the program's code page 932 text to the
// terminal's character set.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/console.h"
#include "platform/posix/charset.h"

namespace shiori {

class TerminalGuard;

/// A terminal has no buffer to address, so the console keeps what the
/// reader needs: the colour in force, and the cursor row, counted as rows
/// advance (line feeds, and lines the terminal wraps), so that "cursor row
/// minus N" reaches the row N lines up even after the screen has scrolled.
/// When the output is not a terminal only the text is written, without a
/// single escape sequence, and the screen information cannot be read.
/// The whole-screen view is the terminal's alternate screen; in it the
/// cursor is placed by absolute position, and leaving it gives back the
/// screen, cursor and colours the program had before.
class PosixConsole : public ConsoleBuffer {
 public:
  /// Writes to |fd| (1, the standard output) in |charset| (TerminalCharset()).
  /// |guard| (may be null) is told whether colours are in force, so that
  /// every way out of the program resets them. |escapes|: false for a
  /// terminal that takes none (TERM=dumb), which then gets the text alone.
  /// Error messages go to |error_fd|.
  PosixConsole(int fd, const std::string& charset, TerminalGuard* guard = nullptr,
               bool escapes = true, int error_fd = 2);
  ~PosixConsole() override;
  PosixConsole(const PosixConsole&) = delete;
  PosixConsole& operator=(const PosixConsole&) = delete;

  void Write(std::string_view bytes) override;
  /// Converted as the screen's text is, to the error descriptor given.
  void WriteError(std::string_view bytes) override;
  /// The colour sequence is written with the next output, and only when the
  /// attribute differs from the one in force.
  void SetTextAttribute(std::uint16_t attributes) override;
  /// False when the output is not a terminal. Width and height are the
  /// terminal's; cursor_y is the counted row, which grows without bound.
  bool GetScreenInfo(ScreenInfo* info) override;
  /// Only the whole screen from (0, 0) can be filled: FillAttribute takes
  /// the pair, FillCharacter with a blank then erases the screen in it,
  /// leaving the cursor and the output colour as they were. Other fills
  /// have no terminal equivalent and do nothing.
  void FillAttribute(std::uint16_t attributes, int cells, int x, int y) override;
  void FillCharacter(char ch, int cells, int x, int y) override;
  /// Moves relative to the counted row: up (or down) by the difference, then
  /// to column x.
  void SetCursorPosition(int x, int y) override;
  /// In the terminal's character set; what it lacks shows as 「〓」.
  void WriteUtf8(std::string_view utf8) override;
  /// Bold, underline, italic and dim as their SGR attributes, written with
  /// the colour pair (a style never outlives the pair it was drawn in).
  void SetStyle(unsigned styles) override;
  /// The alternate screen (ESC [?1049h, left by ESC [?1049l), entered
  /// cleared. The terminal guard leaves it on every way out.
  void UseWholeScreen(bool on) override;
  /// Erases the screen in the current colours and puts the cursor home.
  void ClearScreen() override;
  void Flush() override;
  /// Leaves the alternate screen, resets the colours when any are in force
  /// and flushes. The descriptor stays open: it is the process's standard
  /// output.
  void Close() override;

  bool is_terminal() const { return tty_; }

  /// False for a terminal type known to take no escape sequences (|term|,
  /// the TERM variable, is "dumb").
  static bool TermTakesEscapes(const char* term);

 private:
  void Emit(std::string_view raw);
  void ShowAttribute();
  void SetShown(std::optional<std::uint16_t> attributes, unsigned styles = 0);
  /// Ends a code page 932 character cut by the last Write (shown as a mark).
  void FinishCharacter();
  void Track(std::string_view cp932);
  void TrackUtf8(std::string_view utf8);
  void Advance(int columns);
  void ReadWindowSize();
  void WriteOut();

  int fd_;
  int error_fd_;
  // A terminal that takes escape sequences (colours, cursor moves, erasing);
  // any other output gets the text alone.
  bool tty_;
  std::string charset_;
  Cp932ToTerminal to_terminal_;
  Utf8ToTerminal utf8_to_terminal_;
  TerminalGuard* guard_;
  std::string out_;
  // The attribute asked for, and the one the terminal shows; none means the
  // terminal's own colours.
  std::optional<std::uint16_t> wanted_;
  std::optional<std::uint16_t> shown_;
  std::optional<std::uint16_t> fill_;
  unsigned wanted_styles_ = 0;
  unsigned shown_styles_ = 0;
  // In the alternate screen, and what leaving it gives back: the cursor row
  // and column, and the colours the terminal saved on entering.
  bool whole_screen_ = false;
  int saved_row_ = 0;
  int saved_column_ = 0;
  std::optional<std::uint16_t> saved_shown_;
  unsigned saved_styles_ = 0;
  int width_ = 80;
  int height_ = 24;
  int row_ = 0;
  int column_ = 0;
  bool lead_pending_ = false;
};

}  // namespace shiori
