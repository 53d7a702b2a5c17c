// The POSIX illustration window: a real X window under Xvfb (its pixels read
// back and compared with the PNG, closed as a reader closes it), and the
// picture drawn into a terminal when there is no display.
#include "platform/posix/window_posix.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>

#include "media/image.h"
#include "platform/posix/terminal_picture.h"
#include "tests/support/fake_platform.h"
#include "tests/support/png_maker.h"

// Last: Xlib's macros (None, Bool, Status) would break the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

namespace shiori {
namespace {

// Seconds on a steady clock. (<chrono> cannot be compiled with the
// program's code page 932 execution character set.)
double Now() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + ts.tv_nsec / 1e9;
}

void SleepMs(int ms) { usleep(static_cast<useconds_t>(ms) * 1000); }

Dib Decode(const std::vector<std::uint8_t>& png) {
  std::optional<Dib> dib = load_png_dib(png);
  if (!dib) throw std::runtime_error("test picture did not decode");
  return *dib;
}

// ---------------------------------------------------------------- X window

std::string FindInPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= dirs.size()) {
    std::size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string candidate = dirs.substr(start, end - start) + "/" + program;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return "";
}

// One Xvfb for the tests of this suite (in this process).
class XvfbTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string xvfb = FindInPath("Xvfb");
    if (xvfb.empty()) return;
    // The server picks a free display number itself and writes it to the
    // pipe, so tests running side by side never race for one.
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_t pid = fork();
    if (pid == 0) {
      close(fds[0]);
      int null = open("/dev/null", O_RDWR);
      dup2(null, 0);
      dup2(null, 1);
      dup2(null, 2);
      std::string fd = std::to_string(fds[1]);
      execl(xvfb.c_str(), "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24",
            "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    server_pid_ = pid;
    std::string number;
    double deadline = Now() + 10;
    while (Now() < deadline && number.find('\n') == std::string::npos) {
      pollfd p{fds[0], POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) continue;
      char c[16];
      ssize_t n = read(fds[0], c, sizeof c);
      if (n <= 0) break;
      number.append(c, n);
    }
    close(fds[0]);
    if (number.find('\n') == std::string::npos) {
      TearDownTestSuite();
      return;
    }
    display_ = ":" + number.substr(0, number.find('\n'));
  }

  static void TearDownTestSuite() {
    if (server_pid_ <= 0) return;
    kill(server_pid_, SIGTERM);
    double deadline = Now() + 5;
    while (waitpid(server_pid_, nullptr, WNOHANG) == 0) {
      if (Now() > deadline) {
        kill(server_pid_, SIGKILL);
        waitpid(server_pid_, nullptr, 0);
        break;
      }
      SleepMs(20);
    }
    server_pid_ = -1;
    display_.clear();
  }

  void SetUp() override {
    if (FindInPath("Xvfb").empty()) GTEST_SKIP() << "Xvfb is not installed (package xvfb)";
    ASSERT_FALSE(display_.empty()) << "Xvfb did not start";
    // The server may still be busy with a client that just left.
    double deadline = Now() + 5;
    while ((dpy_ = XOpenDisplay(display_.c_str())) == nullptr && Now() < deadline) SleepMs(20);
    ASSERT_NE(dpy_, nullptr);
  }

  void TearDown() override {
    if (child_ > 0) {
      kill(child_, SIGKILL);
      waitpid(child_, nullptr, 0);
    }
    if (dpy_ != nullptr) XCloseDisplay(dpy_);
  }

  // Shows |dib| (may be null) titled |title| in a child process, as the
  // reader's loop would, blocked until the window is closed.
  void ShowInChild(const std::string& title, const Dib* dib) {
    child_ = fork();
    if (child_ == 0) {
      ImageWindowOptions options;
      options.display = display_;
      PosixImageWindow window(nullptr, nullptr, options);
      _exit(window.Show(title, dib) ? 0 : 3);
    }
  }

  // The child's exit status, or -1 when it has not ended within |seconds|.
  int WaitChild(int seconds) {
    double deadline = Now() + seconds;
    while (Now() < deadline) {
      int status = 0;
      if (waitpid(child_, &status, WNOHANG) == child_) {
        child_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
      }
      SleepMs(20);
    }
    return -1;
  }

  // The top-level window titled |title|, waiting up to 10 s for it to map.
  Window FindWindow(const std::string& title) {
    double deadline = Now() + 10;
    while (Now() < deadline) {
      Window root_return, parent;
      Window* children = nullptr;
      unsigned count = 0;
      Window found = 0;
      if (XQueryTree(dpy_, DefaultRootWindow(dpy_), &root_return, &parent, &children, &count)) {
        for (unsigned i = 0; i < count && found == 0; ++i) {
          char* name = nullptr;
          XWindowAttributes attrs;
          if (XFetchName(dpy_, children[i], &name) && name != nullptr) {
            if (title == name && XGetWindowAttributes(dpy_, children[i], &attrs) &&
                attrs.map_state == IsViewable)
              found = children[i];
            XFree(name);
          }
        }
        if (children != nullptr) XFree(children);
      }
      if (found != 0) return found;
      SleepMs(20);
    }
    return 0;
  }

  // Pixels of |win| that differ from |expected(x, y)| (r, g, b), waiting up
  // to 5 s for the window to have drawn itself.
  int Mismatches(Window win, int width, int height,
                 const std::function<std::array<int, 3>(int, int)>& expected) {
    int bad = width * height;
    double deadline = Now() + 5;
    while (bad > 0 && Now() < deadline) {
      XImage* image = XGetImage(dpy_, win, 0, 0, width, height, AllPlanes, ZPixmap);
      if (image == nullptr) return -1;
      bad = 0;
      for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
          unsigned long p = XGetPixel(image, x, y);
          std::array<int, 3> got{static_cast<int>((p & image->red_mask) >> 16),
                                 static_cast<int>((p & image->green_mask) >> 8),
                                 static_cast<int>(p & image->blue_mask)};
          if (got != expected(x, y)) ++bad;
        }
      }
      XDestroyImage(image);
      if (bad > 0) SleepMs(50);
    }
    return bad;
  }

  void SendClose(Window win) {
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = win;
    ev.xclient.message_type = XInternAtom(dpy_, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy_, "WM_DELETE_WINDOW", False));
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(dpy_, win, False, NoEventMask, &ev);
    XFlush(dpy_);
  }

  void SendKey(Window win, KeySym key) {
    XEvent ev{};
    ev.xkey.type = KeyPress;
    ev.xkey.display = dpy_;
    ev.xkey.window = win;
    ev.xkey.root = DefaultRootWindow(dpy_);
    ev.xkey.keycode = XKeysymToKeycode(dpy_, key);
    ev.xkey.same_screen = True;
    XSendEvent(dpy_, win, True, KeyPressMask, &ev);
    XFlush(dpy_);
  }

  static inline pid_t server_pid_ = -1;
  static inline std::string display_;
  Display* dpy_ = nullptr;
  pid_t child_ = -1;
};

TEST_F(XvfbTest, WindowShowsThePictureUnscaledAndClosesOnTheCloseControl) {
  // 61 pixels of 3 bytes: rows of 183 bytes padded to 184.
  Dib dib = Decode(pngtest::MakeRgbPng(61, 37, pngtest::PatternColour));
  ASSERT_EQ(dib.stride, 184);
  ShowInChild("fig00000_01", &dib);
  Window win = FindWindow("fig00000_01");
  ASSERT_NE(win, 0u) << "no window titled fig00000_01 appeared";
  XWindowAttributes attrs;
  ASSERT_TRUE(XGetWindowAttributes(dpy_, win, &attrs));
  EXPECT_EQ(attrs.width, 61);
  EXPECT_EQ(attrs.height, 37);
  EXPECT_EQ(Mismatches(win, 61, 37, pngtest::PatternColour), 0);
  EXPECT_EQ(WaitChild(0), -1) << "Show returned while the window was open";
  SendClose(win);
  EXPECT_EQ(WaitChild(10), 0);
}

TEST_F(XvfbTest, EscapeOrQClosesTheWindow) {
  Dib dib = Decode(pngtest::MakeRgbPng(20, 10, [](int, int) { return std::array<int, 3>{255, 0, 0}; }));
  for (KeySym key : {XK_Escape, XK_q}) {
    SCOPED_TRACE(XKeysymToString(key));
    ShowInChild("fig00000_02", &dib);
    Window win = FindWindow("fig00000_02");
    ASSERT_NE(win, 0u);
    // Pure red, not blue: the blue-green-red bitmap is not read as RGB.
    EXPECT_EQ(Mismatches(win, 20, 10, [](int, int) { return std::array<int, 3>{255, 0, 0}; }), 0);
    SendKey(win, key);
    EXPECT_EQ(WaitChild(10), 0);
  }
}

TEST_F(XvfbTest, AMissingPictureGivesABlankWhiteWindowWithTheJapaneseTitle) {
  ShowInChild("挿絵", nullptr);  // code page 932 bytes
  Window win = FindWindow("??");  // WM_NAME: ASCII, one mark a character
  ASSERT_NE(win, 0u);
  XWindowAttributes attrs;
  ASSERT_TRUE(XGetWindowAttributes(dpy_, win, &attrs));
  EXPECT_EQ(attrs.width, 640);
  EXPECT_EQ(attrs.height, 480);
  EXPECT_EQ(Mismatches(win, 64, 48, [](int, int) { return std::array<int, 3>{255, 255, 255}; }), 0);
  Atom type;
  int format;
  unsigned long items, after;
  unsigned char* data = nullptr;
  ASSERT_EQ(XGetWindowProperty(dpy_, win, XInternAtom(dpy_, "_NET_WM_NAME", False), 0, 64, False,
                               XInternAtom(dpy_, "UTF8_STRING", False), &type, &format, &items,
                               &after, &data),
            Success);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data), items), "\xE6\x8C\xBF\xE7\xB5\xB5");
  XFree(data);
  SendClose(win);
  EXPECT_EQ(WaitChild(10), 0);
}

TEST_F(XvfbTest, APictureWiderThanAnXWindowCanBeIsRefused) {
  Dib wide;
  wide.width = 40000;
  wide.height = 1;
  wide.bits_per_pixel = 24;
  wide.stride = 120000;
  wide.row_bytes = 120000;
  wide.pixels.assign(120000, 0x80);
  ImageWindowOptions options;
  options.display = display_;
  PosixImageWindow window(nullptr, nullptr, options);
  EXPECT_FALSE(window.Show("wide", &wide));
}

// ---------------------------------------------------------------- terminal

Dib SolidPicture(int width, int height, std::array<int, 3> rgb) {
  return Decode(pngtest::MakeRgbPng(width, height, [rgb](int, int) { return rgb; }));
}

TerminalTraits Tty(std::vector<std::string> env) {
  TerminalTraits t;
  t.is_tty = true;
  t.env = std::move(env);
  return t;
}

TEST(TerminalPicture, ColourTerminalsGetTheColoursInRedGreenBlueOrder) {
  // Orange: 255, 128, 0. Swapped channels would give 0, 128, 255.
  Dib dib = SolidPicture(40, 40, {255, 128, 0});
  std::string truecolour = RenderPicture(dib, Tty({"TERM=xterm-256color", "COLORTERM=truecolor"}));
  EXPECT_NE(truecolour.find("2;255;128;0"), std::string::npos) << truecolour;
  EXPECT_EQ(truecolour.find("2;0;128;255"), std::string::npos);
  // A terminal of 256 colours gets palette indexes, never direct colours.
  std::string indexed = RenderPicture(dib, Tty({"TERM=screen-256color"}));
  EXPECT_NE(indexed.find("8;5;"), std::string::npos) << indexed;
  EXPECT_EQ(indexed.find("8;2;"), std::string::npos);
}

TEST(TerminalPicture, GraphicsTerminalsGetKittyOrSixelImages) {
  Dib dib = SolidPicture(30, 20, {10, 200, 30});
  std::string kitty = RenderPicture(dib, Tty({"TERM=xterm-kitty"}));
  EXPECT_EQ(kitty.rfind("\x1b_G", 0), 0u) << kitty.substr(0, 40);
  std::string sixel = RenderPicture(dib, Tty({"TERM=foot"}));
  EXPECT_NE(sixel.find("\x1bP"), std::string::npos);
  EXPECT_NE(sixel.find('#'), std::string::npos);  // sixel colour registers
}

TEST(TerminalPicture, OutputThatIsNotATerminalGetsPlainAsciiFittedToTheScreen) {
  // 377 x 512 in cells of 10 x 20 is 38 x 26 cells; 24 rows leave 22 for
  // the picture, so it shrinks to 32 x 22.
  Dib dib = Decode(pngtest::MakeRgbPng(377, 512, pngtest::PatternColour));
  TerminalTraits plain;
  std::string art = RenderPicture(dib, plain);
  ASSERT_FALSE(art.empty());
  for (char c : art) ASSERT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7F)) << int(c);
  EXPECT_EQ(std::count(art.begin(), art.end(), '\n'), 22);
  EXPECT_EQ(art.find('\n'), 32u);
  // A small picture is not enlarged: 25 x 15 pixels take 3 x 1 cells.
  std::string small = RenderPicture(SolidPicture(25, 15, {0, 0, 0}), plain);
  EXPECT_EQ(small.size(), 4u) << small;
}

TEST(TerminalPicture, AttributeSequenceMatchesTheConsoleColours) {
  EXPECT_EQ(AttributeSgr(0x07), "\x1b[0;37;40m");       // L_WHITE on L_BLACK
  EXPECT_EQ(AttributeSgr(0xF0), "\x1b[0;30;107m");      // L_BLACK on H_WHITE
  EXPECT_EQ(AttributeSgr(0x2C), "\x1b[0;91;42m");       // H_RED on L_GREEN
  EXPECT_EQ(AttributeSgr(0x9E), "\x1b[0;93;104m");      // H_YELLOW on H_BLUE
}

TEST(PosixImageWindowTerminal, WithoutADisplayThePictureGoesToTheTerminalAndAKeyEndsIt) {
  testing::FakeConsole console;
  testing::FakeKeyboard keyboard;
  keyboard.Type("x");
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  ImageWindowOptions options;
  options.out_fd = fds[1];
  options.display = ":199";  // no server there: XOpenDisplay fails at once
  PosixImageWindow window(&console, &keyboard, options);
  Dib dib = SolidPicture(50, 40, {255, 255, 255});
  double start = Now();
  EXPECT_TRUE(window.Show("fig00000_01", &dib));
  EXPECT_LT(Now() - start, 2.0);
  close(fds[1]);
  std::string out;
  char buf[4096];
  for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) out.append(buf, n);
  close(fds[0]);
  // 5 x 2 cells of ASCII art.
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 2);
  EXPECT_EQ(out.find('\x1b'), std::string::npos);
  EXPECT_EQ(console.Text(), "touch anykey , close picture\n");
  EXPECT_EQ(keyboard.keys_read, 1);

  // No picture: the prompt and the key alone.
  keyboard.Type("y");
  EXPECT_TRUE(window.Show("fig99999_99", nullptr));
  EXPECT_EQ(keyboard.keys_read, 2);

  window.MessageBox("ウィンドウの作成に失敗しました", "エラー");
  EXPECT_EQ(console.TextAfter("close picture\n", 1), "エラー: ウィンドウの作成に失敗しました\n");
}

TEST(PosixImageWindowTerminal, OnATerminalThePictureIsFollowedByTheConsoleColoursAgain) {
  int master = -1;
  int slave = -1;
  winsize size{};
  size.ws_col = 80;
  size.ws_row = 24;
  ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, &size), 0);
  const char* old_term = std::getenv("TERM");
  std::string saved = old_term != nullptr ? old_term : "";
  setenv("TERM", "xterm-256color", 1);
  testing::FakeConsole console;
  console.SetTextAttribute(0xF0);  // reverse mode's normal colours
  testing::FakeKeyboard keyboard;
  keyboard.Type(" ");
  ImageWindowOptions options;
  options.out_fd = slave;
  options.use_x11 = false;
  PosixImageWindow window(&console, &keyboard, options);
  Dib dib = SolidPicture(20, 20, {0, 0, 255});
  EXPECT_TRUE(window.Show("fig00000_01", &dib));
  if (old_term != nullptr) setenv("TERM", saved.c_str(), 1); else unsetenv("TERM");
  std::string out;
  char buf[4096];
  for (;;) {
    pollfd p{master, POLLIN, 0};
    if (poll(&p, 1, 200) <= 0) break;
    ssize_t n = read(master, buf, sizeof buf);
    if (n <= 0) break;
    out.append(buf, n);
  }
  close(slave);
  close(master);
  ASSERT_FALSE(out.empty());
  EXPECT_NE(out.find("\x1b["), std::string::npos);
  const std::string restore = "\x1b[0;30;107m";
  ASSERT_GE(out.size(), restore.size());
  EXPECT_EQ(out.substr(out.size() - restore.size()), restore);
  EXPECT_EQ(keyboard.keys_read, 1);
}

}  // namespace
}  // namespace shiori
