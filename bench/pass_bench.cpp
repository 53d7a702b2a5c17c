// Benchmarks of the reader on the real corpus, in one run, side by side:
//
//   1. the full pass over each text: everything the reader derives from a
//      line, once (GetLine, the markup filter, the readings taken into the
//      collections, wrapping; no page shown) in MB/s,
//      beside iconv(3) converting the same bytes from CP932 to UTF-8 and the
//      `iconv -f CP932 -t UTF-8` command on them; and the peak memory of a
//      process that does nothing but that pass;
//   2. the real program on the largest texts, in a pseudo-terminal: start-up
//      to the first page; start-up to the last page (a saved position there)
//      and what it costs beyond the first page; the first reading list there
//      (the reading loop leaves the readings to the lists, so this list takes
//      those of every page before); one page back at the end;
//      a failed search from the first page over the whole text, until "not
//      found" arrives; and the program's peak memory;
//   3. the targets, met or missed;
//   4. the fitted view at 80 x 24 (23 rows): the same pass laid out in it
//      instead of the classic layout, a page back at the end (the lines read
//      again, their readings not taken again, every page passed over but the
//      last) and a resize there (the pages at the new size counted and
//      indexed, then that re-layout), against the classic pass.
//
// Wall-clock times are the best of several runs (the machine is shared);
// decisions about speed are made with callgrind, whose counts repeat.
//
// Usage: shiori_bench [--runs N] [CORPUS_DIR]
//        shiori_bench --pass FILE   one pass over FILE in this fresh process:
//                                   prints its peak memory (KiB) and seconds
//        shiori_bench --fitted-pass FILE, --fitted-back FILE, --fitted-resize FILE
//                                   the fitted view's pass, or a pass and then
//                                   a page back or a resize at the end (for
//                                   callgrind: FittedPass, FittedRelayout,
//                                   FittedResize)
//        shiori_bench --fitted-only [--runs N] [CORPUS_DIR]   table 4 alone
//        shiori_bench --rows FILE   the row count where FILE's last full page
//                                   ends (a saved position that shows it)
#include <fcntl.h>
#include <iconv.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <time.h>
#include <vector>

#include "app/reader.h"
#include "content/disk_work.h"
#include "content/zip_decode.h"
#include "tests/support/fake_platform.h"
#include "tests/support/running_reader.h"
#include "text/fitted_layout.h"

namespace {

using shiori::testing::Scenario;

// <chrono> cannot be compiled with the code page 932 execution charset.
double Now() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec + ts.tv_nsec / 1e9;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

bool IsZip(const std::string& path) { return path.ends_with(".zip"); }

// The text of a corpus file as the reader gets it: a .txt as it is, a .zip
// through the loader of works from disk.
std::string TextOf(const std::string& path) {
  std::string bytes = ReadAll(path);
  if (!IsZip(path)) return bytes;
  std::string text, err;
  std::vector<shiori::WorkPicture> pictures;
  shiori::ReadWorkZip(std::span<const std::uint8_t>(
                          reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
                      &text, &pictures, &err);
  return text;
}

// ---------------------------------------------------------------------------
// 1. The full pass

// A reader on the fake platform with |text| in its stream, ready for a pass.
// Built outside the timed region: a fresh one for every pass, so that no
// pass finds the collections filled by an earlier one.
struct PassReader {
  explicit PassReader(const std::string& text) : reader(scenario.platform, scenario.catalog) {
    reader.streams.ssout.Write(text.data(), text.size());
    reader.page.lline = INT_MAX;  // no page is shown
  }
  Scenario scenario;
  shiori::Reader reader;
};

// Everything the reader derives from every line, once: the line, the marker
// test, the byte count, the filter with the readings taken (which the
// reading loop leaves to the lists) and the wrapper. Returns the row count
// at the last page advance: where the last full page ends.
int FullPass(shiori::Reader& r) {
  while (r.streams.ssout.GetLine(&r.LineStr)) {
    if (r.LineStr.empty()) continue;
    if (r.LineStr.find(".png") != std::string::npos && !r.search.search_flag &&
        r.page.count[shiori::kRowsRead] >= r.page.lline)
      shiori::image_marker_step(r.image, r, r, r.plat, r.LineStr);
    r.page.count[shiori::kBytesRead] += static_cast<int>(r.LineStr.size());
    std::string_view use = shiori::filter_line(
        r.LineStr, r.page.count[shiori::kRowsRead], r.page.count[shiori::kBytesRead],
        r.rubyon_mode, r.ruby, r.rinfo, &r.filtered);
    // No page is shown: each one the line completes is turned at once.
    for (bool complete = r.layout.Place(use); complete; complete = r.layout.TurnPage()) {
    }
  }
  return r.page.mae_p;
}

// The fitted view's pass: FullPass with the lines laid out in a fitted
// layout of 80 x 24 (23 rows) instead of the classic one. Returns the pages.
int FittedPass(shiori::Reader& r, shiori::FittedLayout& fitted) {
  int pages = 0;
  for (;;) {
    const std::size_t offset = r.streams.ssout.tell();
    if (!r.streams.ssout.GetLine(&r.LineStr)) break;
    if (r.LineStr.empty()) continue;
    if (r.LineStr.find(".png") != std::string::npos && !r.search.search_flag &&
        r.page.count[shiori::kRowsRead] >= r.page.lline)
      shiori::image_marker_step(r.image, r, r, r.plat, r.LineStr);
    r.page.count[shiori::kBytesRead] += static_cast<int>(r.LineStr.size());
    std::string_view use = shiori::filter_line(
        r.LineStr, r.page.count[shiori::kRowsRead], r.page.count[shiori::kBytesRead],
        r.rubyon_mode, r.ruby, r.rinfo, &r.filtered);
    r.backlog.line_rows.push_back({offset, shiori::RowCount(static_cast<int>(use.size()))});
    for (bool complete = fitted.Place({r.LineStr, use, offset}); complete;
         complete = fitted.TurnPage())
      ++pages;
  }
  return pages;
}

// A re-layout to the end after a first pass, at the size |o|: the stream
// rewound, the lines filtered again without taking their readings (taken on
// the first pass), every page before the line at |top| passed over. At the
// same size the layout starts from its page index; at another it lays out
// every line again.
int FittedRelayout(shiori::Reader& r, shiori::FittedLayout& fitted, std::size_t top,
                   const shiori::FitOptions& o) {
  r.streams.ssout.Rewind();
  fitted.Reset(o);
  fitted.ShowFromLine(top);
  int shown = 0;
  for (;;) {
    const std::size_t offset = r.streams.ssout.tell();
    if (!r.streams.ssout.GetLine(&r.LineStr)) break;
    if (r.LineStr.empty()) continue;
    // As the reading loop reads a line again: its classic rows are known.
    shiori::SourceLine line{r.LineStr, {}, offset};
    if (!r.backlog.RowsOf(offset, &line.classic_rows))
      line.filtered = shiori::filter_line(r.LineStr, r.rubyon_mode, &r.filtered, nullptr);
    for (bool complete = fitted.Place(line); complete;
         complete = fitted.TurnPage())
      if (fitted.PageToShow()) shown += static_cast<int>(fitted.PageRows().size());
  }
  return shown;
}

// A resize as the view makes one: the pages of the whole text at the new size
// counted (for the status line) and indexed, then the re-layout to the line
// at |top|, which starts from the nearest page of that index.
int FittedResize(shiori::Reader& r, shiori::FittedLayout& fitted, std::size_t top,
                 const shiori::FitOptions& o) {
  fitted.Reset(o);
  fitted.IndexPages(r.streams.ssout.view(), r.backlog.line_rows);
  return FittedRelayout(r, fitted, top, o);
}

shiori::FitOptions BenchFit(int columns = 80, int rows = 23) {
  shiori::FitOptions o;
  o.columns = columns;
  o.rows = rows;
  return o;
}

// A resize at the end: 80 x 24 to 100 x 30.
shiori::FitOptions ResizedFit() { return BenchFit(100, 29); }

// Seconds of the fitted pass, of a page back at the end (the same size) and
// of a resize there, each on a fresh reader after a first pass.
void TimedFitted(const std::string& text, double* pass, double* back, double* resize) {
  std::size_t top = 0;
  {
    PassReader p(text);
    shiori::FittedLayout fitted(BenchFit());
    const double t0 = Now();
    FittedPass(p.reader, fitted);
    *pass = Now() - t0;
    top = fitted.TopLine();
  }
  for (double* out : {back, resize}) {
    PassReader p(text);
    shiori::FittedLayout fitted(BenchFit());
    FittedPass(p.reader, fitted);
    const double t0 = Now();
    if (out == back)
      FittedRelayout(p.reader, fitted, top, BenchFit());
    else
      FittedResize(p.reader, fitted, top, ResizedFit());
    *out = Now() - t0;
  }
}

double TimedPass(const std::string& text) {
  PassReader p(text);
  const double t0 = Now();
  FullPass(p.reader);
  return Now() - t0;
}

double IconvPass(const std::string& text) {
  iconv_t cd = iconv_open("UTF-8", "CP932");
  std::vector<char> out(text.size() * 2 + 16);
  char* in = const_cast<char*>(text.data());
  size_t inleft = text.size();
  char* o = out.data();
  size_t oleft = out.size();
  const double t0 = Now();
  iconv(cd, &in, &inleft, &o, &oleft);
  const double t = Now() - t0;
  iconv_close(cd);
  if (inleft != 0) std::fprintf(stderr, "iconv stopped %zu bytes before the end\n", inleft);
  return t;
}

// The peak resident memory of process |pid| (VmHWM), in KiB. Not the
// rusage of wait4: Linux carries the maximum over exec, so a child forked
// from a large process would report the parent's size.
long PeakKiB(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  return -1;
}

// Starts |argv| with standard input from |in| and output to |out|; waits.
// Returns the seconds.
double RunProcess(const std::vector<std::string>& argv, const std::string& in,
                  const std::string& out = "/dev/null") {
  std::fflush(stdout);
  const double t0 = Now();
  pid_t pid = fork();
  if (pid == 0) {
    int fd = open(in.c_str(), O_RDONLY);
    int sink = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(fd, 0);
    dup2(sink, 1);
    dup2(sink, 2);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  waitpid(pid, nullptr, 0);
  return Now() - t0;
}

// A pass in a fresh process, as the program makes its first pass: the
// memory it fills is new to the process. Returns the seconds; *peak_kib
// gets the process's peak memory.
double ColdPass(const std::string& self, const std::string& path, long* peak_kib) {
  char tmpl[] = "/tmp/shiori_bench_pass_XXXXXX";
  const int fd = mkstemp(tmpl);
  close(fd);
  RunProcess({self, "--pass", path}, "/dev/null", tmpl);
  long peak = -1;
  double seconds = 1e9;
  if (std::FILE* f = std::fopen(tmpl, "r")) {
    if (std::fscanf(f, "%ld %lf", &peak, &seconds) != 2) seconds = 1e9;
    std::fclose(f);
  }
  std::remove(tmpl);
  if (peak_kib != nullptr) *peak_kib = peak;
  return seconds;
}


// ---------------------------------------------------------------------------
// 2. The real program in a pseudo-terminal

class Program {
 public:
  /// Starts the program in |dir| with |args|; the clock starts at the fork.
  Program(const std::string& dir, const std::vector<std::string>& args) {
    struct winsize size {};
    size.ws_col = 100;
    size.ws_row = 40;
    std::fflush(stdout);
    start_ = Now();
    pid_ = forkpty(&master_, nullptr, nullptr, &size);
    if (pid_ == 0) shiori::testing::ExecReader(dir, args);
  }
  ~Program() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (master_ >= 0) close(master_);
  }
  double start() const { return start_; }
  /// Reads all output until |text| has arrived; the moment it did, or -1
  /// after 60 s.
  double Until(const std::string& text) {
    for (const double limit = Now() + 60;;) {
      std::size_t at = seen_.find(text, std::max(mark_, text.size()) - text.size());
      if (at != std::string::npos) {
        const double t = Now();
        seen_.erase(0, at + text.size());
        mark_ = 0;
        return t;
      }
      mark_ = seen_.size();
      if (Now() >= limit) return -1;
      struct pollfd p {master_, POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) continue;
      char chunk[65536];
      ssize_t n = read(master_, chunk, sizeof chunk);
      if (n <= 0) return -1;
      seen_.append(chunk, static_cast<std::size_t>(n));
    }
  }
  void Type(const std::string& keys) {
    ssize_t n = write(master_, keys.data(), keys.size());
    (void)n;
  }
  /// The program's peak resident memory so far, in KiB.
  long PeakKiB() const { return ::PeakKiB(pid_); }
  /// Quits with q and waits for the end.
  void Quit() {
    Type("q");
    for (const double limit = Now() + 30; Now() < limit;) {
      char chunk[4096];
      struct pollfd p {master_, POLLIN, 0};
      if (poll(&p, 1, 50) > 0 && read(master_, chunk, sizeof chunk) <= 0) break;
      if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
        pid_ = -1;
        return;
      }
    }
  }

 private:
  pid_t pid_ = -1;
  int master_ = -1;
  double start_ = 0;
  std::string seen_;
  std::size_t mark_ = 0;
};

struct TempDir {
  TempDir() : path(shiori::testing::MakeTempDir("shiori_bench_")) {}
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  std::string path;
};

const std::string kStatusEnd = "(n)next";

struct Interactive {
  double first = 1e9;   ///< start-up to the first page
  double last = 1e9;    ///< start-up to the last page (saved position there)
  double lists = 1e9;   ///< the first reading list there ('r')
  double back = 1e9;    ///< one page back from the last page
  double search = 1e9;  ///< a failed search from the first page
  double half = 1e9;    ///< a jump to 50% from the first page ('g')
  double end = 1e9;     ///< a jump from there to the end ('g', '$')
  double backward = 1e9;  ///< a failed search backward from there ('b')
  long peak_kib = 0;    ///< the largest peak of all runs
};

// One run of each kind; keeps the best times.
void Interact(const std::string& path, int last_rows, Interactive* out) {
  const std::string key = std::filesystem::path(path).stem().string();
  {
    // Resume at the last full page, then one page back.
    TempDir dir;
    std::ofstream(dir.path + "/001036_info.ini")
        << key << ".txt\n" << last_rows << "\n";
    Program p(dir.path, {path});
    double shown = p.Until(kStatusEnd);
    out->last = std::min(out->last, shown - p.start());
    // The first list takes the readings the pages before have not given.
    double t0 = Now();
    p.Type("r");
    // The list's first screenful: the whole list, or as much as the screen
    // holds and a question for the rest; q leaves either.
    double listed = p.Until("return page");
    out->lists = std::min(out->lists, listed - t0);
    p.Type("q");
    p.Until(kStatusEnd);
    t0 = Now();
    p.Type("-");
    double back = p.Until(kStatusEnd);
    out->back = std::min(out->back, back - t0);
    out->peak_kib = std::max(out->peak_kib, p.PeakKiB());
    p.Quit();
  }
  {
    // From the first page, a word that does not occur.
    TempDir dir;
    Program p(dir.path, {path});
    double shown = p.Until(kStatusEnd);
    out->first = std::min(out->first, shown - p.start());
    p.Type("s");
    p.Until("input search str");
    const double t0 = Now();
    p.Type("zqzqxj\n");
    double failed = p.Until("not found ");
    out->search = std::min(out->search, failed - t0);
    p.Until("touch anykey");
    p.Type("x");
    p.Until(kStatusEnd);
    out->peak_kib = std::max(out->peak_kib, p.PeakKiB());
    p.Quit();
  }
  {
    // From the first page: to 50%, to the end, then back to the top looking
    // for a word that does not occur, each until its page is shown.
    TempDir dir;
    Program p(dir.path, {path});
    p.Until(kStatusEnd);
    p.Type("g");
    p.Until("$ (end)");
    double t0 = Now();
    p.Type("50%\n");
    out->half = std::min(out->half, p.Until(kStatusEnd) - t0);
    p.Type("g");
    p.Until("$ (end)");
    t0 = Now();
    p.Type("$\n");
    out->end = std::min(out->end, p.Until(kStatusEnd) - t0);
    p.Type("b");
    p.Until("input search str");
    t0 = Now();
    p.Type("zqzqxj\n");
    p.Until("not found before this page");
    out->backward = std::min(out->backward, p.Until(kStatusEnd) - t0);
    out->peak_kib = std::max(out->peak_kib, p.PeakKiB());
    p.Quit();
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir = SHIORI_CORPUS_DIR;
  int runs = 5;
  bool fitted_only = false;  // table 4 alone
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--pass" && i + 1 < argc) {
      double seconds;
      {
        PassReader p(TextOf(argv[i + 1]));
        const double t0 = Now();
        FullPass(p.reader);
        seconds = Now() - t0;
      }
      std::printf("%ld %.6f\n", PeakKiB(getpid()), seconds);
      return 0;
    }
    if ((a == "--fitted-pass" || a == "--fitted-back" || a == "--fitted-resize") && i + 1 < argc) {
      PassReader p(TextOf(argv[i + 1]));
      shiori::FittedLayout fitted(BenchFit());
      int n = FittedPass(p.reader, fitted);
      if (a == "--fitted-back") n = FittedRelayout(p.reader, fitted, fitted.TopLine(), BenchFit());
      if (a == "--fitted-resize") n = FittedResize(p.reader, fitted, fitted.TopLine(), ResizedFit());
      std::printf("%d\n", n);
      return 0;
    }
    if (a == "--fitted-count" && i + 1 < argc) {
      // The pages of the whole text after a resize, for the status line.
      PassReader p(TextOf(argv[i + 1]));
      std::printf("%d\n", shiori::FittedPageCount(p.reader.streams.ssout.view(), ResizedFit()));
      return 0;
    }
    if (a == "--rows" && i + 1 < argc) {
      PassReader p(TextOf(argv[i + 1]));
      std::printf("%d\n", FullPass(p.reader));
      return 0;
    }
    if (a == "--fitted-only") {
      fitted_only = true;
      continue;
    }
    if (a == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else {
      dir = a;
    }
  }
  std::vector<std::string> paths;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    std::string ext = e.path().extension().string();
    if (ext == ".txt" || ext == ".zip") paths.push_back(e.path().string());
  }
  std::sort(paths.begin(), paths.end());
  const std::string self = std::filesystem::canonical("/proc/self/exe").string();

  if (!fitted_only) {
  std::printf(
      "1. The full pass beside iconv on the same bytes (best of %d): the pass in this process\n"
      "   (warm: its memory has been used before) and in a fresh process (cold, as the program's\n"
      "   first pass); iconv(3) and the iconv command; the fresh process's peak memory\n\n",
      runs);
  std::printf("%-26s %9s %8s %7s %8s %8s %7s %6s %7s %9s\n", "text", "bytes", "pass ms", "MB/s",
              "cold ms", "iconv ms", "MB/s", "ratio", "cmd ms", "peak KiB");
  double big_pass = 0, big_cold = 0, big_iconv = 0;
  for (const std::string& path : paths) {
    const std::string name = std::filesystem::path(path).filename().string();
    const std::string text = TextOf(path);
    const double mb = text.size() / 1e6;
    // The command reads the same bytes: a ZIP's text from a file of its own.
    TempDir tmp;
    const std::string plain = tmp.path + "/text";
    std::ofstream(plain, std::ios::binary) << text;
    // Taken in turns, so that a busy moment of the machine falls on all four
    // alike; the best of each.
    double pass = 1e9, cold = 1e9, conv = 1e9, cmd = 1e9;
    long peak = 0;
    for (int i = 0; i < runs; ++i) {
      pass = std::min(pass, TimedPass(text));
      conv = std::min(conv, IconvPass(text));
      cold = std::min(cold, ColdPass(self, path, &peak));
      cmd = std::min(cmd, RunProcess({"iconv", "-f", "CP932", "-t", "UTF-8"}, plain));
    }
    std::printf("%-26s %9zu %8.2f %7.1f %8.2f %8.2f %7.1f %6.2f %7.2f %9ld\n", name.c_str(),
                text.size(), pass * 1e3, mb / pass, cold * 1e3, conv * 1e3, mb / conv,
                pass / conv, cmd * 1e3, peak);
    if (name == "50685_ruby_67979.txt") {
      big_pass = pass;
      big_cold = cold;
      big_iconv = conv;
    }
  }

  const int program_runs = runs;
  std::printf(
      "\n2. The program in a pseudo-terminal (best of %d), against one pass of the text (cold,\n"
      "   from table 1): start-up to the first page and to the last page (a saved position\n"
      "   there), and what resuming costs beyond the first page; the first reading list there;\n"
      "   one page back at the last page; a failed search from the first page over the whole\n"
      "   text, until \"not found\" arrives; from the first page, a jump to 50%% ('g'), from\n"
      "   there to the end ('g', '$'), and from there a failed search backward over the whole\n"
      "   text ('b'), each until its page is shown; peak memory (VmHWM) and its budget,\n"
      "   4 x text + 16 MB\n\n",
      program_runs);
  std::printf("%-26s %9s %8s %8s %8s %8s %8s %8s %8s %8s %8s %8s %9s %9s\n", "text", "bytes",
              "pass ms", "first", "last", "resume", "lists", "back", "search", "g 50%", "g $",
              "b", "peak KiB", "budget");
  Interactive big;
  std::size_t big_size = 0;
  for (const char* name : {"50685_ruby_67979.txt", "56656_ruby_74439.zip", "2084_ruby_17360.txt"}) {
    const std::string path = dir + "/" + name;
    if (!std::filesystem::exists(path)) continue;
    const std::string text = TextOf(path);
    PassReader p(text);
    const int last_rows = FullPass(p.reader);
    double cold = 1e9;
    Interactive t;
    for (int i = 0; i < program_runs; ++i) {
      cold = std::min(cold, ColdPass(self, path, nullptr));
      Interact(path, last_rows, &t);
    }
    const long budget = static_cast<long>((4 * text.size() + (16u << 20)) / 1024);
    std::printf("%-26s %9zu %8.2f %8.2f %8.2f %8.2f %8.2f %8.2f %8.2f %8.2f %8.2f %8.2f"
                " %9ld %9ld\n",
                name, text.size(), cold * 1e3, t.first * 1e3, t.last * 1e3,
                (t.last - t.first) * 1e3, t.lists * 1e3, t.back * 1e3, t.search * 1e3,
                t.half * 1e3, t.end * 1e3, t.backward * 1e3, t.peak_kib, budget);
    if (std::string(name) == "50685_ruby_67979.txt") {
      big = t;
      big_size = text.size();
      big_cold = cold;  // measured beside the steps it is compared with
    }
  }

  if (big_size > 0) {
    auto verdict = [](bool met) { return met ? "met" : "MISSED"; };
    const long budget = static_cast<long>((4 * big_size + (16u << 20)) / 1024);
    std::printf("\n3. Targets on 50685_ruby_67979.txt\n\n");
    std::printf("  pass within 1.5 x iconv(3):           %5.2f x        %s\n",
                big_pass / big_iconv, verdict(big_pass <= 1.5 * big_iconv));
    std::printf("  peak memory under 4 x text + 16 MB:   %ld of %ld KiB   %s\n", big.peak_kib,
                budget, verdict(big.peak_kib < budget));
    std::printf("  resuming, beyond the first page:      %5.2f passes   %s\n",
                (big.last - big.first) / big_cold, verdict(big.last - big.first <= big_cold));
    std::printf("  the first reading list there:         %5.2f passes   %s\n",
                big.lists / big_cold, verdict(big.lists <= big_cold));
    std::printf("  one page back at the last page:       %5.2f passes   %s\n",
                big.back / big_cold, verdict(big.back <= big_cold));
    std::printf("  failed search over the whole text:    %5.2f passes   %s\n",
                big.search / big_cold, verdict(big.search <= big_cold));
    std::printf("  a jump to 50%% from the first page:   %5.2f passes   %s\n",
                big.half / big_cold, verdict(big.half <= big_cold));
    std::printf("  a jump from there to the end:         %5.2f passes   %s\n",
                big.end / big_cold, verdict(big.end <= big_cold));
    std::printf("  failed search backward from the end:  %5.2f passes   %s\n",
                big.backward / big_cold, verdict(big.backward <= big_cold));
  }

  }
  std::printf(
      "\n4. The fitted view at 80 x 24 (best of %d): the full pass laid out in it instead of\n"
      "   the classic layout; then, at the last page, a page back (laid out again at the same\n"
      "   size, from the page index) and a resize to 100 x 30 (the pages counted and indexed\n"
      "   at the new size, then the page shown laid out from that index);\n"
      "   each against the warm classic pass of table 1, taken in turns\n\n",
      runs);
  std::printf("%-26s %9s %8s %9s %6s %8s %6s %9s %6s\n", "text", "bytes", "pass ms", "fitted ms",
              "ratio", "back ms", "ratio", "resize ms", "ratio");
  double big_ratio = -1, big_back = -1, big_resize = -1;
  for (const std::string& path : paths) {
    const std::string name = std::filesystem::path(path).filename().string();
    const std::string text = TextOf(path);
    double pass = 1e9, fitted = 1e9, back = 1e9, resize = 1e9;
    for (int i = 0; i < runs; ++i) {
      double f, b, r;
      pass = std::min(pass, TimedPass(text));
      TimedFitted(text, &f, &b, &r);
      fitted = std::min(fitted, f);
      back = std::min(back, b);
      resize = std::min(resize, r);
    }
    std::printf("%-26s %9zu %8.2f %9.2f %6.2f %8.2f %6.2f %9.2f %6.2f\n", name.c_str(),
                text.size(), pass * 1e3, fitted * 1e3, fitted / pass, back * 1e3, back / pass,
                resize * 1e3, resize / pass);
    if (name == "50685_ruby_67979.txt") {
      big_ratio = fitted / pass;
      big_back = back / pass;
      big_resize = resize / pass;
    }
  }
  if (big_ratio >= 0) {
    const auto verdict = [](bool met) { return met ? "met" : "MISSED"; };
    std::printf("\n  fitted pass within 1.5 x the classic:  %5.2f x        %s\n", big_ratio,
                verdict(big_ratio <= 1.5));
    std::printf("  page back at the end within one pass:  %5.2f passes   %s\n", big_back,
                verdict(big_back <= 1.0));
    std::printf("  resize at the end within one pass:     %5.2f passes   %s\n", big_resize,
                verdict(big_resize <= 1.0));
  }
  return 0;
}
