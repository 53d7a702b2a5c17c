#include "platform/win32/speech_win32.h"

#include <windows.h>
#include <sapi.h>

#include "platform/win32/console_stop_win32.h"

namespace shiori {

namespace {

constexpr long kRate = 1;
constexpr unsigned long kWaitSliceMs = 100;

class SapiVoice : public Voice {
 public:
  ~SapiVoice() override {
    if (voice_ != nullptr) voice_->Release();
    if (com_) CoUninitialize();
  }

  bool Create() override {
    com_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    // MinGW's uuid library lacks CLSID_SpVoice and IID_ISpVoice; the
    // declarations carry the identifiers.
    HRESULT hr = CoCreateInstance(__uuidof(SpVoice), nullptr, CLSCTX_ALL, __uuidof(ISpVoice),
                                  reinterpret_cast<void**>(&voice_));
    if (FAILED(hr)) voice_ = nullptr;
    return voice_ != nullptr;
  }

  bool SetRate(long rate) override { return SUCCEEDED(voice_->SetRate(rate)); }

  bool Speak(const std::wstring& text) override {
    // Plain text: a line that looks like markup is read out, not
    // interpreted. Spoken in the background and waited for in slices, so
    // that a request to end the program cuts it short.
    if (FAILED(voice_->Speak(text.c_str(), SPF_IS_NOT_XML | SPF_ASYNC, nullptr))) return false;
    for (;;) {
      const HRESULT hr = voice_->WaitUntilDone(kWaitSliceMs);
      if (hr != S_FALSE) return SUCCEEDED(hr);
      if (ConsoleStopRequested()) {
        voice_->Speak(nullptr, SPF_PURGEBEFORESPEAK, nullptr);
        return false;
      }
    }
  }

 private:
  ISpVoice* voice_ = nullptr;
  bool com_ = false;
};

}  // namespace

std::unique_ptr<Voice> MakeSapiVoice() { return std::make_unique<SapiVoice>(); }

std::wstring WideFromCp932(const std::string& bytes) {
  if (bytes.empty()) return std::wstring();
  int n = MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
  return out;
}

WinSpeech::WinSpeech(std::unique_ptr<Voice> voice) : voice_(std::move(voice)) {}

void WinSpeech::Speak(const std::vector<std::string>& lines) {
  if (!tried_) {
    tried_ = true;
    ready_ = voice_ != nullptr && voice_->Create() && voice_->SetRate(kRate);
  }
  if (!ready_) return;
  for (const std::string& line : lines) {
    if (ConsoleStopRequested()) return;
    if (line.empty()) continue;
    if (!voice_->Speak(WideFromCp932(line))) return;
  }
}

}  // namespace shiori
