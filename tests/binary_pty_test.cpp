// The real program in a pseudo-terminal: what a reader at a UTF-8 terminal
// sees and types.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/corpus.h"
#include "platform/posix/speech_posix.h"
#include "tests/support/running_reader.h"

namespace shiori {
namespace {

// UTF-8 text for comparisons with what the terminal receives.
std::string U8(const char8_t* s) { return std::string(reinterpret_cast<const char*>(s)); }

using testing::RunningReader;

class BinaryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/shiori_bin_XXXXXX";
    dir_ = mkdtemp(tmpl);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string File(const std::string& name) {
    std::ifstream in(dir_ + "/" + name, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  // The last status line in |text|, from "[ " to "(n)next".
  static std::string LastStatus(const std::string& text) {
    std::size_t end = text.rfind("(n)next");
    std::size_t start = text.rfind("[ ", end);
    return end == std::string::npos || start == std::string::npos
               ? ""
               : text.substr(start, end - start);
  }
  std::string dir_;
};

TEST_F(BinaryTest, MenuThenANumberThenTheLoadingNoticeIsBlanked) {
  RunningReader r(dir_, {});
  ASSERT_TRUE(r.WaitFor(U8(u8"(00) グレイト・ヴェルモア , (01) このプログラムについて")));
  ASSERT_TRUE(r.WaitFor("select number"));
  r.Type("1\n");
  ASSERT_TRUE(r.WaitFor("(n)next"));
  const std::string& out = r.seen();
  std::size_t notice = out.find(U8(u8"読み込み中・・・\r"));
  ASSERT_NE(notice, std::string::npos);
  std::size_t blank = out.find("                \r", notice);
  ASSERT_NE(blank, std::string::npos);
  // Nothing but colour changes between the notice and its blanking.
  std::string between = out.substr(notice + U8(u8"読み込み中・・・\r").size(),
                                   blank - notice - U8(u8"読み込み中・・・\r").size());
  EXPECT_EQ(between.find_first_not_of("\x1b[0123456789;m"), std::string::npos) << between;
  EXPECT_NE(out.find(U8(u8"[ このプログラムについて --- page ")), std::string::npos);
  r.Type("q");
  EXPECT_EQ(r.Wait(), 0);
}

TEST_F(BinaryTest, ADumbTerminalGetsTheTextWithoutAnyEscapeSequence) {
  RunningReader::Options dumb;
  dumb.env = {"TERM=dumb"};
  // Reverse colours clear the screen, a search hit is painted: none of it
  // may reach a terminal that cannot take it.
  RunningReader r(dir_, {"1r"}, dumb);
  ASSERT_TRUE(r.WaitFor("(n)next"));
  r.Type("s");
  ASSERT_TRUE(r.WaitFor("input search str"));
  r.Type(U8(u8"探す") + "\n");
  ASSERT_TRUE(r.WaitFor(U8(u8"探す")));
  r.Type("q");
  EXPECT_EQ(r.Wait(), 0);
  EXPECT_NE(r.seen().find(U8(u8"[ このプログラムについて --- page ")), std::string::npos);
  EXPECT_EQ(r.seen().find('\x1b'), std::string::npos) << r.seen().substr(0, 200);
}

TEST_F(BinaryTest, QuitAndStartAgainShowsTheSamePage) {
  std::string status;
  {
    RunningReader r(dir_, {"0"});
    ASSERT_TRUE(r.WaitFor("(n)next"));
    r.Type("n");
    ASSERT_TRUE(r.WaitFor("(n)next"));
    r.Type("n");
    ASSERT_TRUE(r.WaitFor("(n)next"));
    status = LastStatus(r.seen());
    r.Type("q");
    ASSERT_EQ(r.Wait(), 0);
    EXPECT_NE(r.seen().find(U8(u8"途中まで、表示しました。")), std::string::npos);
  }
  EXPECT_NE(File("001036_info.ini").find("great_velmor_the.txt\n"), std::string::npos);
  RunningReader again(dir_, {"0"});
  ASSERT_TRUE(again.WaitFor("(n)next"));
  EXPECT_EQ(LastStatus(again.seen()), status);
  again.Type("q");
  EXPECT_EQ(again.Wait(), 0);
}

TEST_F(BinaryTest, SearchForAWordTypedInUtf8HighlightsTheHit) {
  RunningReader r(dir_, {"1"});
  ASSERT_TRUE(r.WaitFor("(n)next"));
  r.Type("s");
  ASSERT_TRUE(r.WaitFor("input search str"));
  r.Type(U8(u8"探す") + "\n");
  ASSERT_TRUE(r.WaitFor("(n)next"));
  // The hit: light grey on bright red, then the word itself.
  EXPECT_NE(r.seen().find("\x1b[0;37;101m" + U8(u8"探す")), std::string::npos)
      << r.seen().substr(r.seen().size() > 3000 ? r.seen().size() - 3000 : 0);
  r.Type("q");
  EXPECT_EQ(r.Wait(), 0);
}

TEST_F(BinaryTest, DistributedZipOpensAtItsTitleLineAndResumesAfterARestart) {
  SHIORI_NEEDS_CORPUS();
  const std::string zip = corpus::Path("56656_ruby_74439.zip");
  std::string status;
  {
    RunningReader r(dir_, {zip});
    ASSERT_TRUE(r.WaitFor("(n)next"));
    const std::string& first = r.seen();
    EXPECT_EQ(first.find("select number"), std::string::npos);
    // The first page begins with the title line, the status line names it.
    std::size_t title = first.find(U8(u8"罪と罰\r\n"));
    std::size_t author = first.find(U8(u8"フョードル・ミハイロヴィッチ・ドストエフスキー"));
    ASSERT_NE(title, std::string::npos);
    EXPECT_LT(title, author);
    EXPECT_EQ(LastStatus(first).rfind(U8(u8"[ 罪と罰 --- page 1 ---"), 0), 0u) << LastStatus(first);
    r.Type("n");
    ASSERT_TRUE(r.WaitFor("(n)next"));
    status = LastStatus(r.seen());
    EXPECT_EQ(status.rfind(U8(u8"[ 罪と罰 --- page 2 ---"), 0), 0u) << status;
    r.Type("q");
    ASSERT_EQ(r.Wait(), 0);
  }
  EXPECT_NE(File("001036_info.ini").find("56656_ruby_74439.txt\n"), std::string::npos);
  RunningReader again(dir_, {zip});
  ASSERT_TRUE(again.WaitFor("(n)next"));
  EXPECT_EQ(LastStatus(again.seen()), status);
  again.Type("q");
  EXPECT_EQ(again.Wait(), 0);
}

// The second page of work 0, shown.
bool ShowSecondPage(RunningReader& r) {
  if (!r.WaitFor("(n)next")) return false;
  r.Type("n");
  return r.WaitFor("(n)next");
}

TEST_F(BinaryTest, SignalsDuringPagingSaveThePositionAsQuitDoesAndRestoreTheTerminal) {
  std::string saved_by_q;
  {
    RunningReader r(dir_, {"0"});
    ASSERT_TRUE(ShowSecondPage(r));
    r.Type("q");
    ASSERT_EQ(r.Wait(), 0);
    saved_by_q = File("001036_info.ini");
  }
  ASSERT_NE(saved_by_q.find("great_velmor_the.txt\n"), std::string::npos) << saved_by_q;
  struct Case {
    const char* name;
    int signal_number;
    bool typed;  ///< Ctrl-C typed at the terminal rather than sent
  };
  for (const Case& c : {Case{"SIGTERM", SIGTERM, false}, Case{"SIGINT", SIGINT, false},
                        Case{"Ctrl-C", SIGINT, true}, Case{"SIGHUP", SIGHUP, false},
                        Case{"SIGPIPE", SIGPIPE, false}}) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(dir_ + "/001036_info.ini");
    RunningReader r(dir_, {"0"});
    ASSERT_TRUE(ShowSecondPage(r));
    if (c.typed)
      r.Type("\x03");
    else
      r.Signal(c.signal_number);
    ASSERT_EQ(r.Wait(), -1) << "the program did not end by the signal";
    EXPECT_TRUE(WIFSIGNALED(r.status()) && WTERMSIG(r.status()) == c.signal_number) << r.status();
    EXPECT_EQ(File("001036_info.ini"), saved_by_q);
    const tcflag_t modes = ICANON | ECHO | ISIG;
    EXPECT_EQ(r.ModesNow().c_lflag & modes, r.ModesAtStart().c_lflag & modes);
    // Ended quietly: no quit notice.
    EXPECT_EQ(r.seen().find(U8(u8"途中まで、表示しました")), std::string::npos);
  }
}

TEST_F(BinaryTest, SigtermWhileSpeakingEndsTheSynthesizerAndRemovesItsFolder) {
  const JTalkSettings debian;
  if (access(debian.dictionary.c_str(), R_OK) != 0 || access(debian.voice.c_str(), R_OK) != 0)
    GTEST_SKIP() << "the synthesiser's dictionary and voice are not installed";
  namespace fs = std::filesystem;
  for (const char* sub : {"/bin", "/tmp", "/wavs"}) fs::create_directory(dir_ + sub);
  // A synthesiser that takes its time, and says who it is.
  const std::string synth = dir_ + "/bin/open_jtalk";
  std::ofstream(synth) << "#!/bin/sh\necho $$ > '" << dir_ << "/synth.pid.new'\nmv '" << dir_
                       << "/synth.pid.new' '" << dir_ << "/synth.pid'\nexec sleep 30\n";
  fs::permissions(synth, fs::perms::owner_all);
  RunningReader::Options options;
  options.env = {"PATH=" + dir_ + "/bin:" + std::getenv("PATH"), "TMPDIR=" + dir_ + "/tmp",
                 "SHIORI_SPEECH_WAV_DIR=" + dir_ + "/wavs"};
  RunningReader r(dir_, {"0"}, options);
  ASSERT_TRUE(r.WaitFor("(n)next"));
  r.Type("t");
  for (int waited = 0; waited < 5000 && !fs::exists(dir_ + "/synth.pid"); waited += 20)
    usleep(20000);
  const pid_t helper = std::atoi(File("synth.pid").c_str());
  ASSERT_GT(helper, 0) << "the page was never spoken";
  ASSERT_FALSE(fs::is_empty(dir_ + "/tmp"));  // the private folder, in use
  r.Signal(SIGTERM);
  ASSERT_EQ(r.Wait(), -1);
  EXPECT_TRUE(WIFSIGNALED(r.status()) && WTERMSIG(r.status()) == SIGTERM) << r.status();
  EXPECT_NE(kill(helper, 0), 0) << "the synthesiser outlived the reader";
  EXPECT_TRUE(fs::is_empty(dir_ + "/tmp"));
  EXPECT_NE(File("001036_info.ini").find("great_velmor_the.txt\n"), std::string::npos);
}

TEST_F(BinaryTest, MissingFileEndsWithOneLineAndStatusOneAndVersionAnswers) {
  {
    RunningReader r(dir_, {"missing.zip"});
    EXPECT_EQ(r.Wait(), 1);
    EXPECT_NE(r.seen().find("shiori: missing.zip: cannot read the file"), std::string::npos)
        << r.seen();
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir_));
  RunningReader v(dir_, {"--version"});
  EXPECT_EQ(v.Wait(), 0);
  EXPECT_NE(v.seen().find("shiori Ver 0.02 (1.0.0.1)"), std::string::npos) << v.seen();
  EXPECT_TRUE(std::filesystem::is_empty(dir_));
}

}  // namespace
}  // namespace shiori
