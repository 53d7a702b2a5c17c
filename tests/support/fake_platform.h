// Recording fakes of every platform interface, and a scenario harness that
// runs the whole reader in-process with scripted keys.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "content/catalog.h"
#include "platform/platform.h"

namespace shiori::testing {

/// One piece of output: text written while |attr| and |style| were in force.
struct Run {
  std::uint16_t attr;
  std::string text;  ///< code page 932; what it lacks (a gaiji) as 〓
  unsigned style = 0;  ///< ConsoleStyle bits
  std::string utf8;  ///< the same text in UTF-8, a gaiji as itself
};

/// A console that records everything: text with its attribute and style,
/// cursor moves, fills and clears. It behaves as a real console (screen
/// information available) of width x height cells.
class FakeConsole : public ConsoleBuffer {
 public:
  void Write(std::string_view bytes) override;
  void WriteUtf8(std::string_view utf8) override;
  void SetStyle(unsigned styles) override { style_ = styles; }
  /// Recorded as "whole:1" / "whole:0".
  void UseWholeScreen(bool on) override;
  /// Recorded as "clear"; the cursor goes home.
  void ClearScreen() override;
  void WriteError(std::string_view bytes) override { errors.append(bytes); }
  void SetTextAttribute(std::uint16_t attributes) override { attr_ = attributes; }
  bool GetScreenInfo(ScreenInfo* info) override;
  void FillAttribute(std::uint16_t attributes, int cells, int x, int y) override;
  void FillCharacter(char ch, int cells, int x, int y) override;
  void SetCursorPosition(int x, int y) override;
  void Close() override { closed = true; }

  /// All text written, in order, in code page 932 (a gaiji as 〓).
  std::string Text() const;
  /// All text written, in order, in UTF-8 (a gaiji as itself).
  std::string Utf8Text() const;
  /// The code page 932 text written since the last ClearScreen (all of it
  /// when there was none): the screen the whole-screen view drew last.
  std::string ScreenText() const;
  /// Text written after the |n|-th occurrence of |marker| (0: after the first).
  std::string TextAfter(const std::string& marker, int n = 0) const;
  std::uint16_t attr() const { return attr_; }
  /// Forgets what was recorded (text, errors, events, the row count).
  void ClearRecording();

  std::vector<Run> runs;
  std::string errors;  ///< what went to the error stream
  std::vector<std::string> events;  ///< "fill:ATTR:CELLS", "cursor:X,Y", "clear", ...
  int row = 0;                      ///< line feeds written so far
  bool closed = false;
  bool is_console = true;
  bool whole_screen = false;
  int width = 80;    ///< the size GetScreenInfo gives
  int height = 300;

 private:
  std::uint16_t attr_ = 0x07;
  unsigned style_ = 0;
  std::size_t screen_run_ = 0;  ///< the first run after the last clear
  std::string held_;            ///< a lead byte whose second byte is to come
  std::unique_ptr<TextCodec> codec_ = MakeTextCodec();

  /// The run text goes to: the last, when attribute and style are the same.
  Run& CurrentRun();
};

/// Scripted keys and prompt input (lines read as the real keyboards read
/// them: code page 932 for ReadInt and ReadWord, UTF-8 for ReadWordUtf8, so
/// a test writes each answer in the form its prompt reads). When keys run
/// out, GetKey returns kKeyEof (so a scenario can never hang).
class FakeKeyboard : public Keyboard {
 public:
  /// A kKeyResize in |keys| first gives |console| (when set) the next size
  /// of |sizes|; it is then a key only while ReportResize(true), as on a
  /// real screen.
  int GetKey() override;
  bool KeyWaiting() override { return !keys.empty(); }
  bool ReadInt(int* value) override;
  bool ReadWord(std::string* word, std::size_t max_bytes) override;
  bool ReadWordUtf8(std::string* word, std::size_t max_bytes) override;
  void ReportResize(bool on) override { report_resize = on; }
  bool InputEnded() const override { return ended; }

  /// Queues plain keys, one per character.
  void Type(const std::string& k) {
    for (char c : k) keys.push_back(static_cast<unsigned char>(c));
  }
  /// Queues a change of the screen's size to |new_width| x |new_height|.
  void Resize(int new_width, int new_height) {
    keys.push_back(kKeyResize);
    sizes.push_back({new_width, new_height});
  }
  std::deque<int> keys;
  std::deque<std::pair<int, int>> sizes;  ///< width, height per queued resize
  FakeConsole* console = nullptr;         ///< whose size a resize changes
  std::string input;  ///< what the prompts read, line by line
  int keys_read = 0;
  bool ended = false;
  bool report_resize = false;

 private:
  bool ReadAnswer(std::string* line);
};

class FakeResources : public ResourceStore {
 public:
  bool Find(std::string_view type, std::string_view name,
            std::span<const std::uint8_t>* bytes) const override;
  void Add(const std::string& name, std::vector<std::uint8_t> bytes) {
    items[name] = std::move(bytes);
  }
  std::map<std::string, std::vector<std::uint8_t>> items;  ///< type "WAVE"
};

/// Timer messages, then a quit message after |quit_after| waits (so a wait
/// with no keys left cannot loop for ever).
class FakeMessages : public MessageQueue {
 public:
  void StartTimer(int interval_ms) override { timer_ms = interval_ms; }
  Message WaitMessage() override {
    ++waits;
    return waits > quit_after ? kQuit : kTimer;
  }
  int timer_ms = 0;
  int waits = 0;
  int quit_after = 1000;
};

class FakeCues : public SoundCues {
 public:
  void Play(std::string_view alias, unsigned flags) override {
    played.push_back(std::string(alias) + ":" + std::to_string(flags));
  }
  std::vector<std::string> played;
};

class FakeSpeech : public SpeechEngine {
 public:
  void Speak(const std::vector<std::string>& lines) override { spoken.push_back(lines); }
  std::vector<std::vector<std::string>> spoken;
};

class FakeMusic : public MusicDevice {
 public:
  int SendString(const std::string& command, std::string* reply) override;
  std::vector<std::string> commands;
  std::string mode_reply = "playing";
};

class FakeWindow : public ImageWindow {
 public:
  bool Show(const std::string& title, const Dib* dib) override;
  void MessageBox(const std::string& text, const std::string& caption) override {
    boxes.push_back(caption + ":" + text);
  }
  bool can_create = true;
  std::vector<std::string> shown;  ///< titles
  std::vector<Dib> pictures;       ///< what each window showed (empty if none)
  std::vector<std::string> boxes;
};

class FakeDialog : public FileDialog {
 public:
  std::string GetOpenFileName(const std::string& title, const std::vector<FileFilter>& filters,
                              const std::string& initial_dir) override;
  std::deque<std::string> answers;
  std::vector<std::string> titles;
  std::vector<std::vector<FileFilter>> filters;  ///< per call
  std::vector<std::string> initial_dirs;         ///< per call
};

/// The immediate exits throw this in tests.
struct FakeExit {
  int status;
};

/// A fake platform, a private working directory and a catalog of works made
/// in the test; runs the reader to its end.
class Scenario {
 public:
  Scenario();
  ~Scenario();
  Scenario(const Scenario&) = delete;
  Scenario& operator=(const Scenario&) = delete;

  /// Adds a work whose code page 932 |text| is packed into a ZIP resource.
  void AddWork(const std::string& name, const std::string& title, const std::string& text);
  /// Runs the reader with |args|; returns its exit status (or the status of
  /// an immediate exit).
  int Run(const std::vector<std::string>& args);
  /// Path of a file in the working directory, and its content ("" if none).
  std::string Path(const std::string& name) const { return dir + "/" + name; }
  std::string ReadFile(const std::string& name) const;
  void WriteFile(const std::string& name, const std::string& content) const;
  /// Clears what the fakes recorded (between two runs).
  void ResetRecording();

  FakeConsole console;
  FakeKeyboard keyboard;
  FakeResources resources;
  FakeMessages messages;
  FakeCues cues;
  FakeSpeech speech;
  FakeMusic music;
  FakeWindow window;
  FakeDialog dialog;
  /// The platform's own conversions: they touch no machine state.
  std::unique_ptr<TextCodec> codec = MakeTextCodec();
  Platform platform;
  Catalog catalog;
  std::string dir;
};

/// A new, empty directory under the system's temporary directory, named
/// |prefix| and a random number; the caller removes it.
std::string MakeTempDir(const std::string& prefix);

/// "line NNN" lines with CR LF, numbered from |first|: each takes one row.
std::string NumberedLines(int first, int count);

/// A status line's page number as printed ("--- page N ---"), or -1.
std::vector<int> PagesShown(const std::string& text);

}  // namespace shiori::testing
