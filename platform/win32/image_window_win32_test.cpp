// The illustration window: class, size and place, the picture's pixels, and
// the loop that ends when the reader closes it. Needs a display (Xvfb in
// CI); without one, the window cannot be made and Show says so at once.
#include "platform/win32/image_window_win32.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace shiori {
namespace {

// A 160 x 120 picture (a window smaller than the platform's least size
// could not fit it): left half red, right half blue, bottom row green
// (bottom-up rows, blue-green-red bytes, rows padded to 4 bytes).
Dib TestPicture() {
  Dib d;
  d.width = 161;  // an odd width, so rows are padded
  d.height = 120;
  d.bits_per_pixel = 24;
  d.row_bytes = 483;
  d.stride = 484;
  d.pixels.assign(static_cast<std::size_t>(d.stride) * d.height, 0xEE);
  for (int y = 0; y < d.height; ++y) {
    for (int x = 0; x < d.width; ++x) {
      std::uint8_t* p = &d.pixels[static_cast<std::size_t>(y) * d.stride + 3 * x];
      // Row 0 of the data is the bottom row of the picture.
      if (y == 0) {
        p[0] = 0; p[1] = 255; p[2] = 0;
      } else if (x < 80) {
        p[0] = 0; p[1] = 0; p[2] = 255;
      } else {
        p[0] = 255; p[1] = 0; p[2] = 0;
      }
    }
  }
  return d;
}

struct Seen {
  bool found = false;
  std::string class_name;
  RECT rect = {};
  COLORREF top_left = 0, top_right = 0, bottom = 0;
  int ticks = 0;
};
Seen* g_seen = nullptr;  // the timer procedure has no other way in
const char* g_title = nullptr;

// Runs inside Show's message loop: looks at the window, then closes it.
void CALLBACK Inspect(HWND, UINT, UINT_PTR timer, DWORD) {
  Seen& s = *g_seen;
  HWND w = FindWindowA(kImageWindowClass, g_title);
  if (w == nullptr || ++s.ticks < 3) {
    if (s.ticks > 50) KillTimer(nullptr, timer);  // never found: give up
    return;
  }
  KillTimer(nullptr, timer);
  s.found = true;
  char name[64] = {};
  GetClassNameA(w, name, sizeof name);
  s.class_name = name;
  GetWindowRect(w, &s.rect);
  HDC dc = GetDC(w);
  s.top_left = GetPixel(dc, 2, 2);
  s.top_right = GetPixel(dc, 150, 2);
  s.bottom = GetPixel(dc, 10, 119);
  ReleaseDC(w, dc);
  PostMessageA(w, WM_CLOSE, 0, 0);
}

bool HaveDisplay() {
  const char* d = std::getenv("DISPLAY");
  return d != nullptr && *d != '\0';
}

TEST(WinImageWindowTest, ThePictureIsShownUnscaledInItsOwnWindowUntilClosed) {
  WinImageWindow window;
  Dib picture = TestPicture();
  if (!HaveDisplay()) {
    DWORD start = GetTickCount();
    EXPECT_FALSE(window.Show("fig00000_01", &picture));
    EXPECT_LT(GetTickCount() - start, 5000u);
    GTEST_SKIP() << "no display: checked only that no window is made";
  }
  for (const char* title : {"fig00000_01", "fig00000_02"}) {
    // The second window works although the class is registered already.
    Seen seen;
    g_seen = &seen;
    g_title = title;
    UINT_PTR timer = SetTimer(nullptr, 0, 100, Inspect);
    ASSERT_NE(timer, 0u);
    EXPECT_TRUE(window.Show(title, &picture));
    ASSERT_TRUE(seen.found) << title;
    EXPECT_EQ(seen.class_name, "Default Class Name");
    // The picture's size plus 10 by 40, placed as a centred 640 x 480 window.
    EXPECT_EQ(seen.rect.right - seen.rect.left, 161 + 10);
    EXPECT_EQ(seen.rect.bottom - seen.rect.top, 120 + 40);
    EXPECT_EQ(seen.rect.left, (GetSystemMetrics(SM_CXSCREEN) - 640) / 2);
    EXPECT_EQ(seen.rect.top, (GetSystemMetrics(SM_CYSCREEN) - 480) / 2);
    // Top-down on screen: red left, blue right, the green row at the bottom.
    EXPECT_EQ(seen.top_left, RGB(255, 0, 0));
    EXPECT_EQ(seen.top_right, RGB(0, 0, 255));
    EXPECT_EQ(seen.bottom, RGB(0, 255, 0));
  }
  g_seen = nullptr;
}

TEST(WinImageWindowTest, APictureThatCouldNotBeDecodedStillGetsAWindow) {
  if (!HaveDisplay()) GTEST_SKIP() << "needs a display";
  WinImageWindow window;
  Seen seen;
  g_seen = &seen;
  g_title = "fig00000_09";
  SetTimer(nullptr, 0, 100, Inspect);
  EXPECT_TRUE(window.Show("fig00000_09", nullptr));
  ASSERT_TRUE(seen.found);
  // No picture to size it by: the window keeps its 640 x 480.
  EXPECT_EQ(seen.rect.right - seen.rect.left, 640);
  EXPECT_EQ(seen.rect.bottom - seen.rect.top, 480);
  EXPECT_EQ(seen.top_left, RGB(255, 255, 255));
  g_seen = nullptr;
}

}  // namespace
}  // namespace shiori
