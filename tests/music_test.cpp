// Background music end to end on the fake platform: the playlist file, the
// 'm' menu and its choices, the timed key wait and the exit.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "app/reader.h"
#include "tests/support/fake_platform.h"

namespace shiori::testing {
namespace {

using Commands = std::vector<std::string>;

const char kPrompt3[] =
    "select number\n( 3 : add new music file. other number BGM stop. for example 4 )\n";

// A music device that lets a test look at the world when a command arrives.
class HookedMusic : public FakeMusic {
 public:
  int SendString(const std::string& command, std::string* reply) override {
    if (hook) hook(command);
    return FakeMusic::SendString(command, reply);
  }
  std::function<void(const std::string&)> hook;
};

class MusicTest : public ::testing::Test {
 protected:
  void SetUp() override { s.AddWork("alpha", "Alpha", NumberedLines(1, 300)); }
  void ThreeTracks() {
    s.WriteFile("mmsys.ini", "3\n\"/m/a.mp3\"\n\"/m/b.mid\"\n\"/m/c.wav\"\n");
  }
  static std::string Open(const std::string& entry) { return "open " + entry + " alias midi"; }
  Scenario s;
};

TEST_F(MusicTest, FirstStartCreatesAnEmptyPlaylistAndMOpensTheDialogAtOnce) {
  {
    Reader reader(s.platform, s.catalog);
    mm_load(reader);
    EXPECT_EQ(s.ReadFile("mmsys.ini"), "0\n");
    EXPECT_EQ(reader.music.mm_num, 0);
  }
  s.keyboard.Type("m");
  s.Run({"0"});
  ASSERT_EQ(s.dialog.titles.size(), 1u);
  EXPECT_EQ(s.console.Text().find("select number"), std::string::npos);
  EXPECT_TRUE(s.music.commands.empty());  // the dialog was cancelled
  EXPECT_EQ(s.ReadFile("mmsys.ini"), "0\n");
}

TEST_F(MusicTest, WindowsLineEndsForTheNewFileAndTheWrittenPlaylist) {
  s.platform.text_line_end = "\r\n";
  {
    Reader reader(s.platform, s.catalog);
    mm_load(reader);
    EXPECT_EQ(s.ReadFile("mmsys.ini"), "0\r\n");
  }
  s.keyboard.Type("mq");
  s.dialog.answers = {"C:\\m\\x.mp3"};
  s.Run({"0"});
  EXPECT_EQ(s.ReadFile("mmsys.ini"), "1\r\n\"C:\\m\\x.mp3\"\r\n");
}

TEST_F(MusicTest, TheCountLineIsIgnoredAndWrittenBackAsTheRealCount) {
  s.WriteFile("mmsys.ini", "5\n\"/m/a.mp3\"\n\"/m/b.mp3\"\n");
  s.keyboard.Type("m");
  s.keyboard.input = "9\n";  // stop: nothing plays
  s.Run({"0"});
  std::string text = s.console.Text();
  EXPECT_NE(text.find("(0) \"/m/a.mp3\"\n(1) \"/m/b.mp3\"\nselect number\n( 2 : "),
            std::string::npos);
  EXPECT_EQ(text.find("(2)"), std::string::npos);
  EXPECT_EQ(s.ReadFile("mmsys.ini"), "2\n\"/m/a.mp3\"\n\"/m/b.mp3\"\n");
}

#ifndef _WIN32
TEST_F(MusicTest, PathsInTheMachinesCharactersAreListedInTheProgramsOwn) {
  // 曲 in UTF-8 in the file; the list is code page 932 as all the screen is,
  // and the file keeps its bytes.
  const char* old = std::getenv("LC_ALL");
  const std::string saved = old != nullptr ? old : "";
  setenv("LC_ALL", "C.UTF-8", 1);
  const std::string playlist = "1\n\"/m/\xE6\x9B\xB2.mp3\"\n";
  s.WriteFile("mmsys.ini", playlist);
  s.keyboard.Type("m");
  s.keyboard.input = "9\n";
  s.Run({"0"});
  if (old != nullptr) {
    setenv("LC_ALL", saved.c_str(), 1);
  } else {
    unsetenv("LC_ALL");
  }
  EXPECT_NE(s.console.Text().find("(0) \"/m/曲.mp3\"\nselect number\n"), std::string::npos);
  EXPECT_EQ(s.ReadFile("mmsys.ini"), playlist);
}
#endif

TEST_F(MusicTest, ThreeTracksPromptAndTheStopChoices) {
  ThreeTracks();
  s.keyboard.Type("mmm");
  s.keyboard.input = "0\n4\n-1\n";
  s.Run({"0"});
  std::string text = s.console.Text();
  EXPECT_NE(text.find(std::string("(0) \"/m/a.mp3\"\n(1) \"/m/b.mid\"\n(2) \"/m/c.wav\"\n") +
                      kPrompt3),
            std::string::npos);
  // 4 stops the track; -1 with nothing playing sends nothing; nothing is left
  // to stop at exit.
  EXPECT_EQ(s.music.commands,
            Commands({Open("\"/m/a.mp3\""), "play midi notify", "stop midi", "close midi"}));
  EXPECT_TRUE(s.dialog.titles.empty());
}

TEST_F(MusicTest, NonNumericAnswerAndTheNextNumberAddThroughTheDialog) {
  ThreeTracks();
  s.keyboard.Type("mq");
  s.keyboard.input = "3\n";
  s.dialog.answers = {"/music/new song.mp3"};
  s.Run({"0"});
  ASSERT_EQ(s.dialog.titles.size(), 1u);
  EXPECT_EQ(s.music.commands, Commands({Open("\"/music/new song.mp3\""), "play midi notify",
                                        "stop midi", "close midi"}));
  EXPECT_EQ(s.ReadFile("mmsys.ini"),
            "4\n\"/m/a.mp3\"\n\"/m/b.mid\"\n\"/m/c.wav\"\n\"/music/new song.mp3\"\n");

  // An answer that is not a number is the same choice; a cancelled dialog
  // changes nothing.
  s.ResetRecording();
  ThreeTracks();
  s.keyboard.Type("m");
  s.keyboard.input = "x\n";
  s.Run({"0"});
  EXPECT_EQ(s.dialog.titles.size(), 1u);
  EXPECT_TRUE(s.music.commands.empty());
  EXPECT_EQ(s.ReadFile("mmsys.ini"), "3\n\"/m/a.mp3\"\n\"/m/b.mid\"\n\"/m/c.wav\"\n");

  // The end of input (Ctrl-D) is no answer at all: the menu is cancelled,
  // the dialog never opens.
  s.ResetRecording();
  ThreeTracks();
  s.keyboard.Type("mmq");
  s.keyboard.input = "2\n";
  s.Run({"0"});
  EXPECT_TRUE(s.dialog.titles.empty());
  EXPECT_EQ(s.music.commands, Commands({Open("\"/m/c.wav\""), "play midi notify", "stop midi",
                                        "close midi"}))
      << "the track playing goes on until the exit";
}

TEST_F(MusicTest, AddingWhilePlayingStopsTheOldTrackFirst) {
  ThreeTracks();
  s.keyboard.Type("mmq");
  s.keyboard.input = "2\n3\n";
  s.dialog.answers = {"/music/d.m4a"};
  s.Run({"0"});
  EXPECT_EQ(s.music.commands,
            Commands({Open("\"/m/c.wav\""), "play midi notify", "stop midi", "close midi",
                      Open("\"/music/d.m4a\""), "play midi notify", "stop midi",
                      "close midi"}));
}

TEST_F(MusicTest, ThePlayingTrackIsNotRestartedButIsAfterAStopAndASwitchClosesIt) {
  ThreeTracks();
  s.keyboard.Type("mmmmmq");
  s.keyboard.input = "1\n1\n9\n1\n2\n";
  s.Run({"0"});
  EXPECT_EQ(s.music.commands,
            Commands({Open("\"/m/b.mid\""), "play midi notify",  // 1
                      "stop midi", "close midi",                 // 9 (the second 1 sent nothing)
                      Open("\"/m/b.mid\""), "play midi notify",  // 1 again
                      "stop midi", "close midi",                 // 2
                      Open("\"/m/c.wav\""), "play midi notify",
                      "stop midi", "close midi"}));              // exit
}

TEST_F(MusicTest, DialogPathsAreQuotedWithBackslashesDoubledOnlyOnWindows) {
  s.platform.double_backslashes = true;
  s.keyboard.Type("mq");
  s.dialog.answers = {"C:\\My Music\\x.mp3"};
  s.Run({"0"});
  ASSERT_FALSE(s.music.commands.empty());
  EXPECT_EQ(s.music.commands[0], "open \"C:\\\\My Music\\\\x.mp3\" alias midi");
  EXPECT_EQ(s.ReadFile("mmsys.ini"), "1\n\"C:\\\\My Music\\\\x.mp3\"\n");

  s.ResetRecording();
  std::filesystem::remove(s.Path("mmsys.ini"));
  s.platform.double_backslashes = false;
  s.keyboard.Type("mq");
  s.dialog.answers = {"/home/u/My Music/a\\b.mp3"};
  s.Run({"0"});
  ASSERT_FALSE(s.music.commands.empty());
  EXPECT_EQ(s.music.commands[0], "open \"/home/u/My Music/a\\b.mp3\" alias midi");
}

TEST_F(MusicTest, EntriesWrittenOnWindowsAreUsedAndWrittenBackUnchanged) {
  s.WriteFile("mmsys.ini", "2\r\n\"C:\\\\Music\\\\a.mp3\"\r\n\"D:\\\\b c.wma\"\r\n");
  s.keyboard.Type("mq");
  s.keyboard.input = "1\n";
  s.Run({"0"});
  ASSERT_FALSE(s.music.commands.empty());
  EXPECT_EQ(s.music.commands[0], "open \"D:\\\\b c.wma\" alias midi");
  EXPECT_EQ(s.ReadFile("mmsys.ini"), "2\n\"C:\\\\Music\\\\a.mp3\"\n\"D:\\\\b c.wma\"\n");
}

TEST_F(MusicTest, QuittingWhilePlayingStopsTheMusicBeforeThePlaylistIsWritten) {
  s.WriteFile("mmsys.ini", "1\n\"/m/a.mp3\"\n");
  HookedMusic music;
  std::vector<std::string> file_at;
  music.hook = [&](const std::string& c) { file_at.push_back(c + "|" + s.ReadFile("mmsys.ini")); };
  s.platform.music = &music;
  s.keyboard.Type("mmq");
  s.keyboard.input = "0\n1\n";
  s.dialog.answers = {"/m/b.mp3"};
  s.Run({"0"});
  ASSERT_GE(file_at.size(), 2u);
  // The new entry reaches the file only after the music was closed.
  EXPECT_EQ(file_at[file_at.size() - 2], "stop midi|1\n\"/m/a.mp3\"\n");
  EXPECT_EQ(file_at.back(), "close midi|1\n\"/m/a.mp3\"\n");
  EXPECT_EQ(s.ReadFile("mmsys.ini"), "2\n\"/m/a.mp3\"\n\"/m/b.mp3\"\n");
  EXPECT_NE(s.console.Text().find("途中まで、表示しました。"), std::string::npos);
}

TEST_F(MusicTest, TheKeyWaitRestartsAStoppedTrackOnEveryTimerTick) {
  s.WriteFile("mmsys.ini", "1\n\"/m/a.mp3\"\n");
  s.keyboard.Type("m");
  s.keyboard.input = "0\n";
  s.music.mode_reply = "stopped";
  s.messages.quit_after = 3;  // three ticks, then the program is asked to end
  s.Run({"0"});
  EXPECT_EQ(s.music.commands,
            Commands({Open("\"/m/a.mp3\""), "play midi notify",
                      "status midi mode", "play midi from 0 notify",
                      "status midi mode", "play midi from 0 notify",
                      "status midi mode", "play midi from 0 notify",
                      "stop midi", "close midi"}));
  // The quit message left as 'q' does: the position was saved.
  EXPECT_NE(s.console.Text().find("途中まで、表示しました。22行"), std::string::npos);
  EXPECT_EQ(s.ReadFile("mmsys.ini"), "1\n\"/m/a.mp3\"\n");
}

TEST_F(MusicTest, APlayingTrackIsLeftAloneAndAWaitingKeyIsTakenFirst) {
  s.WriteFile("mmsys.ini", "1\n\"/m/a.mp3\"\n");
  s.keyboard.Type("mn");
  s.keyboard.input = "0\n";
  s.music.mode_reply = "playing";
  s.messages.quit_after = 2;  // the first wait finds 'n'; one tick; then quit
  s.Run({"0"});
  EXPECT_EQ(s.music.commands, Commands({Open("\"/m/a.mp3\""), "play midi notify",
                                        "status midi mode", "stop midi", "close midi"}));
  EXPECT_EQ(PagesShown(s.console.Text()), std::vector<int>({1, 1, 2}));
}

TEST_F(MusicTest, StoppedMusicIsWaitedForWithoutTheTimer) {
  s.WriteFile("mmsys.ini", "1\n\"/m/a.mp3\"\n");
  s.keyboard.Type("mmnn");
  s.keyboard.input = "0\n7\n";
  s.Run({"0"});
  EXPECT_EQ(s.messages.waits, 1);  // only the wait for the second 'm'
  EXPECT_EQ(PagesShown(s.console.Text()), std::vector<int>({1, 1, 1, 2, 3}));
}

TEST_F(MusicTest, APlaylistThatCannotBeWrittenSaysSo) {
  s.WriteFile("mmsys.ini", "1\n\"/m/a.mp3\"\n");
  HookedMusic music;
  // While the track plays, the playlist's name comes to belong to a folder.
  music.hook = [&](const std::string& c) {
    if (c.rfind("open ", 0) == 0) {
      std::filesystem::remove(s.Path("mmsys.ini"));
      std::filesystem::create_directory(s.Path("mmsys.ini"));
    }
  };
  s.platform.music = &music;
  s.keyboard.Type("mq");
  s.keyboard.input = "0\n";
  EXPECT_EQ(s.Run({"0"}), 0);
  EXPECT_NE(s.console.Text().find("cannot write mmsys.ini: "), std::string::npos);
  EXPECT_TRUE(std::filesystem::is_directory(s.Path("mmsys.ini")));
  EXPECT_FALSE(std::filesystem::exists(s.Path("mmsys.ini.tmp")));
}

TEST_F(MusicTest, AnUnreadablePlaylistIsKeptAsItWas) {
  std::filesystem::create_directory(s.Path("mmsys.ini"));
  s.keyboard.Type("mq");
  s.dialog.answers = {"/m/new.mp3"};
  s.Run({"0"});
  std::string text = s.console.Text();
  EXPECT_NE(text.find("cannot read mmsys.ini"), std::string::npos);
  EXPECT_NE(text.find("mmsys.ini was not read at start: it is left as it was\n"),
            std::string::npos);
  EXPECT_EQ(s.dialog.titles.size(), 1u);  // an empty playlist: the dialog at once
  EXPECT_TRUE(std::filesystem::is_directory(s.Path("mmsys.ini")));
}

TEST_F(MusicTest, TheDialogTitleFiltersAndTheFolderOfItsFirstUse) {
  Reader reader(s.platform, s.catalog);
  get_fname(reader);
  s.platform.work_dir = s.dir + "/elsewhere";
  get_fname(reader);
  ASSERT_EQ(s.dialog.titles.size(), 2u);
  EXPECT_EQ(s.dialog.titles[0], "音楽ファイルを選択します。");
  EXPECT_EQ(s.dialog.initial_dirs, std::vector<std::string>({s.dir, s.dir}));
  const std::vector<FileFilter>& f = s.dialog.filters[0];
  ASSERT_EQ(f.size(), 4u);
  EXPECT_EQ(f[0].description, "音楽ファイル(*.mp3,*.mid,*,wav,*.wma,*.m4a)");
  EXPECT_EQ(f[0].patterns, "*.mp3;*.mid;*.wav;*.wma;*.m4a");
  EXPECT_EQ(f[1].description, "MP3ファイル(*.mp3)");
  EXPECT_EQ(f[1].patterns, "*.mp3");
  EXPECT_EQ(f[2].description, "M3Uファイル(*.m3u)");
  EXPECT_EQ(f[2].patterns, "*.m3u");
  EXPECT_EQ(f[3].description, "すべてのファイル(*.*)");
  EXPECT_EQ(f[3].patterns, "*.*");
}

}  // namespace
}  // namespace shiori::testing
