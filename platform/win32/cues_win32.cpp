#include "platform/win32/cues_win32.h"

#include <windows.h>
#include <mmsystem.h>

#include <string>

namespace shiori {

void WinCues::Play(std::string_view alias, unsigned flags) {
  const std::string name(alias);
  PlaySoundA(name.c_str(), nullptr, flags);
}

}  // namespace shiori
