// Everything the reader needs from the machine, handed to it by main (the
// real platform) or by tests (the recording fakes).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/console.h"
#include "platform/keyboard.h"
#include "platform/media.h"
#include "platform/messages.h"
#include "platform/resources.h"
#include "platform/text_codec.h"
#include "platform/unavailable.h"

namespace shiori {

struct Platform {
  ConsoleBuffer* console = nullptr;
  Keyboard* keyboard = nullptr;
  MessageQueue* messages = nullptr;
  // The services are never null: one the machine lacks is its unavailable
  // implementation (platform/unavailable.h), which does nothing.
  const ResourceStore* resources = &NoResources();
  SoundCues* cues = &NoCues();
  SpeechEngine* speech = &NoSpeech();
  MusicDevice* music = &NoMusic();
  ImageWindow* window = &NoWindow();
  FileDialog* dialog = &NoDialog();
  /// Conversions for work files and command-line text.
  const TextCodec* codec = &NoCodec();
  /// Directory of the data files ("001036_info.ini", "mmsys.ini", listings).
  /// Empty: the process's working directory at the moment a file is opened.
  std::string work_dir;
  /// The two immediate exits ("out of memory", a playlist that cannot grow).
  /// The real platform restores the terminal and ends the process.
  std::function<void(int status)> terminate;
  /// True once the program has been asked to end from outside (a signal, a
  /// console window closing). From then on every key wait answers kKeyEof
  /// and every prompt ends as at the end of input, so the reader's loops
  /// unwind to the reading loop, which saves and leaves. Null: never asked.
  std::function<bool()> stop_requested;
  /// The line end of text files ("\r\n" on Windows, "\n" elsewhere).
  std::string text_line_end = "\n";
  /// Playlist entries made from a dialog path double every backslash (true
  /// on Windows, where the backslash is the path separator).
  bool double_backslashes = false;
  /// Characters of ambiguous East Asian width (○, ×, Greek and Cyrillic
  /// letters, box drawing) take two columns on this screen, as a CJK console
  /// draws them; false where they take one.
  bool ambiguous_wide = false;
};

/// The machine's own implementations of every interface, owned together.
class RealPlatform {
 public:
  virtual ~RealPlatform() = default;
  virtual Platform& platform() = 0;
  /// The program's last step, with the reader's exit status. A run that was
  /// asked to end from outside ends here as the machine expects of one
  /// (POSIX: the terminal restored, then the signal itself with its default
  /// action); otherwise |status| is returned for main to exit with.
  virtual int Finish(int status) = 0;
};

/// Builds the real platform of this build (POSIX or Win32), ready for the
/// reader; restores the terminal when destroyed.
std::unique_ptr<RealPlatform> MakeRealPlatform();

}  // namespace shiori
