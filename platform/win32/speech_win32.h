// Speech through the speech engine's voice object (COM ISpVoice), called
// directly: the text is handed to the voice as data and is never part of a
// script or a command line.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/media.h"

namespace shiori {

/// The calls made on the voice, so that their order can be checked without
/// a speech engine.
class Voice {
 public:
  virtual ~Voice() = default;
  /// Creates the voice object; false when there is none.
  virtual bool Create() = 0;
  /// Sets the speaking rate; false on failure.
  virtual bool SetRate(long rate) = 0;
  /// Speaks |text| as plain text (never as markup) and returns when done.
  virtual bool Speak(const std::wstring& text) = 0;
};

/// The engine's own voice (SpVoice), with COM set up for this thread.
std::unique_ptr<Voice> MakeSapiVoice();

/// Code page 932 bytes as UTF-16.
std::wstring WideFromCp932(const std::string& bytes);

/// G_TTS's engine: one voice at rate 1, created at the first utterance;
/// each line of an utterance is one synchronous Speak. A voice that cannot be
/// created, or that refuses a line, leaves the rest unspoken at once.
class WinSpeech : public SpeechEngine {
 public:
  explicit WinSpeech(std::unique_ptr<Voice> voice = MakeSapiVoice());
  void Speak(const std::vector<std::string>& lines) override;

 private:
  std::unique_ptr<Voice> voice_;
  bool tried_ = false;
  bool ready_ = false;
};

}  // namespace shiori
