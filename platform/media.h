// Media capabilities behind the seam: sound cues, speech, music commands,
// the image window and the file dialog. Each platform implements all of
// them; a machine without one gets an implementation that does nothing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace shiori {

/// Sound flags as the cues pass them.
enum : unsigned { kSndAsync = 0x0001, kSndApplication = 0x0080 };

/// System sound cues by alias name.
class SoundCues {
 public:
  virtual ~SoundCues() = default;
  /// Plays the alias; returns at once with kSndAsync, else when it ended.
  virtual void Play(std::string_view alias, unsigned flags) = 0;
};

/// Text to speech. Speak returns only when the speech has ended.
class SpeechEngine {
 public:
  virtual ~SpeechEngine() = default;
  /// |lines|: the non-empty code page 932 lines of one utterance, in order.
  virtual void Speak(const std::vector<std::string>& lines) = 0;
};

/// Multimedia command strings on one device alias.
class MusicDevice {
 public:
  virtual ~MusicDevice() = default;
  /// Runs one command; |reply| (may be null) receives the answer text.
  /// Returns 0 on success, an error number otherwise (callers may ignore it).
  virtual int SendString(const std::string& command, std::string* reply) = 0;
};

/// A decoded picture: bottom-up rows, blue-green-red(-alpha) bytes, each row
/// padded to |stride| bytes.
struct Dib {
  int width = 0;
  int height = 0;
  int bits_per_pixel = 24;
  int stride = 0;
  int row_bytes = 0;
  std::vector<std::uint8_t> pixels;
};

/// The illustration window.
class ImageWindow {
 public:
  virtual ~ImageWindow() = default;
  /// Shows |dib| (null when it could not be decoded) in a window titled
  /// |title|; returns when the reader has closed it. False when no window
  /// could be created.
  virtual bool Show(const std::string& title, const Dib* dib) = 0;
  /// A modal message box with an OK button.
  virtual void MessageBox(const std::string& text, const std::string& caption) = 0;
};

/// One filter entry of the file dialog: description and pattern list.
struct FileFilter {
  std::string description;
  std::string patterns;
};

/// The open-file dialog.
class FileDialog {
 public:
  virtual ~FileDialog() = default;
  /// Full path of an existing file the reader chose, or empty when cancelled.
  virtual std::string GetOpenFileName(const std::string& title,
                                      const std::vector<FileFilter>& filters,
                                      const std::string& initial_dir) = 0;
};

}  // namespace shiori
