#include "platform/win32/image_window_win32.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

// The interface's method shares its name with the header's A/W macro.
#undef MessageBox

namespace shiori {

namespace {

constexpr int kWindowWidth = 640;
constexpr int kWindowHeight = 480;
// The frame and caption allowance added to the picture's size.
constexpr int kFrameWidth = 10;
constexpr int kFrameHeight = 40;

static_assert(sizeof(WNDCLASSEXA) == 80 || sizeof(void*) == 4, "WNDCLASSEXA record size");

LRESULT CALLBACK wind_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace

struct WindProcAccess {
  static void Create(WinImageWindow* w, HWND window) { w->OnCreate(window); }
  static void Paint(WinImageWindow* w, HWND window) { w->OnPaint(window); }
};

WinImageWindow::~WinImageWindow() { ReleasePicture(); }

void WinImageWindow::ReleasePicture() {
  if (memory_dc_ != nullptr) {
    if (old_bitmap_ != nullptr) SelectObject(static_cast<HDC>(memory_dc_), old_bitmap_);
    DeleteDC(static_cast<HDC>(memory_dc_));
  }
  if (bitmap_ != nullptr) DeleteObject(static_cast<HBITMAP>(bitmap_));
  memory_dc_ = bitmap_ = old_bitmap_ = nullptr;
}

void WinImageWindow::MessageBox(const std::string& text, const std::string& caption) {
  MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK);
}

bool WinImageWindow::Show(const std::string& title, const Dib* dib) {
  name_ = title.substr(0, 255);
  dib_ = dib;
  HWND window = static_cast<HWND>(MakeWind());
  if (window == nullptr) {
    dib_ = nullptr;
    return false;
  }
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  SetForegroundWindow(window);
  MSG msg;
  for (;;) {
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) break;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  // Nothing refers to the picture once the window is gone.
  ReleasePicture();
  dib_ = nullptr;
  return true;
}

void* WinImageWindow::MakeWind() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSEXA wc;
  std::memset(&wc, 0, sizeof wc);
  wc.cbSize = sizeof wc;
  wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
  wc.lpfnWndProc = wind_proc;
  wc.hInstance = instance;
  wc.hIcon = static_cast<HICON>(
      LoadImageA(nullptr, IDI_APPLICATION, IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
  wc.hIconSm = wc.hIcon;
  wc.hCursor = static_cast<HCURSOR>(
      LoadImageA(nullptr, IDC_ARROW, IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = kImageWindowClass;
  // Fails when an earlier picture registered the class: that one serves.
  RegisterClassExA(&wc);
  int screen_w = GetSystemMetrics(SM_CXSCREEN);
  int screen_h = GetSystemMetrics(SM_CYSCREEN);
  // The creation data carries this object to the window procedure.
  return CreateWindowExA(0, kImageWindowClass, name_.c_str(), WS_OVERLAPPEDWINDOW,
                         (screen_w - kWindowWidth) / 2, (screen_h - kWindowHeight) / 2,
                         kWindowWidth, kWindowHeight, nullptr, nullptr, instance, this);
}

void WinImageWindow::OnCreate(void* w) {
  HWND window = static_cast<HWND>(w);
  ReleasePicture();
  const Dib* dib = dib_;
  void* bits = nullptr;
  if (dib != nullptr && dib->width > 0 && dib->height > 0) {
    BITMAPINFO info;
    std::memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = dib->width;
    info.bmiHeader.biHeight = dib->height;  // positive: bottom-up rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(dib->bits_per_pixel);
    info.bmiHeader.biCompression = BI_RGB;
    bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  }
  if (bitmap_ != nullptr && bits != nullptr) {
    // The section's rows are padded to 4 bytes, as the picture's are; copy
    // each row's bytes and leave the padding alone.
    const int stride = ((dib->width * dib->bits_per_pixel + 31) / 32) * 4;
    const int row = std::min({dib->row_bytes, stride, dib->stride});
    auto* to = static_cast<std::uint8_t*>(bits);
    for (int y = 0; y < dib->height; ++y) {
      std::size_t from = static_cast<std::size_t>(y) * dib->stride;
      if (from + row > dib->pixels.size()) break;
      std::memcpy(to + static_cast<std::size_t>(y) * stride, dib->pixels.data() + from, row);
    }
  }
  HDC dc = GetDC(window);
  memory_dc_ = CreateCompatibleDC(dc);
  if (bitmap_ != nullptr) {
    old_bitmap_ = SelectObject(static_cast<HDC>(memory_dc_), bitmap_);
    RECT rect;
    GetWindowRect(window, &rect);
    MoveWindow(window, rect.left, rect.top, dib->width + kFrameWidth, dib->height + kFrameHeight,
               TRUE);
  }
  ReleaseDC(window, dc);
}

void WinImageWindow::OnPaint(void* w) {
  HWND window = static_cast<HWND>(w);
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  if (bitmap_ != nullptr && dib_ != nullptr)
    BitBlt(dc, 0, 0, dib_->width, dib_->height, static_cast<HDC>(memory_dc_), 0, 0, SRCCOPY);
  EndPaint(window, &ps);
}

namespace {

LRESULT CALLBACK wind_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lparam);
    SetWindowLongPtrA(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<WinImageWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  switch (message) {
    case WM_CREATE:
      if (self != nullptr) WindProcAccess::Create(self, window);
      return 0;
    case WM_PAINT:
      if (self == nullptr) break;
      WindProcAccess::Paint(self, window);
      return 0;
    case WM_COMMAND:
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace

}  // namespace shiori
