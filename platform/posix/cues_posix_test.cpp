// Sound cues through libcanberra, without a sound card: each case runs in a
// child process with its own ALSA configuration (a missing card, or a file
// that records what was played) and its standard error captured.
#include "platform/posix/cues_posix.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "platform/posix/monotonic_clock.h"

namespace shiori {
namespace {

const char kTheme[] = "/usr/share/sounds/freedesktop/stereo";

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

long FileSize(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : -1;
}

class CuesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/shiori_cues_XXXXXX";
    home_ = mkdtemp(tmpl);
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(home_, ec);
  }

  // The ALSA configuration the child sees as its own ~/.asoundrc.
  void Asoundrc(const std::string& text) {
    std::ofstream(home_ + "/.asoundrc") << text;
  }

  // Runs |body| in a child whose home is the private directory; what the
  // child writes to |report| and to standard error come back. Returns the
  // child's exit status (-1 when it had to be killed).
  int InChild(const std::function<void(std::ostream& report)>& body) {
    const std::string report_path = home_ + "/report";
    const std::string err_path = home_ + "/stderr";
    pid_t pid = fork();
    if (pid == 0) {
      setenv("HOME", home_.c_str(), 1);
      setenv("XDG_CONFIG_HOME", (home_ + "/.config").c_str(), 1);
      setenv("XDG_CACHE_HOME", (home_ + "/.cache").c_str(), 1);
      const int err_fd = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      dup2(err_fd, 2);
      std::ofstream report(report_path);
      body(report);
      report.close();
      std::fflush(stderr);
      _exit(0);
    }
    int status = 0;
    const long long deadline = NowMs() + 30000;
    while (waitpid(pid, &status, WNOHANG) == 0) {
      if (NowMs() > deadline) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return -1;
      }
      usleep(5000);
    }
    report = Slurp(report_path);
    err = Slurp(err_path);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::string home_;
  std::string report;
  std::string err;
};

TEST_F(CuesTest, CuesReturnAtOnceAndQuietlyWithoutADevice) {
  // A card that is not there: ALSA fails to open it and says so on stderr.
  Asoundrc("pcm.!default { type hw card \"NoSuchCard\" }\n"
           "ctl.!default { type hw card \"NoSuchCard\" }\n");
  ASSERT_EQ(InChild([](std::ostream& out) {
              const long long t0 = NowMs();
              PosixCues cues;
              cues.Play("SystemStart", kSndApplication | kSndAsync);
              cues.Play("MailBeep", kSndApplication | kSndAsync);
              cues.Play("SystemExit", kSndApplication);  // the exit cue waits
              cues.Play("NoSuchAlias", kSndApplication);
              out << NowMs() - t0;
            }),
            0);
  ASSERT_FALSE(report.empty());
  EXPECT_LT(std::stol(report), 500) << "four cues took " << report << " ms";
  // ALSA's complaints about the missing card stay off the reader's screen.
  EXPECT_EQ(err, "");
}

TEST_F(CuesTest, EachAliasPlaysItsThemeSoundToTheEnd) {
  struct stat st;
  if (stat(kTheme, &st) != 0) GTEST_SKIP() << "the freedesktop sound theme is not installed";
  // A device that takes the samples at once and records them in a file.
  const std::string played = home_ + "/played.raw";
  Asoundrc("pcm.!default { type file slave.pcm \"null\" file \"" + played +
           "\" format \"raw\" }\n");
  ASSERT_EQ(InChild([&](std::ostream& out) {
              PosixCues cues;
              for (const char* alias : {"SystemStart", "SystemExit", "MailBeep", "NoSuchAlias"}) {
                cues.Play(alias, kSndApplication);
                // A synchronous cue has been played whole when Play returns.
                out << alias << " " << FileSize(played) << "\n";
                unlink(played.c_str());
              }
            }),
            0);
  // 16-bit stereo samples of the theme's sounds: service-login (48066),
  // service-logout (38935), message (13728, for message-new-email) and bell
  // (6151).
  EXPECT_EQ(report,
            "SystemStart 192264\nSystemExit 155740\nMailBeep 54912\nNoSuchAlias 24604\n");
  EXPECT_EQ(err, "");
}

}  // namespace
}  // namespace shiori
