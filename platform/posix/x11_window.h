// A plain Xlib window that shows a picture unscaled at its top-left corner.
#pragma once

#include <string>

#include "platform/media.h"

namespace shiori {

enum class X11Result {
  kClosed,     ///< the window was shown and the reader closed it
  kNoDisplay,  ///< no X server to talk to (nothing was shown)
  kFailed,     ///< the server refused the window
};

/// Opens a window on X display |display| (empty: $DISPLAY) sized to |dib|
/// (640 x 480 and blank when |dib| is null or not drawable on the screen's
/// visual), titled |title| (code page 932), with a white background beyond
/// the picture. Blocks until the reader closes it: the window manager's
/// close control, Escape or q.
X11Result ShowInX11Window(const std::string& display, const std::string& title, const Dib* dib);

}  // namespace shiori
