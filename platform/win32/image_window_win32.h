// The illustration window: a top-level window of its own, sized to the
// picture, with its own message loop.
#pragma once

#include <string>

#include "platform/media.h"

namespace shiori {

/// Window class name of every illustration window.
inline constexpr char kImageWindowClass[] = "Default Class Name";

class WinImageWindow : public ImageWindow {
 public:
  WinImageWindow() = default;
  ~WinImageWindow() override;
  /// show_wind: make_wind, show it normally, update it, bring it to the
  /// foreground, then the message loop until the window is destroyed.
  bool Show(const std::string& title, const Dib* dib) override;
  /// MessageBoxA without owner, OK button only.
  void MessageBox(const std::string& text, const std::string& caption) override;

 private:
  friend struct WindProcAccess;  // the class's window procedure, wind_proc

  void* MakeWind();
  void OnCreate(void* window);
  void OnPaint(void* window);
  void ReleasePicture();

  std::string name_;           ///< the image name (the window's title)
  const Dib* dib_ = nullptr;   ///< the picture being shown
  void* bitmap_ = nullptr;     ///< DIB section (HBITMAP)
  void* memory_dc_ = nullptr;  ///< memory device context holding it (HDC)
  void* old_bitmap_ = nullptr;
};

}  // namespace shiori
