// The illustration window on POSIX: an X window when there is a display,
// otherwise the picture drawn into the terminal.
#pragma once

#include <string>

#include "platform/console.h"
#include "platform/keyboard.h"
#include "platform/media.h"

namespace shiori {

struct ImageWindowOptions {
  int out_fd = 1;           ///< where a picture drawn in the terminal goes
  std::string display;      ///< X display to use; empty: $DISPLAY
  bool use_x11 = true;      ///< false: always draw in the terminal
};

/// Show blocks until the reader is done with the picture. With a display,
/// that is when the window is closed (close control, Escape or q). Without
/// one, the picture is drawn at the cursor, "touch anykey , close picture"
/// is printed, and one key read from |keyboard| ends the showing. A null
/// picture (no resource, or one that does not decode) gives a blank window,
/// or in the terminal the prompt alone.
class PosixImageWindow : public ImageWindow {
 public:
  /// |console|: flushed before the terminal is drawn on, and where the
  /// message box is printed. |keyboard|: the key that ends a picture shown
  /// in the terminal (may be null: no wait).
  PosixImageWindow(ConsoleBuffer* console, Keyboard* keyboard, ImageWindowOptions options = {});

  /// False only when an X server refused the window.
  bool Show(const std::string& title, const Dib* dib) override;
  /// Prints the caption and the text on one line.
  void MessageBox(const std::string& text, const std::string& caption) override;

 private:
  void ShowInTerminal(const Dib* dib);

  ConsoleBuffer* console_;
  Keyboard* keyboard_;
  ImageWindowOptions options_;
};

}  // namespace shiori
