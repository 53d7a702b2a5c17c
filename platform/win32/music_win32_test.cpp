// Music command strings and sound cues on a machine that may have no sound
// device (wine in CI has none): the commands answer, nothing hangs.
#include "platform/win32/music_win32.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/win32/cues_win32.h"

namespace shiori {
namespace {

// A second of silence as a PCM wave file.
std::string WriteSilence() {
  const std::string path =
      (std::filesystem::temp_directory_path() / "shiori_silence.wav").string();
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return "";
  const std::uint32_t rate = 8000, data = rate;
  auto u32 = [&](std::uint32_t v) { std::fwrite(&v, 4, 1, f); };
  auto u16 = [&](std::uint16_t v) { std::fwrite(&v, 2, 1, f); };
  std::fwrite("RIFF", 1, 4, f);
  u32(36 + data);
  std::fwrite("WAVEfmt ", 1, 8, f);
  u32(16);
  u16(1);     // PCM
  u16(1);     // mono
  u32(rate);  // samples per second
  u32(rate);  // bytes per second
  u16(1);     // block align
  u16(8);     // bits per sample
  std::fwrite("data", 1, 4, f);
  u32(data);
  for (std::uint32_t i = 0; i < data; ++i) std::fputc(0x80, f);
  std::fclose(f);
  return path;
}

TEST(WinMusicTest, ATrackOpensPlaysAnswersItsModeAndCloses) {
  const std::string path = WriteSilence();
  ASSERT_FALSE(path.empty());
  WinMusic mci;
  std::string reply = "untouched";
  ASSERT_EQ(mci.SendString("open \"" + path + "\" alias midi", &reply), 0);
  EXPECT_EQ(mci.SendString("play midi notify", nullptr), 0);
  ASSERT_EQ(mci.SendString("status midi mode", &reply), 0);
  // "playing", or "stopped" when there is no device to play on.
  EXPECT_TRUE(reply == "playing" || reply == "stopped") << reply;
  EXPECT_EQ(mci.SendString("play midi from 0 notify", nullptr), 0);
  EXPECT_EQ(mci.SendString("stop midi", nullptr), 0);
  EXPECT_EQ(mci.SendString("close midi", nullptr), 0);
  // The alias is gone.
  EXPECT_NE(mci.SendString("status midi mode", &reply), 0);
  std::filesystem::remove(path);
}

TEST(WinMusicTest, AFileThatIsNotThereIsAnErrorNumber) {
  WinMusic mci;
  std::string reply = "untouched";
  EXPECT_NE(mci.SendString("open \"C:\\no such dir\\none.mp3\" alias midi", &reply), 0);
  EXPECT_EQ(reply.size(), 0u);
}

TEST(WinCuesTest, CuesReturnPromptlyWithOrWithoutASoundDevice) {
  WinCues cues;
  DWORD start = GetTickCount();
  cues.Play("SystemStart", 0x81);
  cues.Play("MailBeep", 0x81);
  EXPECT_LT(GetTickCount() - start, 2000u);
  start = GetTickCount();
  cues.Play("SystemExit", 0x80);  // waits for the sound, which is short
  EXPECT_LT(GetTickCount() - start, 10000u);
}

}  // namespace
}  // namespace shiori
