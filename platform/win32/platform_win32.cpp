// The Win32 program's platform: every interface over the console, the
// executable's resources and the Windows services.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform/platform.h"
#include "platform/win32/console_stop_win32.h"
#include "platform/win32/console_win32.h"
#include "platform/win32/cues_win32.h"
#include "platform/win32/dialog_win32.h"
#include "platform/win32/image_window_win32.h"
#include "platform/win32/keyboard_win32.h"
#include "platform/win32/messages_win32.h"
#include "platform/win32/music_win32.h"
#include "platform/win32/resources_win32.h"
#include "platform/win32/speech_win32.h"

namespace shiori {

namespace {

class Win32Platform : public RealPlatform {
 public:
  Win32Platform() : codec_(MakeTextCodec()) {
    platform_.console = &console_;
    platform_.keyboard = &keyboard_;
    platform_.resources = &resources_;
    platform_.messages = &messages_;
    platform_.cues = &cues_;
    platform_.speech = &speech_;
    platform_.music = &music_;
    platform_.window = &window_;
    platform_.dialog = &dialog_;
    platform_.codec = codec_.get();
    // Data files are named relative to the working directory, which the
    // file dialog gives back unchanged.
    platform_.work_dir.clear();
    platform_.text_line_end = "\r\n";
    // The backslash separates folders: playlist entries double it.
    platform_.double_backslashes = true;
    platform_.terminate = [](int status) {
      std::fflush(nullptr);
      std::exit(status);
    };
    // The Japanese console (code page 932) draws the characters of
    // ambiguous width two columns wide, as its fonts have them; a console at
    // another code page draws them narrow, and redirected output has no
    // columns to count.
    platform_.ambiguous_wide = console_.is_console() && GetConsoleOutputCP() == 932;
    PrepareConsoleStop();
    platform_.stop_requested = [] { return ConsoleStopRequested(); };
  }

  Platform& platform() override { return platform_; }
  int Finish(int status) override {
    if (!ConsoleStopRequested()) return status;
    std::fflush(nullptr);
    ConsoleStopFinished();
    return kConsoleStopStatus;
  }

 private:
  WinConsole console_;
  WinKeyboard keyboard_;
  WinResources resources_;
  WinMessages messages_;
  WinCues cues_;
  WinSpeech speech_;
  WinMusic music_;
  WinImageWindow window_;
  WinDialog dialog_;
  std::unique_ptr<TextCodec> codec_;
  Platform platform_;
};

}  // namespace

std::unique_ptr<RealPlatform> MakeRealPlatform() { return std::make_unique<Win32Platform>(); }

}  // namespace shiori
