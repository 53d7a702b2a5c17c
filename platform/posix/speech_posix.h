// Japanese speech on POSIX: each line is synthesised by Open JTalk into a WAV
// file and played through the sound server, one after the other.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/media.h"

namespace shiori {

/// True when a player could be heard here: a sound server answers on its
/// socket (PULSE_SERVER, else the user's or the system's), or the machine
/// has a playback device. A few system calls, no helper started.
bool SoundOutputReachable();

/// Removes the private folders ("shiori-speech-PID-XXXXXX") in |temp_dir|
/// that this user's readers left when they were killed: those whose process
/// is gone. A folder of the older form, without the process, is removed once
/// it is an hour old (no utterance lasts that long).
void RemoveStaleSpeechFolders(const std::string& temp_dir);

/// Where the synthesiser, its dictionary and voice, and the players are.
struct JTalkSettings {
  std::string synthesizer = "open_jtalk";  ///< a path, or a name looked up on PATH
  std::string dictionary = "/var/lib/mecab/dic/open-jtalk/naist-jdic";
  std::string voice =
      "/usr/share/hts-voice/nitech-jp-atr503-m001/nitech_jp_atr503_m001.htsvoice";
  double rate = 1.1;  ///< a little faster than the voice's own pace
  /// Players of a WAV file that return when it has been played, tried in order.
  std::vector<std::string> players = {"paplay", "aplay"};
  /// When set, each rendered line is kept there as NNNNNN.wav (with its text,
  /// UTF-8, in NNNNNN.txt) instead of being played.
  std::string wav_dir;
  /// Directory for the private working files; empty: $TMPDIR, else /tmp.
  std::string temp_dir;
  /// Asked once, at construction, unless wav_dir is set: whether anything
  /// played could be heard. When not, nothing is ever synthesised.
  std::function<bool()> output_reachable = SoundOutputReachable;
  int synth_timeout_ms = 20000;  ///< per line
  int play_margin_ms = 3000;     ///< beyond the sound's own length
  int device_retry_ms = 30000;   ///< after a failed playback, speak nothing this long
};

/// Reads the lines aloud in Japanese through Open JTalk; Speak returns when
/// the last line has been played. Text goes to the synthesiser on its
/// standard input, never on a command line. Without the synthesiser, its
/// dictionary or voice, or without a player and a sound output to hear it
/// through, it does nothing and costs nothing; when playback fails all the
/// same it stays silent for device_retry_ms. When the program is asked to
/// end, the helper at work is killed and the private folder removed at
/// once; the folders of readers that were killed are removed at the start.
class PosixSpeech : public SpeechEngine {
 public:
  /// The Debian paths; the environment variable SHIORI_SPEECH_WAV_DIR, when
  /// set, names the directory that receives the WAVs instead of the player.
  PosixSpeech();
  explicit PosixSpeech(JTalkSettings settings);

  void Speak(const std::vector<std::string>& lines) override;

  /// False when the synthesiser cannot run here (Speak then does nothing).
  bool available() const { return available_; }

 private:
  /// Renders one UTF-8 line into |wav|; false when nothing was rendered.
  bool Render(const std::string& utf8, const std::string& dir, const std::string& wav);
  /// Plays |wav| to its end; false when no player could play it.
  bool Play(const std::string& wav);

  JTalkSettings settings_;
  std::string synthesizer_;
  std::vector<std::string> players_;
  std::size_t preferred_player_ = 0;
  bool available_ = false;
  long long silent_until_ms_ = 0;
  int kept_ = 0;  ///< WAVs written to wav_dir so far
};

/// CP932 bytes to UTF-8; a byte that is not part of a valid character is
/// left out.
std::string Cp932ToUtf8(const std::string& text);

/// Length in milliseconds of a PCM WAV file, or -1 when it cannot be read.
long WavLengthMs(const std::string& path);

}  // namespace shiori
