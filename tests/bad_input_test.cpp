// Hostile and broken input, end to end. Each row of the two tables names an
// input, sets it up and states the outcome: a clear message or the documented
// behaviour, no crash, no hang, and no saved file lost or truncated.
//
// The first table runs the whole reader in-process on the fakes (the prompts
// through the real POSIX keyboard where their parsing matters); the second
// runs the real program in a pseudo-terminal, for what only a process has:
// signals, the terminal's modes and size, a closed standard input.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <time.h>

#include "platform/posix/keyboard_posix.h"
#include "tests/support/fake_platform.h"
#include "tests/support/png_maker.h"
#include "tests/support/running_reader.h"
#include "tests/support/zip_builder.h"

namespace shiori::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;
using ziptest::MakeZip;
using ziptest::Member;

// <chrono> cannot be compiled with the code page 932 execution charset.
double Now() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec + ts.tv_nsec / 1e9;
}

std::string U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }
std::string Str(const Bytes& b) { return std::string(b.begin(), b.end()); }
Bytes ToBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

std::string Repeat(const std::string& s, std::size_t n) {
  std::string out;
  out.reserve(s.size() * n);
  for (std::size_t i = 0; i < n; ++i) out += s;
  return out;
}

// |n| bytes of noise, the same for the same seed.
std::string Noise(std::size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::string out(n, '\0');
  for (char& c : out) c = static_cast<char>(gen() & 0xFF);
  return out;
}

std::string ReadPath(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WritePath(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

std::size_t Occurrences(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
    ++n;
  return n;
}

// The row count of the quit notice "途中まで、表示しました。%d行", or -1.
int QuitRows(const std::string& text) {
  const std::string notice = "途中まで、表示しました。";
  std::size_t at = text.rfind(notice);
  return at == std::string::npos ? -1 : std::atoi(text.c_str() + at + notice.size());
}

// A row that does not end within this time is a hang: the process says which
// and ends, so that one hang cannot stall the whole run.
constexpr unsigned kHangSeconds = 60;
void OnHang(int) {
  static const char kMessage[] = "\nbad input row: no end within 60 s (a hang)\n";
  ssize_t n = write(2, kMessage, sizeof kMessage - 1);
  (void)n;
  _exit(3);
}
struct HangWatch {
  HangWatch() {
    signal(SIGALRM, OnHang);
    alarm(kHangSeconds);
  }
  ~HangWatch() { alarm(0); }
};

// Saved files every row starts with: a position file holding another work's
// position, and a playlist of two entries.
const std::string kSeedPositions = "morgue.txt\n0\nother.txt\n777\n";
const std::string kSeedPlaylist = "2\n\"/music/a.mp3\"\n\"/music/b.mp3\"\n";
constexpr const char* kPositions = "001036_info.ini";
constexpr const char* kPlaylist = "mmsys.ini";

// ---------------------------------------------------------------------------
// In-process rows

class Env {
 public:
  Env() {
    char tmpl[] = "/tmp/shiori_bad_XXXXXX";
    works = mkdtemp(tmpl);
    s.AddWork("w0", "Work Zero", NumberedLines(1, 200));
    s.AddWork("w1", "Work One", NumberedLines(301, 200));
    s.WriteFile(kPositions, kSeedPositions);
    s.WriteFile(kPlaylist, kSeedPlaylist);
  }
  ~Env() {
    if (input_fd_ >= 0) close(input_fd_);
    for (auto it = mounts_.rbegin(); it != mounts_.rend(); ++it) umount2(it->c_str(), MNT_DETACH);
    std::error_code ec;
    std::filesystem::remove_all(works, ec);
  }

  /// Writes a work file into the works folder; its path.
  std::string Put(const std::string& name, const std::string& bytes) const {
    std::string path = works + "/" + name;
    WritePath(path, bytes);
    return path;
  }
  /// Keys and prompt answers come from the real POSIX keyboard reading
  /// |utf8| as a file, then the end of input.
  void Typed(const std::string& utf8) {
    std::string path = Put(".typed", utf8);
    input_fd_ = open(path.c_str(), O_RDONLY);
    keyboard_ = std::make_unique<PosixKeyboard>(input_fd_, "UTF-8", &s.console);
    s.platform.keyboard = keyboard_.get();
  }
  /// A tmpfs of |kib| KiB at a new folder; its path, or "" (with |why|) when
  /// this process may not mount.
  std::string Mount(int kib, std::string* why) {
    std::string at = works + "/mnt" + std::to_string(mounts_.size());
    std::filesystem::create_directory(at);
    std::string size = "size=" + std::to_string(kib) + "k";
    if (mount("tmpfs", at.c_str(), "tmpfs", 0, size.c_str()) != 0) {
      *why = std::string("cannot mount a tmpfs here (") + std::strerror(errno) + ")";
      return "";
    }
    mounts_.push_back(at);
    return at;
  }
  void Run() {
    const double t0 = Now();
    status = s.Run(args);
    seconds = Now() - t0;
  }
  std::string Text() const { return s.console.Text(); }
  /// What was printed with the row ends and the status lines taken out: the
  /// text of the pages shown, as one run of bytes.
  std::string Joined() const {
    const std::string text = Text();
    std::string out;
    std::size_t at = 0;
    while (at < text.size()) {
      std::size_t status = text.find("[ ", at);
      std::size_t end = status == std::string::npos ? status : text.find("(n)next", status);
      if (end == std::string::npos) status = text.size();
      for (std::size_t i = at; i < status; ++i)
        if (text[i] != '\n') out += text[i];
      if (end == std::string::npos) break;
      at = end + 7;
    }
    return out;
  }
  /// Replaces the text of work w0.
  void SetText(const std::string& text) {
    s.resources.Add("w0", MakeZip({Member("w0.txt", text)}));
  }
  /// What went to the error stream.
  const std::string& Errors() const { return s.console.errors; }
  bool Says(const std::string& what) const {
    return Text().find(what) != std::string::npos || Errors().find(what) != std::string::npos;
  }
  bool Shows(const std::string& title) const { return Says("[ " + title + " --- page"); }
  std::string DataFile(const std::string& name) const {
    return ReadPath(s.platform.work_dir + "/" + name);
  }

  Scenario s;
  std::string works;  ///< a folder for work files named on the command line
  std::vector<std::string> args = {"0"};
  int status = -1;
  double seconds = 0;
  /// The common check: the seeded position of "other" and the seeded
  /// playlist are still there afterwards.
  bool keeps_seeded_positions = true;
  bool keeps_seeded_playlist = true;
  std::string skip;  ///< a reason to skip the row

 private:
  std::unique_ptr<PosixKeyboard> keyboard_;
  int input_fd_ = -1;
  std::vector<std::string> mounts_;
};

struct Row {
  const char* name;
  const char* what;  ///< the input, for the reader of a failure
  void (*setup)(Env&);
  void (*expect)(Env&);
};

// A work file named on the command line that must be refused: one line,
// status 1, and nothing written (the seeded files byte for byte).
void Refused(Env& e, const std::string& line) {
  EXPECT_EQ(e.status, 1);
  const std::string text = e.Errors();
  EXPECT_NE(text.find(line), std::string::npos) << text;
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
  EXPECT_EQ(e.Text(), "") << "the screen's text is no place for the error";
  EXPECT_EQ(e.s.ReadFile(kPositions), kSeedPositions);
  EXPECT_EQ(e.s.ReadFile(kPlaylist), kSeedPlaylist);
  EXPECT_TRUE(e.s.cues.played.empty());
}

// An embedded work that cannot be extracted: its line, then the empty text
// ends at once and the reader ends normally.
void ExtractionFails(Env& e, const std::string& line) {
  EXPECT_EQ(e.status, 0);
  EXPECT_NE(e.Errors().find(line), std::string::npos) << e.Errors();
  EXPECT_TRUE(e.Says("[ Work Zero ] 終わりまで、表示しました"));
  EXPECT_NE(e.s.ReadFile(kPositions).find("w0.txt\n0\n"), std::string::npos);
}

// A disk work that is a ZIP of one text member "w.txt", changed by |change|.
std::string DiskZip(Env& e, void (*change)(Bytes*), const std::string& text) {
  Bytes zip = MakeZip({Member("w.txt", text)});
  change(&zip);
  return e.Put("w.zip", Str(zip));
}

const std::string kShortWork = "題\r\n作者\r\n" + NumberedLines(1, 40);

// A 1,000,000-byte line: double-byte characters with an odd byte now and
// then, so that rows end inside characters and before "。".
std::string LongLine() {
  std::string line;
  while (line.size() < 1000000) line += (line.size() % 1000 == 75 ? "x。" : "あい");
  line.resize(1000000);
  return line;
}

// A ZIP whose local header claims |uncompressed| bytes from |data| as its
// deflate data, with no central directory (the embedded reader walks local
// headers).
Bytes ClaimingZip(const std::string& data, std::uint32_t uncompressed) {
  Bytes zip = MakeZip({Member("w0.txt", "x", 0)});
  zip.resize(30 + 6);
  zip.insert(zip.end(), data.begin(), data.end());
  ziptest::Patch16(&zip, 8, 8);
  ziptest::Patch32(&zip, ziptest::kCompAt, static_cast<std::uint32_t>(data.size()));
  ziptest::Patch32(&zip, ziptest::kUncompAt, uncompressed);
  return zip;
}

// 140 entries, 4,094 bytes: one more entry takes the file past one page.
std::string FullDiskPlaylist() {
  std::string playlist = "140\n";
  for (int i = 0; i < 140; ++i)
    playlist += "\"/music/track-number-" + std::to_string(i) + ".mp3\"\n";
  return playlist;
}

const Row kRows[] = {
    // --- embedded archives, through the resources ---
    {"EmbeddedArchiveCutInsideItsData", "the work's ZIP resource ends half-way through the data",
     [](Env& e) {
       Bytes zip = MakeZip({Member("w0.txt", NumberedLines(1, 400))});
       zip.resize(30 + 6 + (zip.size() - 36) / 3);
       e.s.resources.Add("w0", zip);
     },
     [](Env& e) { ExtractionFails(e, "work \"w0\": the archive is damaged"); }},
    {"EmbeddedResourceOfNoise", "the work's resource is 4 KiB of noise",
     [](Env& e) { e.s.resources.Add("w0", ToBytes(Noise(4096, 1))); },
     [](Env& e) { ExtractionFails(e, "work \"w0\": the archive holds no text member"); }},
    {"EmbeddedResourceOfNoBytes", "the work's resource is empty",
     [](Env& e) { e.s.resources.Add("w0", {}); },
     [](Env& e) { ExtractionFails(e, "work \"w0\": the archive holds no text member"); }},
    {"EmbeddedResourceMissing", "the catalog names a resource that does not exist",
     [](Env& e) { e.s.resources.items.erase("w0"); },
     [](Env& e) { ExtractionFails(e, "work \"w0\": resource not found"); }},
    {"EmbeddedArchiveClaiming300MB", "a local header claims 300,000,000 bytes from 300,000",
     [](Env& e) { e.s.resources.Add("w0", ClaimingZip(Noise(300000, 2), 300000000)); },
     [](Env& e) { ExtractionFails(e, "work \"w0\": the text is larger than 256 MB"); }},
    {"EmbeddedArchiveClaiming4GBFrom100Bytes", "a local header claims 4 GB from 100 bytes",
     [](Env& e) { e.s.resources.Add("w0", ClaimingZip(Noise(100, 3), 0xFFFFFFFFu)); },
     [](Env& e) { ExtractionFails(e, "work \"w0\": the archive is damaged"); }},
    {"EmbeddedArchiveWithScrambledDeflateData",
     "bytes in the middle of the deflate data overwritten",
     [](Env& e) {
       Bytes zip = MakeZip({Member("w0.txt", NumberedLines(1, 400))});
       for (std::size_t i = 200; i < 260; ++i) zip[i] = 0xFF;
       e.s.resources.Add("w0", zip);
       e.s.keyboard.Type(Repeat("n", 40));
     },
     [](Env& e) {
       // As the extraction documents it: what inflated, then zero bytes up to
       // the member's size, shown without a message; the work ends normally.
       EXPECT_EQ(e.status, 0);
       EXPECT_TRUE(e.Says("line 001\r\nline 002\r\n"));
       EXPECT_FALSE(e.Says("line 400"));
       EXPECT_FALSE(e.Says("damaged"));
       EXPECT_TRUE(e.Says("[ Work Zero ] 終わりまで、表示しました"));
     }},
    {"EmbeddedArchiveWithA300ByteMemberName", "the member's name is longer than its buffer",
     [](Env& e) {
       e.s.resources.Add("w0",
                         MakeZip({Member(std::string(296, 'a') + ".txt", NumberedLines(1, 30))}));
     },
     // The name is cut to its buffer, which loses its ".txt".
     [](Env& e) { ExtractionFails(e, "work \"w0\": the archive holds no text member"); }},

    // --- work files named on the command line ---
    {"DiskZipCutInHalf", "a ZIP file that ends half-way",
     [](Env& e) {
       Bytes zip = MakeZip({Member("w.txt", kShortWork)});
       zip.resize(zip.size() / 2);
       e.args = {e.Put("w.zip", Str(zip))};
     },
     [](Env& e) {
       Refused(e, "w.zip: the archive is damaged: its central directory is missing or cut short");
     }},
    {"DiskZipFailingItsChecksum", "one byte of a stored text changed",
     [](Env& e) {
       Bytes zip = MakeZip({Member("w.txt", kShortWork, 0)});
       zip[30 + 5 + 20] ^= 0x01;
       e.args = {e.Put("w.zip", Str(zip))};
     },
     [](Env& e) { Refused(e, "member \"w.txt\" does not match its checksum"); }},
    {"DiskZipEncrypted", "the text member has the encryption flag",
     [](Env& e) {
       e.args = {DiskZip(e, [](Bytes* z) { ziptest::SetFlags(z, 0, 1); }, kShortWork)};
     },
     [](Env& e) { Refused(e, "member \"w.txt\" is encrypted"); }},
    {"DiskZipWithAnUnknownMethod", "the text member claims method 12",
     [](Env& e) {
       e.args = {DiskZip(e, [](Bytes* z) { ziptest::SetMethod(z, 0, 12); }, kShortWork)};
     },
     [](Env& e) { Refused(e, "member \"w.txt\" uses compression method 12"); }},
    {"DiskZipClaiming300MB", "400 KB of deflate data said to make 300 MB",
     [](Env& e) {
       e.args = {DiskZip(
           e, [](Bytes* z) { ziptest::SetUncompressedSize(z, 0, 300u << 20); },
           Noise(400000, 4))};
     },
     [](Env& e) { Refused(e, "member \"w.txt\" is larger than 256 MB"); }},
    {"DiskZipBomb", "a 40-line text said to make 4 GB",
     [](Env& e) {
       e.args = {DiskZip(
           e, [](Bytes* z) { ziptest::SetUncompressedSize(z, 0, 0xFFFFFFFFu); }, kShortWork)};
     },
     [](Env& e) { Refused(e, "the archive is damaged: member \"w.txt\" runs past its end"); }},
    {"DiskFileLargerThan256MB", "a (sparse) text file of 300 MB",
     [](Env& e) {
       std::string path = e.Put("big.txt", "");
       ASSERT_EQ(truncate(path.c_str(), 300 << 20), 0);
       e.args = {path};
     },
     // The size it names is the file system's: nothing was read to learn it.
     [](Env& e) { Refused(e, "big.txt: the file is larger than 256 MB (314572800 bytes)"); }},
    {"DiskZipWithoutText", "a ZIP holding only an HTML file",
     [](Env& e) { e.args = {e.Put("w.zip", Str(MakeZip({Member("w.html", "<p>")})))}; },
     [](Env& e) { Refused(e, "the archive holds no text member (no name ending in .txt)"); }},
    {"DiskTextOfBinaryGarbage", "64 KiB of noise named .txt",
     [](Env& e) { e.args = {e.Put("noise.txt", Noise(65536, 5))}; },
     [](Env& e) { Refused(e, "the text is neither Shift_JIS (code page 932) nor UTF-8"); }},
    {"DiskTextBrokenPartWayThroughUtf8", "a byte order mark, UTF-8, then a stray byte",
     [](Env& e) { e.args = {e.Put("u.txt", "\xEF\xBB\xBF" + U8(u8"題名\r\n本文") + "\xFF")}; },
     [](Env& e) { Refused(e, "the text begins as UTF-8 but is not UTF-8 throughout"); }},
    {"DiskNamedPipeAsAWork", "a named pipe called pipe.txt (nobody writes to it)",
     [](Env& e) {
       std::string path = e.works + "/pipe.txt";
       ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
       e.args = {path};
     },
     [](Env& e) { Refused(e, "pipe.txt: cannot read the file: it is not a regular file"); }},
    {"DiskDirectoryNamedLikeAZip", "a directory called dir.zip",
     [](Env& e) {
       std::filesystem::create_directory(e.works + "/dir.zip");
       e.args = {e.works + "/dir.zip"};
     },
     [](Env& e) { Refused(e, "dir.zip: cannot read the file: it is not a regular file"); }},

    // --- garbage and extremes inside a work that opens ---
    {"BinaryGarbageAsAnEmbeddedWork", "64 KiB of noise packed as a work's text",
     [](Env& e) {
       e.SetText(Noise(65536, 6));
       e.s.keyboard.Type(Repeat("n", 400));
     },
     [](Env& e) {
       // Paged through to its end like any text.
       EXPECT_EQ(e.status, 0);
       EXPECT_TRUE(e.Shows("Work Zero"));
       EXPECT_TRUE(e.Says("[ Work Zero ] 終わりまで、表示しました"));
     }},
    {"OneMegabyteLine", "a text whose second line is 1,000,000 bytes long",
     [](Env& e) {
       e.SetText("Title\r\n" + LongLine() + "\r\n" + NumberedLines(1, 30));
       e.s.keyboard.Type("nnn");
     },
     [](Env& e) {
       EXPECT_EQ(e.status, 0);
       // The line fills one page of its own; printed rows joined give it
       // back whole, not a byte lost or moved.
       EXPECT_NE(e.Joined().find("Title\r" + LongLine() + "\r"), std::string::npos);
       EXPECT_TRUE(e.Says("line 030"));
       EXPECT_LT(e.seconds, 10.0);
     }},
    {"OneMegabyteLineOfMarkup", "a 1 MB line of ruby and annotations, the last opener unclosed",
     [](Env& e) {
       std::string line = Repeat("｜字《じ》［＃「字」に傍点］※［＃「口＋亞」、第3水準1-15-8］", 22000);
       line += "《" + Repeat("ひらがな", 1000);
       e.Put("markup.txt", "題\r\n" + line + "\r\n");
       e.args = {e.works + "/markup.txt"};
       e.s.keyboard.Type("r");
     },
     [](Env& e) {
       EXPECT_EQ(e.status, 0);
       EXPECT_TRUE(e.Says("字(じ)\t"));
       // The unclosed opener is left as it stands.
       EXPECT_NE(e.Joined().find("字字《ひらがなひらがな"), std::string::npos);
       EXPECT_LT(e.seconds, 10.0);
     }},

    // --- search ---
    {"TenThousandByteSearchWord", "s, then a word of 3,334 characters (10,002 bytes) typed",
     [](Env& e) { e.Typed("s" + Repeat(U8(u8"あ"), 3334) + "\n"); },
     [](Env& e) {
       // Cut to 255 bytes at a character boundary; the failure path as usual.
       EXPECT_TRUE(e.Says("not found " + Repeat("あ", 127) + "touch anykey , return page\n"))
           << e.Text().substr(0, 3000);
       // Page 2 passed with its status line; then back to page 1.
       EXPECT_EQ(PagesShown(e.Text()).back(), 1);
       EXPECT_EQ(e.status, 0);
     }},

    // --- prompts: numbers far outside int, and not numbers ---
    {"WorkMenuNumberFarOutsideInt", "no argument; the menu is answered 99999999999999999999",
     [](Env& e) {
       e.args = {};
       e.Typed("99999999999999999999\n");
     },
     [](Env& e) {
       EXPECT_TRUE(e.Says("select number\n"));
       EXPECT_TRUE(e.Shows("Work Zero"));
       EXPECT_FALSE(e.Shows("Work One"));
     }},
    {"WorkMenuAnswerNotANumber", "no argument; the menu is answered abc",
     [](Env& e) {
       e.args = {};
       e.Typed("abc\n");
     },
     [](Env& e) {
       // Work 0; the answer's line is taken with it, so its letters are no
       // keys (no "c" opens the menu again): the end of input quits.
       EXPECT_TRUE(e.Shows("Work Zero"));
       EXPECT_EQ(Occurrences(e.Text(), "select number\n"), 1u);
       EXPECT_EQ(PagesShown(e.Text()), (std::vector<int>{1}));
     }},
    {"CommandLineNumberFarOutsideInt", "the argument 99999999999999999999",
     [](Env& e) { e.args = {"99999999999999999999"}; },
     [](Env& e) {
       // Outside the catalog: the default work, no menu.
       EXPECT_TRUE(e.Shows("Work Zero"));
       EXPECT_FALSE(e.Says("select number"));
     }},
    {"CommandLineNumberJustOutsideInt", "the argument 4294967297 (2^32 + 1)",
     [](Env& e) { e.args = {"4294967297"}; },
     [](Env& e) {
       EXPECT_TRUE(e.Shows("Work Zero"));
       EXPECT_FALSE(e.Shows("Work One"));
     }},
    {"ChangeOfWorkNumberFarOutsideInt", "c, then 99999999999999999999",
     [](Env& e) { e.Typed("c99999999999999999999\n"); },
     [](Env& e) {
       // Not a work: the key acts as "-", and nothing is saved then.
       EXPECT_EQ(PagesShown(e.Text()), (std::vector<int>{1, 1}));
       EXPECT_FALSE(e.Shows("Work One"));
     }},
    {"ChangeOfWorkAnswerNotANumber", "c, then xyz",
     [](Env& e) { e.Typed("cxyz"); },
     [](Env& e) {
       // As "-"; the answer is taken, its letters page nothing on.
       EXPECT_EQ(PagesShown(e.Text()), (std::vector<int>{1, 1}));
     }},
    {"ImageListNumbersFarOutsideIntAndNotNumbers",
     "p, 99999999999999999999; then p, -7, abc, 99999999999999999999",
     [](Env& e) {
       e.s.catalog.pngname = {"fig00000_01", "fig00000_02"};
       e.s.catalog.png_num = 2;
       for (const std::string& n : e.s.catalog.pngname)
         e.s.resources.Add(n, pngtest::MakeRgbPng(4, 3, pngtest::PatternColour));
       e.Typed("p99999999999999999999\nxp-7\nabc\n99999999999999999999\n");
     },
     [](Env& e) {
       // The first answer is taken modulo the list (INT_MAX % 2 = 1); the
       // answers to the repeated question are asked again until they fit,
       // and the end of input leaves the list.
       EXPECT_EQ(e.s.window.shown, (std::vector<std::string>{"fig00000_02"}));
       EXPECT_EQ(Occurrences(e.Text(), "select input ( 0 <-> 1 )\n"), 3u);
       EXPECT_EQ(e.status, 0);
     }},
    {"MusicMenuNumbersFarOutsideIntAndNotNumbers",
     "m 99999999999999999999, m -99999999999999999999, m 1, then m abc",
     [](Env& e) {
       e.Typed("m99999999999999999999\nm-99999999999999999999\nm1\nmabc\n");
     },
     [](Env& e) {
       // Out of range: stop (nothing plays yet, so nothing is sent); 1 plays
       // the second entry; not a number: the file dialog.
       const std::vector<std::string>& c = e.s.music.commands;
       EXPECT_EQ(std::count(c.begin(), c.end(), "open \"/music/b.mp3\" alias midi"), 1);
       EXPECT_EQ(std::count(c.begin(), c.end(), "open \"/music/a.mp3\" alias midi"), 0);
       ASSERT_GE(c.size(), 4u);
       EXPECT_EQ(c[0], "open \"/music/b.mp3\" alias midi");
       EXPECT_EQ(c[c.size() - 2], "stop midi");
       EXPECT_EQ(c.back(), "close midi");
       EXPECT_EQ(e.s.dialog.titles.size(), 1u);
     }},

    // --- the position file and the playlist ---
    {"PositionFileOfBinaryGarbage", "64 KiB of noise as the position file; run twice",
     [](Env& e) {
       e.s.WriteFile(kPositions, Noise(65536, 7));
       e.s.keyboard.Type("nn");
       e.keeps_seeded_positions = false;
     },
     [](Env& e) {
       EXPECT_EQ(e.status, 0);
       const int rows = QuitRows(e.Text());
       ASSERT_EQ(rows, 66);
       const std::string after = e.s.ReadFile(kPositions);
       EXPECT_TRUE(after.ends_with("\nw0.txt\n66\n")) << after.substr(after.size() - 100);
       // The file it wrote is read again: the next start resumes there.
       e.s.ResetRecording();
       e.Run();
       EXPECT_EQ(PagesShown(e.Text()), (std::vector<int>{3}));
     }},
    {"PositionFileWith100000Entries", "100,000 other works, this one's 44 rows in the middle",
     [](Env& e) {
       std::string file;
       for (int i = 0; i < 100000; ++i) {
         file += "k" + std::to_string(i) + ".txt\n" + std::to_string(i) + "\n";
         if (i == 50000) file += "w0.txt\n44\n";
       }
       e.s.WriteFile(kPositions, file);
       // The list's 33,334 lines, 299 to a screen of 300 rows: 111 keys for
       // more, then one to return to the page.
       e.s.keyboard.Type("ni" + std::string(111, ' ') + "x");
       e.keeps_seeded_positions = false;
     },
     [](Env& e) {
       EXPECT_EQ(PagesShown(e.Text()).front(), 2);
       EXPECT_TRUE(e.Says("(99999)99998 : k99998"));
       std::string want;
       for (int i = 0; i < 100000; ++i) {
         want += "k" + std::to_string(i) + ".txt\n" + std::to_string(i) + "\n";
         if (i == 50000) want += "w0.txt\n" + std::to_string(QuitRows(e.Text())) + "\n";
       }
       EXPECT_TRUE(e.s.ReadFile(kPositions) == want);
       EXPECT_LT(e.seconds, 10.0);
     }},
    {"PositionNumberFarOutsideInt", "this work's number is 99999999999999999999",
     [](Env& e) { e.s.WriteFile(kPositions, "w0.txt\n99999999999999999999\n"); },
     [](Env& e) {
       // Beyond the text: no full page, the last partial one, the end.
       EXPECT_TRUE(PagesShown(e.Text()).empty());
       EXPECT_TRUE(e.Says("line 200\r\n[ Work Zero ] 終わりまで"));
       EXPECT_EQ(e.s.ReadFile(kPositions), "w0.txt\n0\n");
       e.keeps_seeded_positions = false;
     }},
    {"PositionNumbersNegativeAndNotNumbers", "w0 at -5, w1 at abc",
     [](Env& e) {
       e.s.WriteFile(kPositions, "w0.txt\n-5\nw1.txt\nabc\n");
       e.keeps_seeded_positions = false;
     },
     [](Env& e) {
       EXPECT_EQ(PagesShown(e.Text()), (std::vector<int>{1}));
       const std::string after = e.s.ReadFile(kPositions);
       EXPECT_EQ(after.rfind("w0.txt\n22\nw1.txt\n0\n", 0), 0u) << after;
     }},
    {"PlaylistOfBinaryGarbage", "32 KiB of noise (NULs, CRs, lines over 511 bytes) as the playlist",
     [](Env& e) {
       std::string noise = Noise(32768, 8);
       for (std::size_t i = 0; i < noise.size(); i += 300) noise[i] = '\n';
       noise.replace(5000, 3000, std::string(3000, 'L'));
       e.s.WriteFile(kPlaylist, noise);
       e.s.keyboard.Type("m");
       e.keeps_seeded_playlist = false;
     },
     [](Env& e) {
       EXPECT_EQ(e.status, 0);
       // Every byte of every entry is written back in order: only the line
       // ends may differ (CR LF read as one, long lines split).
       auto entries = [](std::string f) {
         f.erase(0, f.find('\n') + 1);
         std::string out;
         for (std::size_t i = 0; i < f.size(); ++i) {
           if (f[i] == '\n' || (f[i] == '\r' && i + 1 < f.size() && f[i + 1] == '\n')) continue;
           out += f[i];
         }
         return out;
       };
       std::string before = Noise(32768, 8);
       for (std::size_t i = 0; i < before.size(); i += 300) before[i] = '\n';
       before.replace(5000, 3000, std::string(3000, 'L'));
       EXPECT_TRUE(entries(e.s.ReadFile(kPlaylist)) == entries(before));
       EXPECT_TRUE(e.Says("select number\n( "));
     }},
    {"PlaylistWith100000Entries", "100,000 entries; m lists them, -1 stops",
     [](Env& e) {
       std::string file = "100000\n";
       for (int i = 0; i < 100000; ++i) file += "\"/music/" + std::to_string(i) + ".mp3\"\n";
       e.s.WriteFile(kPlaylist, file);
       e.s.keyboard.Type("m");
       e.s.keyboard.input = "-1\n";
       e.keeps_seeded_playlist = false;
     },
     [](Env& e) {
       EXPECT_TRUE(e.Says("(99999) \"/music/99999.mp3\"\nselect number\n( 100000 : add"));
       std::string want = "100000\n";
       for (int i = 0; i < 100000; ++i) want += "\"/music/" + std::to_string(i) + ".mp3\"\n";
       EXPECT_TRUE(e.s.ReadFile(kPlaylist) == want);
       EXPECT_LT(e.seconds, 3.0);
     }},

    // --- the working directory ---
    {"WorkingDirectoryMissing", "the data files' folder does not exist",
     [](Env& e) { e.s.platform.work_dir = e.s.dir + "/gone"; },
     [](Env& e) {
       EXPECT_EQ(e.status, 0);
       EXPECT_TRUE(e.Says("cannot create mmsys.ini: No such file or directory\n"));
       EXPECT_TRUE(e.Says("cannot create 001036_info.ini: No such file or directory\n"));
       EXPECT_TRUE(e.Shows("Work Zero"));
       EXPECT_TRUE(e.Says("cannot write 001036_info.ini: No such file or directory\n"));
       EXPECT_TRUE(e.Says("cannot write mmsys.ini: No such file or directory\n"));
     }},
    {"DirectoryWherePositionFileGoes", "001036_info.ini is a directory",
     [](Env& e) {
       std::filesystem::remove(e.s.Path(kPositions));
       std::filesystem::create_directory(e.s.Path(kPositions));
       e.keeps_seeded_positions = false;
     },
     [](Env& e) {
       EXPECT_EQ(e.status, 0);
       EXPECT_TRUE(e.Shows("Work Zero"));
       EXPECT_TRUE(e.Says("cannot write 001036_info.ini: Is a directory\n"));
       EXPECT_TRUE(std::filesystem::is_directory(e.s.Path(kPositions)));
       EXPECT_FALSE(std::filesystem::exists(e.s.Path("001036_info.ini.tmp")));
     }},
    {"DirectoryWherePlaylistGoes", "mmsys.ini is a directory",
     [](Env& e) {
       std::filesystem::remove(e.s.Path(kPlaylist));
       std::filesystem::create_directory(e.s.Path(kPlaylist));
       e.keeps_seeded_playlist = false;
     },
     [](Env& e) {
       EXPECT_EQ(e.status, 0);
       EXPECT_TRUE(e.Says("cannot read mmsys.ini: the playlist is empty for now"));
       EXPECT_TRUE(e.Says("mmsys.ini was not read at start: it is left as it was\n"));
       EXPECT_TRUE(std::filesystem::is_directory(e.s.Path(kPlaylist)));
     }},
    {"FullDisk", "a 64 KiB tmpfs filled up; a track added, r S, then q",
     [](Env& e) {
       std::string dir = e.Mount(64, &e.skip);
       if (dir.empty()) return;
       e.s.platform.work_dir = dir;
       // A work with enough readings for a listing of several KiB, and a
       // playlist that grows past its page with the new track.
       std::string line;
       for (int i = 0; i < 400; ++i)
         line += "｜語" + std::to_string(i) + "《よみ" + std::to_string(i) + "》";
       e.SetText(line + "\r\n" + NumberedLines(1, 30));
       WritePath(dir + "/" + kPlaylist, FullDiskPlaylist());
       WritePath(dir + "/" + kPositions, kSeedPositions);
       WritePath(dir + "/ruby.txt", "(0)old : listing\n");
       std::ofstream filler(dir + "/filler", std::ios::binary);
       const std::string block(4096, 'f');
       while (filler.write(block.data(), block.size()) && filler.flush()) {
       }
       e.s.keyboard.Type("mrS");
       e.s.keyboard.input = "140\n";
       e.s.dialog.answers.push_back("/music/added.mp3");
       e.keeps_seeded_positions = false;
       e.keeps_seeded_playlist = false;
     },
     [](Env& e) {
       const std::string& dir = e.s.platform.work_dir;
       EXPECT_EQ(e.status, 0);
       EXPECT_TRUE(e.Says("cannot write ruby.txt: No space left on device\n"));
       EXPECT_TRUE(e.Says("cannot write 001036_info.ini: No space left on device\n"));
       EXPECT_TRUE(e.Says("cannot write mmsys.ini: No space left on device\n"));
       // Each file as it was before the run.
       EXPECT_EQ(ReadPath(dir + "/ruby.txt"), "(0)old : listing\n");
       EXPECT_EQ(ReadPath(dir + "/" + kPositions), kSeedPositions);
       EXPECT_EQ(ReadPath(dir + "/" + kPlaylist), FullDiskPlaylist());
       for (const auto& f : std::filesystem::directory_iterator(dir))
         EXPECT_FALSE(f.path().string().ends_with(".tmp")) << f.path();
     }},
    {"ReadOnlyFileSystem", "the data files on a tmpfs mounted read-only",
     [](Env& e) {
       std::string dir = e.Mount(256, &e.skip);
       if (dir.empty()) return;
       e.s.platform.work_dir = dir;
       WritePath(dir + "/" + kPositions, kSeedPositions);
       WritePath(dir + "/" + kPlaylist, kSeedPlaylist);
       ASSERT_EQ(mount("tmpfs", dir.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr), 0)
           << std::strerror(errno);
       e.keeps_seeded_positions = false;
       e.keeps_seeded_playlist = false;
     },
     [](Env& e) {
       const std::string& dir = e.s.platform.work_dir;
       EXPECT_EQ(e.status, 0);
       EXPECT_TRUE(e.Shows("Work Zero"));
       EXPECT_TRUE(e.Says("cannot write 001036_info.ini: Read-only file system\n"));
       EXPECT_TRUE(e.Says("cannot write mmsys.ini: Read-only file system\n"));
       EXPECT_EQ(ReadPath(dir + "/" + kPositions), kSeedPositions);
       EXPECT_EQ(ReadPath(dir + "/" + kPlaylist), kSeedPlaylist);
     }},
};

// Test names and failure messages show a row by its name.
void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

class BadInputTest : public ::testing::TestWithParam<Row> {};

TEST_P(BadInputTest, EndsWithItsDocumentedOutcome) {
  const Row& row = GetParam();
  SCOPED_TRACE(row.what);
  HangWatch watch;
  Env e;
  row.setup(e);
  if (!e.skip.empty()) GTEST_SKIP() << e.skip;
  if (::testing::Test::HasFatalFailure()) return;
  e.Run();
  row.expect(e);
  if (e.keeps_seeded_positions) {
    EXPECT_NE(("\n" + e.s.ReadFile(kPositions)).find("\nother.txt\n777\n"), std::string::npos)
        << e.s.ReadFile(kPositions);
  }
  if (e.keeps_seeded_playlist) {
    EXPECT_EQ(e.s.ReadFile(kPlaylist), kSeedPlaylist);
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, BadInputTest, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& info) {
                           return std::string(info.param.name);
                         });

// The process's address space now, in bytes (VmSize), or 0.
std::size_t AddressSpaceInUse() {
  std::ifstream in("/proc/self/status");
  for (std::string line; std::getline(in, line);)
    if (line.rfind("VmSize:", 0) == 0) return std::strtoull(line.c_str() + 7, nullptr, 10) << 10;
  return 0;
}

// A work too large for the memory there is: the reader says so and ends at
// once with status 1, before anything is written. Run in a child process
// whose address space is capped 64 MB above what it uses, so that only the
// text's 200 MB cannot be had.
TEST(OutOfMemoryTest, ATextLargerThanTheMemoryLeftEndsWithStatusOneAndNothingWritten) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer reserves more address space than a cap allows";
#endif
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  auto run = [] {
    Env e;
    // 200 KiB of noise deflate to as much; their header claims 200 MiB,
    // which deflate could make of them, so only memory can refuse it.
    Bytes zip = MakeZip({Member("w0.txt", Noise(200 << 10, 11))});
    ziptest::SetUncompressedSize(&zip, 0, 200u << 20);
    e.s.resources.Add("w0", zip);
    const std::size_t in_use = AddressSpaceInUse();
    const rlimit cap{in_use + (64u << 20), in_use + (64u << 20)};
    if (in_use == 0 || setrlimit(RLIMIT_AS, &cap) != 0) _exit(2);
    e.Run();
    const bool kept = e.s.ReadFile(kPositions) == kSeedPositions &&
                      e.s.ReadFile(kPlaylist) == kSeedPlaylist;
    // What went to the error stream, then whether the files stayed.
    std::fprintf(stderr, "[%s] %s", e.Errors().c_str(), kept ? "files kept" : "files changed");
    std::fflush(stderr);
    _exit(e.status);
  };
  EXPECT_EXIT(run(), ::testing::ExitedWithCode(1), "\\[out of memory\n\\] files kept$");
}

// ---------------------------------------------------------------------------
// Rows that run the real program in a pseudo-terminal

struct ProgramEnv {
  ProgramEnv() {
    char tmpl[] = "/tmp/shiori_badbin_XXXXXX";
    dir = mkdtemp(tmpl);
    WritePath(dir + "/" + kPositions, kSeedPositions);
    WritePath(dir + "/" + kPlaylist, kSeedPlaylist);
  }
  ~ProgramEnv() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  std::string File(const std::string& name) const { return ReadPath(dir + "/" + name); }

  std::string dir;  ///< the program's working directory
  std::vector<std::string> args = {"1"};
  RunningReader::Options options;
};

struct ProgramRow {
  const char* name;
  const char* what;
  void (*setup)(ProgramEnv&);
  /// Keys, signals and waits while the program runs.
  void (*drive)(ProgramEnv&, RunningReader&);
  void (*expect)(ProgramEnv&, RunningReader&);
};

const std::string kStatusEnd = "(n)next";

// A signal while the program waits at a page: the terminal's modes as they
// were before it started, colours reset, the position saved beside the old
// ones, the playlist as it was, and the program ended by that very signal.
void SignalAtAPage(RunningReader& r, int sig) {
  ASSERT_TRUE(r.WaitFor(kStatusEnd));
  r.Type("n");
  ASSERT_TRUE(r.WaitFor(kStatusEnd));
  // The key wait has put the terminal in single-key mode.
  for (int i = 0; i < 100 && (r.ModesNow().c_lflag & ICANON); ++i) usleep(10000);
  ASSERT_FALSE(r.ModesNow().c_lflag & ICANON);
  r.Signal(sig);
  r.Wait();
}
void EndedBySignal(ProgramEnv& e, RunningReader& r, int sig) {
  ASSERT_TRUE(r.exited());
  EXPECT_TRUE(WIFSIGNALED(r.status()));
  EXPECT_EQ(WTERMSIG(r.status()), sig);
  const struct termios start = r.ModesAtStart(), now = r.ModesNow();
  EXPECT_EQ(now.c_lflag, start.c_lflag);
  EXPECT_EQ(now.c_iflag, start.c_iflag);
  EXPECT_EQ(now.c_oflag, start.c_oflag);
  EXPECT_EQ(std::memcmp(now.c_cc, start.c_cc, sizeof now.c_cc), 0);
  EXPECT_TRUE(r.seen().ends_with("\x1b[0m")) << r.seen().substr(r.seen().size() - 40);
  const std::string positions = e.File(kPositions);
  const std::string entry = kSeedPositions + "readme.txt\n";
  ASSERT_EQ(positions.rfind(entry, 0), 0u) << positions;
  EXPECT_GT(std::atoi(positions.c_str() + entry.size()), 0) << positions;
  EXPECT_EQ(e.File(kPlaylist), kSeedPlaylist);
}

// Quitting with q saved the position of the quit notice beside the old ones.
void SavedAtQuit(ProgramEnv& e, RunningReader& r, const std::string& key) {
  const std::string notice = U8(u8"途中まで、表示しました。");
  std::size_t at = r.seen().rfind(notice);
  ASSERT_NE(at, std::string::npos) << r.seen().substr(0, 3000);
  const int rows = std::atoi(r.seen().c_str() + at + notice.size());
  EXPECT_EQ(e.File(kPositions), kSeedPositions + key + ".txt\n" + std::to_string(rows) + "\n");
  EXPECT_EQ(e.File(kPlaylist), kSeedPlaylist);
}

// The first page, the help screen and back, then q.
void HelpThenQuit(ProgramEnv&, RunningReader& r) {
  ASSERT_TRUE(r.WaitFor(kStatusEnd));
  r.Type("h");
  // A screen shorter than the help shows part of it: q returns from there
  // as any key does at its end.
  ASSERT_TRUE(r.WaitFor("return page"));
  r.Type("q");
  ASSERT_TRUE(r.WaitFor(kStatusEnd));
  r.Type("q");
  r.Wait();
}

const ProgramRow kProgramRows[] = {
    {"SigintWhileAPageWaits", "SIGINT at the second page",
     [](ProgramEnv&) {}, [](ProgramEnv&, RunningReader& r) { SignalAtAPage(r, SIGINT); },
     [](ProgramEnv& e, RunningReader& r) { EndedBySignal(e, r, SIGINT); }},
    {"SigtermWhileAPageWaits", "SIGTERM at the second page",
     [](ProgramEnv&) {}, [](ProgramEnv&, RunningReader& r) { SignalAtAPage(r, SIGTERM); },
     [](ProgramEnv& e, RunningReader& r) { EndedBySignal(e, r, SIGTERM); }},
    {"SighupWhileAPageWaits", "SIGHUP at the second page",
     [](ProgramEnv&) {}, [](ProgramEnv&, RunningReader& r) { SignalAtAPage(r, SIGHUP); },
     [](ProgramEnv& e, RunningReader& r) { EndedBySignal(e, r, SIGHUP); }},
    {"TerminalNarrowerThanARow", "a terminal of 30 columns",
     [](ProgramEnv& e) { e.options.columns = 30; },
     HelpThenQuit,
     [](ProgramEnv& e, RunningReader& r) {
       EXPECT_EQ(WEXITSTATUS(r.status()), 0);
       // Rows are cut at 78 bytes whatever the width; the terminal wraps them.
       EXPECT_NE(r.seen().find(U8(u8"[ このプログラムについて --- page 1 ---")),
                 std::string::npos);
       SavedAtQuit(e, r, "readme");
     }},
    {"TerminalShorterThanAPage", "a terminal of 8 rows",
     [](ProgramEnv& e) { e.options.rows = 8; },
     HelpThenQuit,
     [](ProgramEnv& e, RunningReader& r) {
       EXPECT_EQ(WEXITSTATUS(r.status()), 0);
       // All 22 rows of the page are written, then the status line.
       std::string page = r.seen().substr(0, r.seen().find(kStatusEnd));
       EXPECT_GE(std::count(page.begin(), page.end(), '\n'), 22) << page;
       SavedAtQuit(e, r, "readme");
     }},
    {"StandardInputFromDevNull", "no argument, standard input /dev/null",
     [](ProgramEnv& e) {
       e.args = {};
       e.options.input = RunningReader::Input::kDevNull;
     },
     [](ProgramEnv&, RunningReader& r) { r.Wait(); },
     [](ProgramEnv& e, RunningReader& r) {
       // No answer to the menu: work 0; no key: as q, the position saved.
       EXPECT_TRUE(WIFEXITED(r.status()));
       EXPECT_EQ(WEXITSTATUS(r.status()), 0);
       SavedAtQuit(e, r, "great_velmor_the");
     }},
    {"StandardInputClosed", "no argument, standard input closed",
     [](ProgramEnv& e) {
       e.args = {};
       e.options.input = RunningReader::Input::kClosed;
     },
     [](ProgramEnv&, RunningReader& r) { r.Wait(); },
     [](ProgramEnv& e, RunningReader& r) {
       EXPECT_TRUE(WIFEXITED(r.status()));
       EXPECT_EQ(WEXITSTATUS(r.status()), 0);
       SavedAtQuit(e, r, "great_velmor_the");
     }},
    {"TerminalControlSequencesInAText",
     "a text file whose lines hold escape sequences (title, clear, alternate screen, bell)",
     [](ProgramEnv& e) {
       std::string text = "Title\r\n";
       for (int i = 0; i < 30; ++i)
         text += "line\x1b]0;owned\x07 \x1b[2J\x1b[?1049h\x1b" "c end\r\n";
       WritePath(e.dir + "/esc.txt", text);
       e.args = {"esc.txt"};
     },
     [](ProgramEnv&, RunningReader& r) {
       ASSERT_TRUE(r.WaitFor(kStatusEnd));
       r.Type("q");
       r.Wait();
     },
     [](ProgramEnv& e, RunningReader& r) {
       EXPECT_EQ(WEXITSTATUS(r.status()), 0);
       // The text's control bytes reach the terminal as visible marks,
       // never as commands; the program's own colour sequences still do.
       const std::string& out = r.seen();
       EXPECT_EQ(out.find("\x1b]"), std::string::npos);
       EXPECT_EQ(out.find("\x1b[2J"), std::string::npos);
       EXPECT_EQ(out.find("\x1b[?1049h"), std::string::npos);
       EXPECT_EQ(out.find('\x07'), std::string::npos);
       EXPECT_EQ(out.find("\x1b" "c"), std::string::npos);
       EXPECT_NE(out.find("line" + U8(u8"\uFFFD") + "]0;owned" + U8(u8"\uFFFD")),
                 std::string::npos);
       EXPECT_NE(out.find("\x1b[0;97;104m[ Title --- page 1 ---"), std::string::npos);
       EXPECT_NE(e.File(kPositions).find("esc.txt\n22\n"), std::string::npos);
     }},
    {"TenThousandByteWordTypedAtTheTerminal", "s, then 10,002 bytes of UTF-8 typed and Enter",
     [](ProgramEnv&) {},
     [](ProgramEnv&, RunningReader& r) {
       ASSERT_TRUE(r.WaitFor(kStatusEnd));
       r.Type("s");
       ASSERT_TRUE(r.WaitFor("input search str"));
       const std::string word = Repeat(U8(u8"あ"), 3334);
       for (std::size_t at = 0; at < word.size(); at += 512) {
         r.Type(word.substr(at, 512));
         usleep(2000);
       }
       r.Type("\n");
       ASSERT_TRUE(r.WaitFor("touch anykey , return page", 15000));
       r.Type("x");
       ASSERT_TRUE(r.WaitFor(kStatusEnd));
       r.Type("q");
       r.Wait();
     },
     [](ProgramEnv& e, RunningReader& r) {
       EXPECT_EQ(WEXITSTATUS(r.status()), 0);
       // The terminal's line holds at most 4095 bytes; the word is cut to
       // 255 bytes of code page 932 at a character boundary.
       const std::string& out = r.seen();
       std::size_t at = out.find("not found ");
       ASSERT_NE(at, std::string::npos);
       std::size_t end = out.find("touch anykey", at);
       std::string shown = out.substr(at, end - at);
       EXPECT_EQ(Occurrences(shown, U8(u8"あ")), 127u) << shown.size();
       SavedAtQuit(e, r, "readme");
     }},
};

void PrintTo(const ProgramRow& row, std::ostream* os) { *os << row.name; }

class BadInputProgramTest : public ::testing::TestWithParam<ProgramRow> {};

TEST_P(BadInputProgramTest, EndsWithItsDocumentedOutcome) {
  const ProgramRow& row = GetParam();
  SCOPED_TRACE(row.what);
  HangWatch watch;
  ProgramEnv e;
  row.setup(e);
  RunningReader r(e.dir, e.args, e.options);
  row.drive(e, r);
  ASSERT_TRUE(r.exited()) << "still running:\n" << r.seen().substr(0, 2000);
  row.expect(e, r);
}

INSTANTIATE_TEST_SUITE_P(Rows, BadInputProgramTest, ::testing::ValuesIn(kProgramRows),
                         [](const ::testing::TestParamInfo<ProgramRow>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace shiori::testing
