// System sound cues through PlaySoundA.
#pragma once

#include "platform/media.h"

namespace shiori {

/// PlaySoundA(alias, no module, flags): 0x81 returns at once, 0x80 when the
/// sound has ended. The result is not looked at.
class WinCues : public SoundCues {
 public:
  void Play(std::string_view alias, unsigned flags) override;
};

}  // namespace shiori
