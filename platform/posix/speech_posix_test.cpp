// Speech through Open JTalk on POSIX. Stand-in tools written by the tests
// show how text, files and time limits are handled; the real synthesiser,
// when installed, renders to files whose length is measured with sox.
#include "platform/posix/speech_posix.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/posix/child_process_posix.h"
#include "platform/posix/monotonic_clock.h"
#include "tests/support/fake_platform.h"

namespace shiori {
namespace {

namespace fs = std::filesystem;

std::string U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void Spit(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::string> Listing(const std::string& dir) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(dir, ec)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// A PCM WAV of |ms| milliseconds of silence, 8 kHz mono 16-bit.
std::string SilentWav(int ms) {
  const std::uint32_t data = 16 * ms;
  auto le32 = [](std::uint32_t v) {
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)};
  };
  auto le16 = [](unsigned v) { return std::string{static_cast<char>(v), static_cast<char>(v >> 8)}; };
  return "RIFF" + le32(36 + data) + "WAVE" + "fmt " + le32(16) + le16(1) + le16(1) + le32(8000) +
         le32(16000) + le16(2) + le16(16) + "data" + le32(data) + std::string(data, '\0');
}

class SpeechPosixTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/shiori_speech_XXXXXX";
    dir_ = mkdtemp(tmpl);
    for (const char* sub : {"/tmp", "/texts", "/played", "/wavs"}) fs::create_directory(dir_ + sub);
    Spit(dir_ + "/voice.htsvoice", "voice");
    fs::create_directory(dir_ + "/dic");
    Spit(dir_ + "/clip.wav", SilentWav(100));
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  // A stand-in tool: a shell script of the test's own (the text never is).
  std::string Tool(const std::string& name, const std::string& body) {
    const std::string path = dir_ + "/" + name;
    Spit(path, "#!/bin/sh\n" + body);
    chmod(path.c_str(), 0755);
    return path;
  }
  // A synthesiser that logs its arguments and its input, and writes a clip.
  std::string FakeSynthesizer() {
    return Tool("synth",
                "n=$(ls '" + dir_ + "/texts' | grep -c 'txt$')\n"
                "echo \"$@\" > '" + dir_ + "/texts/'$n.args\n"
                "cat > '" + dir_ + "/texts/'$n.txt\n"
                "while [ $# -gt 1 ]; do [ \"$1\" = -ow ] && cp '" + dir_ + "/clip.wav' \"$2\"; shift; done\n");
  }
  // A player that keeps a copy of what it was given.
  std::string FakePlayer() {
    return Tool("player",
                "[ $# -eq 1 ] || exit 2\n"
                "n=$(ls '" + dir_ + "/played' | wc -l)\n"
                "cp \"$1\" '" + dir_ + "/played/'$n.wav && echo \"$1\" >> '" + dir_ + "/played.log'\n");
  }
  JTalkSettings Fake() {
    JTalkSettings s;
    s.synthesizer = FakeSynthesizer();
    s.dictionary = dir_ + "/dic";
    s.voice = dir_ + "/voice.htsvoice";
    s.players = {FakePlayer()};
    s.temp_dir = dir_ + "/tmp";
    s.output_reachable = [] { return true; };  // the stand-in player is heard
    return s;
  }
  // The real synthesiser with the Debian paths, rendering into wavs/.
  JTalkSettings Real() {
    JTalkSettings s;
    s.wav_dir = dir_ + "/wavs";
    s.temp_dir = dir_ + "/tmp";
    return s;
  }
  bool RealAvailable() { return PosixSpeech(Real()).available(); }

  std::string dir_;
};

// Seconds of a sound file as sox measures it; -1 when it cannot.
double SoxSeconds(const std::string& path) {
  if (FindExecutable("soxi").empty()) return -1;
  const std::string cmd = "soxi -D '" + path + "' 2>/dev/null";  // a path of the test's own
  FILE* p = popen(cmd.c_str(), "r");
  if (p == nullptr) return -1;
  double seconds = -1;
  if (std::fscanf(p, "%lf", &seconds) != 1) seconds = -1;
  pclose(p);
  return seconds;
}

// Lines that a shell would take for commands; none of them may run.
std::vector<std::string> HostileLines(const std::string& dir) {
  return {"テスト\"; touch " + dir + "/a #", "$(touch " + dir + "/b)", "`touch " + dir + "/c`",
          "'; touch " + dir + "/d; '", "| touch " + dir + "/e &"};
}

void ExpectNothingRan(const std::string& dir) {
  for (const char* f : {"a", "b", "c", "d", "e"})
    EXPECT_FALSE(fs::exists(dir + "/" + f)) << "a line ran a command creating " << f;
}

TEST_F(SpeechPosixTest, TextReachesTheSynthesizerOnlyAsItsInputAndEachClipIsPlayedInOrder) {
  JTalkSettings s = Fake();
  PosixSpeech speech(s);
  ASSERT_TRUE(speech.available());
  std::vector<std::string> lines = HostileLines(dir_);
  // An NEC character, a byte that is no character, and a lead byte cut off.
  lines.push_back("①\xA0" "と\x82");
  speech.Speak(lines);

  ExpectNothingRan(dir_);
  const std::vector<std::string> utf8 = {
      U8(u8"テスト\"; touch ") + dir_ + "/a #", "$(touch " + dir_ + "/b)",
      "`touch " + dir_ + "/c`", "'; touch " + dir_ + "/d; '", "| touch " + dir_ + "/e &",
      U8(u8"①と")};
  for (std::size_t k = 0; k < utf8.size(); ++k) {
    const std::string n = dir_ + "/texts/" + std::to_string(k);
    EXPECT_EQ(Slurp(n + ".txt"), utf8[k] + "\n");
    // The arguments name the dictionary, the voice, the rate and the output
    // file only.
    const std::string args = Slurp(n + ".args");
    EXPECT_EQ(args.rfind("-x " + s.dictionary + " -m " + s.voice + " -r 1.10 -ow " + s.temp_dir +
                             "/shiori-speech-",
                         0),
              0u)
        << args;
  }
  // Played one after the other, each clip whole; the private files are gone.
  EXPECT_EQ(Listing(dir_ + "/played").size(), utf8.size());
  EXPECT_EQ(Slurp(dir_ + "/played/5.wav"), SilentWav(100));
  EXPECT_TRUE(Listing(s.temp_dir).empty());
}

TEST_F(SpeechPosixTest, HelpersThatHangAreStoppedAtTheirTimeLimit) {
  JTalkSettings s = Fake();
  s.players = {Tool("stuck_player", "exec sleep 30\n")};
  s.play_margin_ms = 300;  // the clip lasts 100 ms
  long long t0 = NowMs();
  PosixSpeech(s).Speak({"あ"});
  EXPECT_LT(NowMs() - t0, 3000);

  s = Fake();
  s.synthesizer = Tool("stuck_synth", "exec sleep 30\n");
  s.synth_timeout_ms = 300;
  t0 = NowMs();
  PosixSpeech(s).Speak({"あ", "い"});
  EXPECT_LT(NowMs() - t0, 3000);
  EXPECT_TRUE(Listing(dir_ + "/played").empty());
  EXPECT_TRUE(Listing(s.temp_dir).empty());
}

TEST_F(SpeechPosixTest, MissingToolsOrAFailingDeviceCostNothing) {
  JTalkSettings s = Fake();
  s.synthesizer = dir_ + "/no_such_synthesizer";
  EXPECT_FALSE(PosixSpeech(s).available());
  s = Fake();
  s.voice = dir_ + "/no_such_voice";
  EXPECT_FALSE(PosixSpeech(s).available());
  s = Fake();
  s.players = {"no_such_player_anywhere"};
  EXPECT_FALSE(PosixSpeech(s).available());
  s.wav_dir = dir_ + "/wavs";  // rendering to files needs no player
  EXPECT_TRUE(PosixSpeech(s).available());

  // Nothing that plays could be heard: known once, before any synthesis.
  s = Fake();
  int asked = 0;
  s.output_reachable = [&asked] { return ++asked, false; };
  PosixSpeech unheard(s);
  unheard.Speak({"一"});
  unheard.Speak({"二"});
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(Listing(dir_ + "/texts").empty());
  s.wav_dir = dir_ + "/wavs";  // and files are still recorded
  EXPECT_TRUE(PosixSpeech(s).available());

  // A player that fails (no sound server): the next utterance within the
  // retry time is not even synthesised.
  s = Fake();
  s.players = {Tool("no_device", "exit 1\n")};
  PosixSpeech speech(s);
  speech.Speak({"一"});
  ASSERT_EQ(Listing(dir_ + "/texts").size(), 2u);  // one .txt and one .args
  const long long t0 = NowMs();
  speech.Speak({"二", "三"});
  EXPECT_LT(NowMs() - t0, 500);  // room for a busy machine; the listing tells
  EXPECT_EQ(Listing(dir_ + "/texts").size(), 2u);
}

TEST_F(SpeechPosixTest, OpenJTalkRendersJapaneseAtAPlausibleLengthAndRate) {
  if (!RealAvailable()) GTEST_SKIP() << "open_jtalk with its dictionary and voice is not installed";
  if (FindExecutable("soxi").empty()) GTEST_SKIP() << "soxi (sox) is not installed";
  JTalkSettings s = Real();
  PosixSpeech speech(s);
  speech.Speak({"途中まで表示しました", "今日は朝から雨が降っていたので、図書館で本を読んで過ごしました"});
  ASSERT_EQ(Listing(s.wav_dir),
            std::vector<std::string>({"000001.txt", "000001.wav", "000002.txt", "000002.wav"}));
  EXPECT_EQ(Slurp(s.wav_dir + "/000001.txt"), U8(u8"途中まで表示しました"));
  // Fourteen morae read from kanji: about two seconds, not a blip, not a
  // spelling-out of each character.
  const double short_s = SoxSeconds(s.wav_dir + "/000001.wav");
  const double long_s = SoxSeconds(s.wav_dir + "/000002.wav");
  EXPECT_GT(short_s, 1.5);
  EXPECT_LT(short_s, 3.5);
  EXPECT_GT(long_s, 2 * short_s);
  EXPECT_LT(long_s, 9.0);

  // The same sentence at the voice's own pace is longer.
  JTalkSettings slow = Real();
  slow.wav_dir = dir_ + "/played";
  slow.rate = 1.0;
  PosixSpeech(slow).Speak({"途中まで表示しました"});
  const double slow_s = SoxSeconds(slow.wav_dir + "/000001.wav");
  EXPECT_GT(slow_s / short_s, 1.04);
  EXPECT_LT(slow_s / short_s, 1.2);
}

TEST_F(SpeechPosixTest, OpenJTalkSpeaksShellMetacharactersAsText) {
  if (!RealAvailable()) GTEST_SKIP() << "open_jtalk with its dictionary and voice is not installed";
  JTalkSettings s = Real();
  // Two of the lines: the synthesiser spells the letters of the paths out,
  // about a second of work for each.
  const std::vector<std::string> lines = HostileLines(dir_);
  PosixSpeech(s).Speak({lines[0], lines[1]});
  ExpectNothingRan(dir_);
  ASSERT_FALSE(Listing(s.wav_dir).empty());
  struct stat st;
  ASSERT_EQ(stat((s.wav_dir + "/000001.wav").c_str(), &st), 0);
  EXPECT_GT(st.st_size, 10000);
  EXPECT_TRUE(Listing(s.temp_dir).empty());
}

TEST_F(SpeechPosixTest, TheReaderQuittingIsHeardThroughOpenJTalk) {
  if (!RealAvailable()) GTEST_SKIP() << "open_jtalk with its dictionary and voice is not installed";
  JTalkSettings s = Real();
  PosixSpeech speech(s);
  testing::Scenario scenario;
  scenario.platform.speech = &speech;
  scenario.AddWork("w", "灯台の本", testing::NumberedLines(1, 40));
  scenario.keyboard.Type("q");
  scenario.Run({"0"});
  // The title, then the notice, each rendered from its code page 932 text.
  ASSERT_EQ(Listing(s.wav_dir),
            std::vector<std::string>({"000001.txt", "000001.wav", "000002.txt", "000002.wav"}));
  EXPECT_EQ(Slurp(s.wav_dir + "/000001.txt"), U8(u8"灯台の本"));
  EXPECT_EQ(Slurp(s.wav_dir + "/000002.txt"), U8(u8"とちゅうまでひょうじしました"));
  struct stat st;
  ASSERT_EQ(stat((s.wav_dir + "/000002.wav").c_str(), &st), 0);
  EXPECT_GT(st.st_size, 100000);  // about two seconds at 48 kHz
}

TEST_F(SpeechPosixTest, FoldersOfKilledReadersAreRemovedAtTheStartAndOthersKept) {
  const pid_t gone = fork();
  if (gone == 0) _exit(0);
  ASSERT_GT(gone, 0);
  waitpid(gone, nullptr, 0);
  const std::string prefix = dir_ + "/tmp/shiori-speech-";
  struct Folder {
    std::string path;
    bool hours_old;
    bool removed;
  };
  const std::vector<Folder> folders = {
      {prefix + std::to_string(gone) + "-aaaaaa", false, true},      // its reader is gone
      {prefix + std::to_string(getpid()) + "-bbbbbb", true, false},  // its reader is here
      {prefix + "cccccc", true, true},    // the older form, long forgotten
      {prefix + "dddddd", false, false},  // the older form, perhaps in use
  };
  for (const Folder& f : folders) {
    fs::create_directory(f.path);
    Spit(f.path + "/text.txt", "spoken text");
    if (f.hours_old) {
      const timespec two_hours_ago[2] = {{time(nullptr) - 7200, 0}, {time(nullptr) - 7200, 0}};
      ASSERT_EQ(utimensat(AT_FDCWD, f.path.c_str(), two_hours_ago, 0), 0);
    }
  }
  PosixSpeech speech(Fake());
  for (const Folder& f : folders) EXPECT_EQ(fs::exists(f.path), !f.removed) << f.path;
}

TEST_F(SpeechPosixTest, WithoutASoundServerSpeechFailsQuicklyAndThenStaysSilent) {
  if (!RealAvailable()) GTEST_SKIP() << "open_jtalk with its dictionary and voice is not installed";
  if (FindExecutable("paplay").empty()) GTEST_SKIP() << "paplay (pulseaudio-utils) is not installed";
  const char* old = std::getenv("PULSE_SERVER");
  const std::string saved = old != nullptr ? old : "";
  setenv("PULSE_SERVER", ("unix:" + dir_ + "/no_server").c_str(), 1);
  JTalkSettings s = Real();
  s.wav_dir.clear();
  s.players = {"paplay"};
  // With no playback device either, it is known at once that nothing
  // would be heard: not even the first piece is synthesised.
  const bool device = fs::exists("/dev/snd");
  PosixSpeech speech(s);
  long long t0 = NowMs();
  speech.Speak({"途中まで表示しました"});
  const long long first = NowMs() - t0;
  t0 = NowMs();
  speech.Speak({"おわりまで、ひょうじしました"});
  const long long second = NowMs() - t0;
  const bool unreachable = !SoundOutputReachable();
  // A server that answers on the socket named is reachable.
  const std::string socket_path = dir_ + "/server";
  const int server = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  socket_path.copy(addr.sun_path, sizeof addr.sun_path - 1);
  ASSERT_EQ(bind(server, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(listen(server, 1), 0);
  setenv("PULSE_SERVER", ("unix:" + socket_path).c_str(), 1);
  const bool answering = SoundOutputReachable();
  close(server);
  if (old != nullptr) setenv("PULSE_SERVER", saved.c_str(), 1); else unsetenv("PULSE_SERVER");
  EXPECT_TRUE(answering);
  if (!device) {
    EXPECT_TRUE(unreachable);
    EXPECT_FALSE(speech.available());
    EXPECT_LT(first, 100);  // a synthesis alone takes longer
  } else {
    EXPECT_LT(first, 2000);  // synthesis only, the speech is not waited for
  }
  EXPECT_LT(second, 100);
  EXPECT_TRUE(Listing(s.temp_dir).empty());
}

}  // namespace
}  // namespace shiori
