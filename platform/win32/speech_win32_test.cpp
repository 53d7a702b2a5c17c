// Speech: the calls made on the voice (checked with a recording voice, since
// wine's voice object does not speak) and the real voice failing fast.
#include "platform/win32/speech_win32.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace shiori {
namespace {

class RecordingVoice : public Voice {
 public:
  explicit RecordingVoice(std::vector<std::string>* calls) : calls_(calls) {}
  bool Create() override {
    calls_->push_back("create");
    return can_create;
  }
  bool SetRate(long rate) override {
    calls_->push_back("rate " + std::to_string(rate));
    return true;
  }
  bool Speak(const std::wstring& text) override {
    std::string call = "speak";
    for (wchar_t c : text) {
      char hex[8];
      std::snprintf(hex, sizeof hex, " %04X", static_cast<unsigned>(c));
      call += hex;
    }
    calls_->push_back(call);
    return refuse_from < 0 || ++spoken <= refuse_from;
  }
  bool can_create = true;
  int refuse_from = -1;  ///< refuse every line after this many
  int spoken = 0;

 private:
  std::vector<std::string>* calls_;
};

TEST(WinSpeechTest, EachLineIsSpokenAsUtf16AfterOneVoiceAtRateOne) {
  std::vector<std::string> calls;
  WinSpeech speech(std::make_unique<RecordingVoice>(&calls));
  // 表示 and a line with ASCII that looks like markup and a command.
  speech.Speak({"\x95\x5c\x8e\xa6", "", "<a>&\""});
  speech.Speak({"\x82\xa0"});  // あ
  EXPECT_EQ(calls, (std::vector<std::string>{
                       "create", "rate 1", "speak 8868 793A",
                       "speak 003C 0061 003E 0026 0022", "speak 3042"}));
}

TEST(WinSpeechTest, NoVoiceMeansSilenceWithoutAskingAgain) {
  std::vector<std::string> calls;
  auto voice = std::make_unique<RecordingVoice>(&calls);
  voice->can_create = false;
  WinSpeech speech(std::move(voice));
  speech.Speak({"a"});
  speech.Speak({"b"});
  EXPECT_EQ(calls, (std::vector<std::string>{"create"}));
}

TEST(WinSpeechTest, ARefusedLineLeavesTheRestOfThatUtteranceUnspoken) {
  std::vector<std::string> calls;
  auto voice = std::make_unique<RecordingVoice>(&calls);
  voice->refuse_from = 1;
  WinSpeech speech(std::move(voice));
  speech.Speak({"a", "b", "c"});
  EXPECT_EQ(calls, (std::vector<std::string>{"create", "rate 1", "speak 0061", "speak 0062"}));
}

TEST(WinSpeechTest, CodePage932ToUtf16) {
  EXPECT_EQ(WideFromCp932("\x88\xea\x81\x42\xb1"), std::wstring(L"\u4e00\u3002\uff71"));
  EXPECT_EQ(WideFromCp932(""), std::wstring());
}

TEST(WinSpeechTest, TheRealVoiceReturnsPromptly) {
  // Wine's voice object does not speak (Speak is not implemented there); on
  // Windows the line is short. Either way the call must come back.
  WinSpeech speech;
  DWORD start = GetTickCount();
  speech.Speak({"\x82\xa0"});
  EXPECT_LT(GetTickCount() - start, 15000u);
}

}  // namespace
}  // namespace shiori
