// Media capabilities this build has no back-end for yet: each does nothing,
// quickly, as a machine without the device would.
#include "platform/posix/unavailable_posix.h"

namespace shiori {

void SilentCues::Play(std::string_view, unsigned) {}

void SilentSpeech::Speak(const std::vector<std::string>&) {}

int NoMusicDevice::SendString(const std::string& command, std::string* reply) {
  if (reply != nullptr) reply->clear();
  return 263;  // the device is not open
}

bool NoImageWindow::Show(const std::string&, const Dib*) { return false; }

void NoImageWindow::MessageBox(const std::string&, const std::string&) {}

std::string NoFileDialog::GetOpenFileName(const std::string&, const std::vector<FileFilter>&,
                                          const std::string&) {
  return "";
}

}  // namespace shiori
