// Benchmarks of the text engine on the real corpus, reported side by side:
//   - a full pass (filter, wrap, collect; nothing printed) in MB/s beside
//     iconv(3) converting the same bytes from CP932 to UTF-8, and beside the
//     `iconv -f CP932 -t UTF-8` command;
//   - resuming on the last page (archive extraction included for a ZIP) and
//     paging back there, through the whole reader on the fake platform;
//   - the peak memory of each, measured in a child process.
// Usage: shiori_bench [CORPUS_DIR]
#include <iconv.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <time.h>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/reader.h"
#include "content/zip_decode.h"
#include "tests/support/fake_platform.h"

namespace {

// <chrono> cannot be compiled with the code page 932 execution charset.
struct Clock {
  using time_point = double;
  static double now() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
  }
};
using shiori::testing::Scenario;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

double Seconds(double a, double b) { return b - a; }

// The text of a corpus file: a .txt as it is, a .zip through the extractor.
std::string TextOf(const std::string& path) {
  std::string bytes = ReadAll(path);
  if (path.size() < 4 || path.substr(path.size() - 4) != ".zip") return bytes;
  shiori::Streams streams;
  shiori::zip_decode_bytes(
      std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                    bytes.size()),
      &streams);
  return std::string(streams.ssout.view());
}

// One pass of the reading loop's per-line work with no page shown; returns
// the row count at which the last full page ends.
int FullPass(const std::string& text) {
  Scenario s;
  shiori::Reader r(s.platform, s.catalog);
  r.streams.ssout.Write(text.data(), text.size());
  r.page.lline = INT_MAX;
  std::string line;
  while (r.streams.ssout.GetLine(&line)) {
    if (line.empty()) continue;
    r.page.count[5] += static_cast<int>(line.size());
    std::string_view use = shiori::filter_line(line, r.page.count[1], r.page.count[5], 0, r.ruby,
                                               r.rinfo, &r.filtered);
    shiori::wrap_line(r, use);
  }
  // The row count at the last page advance: where the last full page ends.
  return r.page.mae_p;
}

double IconvPass(const std::string& text) {
  iconv_t cd = iconv_open("UTF-8", "CP932");
  std::vector<char> out(text.size() * 2 + 16);
  char* in = const_cast<char*>(text.data());
  size_t inleft = text.size();
  char* o = out.data();
  size_t oleft = out.size();
  auto t0 = Clock::now();
  iconv(cd, &in, &inleft, &o, &oleft);
  auto t1 = Clock::now();
  iconv_close(cd);
  return Seconds(t0, t1);
}

double IconvCommand(const std::string& path) {
  std::fflush(stdout);
  auto t0 = Clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    freopen(path.c_str(), "rb", stdin);
    freopen("/dev/null", "wb", stdout);
    freopen("/dev/null", "wb", stderr);
    execlp("iconv", "iconv", "-f", "CP932", "-t", "UTF-8", static_cast<char*>(nullptr));
    _exit(127);
  }
  int st = 0;
  waitpid(pid, &st, 0);
  return Seconds(t0, Clock::now());
}

template <typename F>
double Best(int runs, F f) {
  double best = 1e9;
  for (int i = 0; i < runs; ++i) {
    auto t0 = Clock::now();
    f();
    best = std::min(best, Seconds(t0, Clock::now()));
  }
  return best;
}

// Runs |f| in a child; returns its peak resident memory in KiB.
template <typename F>
long PeakKiB(F f) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  std::fflush(stdout);
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    f();
    struct rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    long kib = ru.ru_maxrss;
    ssize_t w = write(fds[1], &kib, sizeof kib);
    (void)w;
    _exit(0);
  }
  close(fds[1]);
  long kib = -1;
  ssize_t got = read(fds[0], &kib, sizeof kib);
  (void)got;
  close(fds[0]);
  waitpid(pid, nullptr, 0);
  return kib;
}

// The whole reader: resume at |rows| (the last full page), then page back once.
struct Interactive {
  double resume = 0;
  double back = 0;
  std::size_t pages = 0;  // pages shown by the second run (2 when back worked)
};

Interactive ResumeAndBack(const std::string& archive_or_text, bool is_zip, int rows) {
  Interactive out;
  for (int step = 0; step < 2; ++step) {
    Scenario s;
    if (is_zip) {
      s.resources.Add("work", std::vector<std::uint8_t>(archive_or_text.begin(),
                                                        archive_or_text.end()));
      s.catalog.works.push_back({"work", "Work", " ", nullptr, false, nullptr});
    } else {
      s.AddWork("work", "Work", archive_or_text);
    }
    s.WriteFile("001036_info.ini", "work.txt\n" + std::to_string(rows) + "\n");
    if (step == 1) s.keyboard.Type("-");
    auto t0 = Clock::now();
    s.Run({"0"});
    double t = Seconds(t0, Clock::now());
    out.pages = shiori::testing::PagesShown(s.console.Text()).size();
    if (step == 0) out.resume = t;
    else out.back = t - out.resume;
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir = argc > 1 ? argv[1] : SHIORI_CORPUS_DIR;
  std::vector<std::string> paths;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    std::string ext = e.path().extension().string();
    if (ext == ".txt" || ext == ".zip") paths.push_back(e.path().string());
  }
  std::sort(paths.begin(), paths.end());

  std::printf("%-30s %10s %10s %10s %10s %8s %10s\n", "text", "bytes", "pass MB/s", "iconv MB/s",
              "cmd ms", "ratio", "peak KiB");
  for (const std::string& path : paths) {
    std::string name = std::filesystem::path(path).filename().string();
    if (name == "README.md") continue;
    std::string text = TextOf(path);
    double mb = text.size() / 1e6;
    double pass = Best(5, [&] { FullPass(text); });
    double conv = Best(5, [&] { IconvPass(text); });
    double cmd = Best(3, [&] { IconvCommand(path); });
    long peak = PeakKiB([&] { FullPass(text); });
    std::printf("%-30s %10zu %10.1f %10.1f %10.2f %8.2f %10ld\n", name.c_str(), text.size(),
                mb / pass, mb / conv, cmd * 1e3, pass / conv, peak);
  }

  std::printf("\n%-30s %10s %12s %12s %10s\n", "resume on the last page", "rows", "resume ms",
              "back ms", "peak KiB");
  for (const char* name : {"50685_ruby_67979.txt", "56656_ruby_74439.zip"}) {
    std::string path = dir + "/" + name;
    if (!std::filesystem::exists(path)) continue;
    bool is_zip = std::string(name).find(".zip") != std::string::npos;
    std::string raw = ReadAll(path);
    // Resuming at the row count where the last full page ends shows it.
    int last_full = FullPass(TextOf(path));
    Interactive t = ResumeAndBack(raw, is_zip, last_full);
    long peak = PeakKiB([&] { ResumeAndBack(raw, is_zip, last_full); });
    std::printf("%-30s %10d %12.1f %12.1f %10ld  (pages shown: %zu)\n", name, last_full,
                t.resume * 1e3, t.back * 1e3, peak, t.pages);
  }
  return 0;
}
