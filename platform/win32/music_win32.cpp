#include "platform/win32/music_win32.h"

#include <windows.h>
#include <mmsystem.h>

namespace shiori {

int WinMusic::SendString(const std::string& command, std::string* reply) {
  char answer[30] = {};
  MCIERROR err = mciSendStringA(command.c_str(), answer, sizeof answer, nullptr);
  answer[sizeof answer - 1] = '\0';
  if (reply != nullptr) *reply = answer;
  return static_cast<int>(err);
}

}  // namespace shiori
