// The GStreamer music device with a silent audio output: tracks made in the
// test play to their end, report "stopped", and start again from 0.
#include "platform/posix/music_posix.h"

#include <fcntl.h>
#include <gst/gst.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

namespace shiori {
namespace {

double NowSeconds() {
  struct timespec ts {};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + ts.tv_nsec / 1e9;
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// Runs a GStreamer pipeline description to its end (encoding a test track).
bool RunPipeline(const std::string& description) {
  GError* err = nullptr;
  GstElement* p = gst_parse_launch(description.c_str(), &err);
  if (err != nullptr) g_error_free(err);
  if (p == nullptr) return false;
  gst_element_set_state(p, GST_STATE_PLAYING);
  GstBus* bus = gst_element_get_bus(p);
  GstMessage* m = gst_bus_timed_pop_filtered(
      bus, 20 * GST_SECOND, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
  bool ok = m != nullptr && GST_MESSAGE_TYPE(m) == GST_MESSAGE_EOS;
  if (m != nullptr) gst_message_unref(m);
  gst_object_unref(bus);
  gst_element_set_state(p, GST_STATE_NULL);
  gst_object_unref(p);
  return ok;
}

bool HasElements(std::initializer_list<const char*> names) {
  for (const char* n : names) {
    GstElementFactory* f = gst_element_factory_find(n);
    if (f == nullptr) return false;
    gst_object_unref(f);
  }
  return true;
}

// What a block of code writes to the standard error.
class StderrCapture {
 public:
  StderrCapture() {
    char tmpl[] = "/tmp/shiori_stderr_XXXXXX";
    fd_ = mkstemp(tmpl);
    path_ = tmpl;
    fflush(stderr);
    saved_ = dup(2);
    dup2(fd_, 2);
  }
  std::string Stop() {
    if (saved_ >= 0) {
      fflush(stderr);
      dup2(saved_, 2);
      close(saved_);
      saved_ = -1;
    }
    std::ifstream in(path_);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  ~StderrCapture() {
    Stop();
    close(fd_);
    unlink(path_.c_str());
  }

 private:
  int fd_ = -1;
  int saved_ = -1;
  std::string path_;
};

class PosixMusicTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    gst_init(nullptr, nullptr);
    char tmpl[] = "/tmp/shiori_music_XXXXXX";
    dir_ = new std::string(mkdtemp(tmpl));
    // One second of tone: 43 buffers of 1024 samples at 44.1 kHz.
    const std::string tone = "audiotestsrc num-buffers=43 ! audioconvert ! ";
    wav_ok_ = RunPipeline(tone + "wavenc ! filesink location=" + Path("tone.wav"));
    if (HasElements({"lamemp3enc"}))
      RunPipeline(tone + "lamemp3enc ! filesink location=" + Path("tone.mp3"));
    if (HasElements({"avenc_aac", "mp4mux"}))
      RunPipeline(tone + "avenc_aac ! mp4mux ! filesink location=" + Path("tone.m4a"));
    if (HasElements({"avenc_wmav2", "asfmux"}))
      RunPipeline(tone + "avenc_wmav2 ! asfmux ! filesink location=" + Path("tone.wma"));
    // A standard MIDI file: middle C held for one second (960 ticks at 480
    // a quarter note, 120 a minute).
    std::ofstream mid(Path("tone.mid"), std::ios::binary);
    const unsigned char bytes[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0,
                                   'M', 'T', 'r', 'k', 0, 0, 0, 13, 0x00, 0x90, 0x3C, 0x64,
                                   0x87, 0x40, 0x80, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00};
    mid.write(reinterpret_cast<const char*>(bytes), sizeof bytes);
    std::ofstream(Path("not music.mp3")) << "this is text, not sound\n";
  }
  static void TearDownTestSuite() {
    std::error_code ec;
    std::filesystem::remove_all(*dir_, ec);
    delete dir_;
  }
  static std::string Path(const std::string& name) { return *dir_ + "/" + name; }

  static std::string Mode(PosixMusicDevice& d) {
    std::string reply = "unset";
    d.SendString("status midi mode", &reply);
    return reply;
  }
  // Polls as the reader's key wait does until the mode is |want|; the time
  // it took, or -1 after |limit| seconds.
  static double WaitForMode(PosixMusicDevice& d, const std::string& want, double limit) {
    const double start = NowSeconds();
    while (NowSeconds() - start < limit) {
      if (Mode(d) == want) return NowSeconds() - start;
      usleep(20 * 1000);
    }
    return -1;
  }

  static std::string* dir_;
  static bool wav_ok_;
};

std::string* PosixMusicTest::dir_ = nullptr;
bool PosixMusicTest::wav_ok_ = false;

TEST_F(PosixMusicTest, AOneSecondTrackEndsStoppedAndRestartsFromZero) {
  ASSERT_TRUE(wav_ok_);
  PosixMusicDevice d({"fakesink sync=true"});
  ASSERT_EQ(d.SendString("open " + Quoted(Path("tone.wav")) + " alias midi", nullptr), 0);
  ASSERT_EQ(d.SendString("play midi notify", nullptr), 0);
  EXPECT_EQ(Mode(d), "playing");
  // The silent output runs in real time: the end comes after about a second.
  double took = WaitForMode(d, "stopped", 5);
  EXPECT_GT(took, 0.7);
  EXPECT_LT(took, 3.0);
  EXPECT_EQ(Mode(d), "stopped");  // and stays so until restarted

  ASSERT_EQ(d.SendString("play midi from 0 notify", nullptr), 0);
  EXPECT_EQ(Mode(d), "playing");
  // From its beginning: the whole second again.
  took = WaitForMode(d, "stopped", 5);
  EXPECT_GT(took, 0.7);
  EXPECT_LT(took, 3.0);

  ASSERT_EQ(d.SendString("play midi from 0 notify", nullptr), 0);
  EXPECT_EQ(d.SendString("stop midi", nullptr), 0);
  EXPECT_EQ(Mode(d), "stopped");
  EXPECT_EQ(d.SendString("close midi", nullptr), 0);
  std::string reply = "unset";
  EXPECT_EQ(d.SendString("status midi mode", &reply), kMciErrInvalidDeviceName);
  EXPECT_EQ(reply, "");
}

TEST_F(PosixMusicTest, EveryKindTheDialogOffersPlaysToItsEnd) {
  int played = 0;
  for (const char* name : {"tone.wav", "tone.mp3", "tone.m4a", "tone.wma", "tone.mid"}) {
    if (!std::filesystem::exists(Path(name))) {
      ADD_FAILURE() << name << " could not be made: an encoder of music.txt is missing";
      continue;
    }
    PosixMusicDevice d({"fakesink sync=false"});
    ASSERT_EQ(d.SendString("open " + Quoted(Path(name)) + " alias midi", nullptr), 0) << name;
    ASSERT_EQ(d.SendString("play midi notify", nullptr), 0) << name;
    // A decoding failure would answer "not ready"; the end of the file "stopped".
    EXPECT_GE(WaitForMode(d, "stopped", 10), 0) << name << ": " << Mode(d);
    d.SendString("close midi", nullptr);
    ++played;
  }
  EXPECT_EQ(played, 5);
}

TEST_F(PosixMusicTest, MissingAndUnplayableFilesFailFastAndQuietly) {
  PosixMusicDevice d({"fakesink"});
  StderrCapture err;
  double start = NowSeconds();
  EXPECT_EQ(d.SendString("open \"/nonexistent/x.mp3\" alias midi", nullptr),
            kMciErrFileNotFound);
  EXPECT_EQ(d.SendString("open " + Quoted(*dir_) + " alias midi", nullptr), kMciErrFileNotFound);
  EXPECT_LT(NowSeconds() - start, 0.5);
  start = NowSeconds();
  EXPECT_EQ(d.SendString("open " + Quoted(Path("not music.mp3")) + " alias midi", nullptr),
            kMciErrCannotPlay);
  EXPECT_LT(NowSeconds() - start, 5.0);
  // Nothing was opened: the commands that follow find no device.
  EXPECT_EQ(d.SendString("play midi notify", nullptr), kMciErrInvalidDeviceName);
  EXPECT_EQ(d.SendString("play midi from 0 notify", nullptr), kMciErrInvalidDeviceName);
  EXPECT_EQ(d.SendString("stop midi", nullptr), kMciErrInvalidDeviceName);
  EXPECT_EQ(err.Stop(), "");
}

TEST_F(PosixMusicTest, NoAudioOutputFailsFastAndQuietly) {
  ASSERT_TRUE(wav_ok_);
  // Outputs that exist on no machine: a sound server and a sound card that
  // are not there.
  PosixMusicDevice d({"pulsesink server=unix:/nonexistent/pulse", "alsasink device=hw:99,0",
                      "nosuchsink"});
  StderrCapture err;
  double start = NowSeconds();
  EXPECT_EQ(d.SendString("open " + Quoted(Path("tone.wav")) + " alias midi", nullptr),
            kMciErrHardware);
  EXPECT_LT(NowSeconds() - start, 3.0);
  std::string reply = "unset";
  EXPECT_EQ(d.SendString("status midi mode", &reply), kMciErrInvalidDeviceName);
  EXPECT_EQ(reply, "");
  EXPECT_EQ(err.Stop(), "");
}

TEST_F(PosixMusicTest, TheEnvironmentNamesTheOutputAndOneAliasAtATime) {
  ASSERT_TRUE(wav_ok_);
  const char* old = getenv("SHIORI_AUDIO_SINK");
  std::string saved = old != nullptr ? old : "";
  setenv("SHIORI_AUDIO_SINK", "fakesink sync=false", 1);
  PosixMusicDevice d;
  if (old != nullptr) {
    setenv("SHIORI_AUDIO_SINK", saved.c_str(), 1);
  } else {
    unsetenv("SHIORI_AUDIO_SINK");
  }
  const std::string open = "open " + Quoted(Path("tone.wav")) + " alias midi";
  ASSERT_EQ(d.SendString(open, nullptr), 0);
  EXPECT_EQ(d.SendString(open, nullptr), kMciErrDeviceOpen);
  EXPECT_EQ(d.SendString("play other notify", nullptr), kMciErrInvalidDeviceName);
  EXPECT_EQ(d.SendString("seek midi to start", nullptr), kMciErrUnrecognizedCommand);
  EXPECT_EQ(Mode(d), "stopped");  // opened, not yet played
  ASSERT_EQ(d.SendString("play midi notify", nullptr), 0);
  EXPECT_GE(WaitForMode(d, "stopped", 5), 0);
  EXPECT_EQ(d.SendString("close midi", nullptr), 0);
  // The alias is free again.
  EXPECT_EQ(d.SendString(open, nullptr), 0);
}

}  // namespace
}  // namespace shiori
