#include "platform/posix/terminal_guard.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/posix/console_posix.h"
#include "platform/posix/keyboard_posix.h"
#include "platform/posix/monotonic_clock.h"
#include "platform/posix/pty_for_tests.h"
#include "platform/posix/raw_mode.h"
#include "platform/posix/stop_request.h"

namespace shiori {
namespace {

// Runs |child| in a child process and returns its pid; the test process's
// buffered output is flushed first so the child cannot print it twice.
template <typename F>
pid_t Spawn(F child) {
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    child();
    _exit(0);
  }
  return pid;
}

bool WaitForKeyWait(const TestPty& pty) {
  long long start = NowMs();
  while (pty.LocalModes() & ICANON) {
    if (NowMs() - start > 5000) return false;
    usleep(1000);
  }
  return true;
}

TEST(TerminalGuardTest, SignalWhileAKeyIsAwaitedEndsTheWaitAndTheProgramRestored) {
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
    SCOPED_TRACE("signal " + std::to_string(signal_number));
    // Half of them in the whole-screen view, which the terminal must leave.
    const bool whole_screen = signal_number == SIGINT || signal_number == SIGHUP;
    TestPty pty;
    ASSERT_TRUE(pty.ok());
    const tcflag_t normal = pty.LocalModes() & (ICANON | ECHO);
    pid_t pid = Spawn([&] {
      TerminalGuard guard(pty.terminal(), pty.terminal());
      PosixConsole console(pty.terminal(), "UTF-8", &guard);
      console.SetTextAttribute(0x9F);
      console.UseWholeScreen(whole_screen);
      console.SetStyle(kConsoleBold);
      console.Write("page");
      PosixKeyboard keyboard(pty.terminal(), "UTF-8", &console);
      // The wait ends as at the end of input; the program's own way out
      // follows, then the signal ends it.
      if (keyboard.GetKey() == kKeyEof && StopSignal() == signal_number)
        guard.EndBySignal(signal_number);
      _exit(3);
    });
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(WaitForKeyWait(pty)) << "the child never waited for a key";
    kill(pid, signal_number);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    // The program ends by the signal, as the shell expects...
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), signal_number);
    // ...with the terminal as it found it and the colours reset.
    EXPECT_EQ(pty.LocalModes() & (ICANON | ECHO), normal);
    std::string out = pty.Read();
    EXPECT_NE(out.find("page"), std::string::npos);
    const std::string end = whole_screen ? "\x1b[?1049l\x1b[0m" : "\x1b[0m";
    EXPECT_EQ(out.substr(out.size() - end.size()), end);
  }
}

// waitpid for |pid| with |options| for up to 5 s; a child that does not get
// there is killed, so that a failing test never hangs.
bool WaitFor(pid_t pid, int options, int* status) {
  for (long long start = NowMs(); NowMs() - start < 5000; usleep(1000)) {
    if (waitpid(pid, status, options | WNOHANG) == pid) return true;
  }
  kill(pid, SIGKILL);
  waitpid(pid, status, 0);
  return false;
}

TEST(TerminalGuardTest, StopWhileAKeyIsAwaitedRestoresAndContinueTakesTheKeysAgain) {
  TestPty pty;
  ASSERT_TRUE(pty.ok());
  const tcflag_t normal = pty.LocalModes() & (ICANON | ECHO);
  ASSERT_EQ(normal, static_cast<tcflag_t>(ICANON | ECHO));
  pid_t pid = Spawn([&] {
    // A group of its own, which a stop signal may stop (as a shell's job).
    setpgid(0, 0);
    TerminalGuard guard(pty.terminal(), pty.terminal());
    PosixConsole console(pty.terminal(), "UTF-8", &guard);
    console.SetTextAttribute(0x9F);
    console.Write("page");
    PosixKeyboard keyboard(pty.terminal(), "UTF-8", &console);
    const int key = keyboard.GetKey();
    console.Write(key == 'k' ? "after" : "wrong key");
    console.Flush();
    std::exit(0);
  });
  ASSERT_GT(pid, 0);
  if (!WaitForKeyWait(pty)) kill(pid, SIGKILL);
  const std::string first = pty.Read();
  const std::size_t page = first.find("page");
  ASSERT_NE(page, std::string::npos);
  const std::string colours = first.substr(0, page);  // the pair's sequence
  ASSERT_FALSE(colours.empty());
  kill(pid, SIGTSTP);
  int status = 0;
  ASSERT_TRUE(WaitFor(pid, WUNTRACED, &status)) << "the child did not stop";
  ASSERT_TRUE(WIFSTOPPED(status));
  // Stopped: the terminal is the shell's again, colours reset.
  EXPECT_EQ(pty.LocalModes() & (ICANON | ECHO), normal);
  EXPECT_EQ(pty.Read(), "\x1b[0m");
  kill(pid, SIGCONT);
  // Continued: single keys again, and the colours shown before more text.
  const bool keys_again = WaitForKeyWait(pty);
  if (!keys_again) kill(pid, SIGKILL);
  ASSERT_TRUE(keys_again) << "the key wait did not take single keys again";
  pty.Type("k");
  ASSERT_TRUE(WaitFor(pid, 0, &status));
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  std::string out = pty.Read();
  EXPECT_EQ(out.rfind(colours + "after", 0), 0u) << out;
}

TEST(TerminalGuardTest, ExitFromDeepInsideFlushesAndRestores) {
  for (bool whole_screen : {false, true}) {
    TestPty pty;
    const tcflag_t normal = pty.LocalModes() & (ICANON | ECHO);
    pid_t pid = Spawn([&] {
      TerminalGuard guard(pty.terminal(), pty.terminal());
      // Neither is ever destroyed: exit() skips the destructors.
      auto* console = new PosixConsole(pty.terminal(), "UTF-8", &guard);
      console->UseWholeScreen(whole_screen);
      console->SetTextAttribute(0x4F);
      console->Write("out of memory");
      new ScopedRawMode(pty.terminal());
      std::exit(1);
    });
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(pty.LocalModes() & (ICANON | ECHO), normal);
    EXPECT_EQ(pty.Read(), whole_screen ? "\x1b[?1049h\x1b[H\x1b[2J\x1b[0;97;41mout of "
                                         "memory\x1b[?1049l\x1b[0m"
                                       : "\x1b[0;97;41mout of memory\x1b[0m");
  }
}

TEST(TerminalGuardTest, IgnoredSignalStaysIgnored) {
  TestPty pty;
  pid_t pid = Spawn([&] {
    signal(SIGHUP, SIG_IGN);  // as under nohup
    TerminalGuard guard(pty.terminal(), pty.terminal());
    PosixKeyboard keyboard(pty.terminal(), "UTF-8", nullptr);
    keyboard.GetKey();
    std::exit(7);
  });
  ASSERT_TRUE(WaitForKeyWait(pty));
  kill(pid, SIGHUP);
  pty.Type("k");
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 7);
}

TEST(TerminalGuardTest, DestroyedGuardHandsTheSignalsBack) {
  struct sigaction before {};
  sigaction(SIGTERM, nullptr, &before);
  {
    TerminalGuard guard(-1, -1);
    struct sigaction during {};
    sigaction(SIGTERM, nullptr, &during);
    EXPECT_NE(during.sa_handler, before.sa_handler);
  }
  struct sigaction after {};
  sigaction(SIGTERM, nullptr, &after);
  EXPECT_EQ(after.sa_handler, before.sa_handler);
}

}  // namespace
}  // namespace shiori
