#include "platform/posix/x11_window.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <iconv.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>

#include "platform/posix/stop_request.h"
#include "text/sjis.h"

namespace shiori {

namespace {

constexpr int kBlankWidth = 640;
constexpr int kBlankHeight = 480;
constexpr int kMaxSide = 32767;  // X11 window sides are 16-bit

// Xlib's error handler has no user data and, by default, ends the process.
// While a window is open, errors are counted here instead.
int g_x_errors = 0;
int CountError(Display*, XErrorEvent*) {
  ++g_x_errors;
  return 0;
}

class ErrorTrap {
 public:
  ErrorTrap() : old_(XSetErrorHandler(CountError)) { g_x_errors = 0; }
  ~ErrorTrap() { XSetErrorHandler(old_); }
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;
  bool failed(Display* dpy) const {
    XSync(dpy, False);
    return g_x_errors > 0;
  }

 private:
  int (*old_)(Display*, XErrorEvent*);
};

std::string Cp932ToUtf8(const std::string& text) {
  iconv_t cd = iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) return "";
  std::string in = text;
  std::string out(text.size() * 3 + 4, '\0');
  char* src = in.data();
  std::size_t src_left = in.size();
  char* dst = out.data();
  std::size_t dst_left = out.size();
  std::size_t rc = iconv(cd, &src, &src_left, &dst, &dst_left);
  iconv_close(cd);
  if (rc == static_cast<std::size_t>(-1)) return "";
  out.resize(out.size() - dst_left);
  return out;
}

// The window manager's title: UTF-8 in _NET_WM_NAME, and an ASCII WM_NAME
// for managers that read only that.
void SetTitle(Display* dpy, Window win, const std::string& title) {
  // One mark for each character that is not printable ASCII (a double-byte
  // character's second byte may look like ASCII).
  std::string ascii;
  for (std::size_t i = 0; i < title.size(); ++i) {
    auto c = static_cast<unsigned char>(title[i]);
    if (IsLeadByte(c) && i + 1 < title.size()) ++i;
    ascii += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
  }
  XStoreName(dpy, win, ascii.c_str());
  std::string utf8 = Cp932ToUtf8(title);
  if (utf8.empty()) utf8 = ascii;
  XChangeProperty(dpy, win, XInternAtom(dpy, "_NET_WM_NAME", False),
                  XInternAtom(dpy, "UTF8_STRING", False), 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(utf8.data()), static_cast<int>(utf8.size()));
}

// One 8-bit channel placed in a visual's colour mask.
unsigned long Channel(unsigned v, unsigned long mask) {
  if (mask == 0) return 0;
  int shift = std::countr_zero(mask);
  int bits = std::popcount(mask);
  unsigned long value = bits >= 8 ? static_cast<unsigned long>(v) << (bits - 8) : v >> (8 - bits);
  return (value << shift) & mask;
}

// The picture as an image of the screen's visual; null when the visual does
// not take colours directly (a palette screen) or memory runs out.
XImage* MakeImage(Display* dpy, Visual* visual, int depth, const Dib& dib) {
  if (visual->c_class != TrueColor && visual->c_class != DirectColor) return nullptr;
  XImage* image = XCreateImage(dpy, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                               static_cast<unsigned>(dib.width),
                               static_cast<unsigned>(dib.height), 32, 0);
  if (image == nullptr) return nullptr;
  image->data = static_cast<char*>(std::malloc(static_cast<std::size_t>(image->bytes_per_line) *
                                               dib.height));
  if (image->data == nullptr) {
    XDestroyImage(image);
    return nullptr;
  }
  const int bytes = dib.bits_per_pixel / 8;
  for (int y = 0; y < dib.height; ++y) {
    const std::uint8_t* row = &dib.pixels[static_cast<std::size_t>(dib.height - 1 - y) * dib.stride];
    for (int x = 0; x < dib.width; ++x) {
      const std::uint8_t* p = row + x * bytes;  // blue, green, red
      XPutPixel(image, x, y,
                Channel(p[2], visual->red_mask) | Channel(p[1], visual->green_mask) |
                    Channel(p[0], visual->blue_mask));
    }
  }
  return image;
}

bool Drawable(const Dib* dib) {
  if (dib == nullptr || dib->width <= 0 || dib->height <= 0) return false;
  if (dib->bits_per_pixel != 24 && dib->bits_per_pixel != 32) return false;
  return dib->pixels.size() >= static_cast<std::size_t>(dib->stride) * dib->height;
}

}  // namespace

X11Result ShowInX11Window(const std::string& display, const std::string& title, const Dib* dib) {
  if (display.empty()) {
    const char* env = std::getenv("DISPLAY");
    if (env == nullptr || *env == '\0') return X11Result::kNoDisplay;
  }
  Display* dpy = XOpenDisplay(display.empty() ? nullptr : display.c_str());
  if (dpy == nullptr) return X11Result::kNoDisplay;

  const bool drawable = Drawable(dib);
  const int width = drawable ? dib->width : kBlankWidth;
  const int height = drawable ? dib->height : kBlankHeight;
  if (width > kMaxSide || height > kMaxSide) {
    XCloseDisplay(dpy);
    return X11Result::kFailed;
  }

  X11Result result = X11Result::kClosed;
  {
    ErrorTrap trap;
    const int screen = DefaultScreen(dpy);
    Window root = RootWindow(dpy, screen);
    // Centred on the screen.
    const int x = std::max(0, (DisplayWidth(dpy, screen) - width) / 2);
    const int y = std::max(0, (DisplayHeight(dpy, screen) - height) / 2);
    Window win = XCreateSimpleWindow(dpy, root, x, y, static_cast<unsigned>(width),
                                     static_cast<unsigned>(height), 0, BlackPixel(dpy, screen),
                                     WhitePixel(dpy, screen));
    SetTitle(dpy, win, title);
    XSizeHints hints{};
    hints.flags = PPosition | PSize;
    hints.x = x;
    hints.y = y;
    hints.width = width;
    hints.height = height;
    XSetWMNormalHints(dpy, win, &hints);
    XClassHint class_hint{const_cast<char*>("shiori"), const_cast<char*>("Shiori")};
    XSetClassHint(dpy, win, &class_hint);
    Atom wm_delete = XInternAtom(dpy, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(dpy, win, &wm_delete, 1);
    XSelectInput(dpy, win, ExposureMask | KeyPressMask | StructureNotifyMask);
    XImage* image = drawable ? MakeImage(dpy, DefaultVisual(dpy, screen), DefaultDepth(dpy, screen), *dib)
                             : nullptr;
    GC gc = XCreateGC(dpy, win, 0, nullptr);
    XMapRaised(dpy, win);

    if (trap.failed(dpy)) {
      result = X11Result::kFailed;
    } else {
      bool open = true;
      bool destroyed = false;
      while (open) {
        // The wait for the window's events also ends when the program is
        // asked to end; the window then closes as if the reader closed it.
        if (XPending(dpy) == 0) {
          if (WaitForInput(ConnectionNumber(dpy), -1) == InputWait::kStop) break;
          continue;
        }
        XEvent ev;
        XNextEvent(dpy, &ev);
        switch (ev.type) {
          case MapNotify:
            // Keys go to the picture while it is open.
            XSetInputFocus(dpy, win, RevertToParent, CurrentTime);
            break;
          case Expose:
            if (image != nullptr && ev.xexpose.x < width && ev.xexpose.y < height) {
              XPutImage(dpy, win, gc, image, ev.xexpose.x, ev.xexpose.y, ev.xexpose.x,
                        ev.xexpose.y,
                        static_cast<unsigned>(std::min(ev.xexpose.width, width - ev.xexpose.x)),
                        static_cast<unsigned>(std::min(ev.xexpose.height, height - ev.xexpose.y)));
            }
            break;
          case KeyPress: {
            KeySym key = XLookupKeysym(&ev.xkey, 0);
            if (key == XK_Escape || key == XK_q || key == XK_Q) open = false;
            break;
          }
          case ClientMessage:
            if (static_cast<Atom>(ev.xclient.data.l[0]) == wm_delete) open = false;
            break;
          case DestroyNotify:
            destroyed = true;
            open = false;
            break;
          default:
            break;
        }
      }
      if (!destroyed) XDestroyWindow(dpy, win);
    }
    XFreeGC(dpy, gc);
    if (image != nullptr) XDestroyImage(image);
    XSync(dpy, False);
  }
  XCloseDisplay(dpy);
  return result;
}

}  // namespace shiori
