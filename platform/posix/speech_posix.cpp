#include "platform/posix/speech_posix.h"

#include <iconv.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <fstream>

#include "platform/posix/child_process_posix.h"
#include "platform/posix/monotonic_clock.h"

namespace shiori {

namespace {

bool Readable(const std::string& path) { return !path.empty() && access(path.c_str(), R_OK) == 0; }

// The rate as the synthesiser reads it, whatever the locale's decimal mark.
std::string FormatRate(double rate) {
  char buf[32];
  auto res = std::to_chars(buf, buf + sizeof buf, rate, std::chars_format::fixed, 2);
  return std::string(buf, res.ptr);
}

bool WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  return static_cast<bool>(out.flush());
}

bool CopyFile(const std::string& from, const std::string& to) {
  std::ifstream in(from, std::ios::binary);
  std::ofstream out(to, std::ios::binary | std::ios::trunc);
  out << in.rdbuf();
  return static_cast<bool>(out.flush());
}

// A line the synthesiser would refuse (nothing but blanks) is not sent.
bool HasText(const std::string& s) {
  for (char c : s)
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return true;
  return false;
}

std::uint32_t Le32(const unsigned char* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace

std::string Cp932ToUtf8(const std::string& text) {
  // "CP932", not "SHIFT_JIS": the NEC and IBM extensions (such as ①) exist
  // only in the former.
  iconv_t cd = iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) return "";
  std::string out;
  char* in = const_cast<char*>(text.data());
  std::size_t in_left = text.size();
  char buf[1024];
  while (in_left > 0) {
    char* o = buf;
    std::size_t o_left = sizeof buf;
    std::size_t rc = iconv(cd, &in, &in_left, &o, &o_left);
    out.append(buf, o - buf);
    if (rc == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) continue;
      // An invalid or cut-off character: leave that byte out and go on.
      ++in;
      --in_left;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(cd);
  return out;
}

long WavLengthMs(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  unsigned char head[12];
  if (!in.read(reinterpret_cast<char*>(head), 12)) return -1;
  if (std::string(reinterpret_cast<char*>(head), 4) != "RIFF" ||
      std::string(reinterpret_cast<char*>(head) + 8, 4) != "WAVE")
    return -1;
  std::uint32_t byte_rate = 0;
  unsigned char chunk[8];
  while (in.read(reinterpret_cast<char*>(chunk), 8)) {
    std::string id(reinterpret_cast<char*>(chunk), 4);
    std::uint32_t size = Le32(chunk + 4);
    if (id == "fmt " && size >= 16) {
      unsigned char fmt[16];
      if (!in.read(reinterpret_cast<char*>(fmt), 16)) return -1;
      byte_rate = Le32(fmt + 8);
      in.seekg(size - 16 + (size & 1), std::ios::cur);
    } else if (id == "data") {
      if (byte_rate == 0) return -1;
      return static_cast<long>(static_cast<std::uint64_t>(size) * 1000 / byte_rate);
    } else {
      in.seekg(size + (size & 1), std::ios::cur);
    }
  }
  return -1;
}

PosixSpeech::PosixSpeech() : PosixSpeech([] {
  JTalkSettings s;
  if (const char* dir = std::getenv("SHIORI_SPEECH_WAV_DIR"); dir != nullptr && *dir != '\0')
    s.wav_dir = dir;
  return s;
}()) {}

PosixSpeech::PosixSpeech(JTalkSettings settings) : settings_(std::move(settings)) {
  synthesizer_ = FindExecutable(settings_.synthesizer);
  for (const std::string& p : settings_.players) {
    std::string found = FindExecutable(p);
    if (!found.empty()) players_.push_back(found);
  }
  // Whatever is missing is found now, once, so that a machine without speech
  // pays nothing at each utterance.
  available_ = !synthesizer_.empty() && Readable(settings_.voice) &&
               Readable(settings_.dictionary) && (!settings_.wav_dir.empty() || !players_.empty());
  if (settings_.temp_dir.empty()) {
    const char* t = std::getenv("TMPDIR");
    settings_.temp_dir = t != nullptr && *t != '\0' ? t : "/tmp";
  }
}

bool PosixSpeech::Render(const std::string& utf8, const std::string& dir,
                         const std::string& wav) {
  // The text travels in a file on the synthesiser's standard input; it is
  // never part of a command line, so no text can run a command.
  const std::string text_path = dir + "/text.txt";
  if (!WriteFile(text_path, utf8 + "\n")) return false;
  std::vector<std::string> argv = {synthesizer_,   "-x", settings_.dictionary,
                                   "-m",           settings_.voice,
                                   "-r",           FormatRate(settings_.rate),
                                   "-ow",          wav};
  ChildResult r = RunChild(argv, text_path, settings_.synth_timeout_ms);
  unlink(text_path.c_str());
  struct stat st;
  return r.ok() && stat(wav.c_str(), &st) == 0 && st.st_size > 44;
}

bool PosixSpeech::Play(const std::string& wav) {
  const long length = WavLengthMs(wav);
  const int limit = (length >= 0 ? static_cast<int>(length) : 60000) + settings_.play_margin_ms;
  for (std::size_t k = 0; k < players_.size(); ++k) {
    const std::size_t at = (preferred_player_ + k) % players_.size();
    if (RunChild({players_[at], wav}, "", limit).ok()) {
      preferred_player_ = at;
      return true;
    }
  }
  return false;
}

void PosixSpeech::Speak(const std::vector<std::string>& lines) {
  if (!available_ || lines.empty()) return;
  const bool keep = !settings_.wav_dir.empty();
  if (!keep && NowMs() < silent_until_ms_) return;

  std::string tmpl = settings_.temp_dir + "/shiori-speech-XXXXXX";
  if (mkdtemp(tmpl.data()) == nullptr) return;
  const std::string dir = tmpl;  // private to this call (mode 0700)
  const std::string wav = dir + "/speech.wav";

  for (const std::string& line : lines) {
    const std::string utf8 = Cp932ToUtf8(line);
    if (!HasText(utf8)) continue;
    if (!Render(utf8, dir, wav)) {
      unlink(wav.c_str());
      continue;
    }
    if (keep) {
      char name[32];
      std::snprintf(name, sizeof name, "/%06d", ++kept_);
      CopyFile(wav, settings_.wav_dir + name + ".wav");
      WriteFile(settings_.wav_dir + name + ".txt", utf8);
    } else if (!Play(wav)) {
      // No sound server or device: stay silent for a while rather than
      // synthesise every piece for nothing.
      silent_until_ms_ = NowMs() + settings_.device_retry_ms;
      unlink(wav.c_str());
      break;
    }
    unlink(wav.c_str());
  }
  rmdir(dir.c_str());
}

}  // namespace shiori
