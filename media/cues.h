// System sound cues by alias.
#pragma once

#include "platform/platform.h"

namespace shiori {

/// The alias table; only indexes 0, 1 and 26 are played.
extern const char* const mes[];

constexpr int kCueStart = 0;
constexpr int kCueExit = 1;
constexpr int kCueMailBeep = 26;
constexpr unsigned kCueAsyncFlags = 0x81;  ///< application sound, asynchronous
constexpr unsigned kCueSyncFlags = 0x80;   ///< application sound, waits

/// Plays mes[index] with |flags| on |plat|'s cues.
void play_cue(Platform& plat, int index, unsigned flags);

}  // namespace shiori
