// Music on POSIX: the multimedia command strings over GStreamer's playbin.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/media.h"

namespace shiori {

/// Error numbers SendString returns (the multimedia service's own).
enum MciError : int {
  kMciOk = 0,
  kMciErrHardware = 262,           ///< no audio output could be opened
  kMciErrInvalidDeviceName = 263,  ///< no such alias is open
  kMciErrDeviceOpen = 265,         ///< the alias is already in use
  kMciErrCannotLoadDriver = 266,   ///< the playback library is missing or broken
  kMciErrUnrecognizedCommand = 261,
  kMciErrFileNotFound = 275,
  kMciErrCannotPlay = 277,  ///< the file is not a kind that can be played
};

/// One device alias playing one file in the background:
///   open <file> alias <name>   ("<file>" in double quotes may hold blanks)
///   play <name> [from 0] [notify]
///   status <name> mode         reply "playing", "stopped" (after the end of
///                              the file or a stop) or "not ready" (after a
///                              playback error: the track is not retried)
///   stop <name>                close <name>
/// Opening waits until the file is decoded far enough to play (at most a few
/// seconds) and fails at once for a missing or unplayable file or when no
/// audio output can be opened. Nothing is written to the terminal.
class PosixMusicDevice : public MusicDevice {
 public:
  /// Output from the environment: SHIORI_AUDIO_SINK, when set, is the audio
  /// output as a GStreamer element description (e.g. "fakesink sync=true",
  /// the test switch for machines without sound); otherwise the first of
  /// DefaultSinks() that opens.
  PosixMusicDevice();
  /// |sinks|: element descriptions tried in order at each open.
  explicit PosixMusicDevice(std::vector<std::string> sinks);
  ~PosixMusicDevice() override;
  PosixMusicDevice(const PosixMusicDevice&) = delete;
  PosixMusicDevice& operator=(const PosixMusicDevice&) = delete;

  int SendString(const std::string& command, std::string* reply) override;

  /// The sound servers and devices tried when no output is named.
  static std::vector<std::string> DefaultSinks();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace shiori
