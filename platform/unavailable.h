// The services a machine may lack, each as an implementation that does
// nothing: a platform without sound, speech, music, a window, a dialog,
// resources or conversions hands the reader these, so that every service of
// Platform is always there and the reader never asks whether it is.
#pragma once

#include "platform/media.h"
#include "platform/resources.h"
#include "platform/text_codec.h"

namespace shiori {

/// Plays nothing.
class UnavailableCues : public SoundCues {
 public:
  void Play(std::string_view alias, unsigned flags) override;
};

/// Says nothing, and returns at once.
class UnavailableSpeech : public SpeechEngine {
 public:
  void Speak(const std::vector<std::string>& lines) override;
};

/// Runs no command: every reply is empty.
class UnavailableMusic : public MusicDevice {
 public:
  int SendString(const std::string& command, std::string* reply) override;
};

/// Creates no window and shows no message box.
class UnavailableWindow : public ImageWindow {
 public:
  bool Show(const std::string& title, const Dib* dib) override;
  void MessageBox(const std::string& text, const std::string& caption) override;
};

/// Chooses no file: as if cancelled.
class UnavailableDialog : public FileDialog {
 public:
  std::string GetOpenFileName(const std::string& title, const std::vector<FileFilter>& filters,
                              const std::string& initial_dir) override;
};

/// Holds no resource.
class UnavailableResources : public ResourceStore {
 public:
  bool Find(std::string_view type, std::string_view name,
            std::span<const std::uint8_t>* bytes) const override;
};

/// Converts nothing: text is taken as it is, and UTF-8 cannot be converted.
class UnavailableCodec : public TextCodec {
 public:
  bool Utf8ToCp932(std::string_view utf8, std::string* cp932) const override;
  std::string Cp932ToUtf8(std::string_view cp932) const override;
  std::string NativeToCp932(std::string_view native) const override;
  std::string Cp932ToReadable(std::string_view cp932) const override;
  std::string NativeFileStem(std::string_view path) const override;
};

/// One shared instance of each, for every Platform that lacks the service
/// (they hold no state).
UnavailableCues& NoCues();
UnavailableSpeech& NoSpeech();
UnavailableMusic& NoMusic();
UnavailableWindow& NoWindow();
UnavailableDialog& NoDialog();
const UnavailableResources& NoResources();
const UnavailableCodec& NoCodec();

}  // namespace shiori
