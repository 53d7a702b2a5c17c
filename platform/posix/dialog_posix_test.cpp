// The terminal file dialog: answers read from a pipe and from a
// pseudo-terminal, the re-asking, "~" and dropped paths.
#include "platform/posix/dialog_posix.h"

#include <fcntl.h>
#include <pthread.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "tests/support/fake_platform.h"

namespace shiori {
namespace {

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/shiori_dialog_XXXXXX";
    dir = mkdtemp(tmpl);
    std::filesystem::create_directories(dir + "/My Music");
    std::ofstream(dir + "/My Music/a b.mp3") << "x";
    std::ofstream(dir + "/song.mp3") << "x";
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  // Asks with |typed| as everything the input will ever hold.
  std::string Ask(const std::string& typed) {
    int fds[2];
    EXPECT_EQ(pipe(fds), 0);
    EXPECT_EQ(write(fds[1], typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
    close(fds[1]);
    PosixFileDialog dialog(fds[0], &console);
    std::string got = dialog.GetOpenFileName("音楽ファイルを選択します。", filters, dir);
    // What the dialog left unread.
    char rest[64];
    ssize_t n = read(fds[0], rest, sizeof rest);
    left = n > 0 ? std::string(rest, n) : "";
    close(fds[0]);
    return got;
  }
  int Count(const std::string& what) const {
    std::string text = console.Text();
    int n = 0;
    for (std::size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += what.size())
      ++n;
    return n;
  }

  std::string dir;
  std::string left;
  testing::FakeConsole console;
  std::vector<FileFilter> filters = {{"音楽ファイル(*.mp3)", "*.mp3"}, {"すべて", "*.*"}};
};

TEST_F(DialogTest, TitleAndFirstFilterThenTheAnswerFromTheInitialFolder) {
  EXPECT_EQ(Ask("song.mp3\nnext line\n"), dir + "/song.mp3");
  EXPECT_EQ(console.Text().rfind("音楽ファイルを選択します。\n音楽ファイル(*.mp3)\n", 0), 0u);
  EXPECT_EQ(left, "next line\n");  // nothing beyond the answer's line is taken
  EXPECT_EQ(Ask(dir + "/My Music/a b.mp3\n"), dir + "/My Music/a b.mp3");
}

TEST_F(DialogTest, EmptyAnswerOrEndOfInputCancels) {
  EXPECT_EQ(Ask("\nsong.mp3\n"), "");
  EXPECT_EQ(left, "song.mp3\n");
  EXPECT_EQ(Ask("   \n"), "");
  EXPECT_EQ(Ask(""), "");
  // An unfinished last line is not an answer.
  EXPECT_EQ(Ask("song.mp3"), "");
}

TEST_F(DialogTest, WhatIsNotAnExistingFileIsAskedAgain) {
  EXPECT_EQ(Ask("missing.mp3\nMy Music\nsong.mp3\n"), dir + "/song.mp3");
  EXPECT_EQ(Count("no such file\n"), 2);
  EXPECT_EQ(Count("file name (Enter alone: cancel): "), 3);
  // Re-asking ends with the input.
  EXPECT_EQ(Ask("missing.mp3\n"), "");
}

TEST_F(DialogTest, AnOverlongLineIsRefusedWhole) {
  std::string typed = std::string(PosixFileDialog::kMaxAnswer + 10, 'x') + "\nsong.mp3\n";
  EXPECT_EQ(Ask(typed), dir + "/song.mp3");
  EXPECT_EQ(Count("the name is too long\n"), 1);
}

TEST_F(DialogTest, HomeFolderAndPathsDroppedIntoTheTerminal) {
  const char* old = getenv("HOME");
  std::string saved = old != nullptr ? old : "";
  setenv("HOME", dir.c_str(), 1);
  EXPECT_EQ(Ask("~/song.mp3\n"), dir + "/song.mp3");
  EXPECT_EQ(Ask("'~/My Music/a b.mp3' \n"), dir + "/My Music/a b.mp3");
  EXPECT_EQ(Ask("~/My\\ Music/a\\ b.mp3\n"), dir + "/My Music/a b.mp3");
  EXPECT_EQ(Ask("\"" + dir + "/song.mp3\"\n"), dir + "/song.mp3");
  if (old != nullptr) {
    setenv("HOME", saved.c_str(), 1);
  } else {
    unsetenv("HOME");
  }
  // A file whose name really holds a backslash is taken as typed first.
  std::ofstream(dir + "/x\\y.mp3") << "x";
  EXPECT_EQ(Ask("x\\y.mp3\n"), dir + "/x\\y.mp3");
}

TEST(DialogPathCandidates, AsTypedFirstThenTheShellForm) {
  EXPECT_EQ(DialogPathCandidates("a b.mp3", "/d"), std::vector<std::string>({"/d/a b.mp3"}));
  EXPECT_EQ(DialogPathCandidates("/x/a\\ b.mp3", "/d"),
            std::vector<std::string>({"/x/a\\ b.mp3", "/x/a b.mp3"}));
  EXPECT_EQ(DialogPathCandidates("'/x/a b.mp3'", "/d/"),
            std::vector<std::string>({"/d/'/x/a b.mp3'", "/x/a b.mp3"}));
  EXPECT_EQ(DialogPathCandidates("rel.mp3", ""), std::vector<std::string>({"rel.mp3"}));
}

struct Typist {
  int fd;
  std::string text;
};

void* TypeLater(void* arg) {
  auto* t = static_cast<Typist*>(arg);
  usleep(100 * 1000);  // after the dialog has begun to wait
  if (write(t->fd, t->text.data(), t->text.size()) < 0) return nullptr;
  return nullptr;
}

TEST_F(DialogTest, OnATerminalTheAnswerIsEchoedAndTheModeIsPutBack) {
  int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  int slave = open(ptsname(master), O_RDWR | O_NOCTTY);
  ASSERT_GE(slave, 0);
  // The terminal is in single-key mode, as a key wait leaves it.
  struct termios raw {};
  ASSERT_EQ(tcgetattr(slave, &raw), 0);
  raw.c_lflag &= ~(ICANON | ECHO);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  ASSERT_EQ(tcsetattr(slave, TCSANOW, &raw), 0);

  // Typed with a correction: the line editor takes the erase character.
  Typist typist{master, std::string("sonx") + static_cast<char>(raw.c_cc[VERASE]) + "g.mp3\n"};
  pthread_t th;
  ASSERT_EQ(pthread_create(&th, nullptr, TypeLater, &typist), 0);
  PosixFileDialog dialog(slave, &console);
  std::string got = dialog.GetOpenFileName("title", filters, dir);
  pthread_join(th, nullptr);
  EXPECT_EQ(got, dir + "/song.mp3");

  struct termios after {};
  ASSERT_EQ(tcgetattr(slave, &after), 0);
  EXPECT_EQ(after.c_lflag & (ICANON | ECHO), 0u);
  // The terminal echoed what was typed.
  usleep(50 * 1000);
  fcntl(master, F_SETFL, O_NONBLOCK);
  char buf[256];
  ssize_t n = read(master, buf, sizeof buf);
  std::string echoed = n > 0 ? std::string(buf, n) : "";
  EXPECT_NE(echoed.find("sonx"), std::string::npos) << echoed;
  EXPECT_NE(echoed.find("g.mp3"), std::string::npos) << echoed;
  close(slave);
  close(master);
}

}  // namespace
}  // namespace shiori
