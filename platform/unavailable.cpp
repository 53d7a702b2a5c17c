#include "platform/unavailable.h"

#include <cerrno>
#include <filesystem>

namespace shiori {

void UnavailableCues::Play(std::string_view, unsigned) {}

void UnavailableSpeech::Speak(const std::vector<std::string>&) {}

int UnavailableMusic::SendString(const std::string&, std::string* reply) {
  if (reply != nullptr) reply->clear();
  return ENODEV;
}

bool UnavailableWindow::Show(const std::string&, const Dib*) { return false; }

void UnavailableWindow::MessageBox(const std::string&, const std::string&) {}

std::string UnavailableDialog::GetOpenFileName(const std::string&,
                                               const std::vector<FileFilter>&,
                                               const std::string&) {
  return "";
}

bool UnavailableResources::Find(std::string_view, std::string_view,
                                std::span<const std::uint8_t>*) const {
  return false;
}

bool UnavailableCodec::Utf8ToCp932(std::string_view, std::string*) const { return false; }

std::string UnavailableCodec::Cp932ToUtf8(std::string_view) const { return ""; }

std::string UnavailableCodec::NativeToCp932(std::string_view native) const {
  return std::string(native);
}

std::string UnavailableCodec::Cp932ToReadable(std::string_view cp932) const {
  return std::string(cp932);
}

std::string UnavailableCodec::NativeFileStem(std::string_view path) const {
  return std::filesystem::path(path).stem().string();
}

UnavailableCues& NoCues() {
  static UnavailableCues cues;
  return cues;
}

UnavailableSpeech& NoSpeech() {
  static UnavailableSpeech speech;
  return speech;
}

UnavailableMusic& NoMusic() {
  static UnavailableMusic music;
  return music;
}

UnavailableWindow& NoWindow() {
  static UnavailableWindow window;
  return window;
}

UnavailableDialog& NoDialog() {
  static UnavailableDialog dialog;
  return dialog;
}

const UnavailableResources& NoResources() {
  static const UnavailableResources resources;
  return resources;
}

const UnavailableCodec& NoCodec() {
  static const UnavailableCodec codec;
  return codec;
}

}  // namespace shiori
