// Music through the multimedia command strings (MCI).
#pragma once

#include "platform/media.h"

namespace shiori {

/// mciSendStringA with the command as it stands, no callback window, and a
/// reply buffer of 30 bytes.
class WinMusic : public MusicDevice {
 public:
  int SendString(const std::string& command, std::string* reply) override;
};

}  // namespace shiori
