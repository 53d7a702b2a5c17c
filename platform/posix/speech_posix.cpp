#include "platform/posix/speech_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <glob.h>
#include <iconv.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string_view>

#include "platform/posix/child_process_posix.h"
#include "platform/posix/monotonic_clock.h"
#include "platform/posix/stop_request.h"

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

constexpr char kFolderPrefix[] = "shiori-speech-";

// True when a server listens on the local socket |path|. A server too busy
// to take the connection at once is there all the same.
bool SocketAnswers(const std::string& path) {
  sockaddr_un addr{};
  if (path.empty() || path.size() >= sizeof addr.sun_path) return false;
  addr.sun_family = AF_UNIX;
  path.copy(addr.sun_path, path.size());
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 ||
                  errno == EAGAIN || errno == EINPROGRESS;
  close(fd);
  return ok;
}

bool SoundServerAnswers() {
  if (const char* server = std::getenv("PULSE_SERVER"); server != nullptr && *server != '\0') {
    // A list of addresses; a local socket is tried, a network address is
    // taken on trust (no connection to another machine at start).
    std::string_view list = server;
    while (!list.empty()) {
      const std::size_t blank = list.find(' ');
      std::string_view one = list.substr(0, blank);
      list = blank == std::string_view::npos ? std::string_view() : list.substr(blank + 1);
      if (one.empty()) continue;
      if (one.rfind("unix:", 0) == 0) one.remove_prefix(5);
      if (one.front() != '/') return true;
      if (SocketAnswers(std::string(one))) return true;
    }
    return false;
  }
  std::string runtime;
  if (const char* r = std::getenv("XDG_RUNTIME_DIR"); r != nullptr && *r != '\0')
    runtime = r;
  else
    runtime = "/run/user/" + std::to_string(getuid());
  return SocketAnswers(runtime + "/pulse/native") || SocketAnswers("/run/pulse/native") ||
         SocketAnswers("/var/run/pulse/native");
}

bool PlaybackDeviceExists() {
  glob_t found{};
  const bool any = glob("/dev/snd/pcmC*D*p", GLOB_NOSORT, nullptr, &found) == 0 && found.gl_pathc > 0;
  globfree(&found);
  return any;
}

// Empties the folder |name| in |parent| (files only: the reader makes no
// folders in it) and removes it; nothing is followed out of it.
void RemoveFolder(int parent, const char* name) {
  const int fd = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return;
  if (DIR* d = fdopendir(fd)) {
    while (const dirent* e = readdir(d)) {
      if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
        unlinkat(fd, e->d_name, 0);
    }
    closedir(d);
  } else {
    close(fd);
  }
  unlinkat(parent, name, AT_REMOVEDIR);
}

// Whether the private folder |name| was left by a reader that is gone.
bool LeftBehind(std::string_view name, const struct stat& st) {
  name.remove_prefix(sizeof kFolderPrefix - 1);
  const std::size_t dash = name.find('-');
  if (dash == std::string_view::npos) {
    // The older form: six random characters and no process.
    return name.size() == 6 && std::time(nullptr) - st.st_mtime > 3600;
  }
  long long pid = 0;
  const auto [end, ec] = std::from_chars(name.data(), name.data() + dash, pid);
  if (ec != std::errc() || end != name.data() + dash || pid <= 0 || pid > INT32_MAX) return false;
  return kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
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

bool SoundOutputReachable() { return SoundServerAnswers() || PlaybackDeviceExists(); }

void RemoveStaleSpeechFolders(const std::string& temp_dir) {
  DIR* d = opendir(temp_dir.c_str());
  if (d == nullptr) return;
  const int parent = dirfd(d);
  while (const dirent* e = readdir(d)) {
    if (std::strncmp(e->d_name, kFolderPrefix, sizeof kFolderPrefix - 1) != 0) continue;
    struct stat st;
    // Only this user's own folders; another user's are none of its business.
    if (fstatat(parent, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(st.st_mode) ||
        st.st_uid != getuid())
      continue;
    if (LeftBehind(e->d_name, st)) RemoveFolder(parent, e->d_name);
  }
  closedir(d);
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
  // Whether anything played could be heard is known before anything is
  // synthesised: with no sound output, a quit spoke nothing and took a
  // synthesis per line to find that out.
  const bool heard = settings_.wav_dir.empty() && !players_.empty() &&
                     settings_.output_reachable != nullptr && settings_.output_reachable();
  available_ = !synthesizer_.empty() && Readable(settings_.voice) &&
               Readable(settings_.dictionary) && (!settings_.wav_dir.empty() || heard);
  if (settings_.temp_dir.empty()) {
    const char* t = std::getenv("TMPDIR");
    settings_.temp_dir = t != nullptr && *t != '\0' ? t : "/tmp";
  }
  RemoveStaleSpeechFolders(settings_.temp_dir);
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

  if (StopSignal() != 0) return;
  // The process in the name tells a later start whether the folder's owner
  // is still there.
  std::string tmpl = settings_.temp_dir + "/" + kFolderPrefix + std::to_string(getpid()) + "-XXXXXX";
  if (mkdtemp(tmpl.data()) == nullptr) return;
  const std::string dir = tmpl;  // private to this call (mode 0700)
  const std::string wav = dir + "/speech.wav";

  for (const std::string& line : lines) {
    const std::string utf8 = Cp932ToUtf8(line);
    if (!HasText(utf8)) continue;
    if (!Render(utf8, dir, wav)) {
      unlink(wav.c_str());
      if (StopSignal() != 0) break;
      continue;
    }
    if (keep) {
      char name[32];
      std::snprintf(name, sizeof name, "/%06d", ++kept_);
      CopyFile(wav, settings_.wav_dir + name + ".wav");
      WriteFile(settings_.wav_dir + name + ".txt", utf8);
    } else if (!Play(wav) && StopSignal() == 0) {
      // No sound server or device: stay silent for a while rather than
      // synthesise every piece for nothing.
      silent_until_ms_ = NowMs() + settings_.device_retry_ms;
      unlink(wav.c_str());
      break;
    }
    unlink(wav.c_str());
    if (StopSignal() != 0) break;
  }
  rmdir(dir.c_str());
}

}  // namespace shiori
