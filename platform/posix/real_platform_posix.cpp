// The POSIX platform: the terminal for console and keys, resources compiled
// into the program, and the media back-ends this build has.
#include <unistd.h>

#include <cstdlib>
#include <string_view>

#include "platform/embedded.h"
#include "platform/platform.h"
#include "platform/posix/charset.h"
#include "platform/posix/console_posix.h"
#include "platform/posix/cues_posix.h"
#include "platform/posix/dialog_posix.h"
#include "platform/posix/keyboard_posix.h"
#include "platform/posix/messages_posix.h"
#include "platform/posix/music_posix.h"
#include "platform/posix/speech_posix.h"
#include "platform/posix/stop_request.h"
#include "platform/posix/terminal_guard.h"
#include "platform/posix/window_posix.h"

namespace shiori {

namespace {

class PosixPlatform : public RealPlatform {
 public:
  PosixPlatform()
      : charset_(TerminalCharset()),
        guard_(STDIN_FILENO, STDOUT_FILENO),
        console_(STDOUT_FILENO, charset_, &guard_,
                 PosixConsole::TermTakesEscapes(std::getenv("TERM")), STDERR_FILENO),
        keyboard_(STDIN_FILENO, charset_, &console_),
        messages_(&keyboard_),
        window_(&console_, &keyboard_),
        dialog_(STDIN_FILENO, &console_),
        codec_(MakeTextCodec()) {
    guard_.SetConsole(&console_);
    p_.console = &console_;
    p_.keyboard = &keyboard_;
    p_.resources = &resources_;
    p_.messages = &messages_;
    p_.cues = &cues_;
    p_.speech = &speech_;
    p_.music = &music_;
    p_.window = &window_;
    p_.dialog = &dialog_;
    p_.codec = codec_.get();
    p_.terminate = [this](int status) {
      console_.Flush();
      guard_.Restore();
      std::exit(status);
    };
    p_.stop_requested = [] { return StopSignal() != 0; };
    // Terminals outside a CJK setting draw the ambiguous characters one
    // column wide, and nothing a program can ask tells otherwise: the reader
    // says so when his terminal is set to draw them wide.
    const char* wide = std::getenv("SHIORI_AMBIGUOUS_WIDE");
    p_.ambiguous_wide = wide != nullptr && std::string_view(wide) == "1";
  }
  Platform& platform() override { return p_; }
  int Finish(int status) override {
    if (const int signal_number = StopSignal(); signal_number != 0)
      guard_.EndBySignal(signal_number);
    return status;
  }

 private:
  std::string charset_;
  TerminalGuard guard_;
  PosixConsole console_;
  PosixKeyboard keyboard_;
  PosixMessageQueue messages_;
  PosixImageWindow window_;
  PosixFileDialog dialog_;
  EmbeddedResourceStore resources_;
  PosixCues cues_;
  PosixSpeech speech_;
  PosixMusicDevice music_;
  std::unique_ptr<TextCodec> codec_;
  Platform p_;
};

}  // namespace

std::unique_ptr<RealPlatform> MakeRealPlatform() { return std::make_unique<PosixPlatform>(); }

}  // namespace shiori
