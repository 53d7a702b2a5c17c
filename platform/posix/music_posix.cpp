#include "platform/posix/music_posix.h"

#include <fcntl.h>
#include <gst/gst.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/posix/mci_command.h"

namespace shiori {

namespace {

// playbin's "flags": audio only, so a picture inside a music file never asks
// for a video window.
constexpr guint kPlayFlagAudio = 0x2;
// Opening waits this long at most for the file to be ready to play.
constexpr GstClockTime kOpenTimeout = 5 * GST_SECOND;

// For its lifetime, what the libraries write to the standard error goes to
// /dev/null: sound servers, device probing and plugin scanning report their
// troubles there, and it would land on the reader's page.
class QuietStderr {
 public:
  QuietStderr() {
    std::fflush(stderr);
    saved_ = dup(2);
    int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved_ >= 0 && null >= 0) dup2(null, 2);
    if (null >= 0) close(null);
  }
  ~QuietStderr() {
    std::fflush(stderr);
    if (saved_ >= 0) {
      dup2(saved_, 2);
      close(saved_);
    }
  }
  QuietStderr(const QuietStderr&) = delete;
  QuietStderr& operator=(const QuietStderr&) = delete;

 private:
  int saved_ = -1;
};

void DropLogMessage(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

// GStreamer is started once per process, at the first open, so a reader who
// never plays music pays nothing for it.
bool StartGStreamer() {
  static const bool started = [] {
    QuietStderr quiet;
    // Warnings from streaming threads come later, outside any quiet scope.
    g_log_set_default_handler(DropLogMessage, nullptr);
    GError* err = nullptr;
    bool ok = gst_init_check(nullptr, nullptr, &err);
    if (err != nullptr) g_error_free(err);
    return ok;
  }();
  return started;
}

// Makes the audio output from an element description and opens it (the
// READY state opens the device or connects to the sound server). Null when
// it cannot be made or opened.
GstElement* OpenSink(const std::string& description) {
  GError* err = nullptr;
  GstElement* sink = gst_parse_bin_from_description(description.c_str(), TRUE, &err);
  if (err != nullptr) g_error_free(err);
  if (sink == nullptr) return nullptr;
  gst_object_ref_sink(sink);
  if (gst_element_set_state(sink, GST_STATE_READY) == GST_STATE_CHANGE_FAILURE) {
    gst_element_set_state(sink, GST_STATE_NULL);
    gst_object_unref(sink);
    return nullptr;
  }
  return sink;
}

bool IsReadableFile(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), R_OK) == 0;
}

}  // namespace

struct PosixMusicDevice::Impl {
  std::vector<std::string> sinks;
  std::string alias;             // empty while nothing is open
  GstElement* pipeline = nullptr;
  GstBus* bus = nullptr;
  bool playing = false;  // a play command is in force (no stop since)
  bool ended = false;    // the end of the file was reached
  bool failed = false;   // playback broke down: the track cannot go on

  ~Impl() { Close(); }

  void Close() {
    if (pipeline != nullptr) {
      gst_element_set_state(pipeline, GST_STATE_NULL);
      gst_object_unref(pipeline);
      pipeline = nullptr;
    }
    if (bus != nullptr) {
      gst_object_unref(bus);
      bus = nullptr;
    }
    alias.clear();
    playing = ended = failed = false;
  }

  // Takes what the streaming threads have posted since the last look.
  void Pump() {
    while (GstMessage* msg = gst_bus_pop_filtered(
               bus, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR))) {
      if (GST_MESSAGE_TYPE(msg) == GST_MESSAGE_EOS) ended = true;
      if (GST_MESSAGE_TYPE(msg) == GST_MESSAGE_ERROR) failed = true;
      gst_message_unref(msg);
    }
  }

  int Open(const std::string& file, const std::string& name) {
    if (!alias.empty()) return kMciErrDeviceOpen;
    if (!IsReadableFile(file)) return kMciErrFileNotFound;
    if (!StartGStreamer()) return kMciErrCannotLoadDriver;
    QuietStderr quiet;
    GstElement* play = gst_element_factory_make("playbin", nullptr);
    if (play == nullptr) return kMciErrCannotLoadDriver;
    gst_object_ref_sink(play);
    GstElement* sink = nullptr;
    for (const std::string& s : sinks)
      if ((sink = OpenSink(s)) != nullptr) break;
    if (sink == nullptr) {
      gst_object_unref(play);
      return kMciErrHardware;
    }
    gchar* uri = gst_filename_to_uri(file.c_str(), nullptr);
    g_object_set(play, "uri", uri, "audio-sink", sink, "flags", kPlayFlagAudio, nullptr);
    g_free(uri);
    gst_object_unref(sink);  // playbin holds it now
    pipeline = play;
    bus = gst_element_get_bus(play);
    alias = name;
    gst_element_set_state(pipeline, GST_STATE_PAUSED);
    GstState state = GST_STATE_NULL;
    GstStateChangeReturn ret = gst_element_get_state(pipeline, &state, nullptr, kOpenTimeout);
    Pump();
    if (ret == GST_STATE_CHANGE_FAILURE || ret == GST_STATE_CHANGE_ASYNC || failed) {
      Close();
      return kMciErrCannotPlay;
    }
    return kMciOk;
  }

  int Play(const MciCommand& c) {
    if (failed) return kMciErrCannotPlay;
    QuietStderr quiet;
    if (c.has_from) {
      // Messages of the run that ended must not end the new one.
      Pump();
      if (!gst_element_seek_simple(pipeline, GST_FORMAT_TIME,
                                   static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH |
                                                             GST_SEEK_FLAG_ACCURATE),
                                   static_cast<gint64>(c.from_ms) * GST_MSECOND))
        return kMciErrCannotPlay;
      ended = false;
    }
    if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
      failed = true;
      return kMciErrCannotPlay;
    }
    playing = true;
    return kMciOk;
  }

  std::string Mode() {
    Pump();
    if (failed) return "not ready";
    return playing && !ended ? "playing" : "stopped";
  }

  int Stop() {
    if (!failed) gst_element_set_state(pipeline, GST_STATE_PAUSED);
    playing = false;
    return kMciOk;
  }
};

std::vector<std::string> PosixMusicDevice::DefaultSinks() {
  // PulseAudio (and PipeWire's PulseAudio service), then the ALSA device,
  // then the macOS output; a machine without any has no music.
  return {"pulsesink", "alsasink", "osxaudiosink"};
}

PosixMusicDevice::PosixMusicDevice() : impl_(std::make_unique<Impl>()) {
  const char* named = std::getenv("SHIORI_AUDIO_SINK");
  if (named != nullptr && *named != '\0') {
    impl_->sinks = {named};
  } else {
    impl_->sinks = DefaultSinks();
  }
}

PosixMusicDevice::PosixMusicDevice(std::vector<std::string> sinks)
    : impl_(std::make_unique<Impl>()) {
  impl_->sinks = std::move(sinks);
}

PosixMusicDevice::~PosixMusicDevice() = default;

int PosixMusicDevice::SendString(const std::string& command, std::string* reply) {
  if (reply != nullptr) reply->clear();
  MciCommand c;
  if (!ParseMciCommand(command, &c)) return kMciErrUnrecognizedCommand;
  Impl& d = *impl_;
  if (c.verb == MciVerb::kOpen) return d.Open(c.file, c.alias);
  if (d.alias.empty() || c.alias != d.alias) return kMciErrInvalidDeviceName;
  switch (c.verb) {
    case MciVerb::kPlay:
      return d.Play(c);
    case MciVerb::kStatusMode:
      if (reply != nullptr) *reply = d.Mode();
      return kMciOk;
    case MciVerb::kStop:
      return d.Stop();
    case MciVerb::kClose:
      d.Close();
      return kMciOk;
    case MciVerb::kOpen:
      break;
  }
  return kMciErrUnrecognizedCommand;
}

}  // namespace shiori
