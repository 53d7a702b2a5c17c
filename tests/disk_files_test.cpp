// Works named on the command line: ZIP and text files join the catalog, the
// first opens at once, positions are kept by file name, and bad files end
// the program with one line before anything else happens.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/corpus.h"
#include "tests/support/fake_platform.h"
#include "tests/support/png_maker.h"
#include "tests/support/zip_builder.h"

namespace shiori::testing {
namespace {

using ziptest::MakeZip;
using ziptest::Member;
using Bytes = std::vector<std::uint8_t>;

std::string Str(const Bytes& b) { return std::string(b.begin(), b.end()); }

std::string U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

// A work in the Aozora form: title, author, then numbered lines.
std::string Work(const std::string& title, int lines) {
  return title + "\r\n作者\r\n" + NumberedLines(1, lines);
}

class DiskFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    s.AddWork("first", "First", NumberedLines(1, 30));
    s.AddWork("second", "Second", NumberedLines(501, 30));
    works_ = MakeTempDir("shiori_works_");
  }
  void TearDown() override { std::filesystem::remove_all(works_); }

  // Writes |bytes| as the file |name| of the works folder; returns its path.
  std::string Put(const std::string& name, const std::string& bytes) {
    std::string path = works_ + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  std::string Put(const std::string& name, const Bytes& bytes) {
    return Put(name, std::string(bytes.begin(), bytes.end()));
  }
  std::string Text() const { return s.console.Text(); }
  bool Shows(const std::string& status) const {
    return Text().find("[ " + status + " --- page") != std::string::npos;
  }

  Scenario s;
  std::string works_;
};

TEST_F(DiskFilesTest, ZipWithDataDescriptorOrStoredMemberOpensAtOnceUnderItsFirstLine) {
  const std::pair<Member, const char*> forms[] = {
      {Member("tsumi/tsumi.txt", Work("罪と罰", 40), 8, true), "deflate, flag bit 3"},
      {Member("tsumi.txt", Work("罪と罰", 40), 0), "stored"},
  };
  for (const auto& [member, what] : forms) {
    s.ResetRecording();
    std::string path = Put("tsumi.zip", MakeZip({Member("readme.html", "x"), member}));
    EXPECT_EQ(s.Run({path}), 0) << what;
    EXPECT_EQ(Text().find("select number"), std::string::npos) << what;
    EXPECT_TRUE(Shows("罪と罰")) << what;
    // The first page starts with the title line, right after the notice.
    EXPECT_NE(Text().find("                \r罪と罰\r\n作者\r\nline 001"), std::string::npos)
        << what;
  }
}

TEST_F(DiskFilesTest, CorpusTextFileOpensAsItIs) {
  SHIORI_NEEDS_CORPUS();
  s.Run({corpus::Path("127_ruby_150.txt")});
  EXPECT_TRUE(Shows("羅生門"));
  EXPECT_NE(Text().find("芥川龍之介"), std::string::npos);
  EXPECT_NE(s.ReadFile("001036_info.ini").find("127_ruby_150.txt\n22\n"), std::string::npos);
}

TEST_F(DiskFilesTest, Utf8CopyIsConvertedAndWhatCp932CannotHoldIsGeta) {
  std::string utf8 = U8(u8"吾輩は猫である\r\n夏目漱石\r\n名前はまだ無い。") +
                     "\xED\x95\x9C" + U8(u8"と") + "\xF0\x9F\x98\x80" + "\r\n" +
                     NumberedLines(1, 30);
  s.Run({Put("neko.TXT", utf8)});
  EXPECT_TRUE(Shows("吾輩は猫である"));
  EXPECT_NE(Text().find("夏目漱石\r\n名前はまだ無い。〓と〓\r\n"), std::string::npos) << Text();
}

TEST_F(DiskFilesTest, TwoFilesJoinAfterTheBuiltInWorksAndTheMenuListsFour) {
  std::string a = Put("a.zip", MakeZip({Member("a.txt", Work("Alpha", 60))}));
  std::string b = Put("b.txt", Work("Beta", 60));
  s.keyboard.Type("c");
  s.keyboard.input = "3\n";
  s.Run({a, b});
  std::string t = Text();
  EXPECT_TRUE(Shows("Alpha"));
  EXPECT_NE(t.find("(00) First , (01) Second , (02) Alpha , (03) Beta\nselect number\n"),
            std::string::npos)
      << t;
  EXPECT_NE(t.find("[ Beta --- page 1"), std::string::npos);
  EXPECT_NE(s.ReadFile("001036_info.ini").find("a.txt\n22\nb.txt\n"), std::string::npos);
}

TEST_F(DiskFilesTest, FilesOpenBeforeAnyNumberAndModesComeFromTheOtherArguments) {
  std::string a = Put("a.zip", MakeZip({Member("a.txt", Work("Alpha", 60))}));
  s.Run({"1r", a});
  EXPECT_TRUE(Shows("Alpha"));
  ASSERT_FALSE(s.console.events.empty());
  EXPECT_EQ(s.console.events[0], "fillattr:240:24000");  // reverse colours from "1r"
  // Without files the first argument still selects, as it always did.
  s.ResetRecording();
  s.Run({"1", "y"});
  EXPECT_TRUE(Shows("Second"));
}

TEST_F(DiskFilesTest, PositionIsKeptUnderTheFileNameAndReadingResumesThere) {
  const std::string long_name(100, 'k');
  for (const std::string& name : {std::string("my.work"), long_name}) {
    std::string path = Put(name + ".zip", MakeZip({Member("x.txt", Work("Resume", 200))}));
    s.ResetRecording();
    s.keyboard.Type("nnq");
    s.Run({path});
    EXPECT_EQ(PagesShown(Text()), std::vector<int>({1, 2, 3})) << name.size();
    s.ResetRecording();
    s.keyboard.Type("q");
    s.Run({path});
    EXPECT_EQ(PagesShown(Text()), std::vector<int>({3})) << name.size();
  }
  // The key is the name without folder and extension, cut as keys are.
  std::string saved = s.ReadFile("001036_info.ini");
  EXPECT_NE(saved.find("\nmy.work.txt\n66\n"), std::string::npos) << saved;
  EXPECT_NE(saved.find("\n" + long_name.substr(0, 79) + ".txt\n66\n"), std::string::npos);
  EXPECT_EQ(saved.find(long_name.substr(0, 80)), std::string::npos);
}

TEST_F(DiskFilesTest, BadFilesSayWhyInOneLineEndWithStatusOneAndTouchNothing) {
  Bytes good = MakeZip({Member("w.txt", Work("Good", 10)), Member("fig_01.png", "\x89PNG")});
  Bytes encrypted = good, unsupported = good, png_encrypted = good;
  ziptest::SetFlags(&encrypted, 0, 0x0001);
  ziptest::SetMethod(&unsupported, 0, 14);
  ziptest::SetFlags(&png_encrypted, 1, 0x0001);
  Bytes huge = MakeZip({Member("big.txt", std::string(400000, 'x'), 0)});
  ziptest::SetMethod(&huge, 0, 8);
  ziptest::SetUncompressedSize(&huge, 0, 300u << 20);
  std::string sparse = Put("sparse.txt", "");
  std::filesystem::resize_file(sparse, (256 << 20) + 1);
  std::filesystem::create_directory(works_ + "/folder.txt");

  struct Case {
    std::vector<std::string> args;
    const char* says;
  };
  std::vector<Case> cases = {
      {{works_ + "/missing.zip"}, "cannot read the file"},
      {{works_ + "/folder.txt"}, "not a regular file"},
      {{Put("nothing.zip", MakeZip({Member("w.html", "x")}))}, "no text member"},
      {{Put("encrypted.zip", encrypted)}, "encrypted"},
      {{Put("png.zip", png_encrypted)}, "\"fig_01.png\" is encrypted"},
      {{Put("method.zip", unsupported)}, "compression method 14"},
      {{Put("cut.zip", Bytes(good.begin(), good.end() - 30))}, "damaged"},
      {{Put("huge.zip", huge)}, "larger than 256 MB"},
      {{sparse}, "larger than 256 MB"},
      {{Put("latin.txt", "caf\xE9\r\n")}, "neither Shift_JIS (code page 932) nor UTF-8"},
      // A good file does not save a bad one named after it.
      {{"0", Put("ok.txt", Work("Ok", 5)), works_ + "/missing.txt"}, "cannot read"},
  };
  {
    // A file without permissions, where the system can refuse to read one
    // (not for root, and not on Windows, where it only becomes read-only).
    std::string locked = Put("locked.txt", Work("Locked", 5));
    std::filesystem::permissions(locked, std::filesystem::perms::none);
    if (!std::ifstream(locked)) {
      cases.push_back({{locked}, "Permission denied"});
    } else {
      // Readable all the same; a read-only file could not even be removed.
      std::filesystem::permissions(locked, std::filesystem::perms::owner_all);
    }
  }
  for (const Case& c : cases) {
    Scenario fresh;
    fresh.AddWork("first", "First", NumberedLines(1, 30));
    fresh.keyboard.Type("nnn");
    const std::string& file = c.args.back();
    EXPECT_EQ(fresh.Run(c.args), 1) << file;
    EXPECT_EQ(fresh.console.Text(), "") << "errors go to the error stream";
    const std::string out = fresh.console.errors;
    EXPECT_EQ(out.rfind("shiori: " + file + ": ", 0), 0u) << out;
    EXPECT_NE(out.find(c.says), std::string::npos) << "wanted \"" << c.says << "\": " << out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
    EXPECT_TRUE(out.ends_with("\n")) << out;
    EXPECT_TRUE(std::filesystem::is_empty(fresh.dir)) << file;
    EXPECT_TRUE(fresh.cues.played.empty()) << file;
    EXPECT_EQ(fresh.keyboard.keys_read, 0) << file;
    EXPECT_EQ(fresh.messages.timer_ms, 0) << file;
  }
}

TEST_F(DiskFilesTest, OptionsAnswerWithoutStartingTheReaderOnTheirStream) {
  const std::string usage = "usage: shiori [NUMBER] [FILE.zip | FILE.txt ...]";
  const std::string version = "shiori Ver 0.02 (1.0.0.1)\n";
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string out;  ///< the start of what the screen gets
    std::string err;  ///< the start of what the error stream gets
  };
  const Case cases[] = {
      {{"--help"}, 0, usage, ""},
      {{"-h"}, 0, usage, ""},
      {{"1r", "--help"}, 0, usage, ""},
      {{"--help", works_ + "/missing.zip"}, 0, usage, ""},
      {{"0", "--version", "--help"}, 0, version, ""},
      {{"-V"}, 0, version, ""},
      // A mistyped option is not work 0: one line, then the usage.
      {{"--bogus"}, 2, "", "shiori: unknown option '--bogus'\n" + usage},
      {{"0", "-x", "--help"}, 2, "", "shiori: unknown option '-x'\n" + usage},
      {{"-r"}, 2, "", "shiori: unknown option '-r'\n" + usage},
      {{"--", "-x.txt"}, 1, "", "shiori: -x.txt: "},
  };
  for (const Case& c : cases) {
    s.ResetRecording();
    EXPECT_EQ(s.Run(c.args), c.status) << c.args[0];
    EXPECT_EQ(Text().rfind(c.out, 0), 0u) << Text();
    EXPECT_EQ(s.console.errors.rfind(c.err, 0), 0u) << s.console.errors;
    EXPECT_EQ(Text().empty(), c.out.empty()) << Text();
    EXPECT_EQ(s.console.errors.empty(), c.err.empty()) << s.console.errors;
    EXPECT_TRUE(std::filesystem::is_empty(s.dir));
    EXPECT_TRUE(s.cues.played.empty());
    EXPECT_EQ(s.keyboard.keys_read, 0);
  }
  // The help names every key the reader takes.
  s.ResetRecording();
  s.Run({"-h"});
  for (const char* must : {"...r", "...y", "001036_info.ini", "mmsys.ini", "q  quit", "s  search",
                           "f  search again", "c  another work", "p  illustrations", "n, space",
                           "-, PageUp, Up, Left", "i  positions", "S saves", "h, ?", "t  speech",
                           "m  background music", "r  readings"})
    EXPECT_NE(Text().find(must), std::string::npos) << must;
}

TEST_F(DiskFilesTest, MarkersOpenTheZipsOwnPicturesAndThePListOffersThem) {
  // The catalog has a picture of the same name as the work's first: the
  // work's own (5 x 4) must win over it (7 x 3).
  s.resources.Add("fig9_01", pngtest::MakeRgbPng(7, 3, pngtest::PatternColour));
  s.resources.Add("fig00000_01", pngtest::MakeRgbPng(6, 6, pngtest::PatternColour));
  s.catalog.pngname = {"fig00000_01", "fig00000_02", "fig00000_03"};
  s.catalog.png_num = 2;
  const std::string text = "Pictured\r\n作者\r\n［＃挿絵（fig9_01.png、横5×縦4）入る］\r\n"
                           "［＃挿絵（fig00000_01.png）入る］\r\n" +
                           NumberedLines(1, 40);
  std::string path = Put("pictured.zip",
                         MakeZip({Member("p/p.txt", text),
                                  Member("p/img/FIG9_01.png",
                                         Str(pngtest::MakeRgbPng(5, 4, pngtest::PatternColour)), 0),
                                  Member("fig9_02.png",
                                         Str(pngtest::MakeRgbPng(3, 2, pngtest::PatternColour)),
                                         8, true)}));
  s.keyboard.Type("p cp ");  // each window is followed by "touch anykey"
  s.keyboard.input = "1\n0\n1\n";  // picture 1, then work 0, then picture 1
  s.Run({path});
  const std::vector<std::string> titles = {"fig9_01", "fig00000_01", "fig9_02", "fig00000_02"};
  ASSERT_EQ(s.window.shown, titles) << Text();
  const std::pair<int, int> sizes[] = {{5, 4}, {6, 6}, {3, 2}, {0, 0}};  // no fig00000_02
  for (std::size_t i = 0; i < titles.size(); ++i) {
    EXPECT_EQ(s.window.pictures[i].width, sizes[i].first) << titles[i];
    EXPECT_EQ(s.window.pictures[i].height, sizes[i].second) << titles[i];
  }
  // The work's list holds its own pictures in archive order; the built-in
  // work's list the catalog's.
  const std::string t = Text();
  EXPECT_NE(t.find("png_num:2\n(00) FIG9_01 , (01) fig9_02\n"), std::string::npos) << t;
  EXPECT_NE(t.find("png_num:2\n(00) fig00000_01 , (01) fig00000_02\n"), std::string::npos);
}

}  // namespace
}  // namespace shiori::testing
