#include "platform/posix/console_posix.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "cconsole/cconsole.h"
#include "cconsole/scheme.h"
#include "platform/posix/pty_for_tests.h"

namespace shiori {
namespace {

std::string U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

std::string Sgr(const char* codes) { return std::string("\x1b[") + codes + "m"; }

// What a terminal shows: each printed byte with the colour sequence in
// force when it came.
struct Shown {
  std::string sgr;
  char byte;
};

std::vector<Shown> Parse(const std::string& out) {
  std::vector<Shown> shown;
  std::string sgr;
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (out[i] == '\x1b' && i + 1 < out.size() && out[i + 1] == '[') {
      std::size_t end = out.find_first_of("ABCDHJKm", i + 2);
      if (end == std::string::npos) break;
      if (out[end] == 'm') sgr = out.substr(i, end - i + 1);
      i = end;
      continue;
    }
    shown.push_back({sgr, out[i]});
  }
  return shown;
}

// The colour table, as the reader should see it on an ANSI terminal:
// normal mode, reverse mode.
struct ExpectedPaint {
  Paint paint;
  const char* normal;
  const char* reverse;
};
const ExpectedPaint kExpectedPaints[] = {
    {Paint::kNormal, "0;37;40", "0;30;107"},
    {Paint::kLoadingStart, "0;97;101", "0;30;101"},
    {Paint::kLoadingChange, "0;37;101", "0;30;101"},
    {Paint::kImageName, "0;30;102", "0;30;102"},
    {Paint::kRowSpeech, "0;92;40", "0;92;40"},
    {Paint::kSearchHit, "0;37;101", "0;30;101"},
    {Paint::kOccurrence, "0;97;101", "0;30;101"},
    {Paint::kLastPageHit, "0;37;101", "0;30;101"},
    {Paint::kNotFoundWord, "0;91;42", "0;91;42"},
    {Paint::kStatus, "0;97;104", "0;97;104"},
    {Paint::kBannerFrame, "0;91;42", "0;91;42"},
    {Paint::kBanner1, "0;34;107", "0;34;107"},
    {Paint::kBanner2, "0;32;107", "0;32;107"},
    {Paint::kBanner3, "0;30;107", "0;30;107"},
    {Paint::kListHighlight, "0;30;102", "0;30;102"},
    {Paint::kExitReset, "0;37;40", "0;37;40"},
};

TEST(PosixConsoleColourTest, EveryPaintOfTheSchemeInBothModes) {
  constexpr std::size_t kPaints = std::size(kExpectedPaints);
  ASSERT_EQ(kPaints, static_cast<std::size_t>(Paint::kExitReset) + 1)
      << "a paint of the scheme has no expected colours here";
  for (int mode = 0; mode <= 1; ++mode) {
    TestPty pty;
    ASSERT_TRUE(pty.ok());
    PosixConsole console(pty.terminal(), "UTF-8");
    CConsole cnsl(&console);
    // Each paint as the reader uses it: normal text, the coloured piece, and
    // the line break.
    for (const ExpectedPaint& expected : kExpectedPaints) {
      SetPaint(cnsl, Paint::kNormal, mode);
      console.Write("a");
      WritePainted(cnsl, expected.paint, mode, "x");
      console.Write("\n");
    }
    console.Flush();
    std::vector<Shown> shown = Parse(pty.Read());
    ASSERT_EQ(shown.size(), 3 * kPaints) << "mode " << mode;
    std::string normal = Sgr(mode ? "0;30;107" : "0;37;40");
    for (std::size_t i = 0; i < kPaints; ++i) {
      const ExpectedPaint& expected = kExpectedPaints[i];
      SCOPED_TRACE("mode " + std::to_string(mode) + " paint " + std::to_string(i));
      EXPECT_EQ(shown[3 * i].sgr, normal);
      EXPECT_EQ(shown[3 * i + 1].byte, 'x');
      EXPECT_EQ(shown[3 * i + 1].sgr, Sgr(mode ? expected.reverse : expected.normal));
      // The line break never carries a highlight colour: a scrolling
      // terminal would paint the whole new line in it.
      EXPECT_EQ(shown[3 * i + 2].byte, '\n');
      EXPECT_EQ(shown[3 * i + 2].sgr, normal);
    }
  }
}

TEST(PosixConsoleColourTest, EveryConsoleColourIndexHasItsAnsiColour) {
  // black, blue, green, cyan, red, magenta, yellow (brown), light grey, and
  // the same with intensity.
  const int fore[16] = {30, 34, 32, 36, 31, 35, 33, 37, 90, 94, 92, 96, 91, 95, 93, 97};
  TestPty pty;
  PosixConsole console(pty.terminal(), "UTF-8");
  for (int attribute = 0; attribute < 256; ++attribute) {
    console.SetTextAttribute(static_cast<std::uint16_t>(attribute));
    console.Write("x");
  }
  console.Flush();
  std::vector<Shown> shown = Parse(pty.Read());
  ASSERT_EQ(shown.size(), 256u);
  for (int attribute = 0; attribute < 256; ++attribute) {
    int f = attribute % 16;
    int b = attribute / 16;
    std::string codes = "0;" + std::to_string(fore[f]) + ";" + std::to_string(fore[b] + 10);
    EXPECT_EQ(shown[attribute].sgr, Sgr(codes.c_str())) << "fore " << f << " back " << b;
  }
}

TEST(PosixConsoleColourTest, ColourIsWrittenOnlyWhenItChanges) {
  TestPty pty;
  PosixConsole console(pty.terminal(), "UTF-8");
  console.SetTextAttribute(0x07);
  console.Write("a");
  console.SetTextAttribute(0x07);
  console.Write("b");
  // Set and set back with nothing written between: nothing to show.
  console.SetTextAttribute(0x9F);
  console.SetTextAttribute(0x07);
  console.Write("c");
  console.Flush();
  EXPECT_EQ(pty.Read(), Sgr("0;37;40") + "abc");
}

TEST(PosixConsoleColourTest, ClearPaintsTheScreenAndKeepsCursorAndColour) {
  TestPty pty;
  PosixConsole console(pty.terminal(), "UTF-8");
  CConsole cnsl(&console);
  // Before any colour is set the output keeps the terminal's own colours.
  cnsl.Clear(L_BLACK, H_WHITE);
  console.Write("m");
  console.Flush();
  EXPECT_EQ(pty.Read(), Sgr("0;30;107") + "\x1b[2J" + Sgr("0") + "m");

  cnsl.SetColor(L_WHITE, L_BLACK);
  console.Write("a");
  cnsl.Clear(L_BLACK, H_WHITE);
  console.Write("b");
  console.Flush();
  EXPECT_EQ(pty.Read(), Sgr("0;37;40") + "a" + Sgr("0;30;107") + "\x1b[2J" + Sgr("0;37;40") + "b");
}

TEST(PosixConsoleColourTest, CloseResetsColoursOnlyWhenSet) {
  TestPty pty;
  {
    PosixConsole console(pty.terminal(), "UTF-8");
    console.Write("plain");
  }
  EXPECT_EQ(pty.Read(), "plain");
  {
    PosixConsole console(pty.terminal(), "UTF-8");
    CConsole cnsl(&console);
    cnsl.SetColor(H_WHITE, H_BLUE);
    console.Write("s");
  }
  EXPECT_EQ(pty.Read(), Sgr("0;97;104") + "s" + Sgr("0"));
}

TEST(PosixConsoleTextTest, Cp932TextArrivesInTheTerminalCharset) {
  TestPty pty;
  PosixConsole console(pty.terminal(), "UTF-8");
  console.Write("読み込み中・・・\r");
  // A row that ends on the first byte of a character: the character is
  // joined, never shown as two broken halves.
  console.Write("ab\x82");
  console.Write("\xa0\n");
  console.Write("\x80\n");
  console.Flush();
  EXPECT_EQ(pty.Read(), U8(u8"読み込み中・・・\rabあ\n\uFFFD\n"));
}

TEST(PosixConsoleTextTest, OutputWaitsForFlush) {
  TestPty pty;
  PosixConsole console(pty.terminal(), "UTF-8");
  console.Write("page");
  EXPECT_EQ(pty.Read(30), "");
  console.Flush();
  EXPECT_EQ(pty.Read(), "page");
}

TEST(PosixConsoleTextTest, NotATerminalGetsTextWithoutEscapes) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  {
    PosixConsole console(fds[1], "UTF-8");
    CConsole cnsl(&console);
    ScreenInfo info;
    EXPECT_FALSE(console.GetScreenInfo(&info));
    cnsl.Clear(L_BLACK, H_WHITE);
    WritePainted(cnsl, Paint::kStatus, 0, "[ 状態 ]");
    console.Write("\n");
    cnsl.SetCursorPosition(0, 0);
    console.Write("x");
  }
  close(fds[1]);
  std::string out;
  char chunk[256];
  ssize_t n;
  while ((n = read(fds[0], chunk, sizeof chunk)) > 0) out.append(chunk, static_cast<std::size_t>(n));
  close(fds[0]);
  EXPECT_EQ(out, U8(u8"[ 状態 ]\nx"));
}

TEST(PosixConsoleWholeScreenTest, StylesGaijiAndTheAlternateScreenOnlyWhereEscapesGo) {
  // The same calls on a terminal and on one that takes no escapes.
  for (bool escapes : {true, false}) {
    SCOPED_TRACE(escapes ? "terminal" : "TERM=dumb");
    TestPty pty(40, 12);
    PosixConsole console(pty.terminal(), "UTF-8", nullptr, escapes);
    console.Write("old");
    console.SetTextAttribute(0x07);
    console.UseWholeScreen(true);
    console.SetCursorPosition(2, 3);
    console.SetStyle(kConsoleBold | kConsoleUnderline);
    console.WriteUtf8(U8(u8"\U00020B9F"));
    console.SetStyle(kConsoleItalic | kConsoleDim);
    console.Write("i");
    console.SetStyle(0);
    console.Write("a");
    ScreenInfo info;
    EXPECT_EQ(console.GetScreenInfo(&info), escapes);
    if (escapes) {
      EXPECT_EQ(info.cursor_x, 2 + 2 + 1 + 1);
      EXPECT_EQ(info.cursor_y, 3);
      EXPECT_EQ(info.width, 40);
      EXPECT_EQ(info.height, 12);
    }
    console.ClearScreen();
    console.UseWholeScreen(false);
    console.Write("b");
    if (escapes) {
      // The row and column before the view, as the terminal gives them back.
      ASSERT_TRUE(console.GetScreenInfo(&info));
      EXPECT_EQ(info.cursor_x, 4);
      EXPECT_EQ(info.cursor_y, 0);
    }
    console.Flush();
    const std::string want =
        escapes ? "old\x1b[?1049h" + Sgr("0;37;40") + "\x1b[H\x1b[2J\x1b[4;3H" +
                      Sgr("0;37;40;1;4") + U8(u8"\U00020B9F") + Sgr("0;37;40;2;3") + "i" +
                      Sgr("0;37;40") + "a\x1b[H\x1b[2J\x1b[?1049l" + Sgr("0") + Sgr("0;37;40") +
                      "b"
                : "old" + U8(u8"\U00020B9F") + "iab";
    EXPECT_EQ(pty.Read(), want);
  }
}

TEST(PosixConsoleCursorTest, CursorRowMinusNLandsNLinesUp) {
  TestPty pty;
  PosixConsole console(pty.terminal(), "UTF-8");
  CConsole cnsl(&console);
  for (int i = 0; i < 5; ++i) console.Write("line\n");
  ScreenInfo info;
  int row = cnsl.GetInfo(&info);
  EXPECT_EQ(row, 5);
  EXPECT_EQ(info.width, 80);
  EXPECT_EQ(info.height, 24);
  cnsl.SetCursorPosition(0, row - 3);
  console.Flush();
  EXPECT_EQ(pty.Read(), std::string("line\nline\nline\nline\nline\n") + "\x1b[3A\r");
  // Rewriting the three lines brings the count back to where it was; the
  // row keeps growing past the screen's height.
  for (int i = 0; i < 3 + 30; ++i) console.Write("again\n");
  EXPECT_EQ(cnsl.GetInfo(&info), 35);
  cnsl.SetCursorPosition(4, 35);
  console.Flush();
  std::string out = pty.Read();
  EXPECT_EQ(out.substr(out.size() - 5), "\r\x1b[4C");
}

TEST(PosixConsoleCursorTest, RowsWrappedByTheTerminalAreCounted) {
  TestPty pty(20, 10);
  PosixConsole console(pty.terminal(), "UTF-8");
  ScreenInfo info;
  console.Write(std::string(30, 'x') + "\n");  // two screen rows
  console.GetScreenInfo(&info);
  EXPECT_EQ(info.cursor_y, 2);
  console.Write(std::string(20, 'x') + "\n");  // exactly full: one row
  console.GetScreenInfo(&info);
  EXPECT_EQ(info.cursor_y, 3);
  // A double-width character that does not fit on the row moves to the next.
  console.Write(std::string(19, 'x') + "漢");
  console.GetScreenInfo(&info);
  EXPECT_EQ(info.cursor_y, 4);
  EXPECT_EQ(info.cursor_x, 2);
  // A text's control bytes show as one mark each, and are counted so.
  console.Write(std::string(15, 'x') + "\x1b\x07");
  console.GetScreenInfo(&info);
  EXPECT_EQ(info.cursor_y, 4);
  EXPECT_EQ(info.cursor_x, 19);
  console.Write("\x1b\x1b");
  console.GetScreenInfo(&info);
  EXPECT_EQ(info.cursor_y, 5);
  EXPECT_EQ(info.cursor_x, 1);
}

}  // namespace
}  // namespace shiori
