#include "platform/posix/console_posix.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "platform/posix/terminal_guard.h"
#include "text/sjis.h"

namespace shiori {

namespace {

// Output is handed to the terminal at least this often.
constexpr std::size_t kFlushAt = 16 * 1024;

constexpr char kReset[] = "\x1b[0m";

// Console colour bits are blue 1, green 2, red 4; ANSI numbers its colours
// red 1, green 2, blue 4.
int AnsiColour(int index) {
  return ((index & 4) ? 1 : 0) | (index & 2) | ((index & 1) ? 4 : 0);
}

// The SGR codes of |styles| (ConsoleStyle bits), each after a ';'.
std::string StyleCodes(unsigned styles) {
  std::string codes;
  if (styles & kConsoleBold) codes += ";1";
  if (styles & kConsoleDim) codes += ";2";
  if (styles & kConsoleItalic) codes += ";3";
  if (styles & kConsoleUnderline) codes += ";4";
  return codes;
}

// A full reset, then foreground, background and styles, so no earlier
// attribute (bold, underline, another colour) survives. No attribute: the
// terminal's own colours.
std::string Sgr(std::optional<std::uint16_t> attributes, unsigned styles = 0) {
  if (!attributes) return styles != 0 ? "\x1b[0" + StyleCodes(styles) + "m" : kReset;
  int fore = *attributes & 0x0F;
  int back = (*attributes >> 4) & 0x0F;
  int fore_code = ((fore & 8) ? 90 : 30) + AnsiColour(fore);
  int back_code = ((back & 8) ? 100 : 40) + AnsiColour(back);
  return "\x1b[0;" + std::to_string(fore_code) + ";" + std::to_string(back_code) +
         StyleCodes(styles) + "m";
}

// Display columns of a code point on a terminal: East Asian wide and
// full-width characters two, combining marks none, the rest one. The
// cursor bookkeeping needs no more than this.
int CellColumns(char32_t cp) {
  if ((cp >= 0x0300 && cp <= 0x036F) || (cp >= 0x20D0 && cp <= 0x20FF) ||
      cp == 0x3099 || cp == 0x309A)
    return 0;
  const bool wide = (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0x303E) ||
                    (cp >= 0x3041 && cp <= 0x33FF) || (cp >= 0x3400 && cp <= 0x4DBF) ||
                    (cp >= 0x4E00 && cp <= 0x9FFF) || (cp >= 0xA000 && cp <= 0xA4CF) ||
                    (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
                    (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
                    (cp >= 0xFFE0 && cp <= 0xFFE6) || (cp >= 0x1F300 && cp <= 0x1F64F) ||
                    (cp >= 0x20000 && cp <= 0x3FFFD);
  return wide ? 2 : 1;
}

// Writes all of |bytes| to |fd|; a failed write has no effect, as on the
// console.
void WriteAll(int fd, std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      struct pollfd p {fd, POLLOUT, 0};
      poll(&p, 1, -1);
    } else {
      break;
    }
  }
}

}  // namespace

bool PosixConsole::TermTakesEscapes(const char* term) {
  return term == nullptr || std::strcmp(term, "dumb") != 0;
}

PosixConsole::PosixConsole(int fd, const std::string& charset, TerminalGuard* guard,
                           bool escapes, int error_fd)
    : fd_(fd),
      error_fd_(error_fd),
      tty_(escapes && isatty(fd) == 1),
      charset_(charset),
      to_terminal_(charset),
      utf8_to_terminal_(charset),
      guard_(guard) {
  if (tty_) ReadWindowSize();
  if (guard_ != nullptr) guard_->SetConsole(this);
}

PosixConsole::~PosixConsole() {
  Close();
  if (guard_ != nullptr) guard_->SetConsole(nullptr);
}

void PosixConsole::Write(std::string_view bytes) {
  if (bytes.empty()) return;
  ShowAttribute();
  if (tty_) Track(bytes);
  to_terminal_.Convert(bytes, &out_);
  if (out_.size() >= kFlushAt) WriteOut();
}

void PosixConsole::WriteError(std::string_view bytes) {
  if (bytes.empty()) return;
  Flush();
  std::string out;
  Cp932ToTerminal to_error(charset_);
  to_error.Convert(bytes, &out);
  to_error.Finish(&out);
  WriteAll(error_fd_, out);
}

void PosixConsole::SetTextAttribute(std::uint16_t attributes) { wanted_ = attributes; }

bool PosixConsole::GetScreenInfo(ScreenInfo* info) {
  if (!tty_) return false;
  ReadWindowSize();
  info->width = width_;
  info->height = height_;
  info->cursor_x = std::min(column_, width_ - 1);
  info->cursor_y = row_;
  info->attributes = wanted_.value_or(0x07);
  return true;
}

void PosixConsole::FillAttribute(std::uint16_t attributes, int cells, int x, int y) {
  if (x == 0 && y == 0 && cells >= width_ * height_) {
    fill_ = attributes;
  } else {
    fill_.reset();
  }
}

void PosixConsole::FillCharacter(char ch, int cells, int x, int y) {
  if (!tty_ || ch != ' ' || x != 0 || y != 0 || cells < width_ * height_) return;
  // The terminal erases in the colour in force: set the fill pair, erase,
  // and show the output colour again. Erasing does not move the cursor.
  std::optional<std::uint16_t> fill = fill_ ? fill_ : wanted_;
  Emit(Sgr(fill));
  Emit("\x1b[2J");
  SetShown(fill);
  ShowAttribute();
  fill_.reset();
}

void PosixConsole::SetCursorPosition(int x, int y) {
  if (!tty_) return;
  FinishCharacter();
  if (whole_screen_) {
    // The screen is the program's: rows are counted from its top.
    y = std::max(y, 0);
    Emit("\x1b[" + std::to_string(y + 1) + ";" + std::to_string(std::max(x, 0) + 1) + "H");
    row_ = y;
    column_ = std::max(x, 0);
    return;
  }
  if (y < row_) {
    Emit("\x1b[" + std::to_string(row_ - y) + "A");
  } else if (y > row_) {
    Emit("\x1b[" + std::to_string(y - row_) + "B");
  }
  Emit("\r");
  if (x > 0) Emit("\x1b[" + std::to_string(x) + "C");
  row_ = y;
  column_ = std::max(x, 0);
}

void PosixConsole::WriteUtf8(std::string_view utf8) {
  if (utf8.empty()) return;
  ShowAttribute();
  FinishCharacter();
  if (tty_) TrackUtf8(utf8);
  utf8_to_terminal_.Convert(utf8, &out_);
  if (out_.size() >= kFlushAt) WriteOut();
}

void PosixConsole::SetStyle(unsigned styles) {
  wanted_styles_ = styles & (kConsoleBold | kConsoleUnderline | kConsoleItalic | kConsoleDim);
}

void PosixConsole::UseWholeScreen(bool on) {
  if (!tty_ || on == whole_screen_) return;
  FinishCharacter();
  if (on) {
    saved_row_ = row_;
    saved_column_ = column_;
    Emit("\x1b[?1049h");
    whole_screen_ = true;
    if (guard_ != nullptr) guard_->SetWholeScreen(true);
    ClearScreen();
  } else {
    // Leaving gives back the cursor the terminal saved on entering, and
    // (on most terminals) the colours of that moment: reset them, so the
    // next text shows the colours asked for whatever the terminal did.
    Emit("\x1b[?1049l");
    Emit(kReset);
    SetShown(std::nullopt);
    whole_screen_ = false;
    if (guard_ != nullptr) guard_->SetWholeScreen(false);
    row_ = saved_row_;
    column_ = saved_column_;
  }
  // Out at once: the guard's record of the screen must match the terminal's.
  WriteOut();
}

void PosixConsole::ClearScreen() {
  if (!tty_) return;
  FinishCharacter();
  ShowAttribute();  // the terminal erases in the colours in force
  Emit("\x1b[H\x1b[2J");
  row_ = 0;
  column_ = 0;
}

void PosixConsole::Flush() {
  ShowAttribute();
  WriteOut();
  // The reader may resize the window while a key is awaited.
  if (tty_) ReadWindowSize();
}

void PosixConsole::Close() {
  to_terminal_.Finish(&out_);
  wanted_.reset();
  wanted_styles_ = 0;
  UseWholeScreen(false);
  if (tty_ && (shown_ || shown_styles_ != 0)) {
    Emit(kReset);
    SetShown(std::nullopt);
  }
  WriteOut();
}

void PosixConsole::Emit(std::string_view raw) { out_.append(raw); }

void PosixConsole::ShowAttribute() {
  // A stop (Ctrl-Z) put the terminal's colours back to its own.
  if (guard_ != nullptr && guard_->TakeColoursReset()) {
    shown_.reset();
    shown_styles_ = 0;
  }
  if (!tty_ || (wanted_ == shown_ && wanted_styles_ == shown_styles_)) return;
  Emit(Sgr(wanted_, wanted_styles_));
  SetShown(wanted_, wanted_styles_);
}

void PosixConsole::SetShown(std::optional<std::uint16_t> attributes, unsigned styles) {
  shown_ = attributes;
  shown_styles_ = styles;
  if (guard_ != nullptr) guard_->SetColoursInForce(shown_.has_value() || styles != 0);
}

void PosixConsole::FinishCharacter() {
  // A character cut in two stays cut: its first byte is shown as a mark
  // where it was written.
  to_terminal_.Finish(&out_);
  if (lead_pending_) {
    lead_pending_ = false;
    Advance(1);
  }
}

// Follows the cursor over code page 932 bytes, where a byte is a column.
void PosixConsole::Track(std::string_view cp932) {
  for (char ch : cp932) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (lead_pending_) {
      lead_pending_ = false;
      if (IsTrailByte(c)) {
        Advance(2);
        continue;
      }
      Advance(1);  // a lone lead byte shows as one mark
    }
    if (c == '\n') {
      ++row_;
      column_ = 0;
    } else if (c == '\r') {
      column_ = 0;
    } else if (c == '\t') {
      column_ = std::min(width_, (column_ / 8 + 1) * 8);
    } else if (Cp932ToTerminal::IsCommandByte(c)) {
      Advance(1);  // shown as one replacement mark
    } else if (IsLeadByte(c)) {
      lead_pending_ = true;
    } else {
      Advance(1);
    }
  }
}

// The same over UTF-8 text, a code point's columns as a terminal draws it.
void PosixConsole::TrackUtf8(std::string_view utf8) {
  for (std::size_t i = 0; i < utf8.size();) {
    const char32_t cp = NextCodePoint(utf8, &i);
    if (cp == '\n') {
      ++row_;
      column_ = 0;
    } else if (cp == '\r') {
      column_ = 0;
    } else if (cp == '\t') {
      column_ = std::min(width_, (column_ / 8 + 1) * 8);
    } else if (const int columns = CellColumns(cp); columns > 0) {
      Advance(columns);
    }
  }
}

// A character that does not fit on the row goes to the start of the next:
// the terminal wraps, and the row count must follow it. A full row waits
// for its next character before wrapping, so a line feed after it advances
// one row only.
void PosixConsole::Advance(int columns) {
  if (column_ + columns > width_) {
    ++row_;
    column_ = 0;
  }
  column_ += columns;
}

void PosixConsole::ReadWindowSize() {
  struct winsize ws {};
  if (ioctl(fd_, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0 && ws.ws_row > 0) {
    width_ = ws.ws_col;
    height_ = ws.ws_row;
  }
}

void PosixConsole::WriteOut() {
  WriteAll(fd_, out_);
  out_.clear();
}

}  // namespace shiori
