#include "platform/posix/keyboard_posix.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <climits>
#include <string>
#include <thread>
#include <vector>

#include "platform/posix/console_posix.h"

#include "platform/posix/monotonic_clock.h"
#include "platform/posix/pty_for_tests.h"

namespace shiori {
namespace {

std::string U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

// Standard input that is a pipe, as when keys are scripted.
class PipeInput {
 public:
  PipeInput() {
    int fds[2];
    ok_ = pipe(fds) == 0;
    read_ = fds[0];
    write_ = fds[1];
  }
  ~PipeInput() {
    close(read_);
    if (write_ >= 0) close(write_);
  }
  int fd() const { return read_; }
  void Send(const std::string& bytes) {
    ssize_t n = write(write_, bytes.data(), bytes.size());
    (void)n;
  }
  void End() {
    close(write_);
    write_ = -1;
  }
  bool ok() const { return ok_; }

 private:
  bool ok_;
  int read_;
  int write_;
};

// A prompt takes one line: blank lines are passed over, what follows the
// answer on its line is dropped, and the end of input is told apart from an
// answer that is no number.

TEST(PosixKeyboardPromptTest, EachPromptTakesOneLineAndItsRestIsDropped) {
  PipeInput in;
  PosixKeyboard keyboard(in.fd(), "UTF-8", nullptr);
  in.Send("abc 12\n  -7x 5\n\n  \r\n" + U8(u8"１２　a") + "\n" + U8(u8"読み 上げ") +
          "\n3");
  in.End();
  int value = 42;
  EXPECT_FALSE(keyboard.ReadInt(&value));
  EXPECT_EQ(value, 42);
  EXPECT_FALSE(keyboard.InputEnded()) << "a word is an answer, not the end";
  ASSERT_TRUE(keyboard.ReadInt(&value));
  EXPECT_EQ(value, -7);
  ASSERT_TRUE(keyboard.ReadInt(&value)) << "blank lines are passed over";
  EXPECT_EQ(value, 12) << "full-width digits typed in UTF-8";
  std::string word;
  ASSERT_TRUE(keyboard.ReadWord(&word, 255));
  EXPECT_EQ(word, "読み");
  ASSERT_TRUE(keyboard.ReadInt(&value)) << "上げ answered nothing; a last line without LF counts";
  EXPECT_EQ(value, 3);
  EXPECT_FALSE(keyboard.ReadInt(&value));
  EXPECT_TRUE(keyboard.InputEnded());
  EXPECT_FALSE(keyboard.ReadWord(&word, 255));
  EXPECT_TRUE(keyboard.InputEnded());
}

TEST(PosixKeyboardPromptTest, WordIsCutAtACharacterBoundary) {
  PipeInput in;
  PosixKeyboard keyboard(in.fd(), "UTF-8", nullptr);
  std::string typed = "ab";
  for (int i = 0; i < 200; ++i) typed += U8(u8"漢");
  in.Send("  " + typed + " next\n");
  in.End();
  std::string word;
  ASSERT_TRUE(keyboard.ReadWord(&word, 255));
  // 2 + 126 x 2 bytes: a 127th character would end at byte 256.
  ASSERT_EQ(word.size(), 254u);
  EXPECT_EQ(word.substr(0, 4), "ab漢");
  EXPECT_EQ(word.substr(252), "漢");
  // The rest of the line went with it.
  EXPECT_FALSE(keyboard.ReadWord(&word, 255));
}

TEST(PosixKeyboardPromptTest, TypedWordIsConvertedToCp932) {
  PipeInput in;
  PosixKeyboard keyboard(in.fd(), "UTF-8", nullptr);
  in.Send(U8(u8"罪と罰\tx\na😀b\n"));
  in.End();
  std::string word;
  ASSERT_TRUE(keyboard.ReadWord(&word, 255));
  EXPECT_EQ(word, "罪と罰");
  // A character code page 932 cannot hold is not dropped, so "ab" is not
  // searched in its place.
  ASSERT_TRUE(keyboard.ReadWord(&word, 255));
  EXPECT_EQ(word, std::string("a") + TerminalToCp932::kUnconvertible + "b");
}

TEST(PosixKeyboardKeyTest, ScriptedKeysAfterAPrompt) {
  PipeInput in;
  PosixKeyboard keyboard(in.fd(), "UTF-8", nullptr);
  in.Send("1 \r\n\nn\x1b[A\x1b[6~q\x1b");
  in.End();
  int value = 0;
  ASSERT_TRUE(keyboard.ReadInt(&value));
  EXPECT_EQ(value, 1);
  // The end of the answer's line is not a key; the empty line after it is.
  EXPECT_EQ(keyboard.GetKey(), '\n');
  EXPECT_EQ(keyboard.GetKey(), 'n');
  EXPECT_EQ(keyboard.GetKey(), kKeyUp);
  EXPECT_EQ(keyboard.GetKey(), kKeyPageDown);
  EXPECT_EQ(keyboard.GetKey(), 'q');
  EXPECT_EQ(keyboard.GetKey(), 27);
  EXPECT_EQ(keyboard.GetKey(), kKeyEof);
  EXPECT_EQ(keyboard.GetKey(), kKeyEof);
}

TEST(PosixKeyboardKeyTest, LoneEscapeComesAfterAShortWait) {
  PipeInput in;
  PosixKeyboard keyboard(in.fd(), "UTF-8", nullptr);
  EXPECT_FALSE(keyboard.KeyWaiting());
  in.Send("\x1b");  // and nothing more, the input stays open
  EXPECT_TRUE(keyboard.KeyWaiting());
  long long start = NowMs();
  EXPECT_EQ(keyboard.GetKey(), 27);
  long long waited = NowMs() - start;
  EXPECT_GE(waited, KeyDecoder::kEscapeWaitMs - 5);
  EXPECT_LT(waited, 1000);
  EXPECT_FALSE(keyboard.KeyWaiting());
}

// On a terminal.

TEST(PosixKeyboardTerminalTest, KeyIsReadWithoutEchoAndModesComeBack) {
  TestPty pty;
  ASSERT_TRUE(pty.ok());
  const tcflag_t normal = pty.LocalModes();
  ASSERT_TRUE(normal & ICANON);
  ASSERT_TRUE(normal & ECHO);
  PosixKeyboard keyboard(pty.terminal(), "UTF-8", nullptr);
  int key = 0;
  std::thread reader([&] { key = keyboard.GetKey(); });
  // Type only once the key wait has switched the terminal over.
  long long start = NowMs();
  while ((pty.LocalModes() & ICANON) && NowMs() - start < 2000) usleep(1000);
  EXPECT_FALSE(pty.LocalModes() & (ICANON | ECHO));
  pty.Type("\x1b[");
  usleep(100 * 1000);  // a sequence split by a slow link
  pty.Type("B");
  reader.join();
  EXPECT_EQ(key, kKeyDown);
  EXPECT_EQ(pty.LocalModes() & (ICANON | ECHO), normal & (ICANON | ECHO));
  EXPECT_EQ(pty.Read(30), "") << "the key was echoed";
}

TEST(PosixKeyboardPromptTest, WordInUtf8KeepsWhatCodePage932Lacks) {
  struct Case {
    const char* charset;
    std::string typed;
    std::size_t max_bytes;
    std::string word;
  };
  const Case cases[] = {
      {"UTF-8", U8(u8"  \U00020B9F江 x\n"), 255, U8(u8"\U00020B9F江")},
      // Cut at a character: four bytes of 𠮟 and three of 江 do not fit in 6.
      {"UTF-8", U8(u8"\U00020B9F江\n"), 6, U8(u8"\U00020B9F")},
      {"UTF-8", "a\xFF" "b\n", 255, "a\xEF\xBF\xBD" "b"},
      {"EUC-JP", "\xBA\xE1\xA4\xC8\n", 255, U8(u8"罪と")},
  };
  for (const Case& c : cases) {
    PipeInput in;
    PosixKeyboard keyboard(in.fd(), c.charset, nullptr);
    in.Send(c.typed);
    in.End();
    std::string word;
    ASSERT_TRUE(keyboard.ReadWordUtf8(&word, c.max_bytes)) << c.typed;
    EXPECT_EQ(word, c.word) << c.typed;
    EXPECT_FALSE(keyboard.ReadWordUtf8(&word, c.max_bytes));
    EXPECT_TRUE(keyboard.InputEnded());
  }
}

TEST(PosixKeyboardTerminalTest, ResizeIsAKeyOnlyWhileReportedAndNoKeyIsLost) {
  TestPty pty(80, 24);
  ASSERT_TRUE(pty.ok());
  PosixConsole console(pty.terminal(), "UTF-8");
  PosixKeyboard keyboard(pty.terminal(), "UTF-8", &console);
  auto resize = [&](int columns, int rows) {
    struct winsize size {};
    size.ws_col = static_cast<unsigned short>(columns);
    size.ws_row = static_cast<unsigned short>(rows);
    ioctl(pty.terminal(), TIOCSWINSZ, &size);
    kill(getpid(), SIGWINCH);
  };
  // Off (the classic view): a change of size is no key.
  resize(60, 20);
  pty.Type("x");
  EXPECT_EQ(keyboard.GetKey(), 'x');

  keyboard.ReportResize(true);
  EXPECT_FALSE(keyboard.KeyWaiting());
  resize(100, 30);
  resize(100, 30);  // changes that came together are one key
  EXPECT_TRUE(keyboard.KeyWaiting());
  pty.Type("y");
  EXPECT_EQ(keyboard.GetKey(), kKeyResize);
  EXPECT_EQ(keyboard.GetKey(), 'y');
  ScreenInfo info;
  ASSERT_TRUE(console.GetScreenInfo(&info));
  EXPECT_EQ(info.width, 100);
  EXPECT_EQ(info.height, 30);

  // A change while the wait blocks halfway through a key: the wait ends,
  // and the key's first bytes are still there for the next one.
  std::vector<int> keys;
  std::thread reader([&] {
    keys.push_back(keyboard.GetKey());
    keys.push_back(keyboard.GetKey());
  });
  const long long start = NowMs();
  while ((pty.LocalModes() & ICANON) && NowMs() - start < 2000) usleep(1000);
  pty.Type("\x1b[");
  usleep(50 * 1000);
  resize(90, 25);
  pty.Type("A");
  reader.join();
  EXPECT_EQ(keys, (std::vector<int>{kKeyResize, kKeyUp}));

  keyboard.ReportResize(false);
  resize(80, 24);
  EXPECT_FALSE(keyboard.KeyWaiting());
}

TEST(PosixKeyboardTerminalTest, PromptLeftoversDoNotReachTheKeyWait) {
  TestPty pty;
  PosixKeyboard keyboard(pty.terminal(), "UTF-8", nullptr);
  pty.Type("3 word\n");
  int value = 0;
  ASSERT_TRUE(keyboard.ReadInt(&value));
  EXPECT_EQ(value, 3);
  // The key wait reads the terminal, not what the prompt left over.
  EXPECT_FALSE(keyboard.WaitForKey(20));
  pty.Type("x");
  EXPECT_TRUE(keyboard.WaitForKey(1000));
  EXPECT_EQ(keyboard.GetKey(), 'x');
  EXPECT_TRUE(pty.LocalModes() & ICANON);
  // Nor does the next prompt get it: it reads the next line.
  pty.Type("next\n");
  std::string word;
  ASSERT_TRUE(keyboard.ReadWord(&word, 255));
  EXPECT_EQ(word, "next");
}

}  // namespace
}  // namespace shiori
