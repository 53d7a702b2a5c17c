// Explicit do-nothing implementations for capabilities a machine lacks.
#pragma once

#include "platform/media.h"

namespace shiori {

class SilentCues : public SoundCues {
 public:
  void Play(std::string_view alias, unsigned flags) override;
};

class SilentSpeech : public SpeechEngine {
 public:
  void Speak(const std::vector<std::string>& lines) override;
};

class NoMusicDevice : public MusicDevice {
 public:
  int SendString(const std::string& command, std::string* reply) override;
};

class NoImageWindow : public ImageWindow {
 public:
  bool Show(const std::string& title, const Dib* dib) override;
  void MessageBox(const std::string& text, const std::string& caption) override;
};

class NoFileDialog : public FileDialog {
 public:
  std::string GetOpenFileName(const std::string& title, const std::vector<FileFilter>& filters,
                              const std::string& initial_dir) override;
};

}  // namespace shiori
