// The files the reader keeps, against other processes and hostile files in
// its folder: two readers saving at once, links planted at the names a save
// takes, data files that are no regular file or may not be read. These need
// processes of their own (fork, a user without privileges), so they are
// built for POSIX only.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/positions.h"
#include "app/reader.h"
#include "platform/data_file.h"
#include "tests/support/fake_platform.h"

namespace shiori::testing {
namespace {

// A run that does not end within this time is a hang.
constexpr unsigned kChildSeconds = 30;

// The exit status of |pid|, or -1 when it did not exit by itself.
int WaitFor(pid_t pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A reader of |key| in a process of its own: it loads the position file at
// once, then saves |value| when told to.
class ReaderProcess {
 public:
  ReaderProcess(Scenario& s, const std::string& key, int value) {
    int ready[2], go[2];
    if (pipe(ready) != 0 || pipe(go) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      alarm(kChildSeconds);
      Reader r(s.platform, s.catalog);
      r.fname = key;
      positions_load(r);
      char b = 1;
      if (write(ready[1], &b, 1) != 1 || read(go[0], &b, 1) != 1) _exit(2);
      _exit(positions_save(r, value) ? 0 : 1);
    }
    close(ready[1]);
    close(go[0]);
    char b = 0;
    loaded_ = pid_ > 0 && read(ready[0], &b, 1) == 1;
    close(ready[0]);
    go_ = go[1];
  }
  bool loaded() const { return loaded_; }
  void Save() {
    char b = 1;
    EXPECT_EQ(write(go_, &b, 1), 1);
    close(go_);
  }
  int Wait() { return WaitFor(pid_); }

 private:
  pid_t pid_ = -1;
  int go_ = -1;
  bool loaded_ = false;
};

TEST(DataFilesTest, TwoReadersSavingInEitherOrderOrAtOnceKeepBothPositions) {
  Scenario s;
  for (int round = 0; round < 12; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    s.WriteFile("001036_info.ini", "morgue.txt\n0\n");
    // Both have read the file before either saves.
    ReaderProcess alpha(s, "alpha", 100);
    ReaderProcess beta(s, "beta", 101);
    ASSERT_TRUE(alpha.loaded() && beta.loaded());
    switch (round % 3) {
      case 0:
        alpha.Save();
        EXPECT_EQ(alpha.Wait(), 0);
        beta.Save();
        EXPECT_EQ(beta.Wait(), 0);
        break;
      case 1:
        beta.Save();
        EXPECT_EQ(beta.Wait(), 0);
        alpha.Save();
        EXPECT_EQ(alpha.Wait(), 0);
        break;
      default:
        alpha.Save();
        beta.Save();
        EXPECT_EQ(alpha.Wait(), 0);
        EXPECT_EQ(beta.Wait(), 0);
    }
    const std::string file = s.ReadFile("001036_info.ini");
    EXPECT_EQ(file.rfind("morgue.txt\n0\n", 0), 0u) << file;
    EXPECT_NE(file.find("\nalpha.txt\n100\n"), std::string::npos) << file;
    EXPECT_NE(file.find("\nbeta.txt\n101\n"), std::string::npos) << file;
    EXPECT_EQ(file.size(), std::string("morgue.txt\n0\nalpha.txt\n100\nbeta.txt\n101\n").size());
  }
  for (const auto& f : std::filesystem::directory_iterator(s.dir))
    EXPECT_FALSE(f.path().string().ends_with(".tmp")) << f.path();
}

TEST(DataFilesTest, LinksPlantedAtTheNamesASaveTakesAreNeverFollowed) {
  Scenario s;
  const std::string path = s.Path("001036_info.ini");
  s.WriteFile("001036_info.ini", "morgue.txt\n0\n");
  s.WriteFile("outside", "precious\n");
  // At the first temporary names: a link to a file, and one to a file that
  // does not exist (following it would create it).
  ASSERT_EQ(symlink(s.Path("outside").c_str(), TemporaryDataFileName(path, 0).c_str()), 0);
  ASSERT_EQ(symlink(s.Path("nowhere").c_str(), TemporaryDataFileName(path, 1).c_str()), 0);
  std::string err;
  EXPECT_TRUE(ReplaceDataFile(path, "a.txt\n1\n", InPlace::kNever, &err)) << err;
  EXPECT_EQ(s.ReadFile("001036_info.ini"), "a.txt\n1\n");

  // At the lock file's name: no save at all.
  std::filesystem::remove(path + ".lock");
  ASSERT_EQ(symlink(s.Path("outside").c_str(), (path + ".lock").c_str()), 0);
  EXPECT_FALSE(ReplaceDataFile(path, "b.txt\n2\n", InPlace::kWhenFolderRefuses, &err));
  EXPECT_EQ(s.ReadFile("001036_info.ini"), "a.txt\n1\n");

  EXPECT_EQ(s.ReadFile("outside"), "precious\n");
  EXPECT_FALSE(std::filesystem::exists(s.Path("nowhere")));
  EXPECT_TRUE(std::filesystem::is_symlink(TemporaryDataFileName(path, 0)));
}

TEST(DataFilesTest, TheAdministratorSavingInAUsersFolderLeavesTheFileTheUsers) {
  if (geteuid() != 0) GTEST_SKIP() << "only the administrator may give a file away";
  Scenario s;
  s.WriteFile("mmsys.ini", "0\n");
  ASSERT_EQ(chown(s.Path("mmsys.ini").c_str(), 65534, 65534), 0);
  std::string err;
  ASSERT_TRUE(ReplaceDataFile(s.Path("mmsys.ini"), "1\n\"/m/a.mp3\"\n", InPlace::kNever, &err))
      << err;
  struct stat st {};
  ASSERT_EQ(stat(s.Path("mmsys.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 65534u);
  EXPECT_EQ(st.st_gid, 65534u);
}

// What a data file is: a change of inode, kind, size or time is a change.
struct Identity {
  ino_t ino = 0;
  mode_t mode = 0;
  off_t size = 0;
  time_t mtime = 0;
  long mtime_ns = 0;
  bool operator==(const Identity&) const = default;
};
Identity IdentityOf(const std::string& path) {
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0) return {};
  return {st.st_ino, st.st_mode, st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
}

constexpr int kNoUser = -2;

// Runs |body| as an unprivileged user in a child process: its exit status,
// -1 when it did not exit by itself, kNoUser when no such user can be had.
int AsUnprivilegedUser(const std::function<int()>& body) {
  if (geteuid() != 0) return body();
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid < 0) return kNoUser;
  if (pid == 0) {
    alarm(kChildSeconds);
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(100);
    _exit(body());
  }
  const int status = WaitFor(pid);
  return status == 100 ? kNoUser : status;
}

// A folder that refuses new files: the position file is not rewritten in
// place (a failed write would lose it), so it stays as it was.
TEST(ReadOnlyFolderTest, ThePositionFileIsNotRewrittenInPlace) {
  Scenario s;
  s.AddWork("w", "W", NumberedLines(1, 300));
  const std::string before = "morgue.txt\n0\nw.txt\n0\nother.txt\n44\n";
  s.WriteFile("001036_info.ini", before);
  ASSERT_EQ(chmod(s.Path("001036_info.ini").c_str(), 0666), 0);
  ASSERT_EQ(chmod(s.dir.c_str(), 0555), 0);
  s.keyboard.Type("nnq");
  const int status = AsUnprivilegedUser([&s] {
    // The folder refuses this user a new file; skip where it does not.
    const std::string probe = s.Path("probe");
    if (FILE* f = std::fopen(probe.c_str(), "w")) {
      std::fclose(f);
      std::remove(probe.c_str());
      return 101;
    }
    s.Run({"0"});
    return s.console.Text().find("途中まで、表示しました。66行") != std::string::npos ? 0 : 1;
  });
  chmod(s.dir.c_str(), 0700);
  if (status == kNoUser || status == 101) GTEST_SKIP() << "no unprivileged user to run as";
  EXPECT_EQ(status, 0);
  EXPECT_EQ(s.ReadFile("001036_info.ini"), before);
}

struct UnreadableRow {
  const char* what;
  std::function<void(const std::string& path)> make;
  const char* reason;
};

TEST(DataFilesTest, DataFilesThatCannotBeReadAreLeftAsTheyWere) {
  const std::vector<UnreadableRow> rows = {
      {"a FIFO", [](const std::string& p) { ASSERT_EQ(mkfifo(p.c_str(), 0666), 0); },
       "it is not a regular file"},
      {"a link to /dev/zero",
       [](const std::string& p) { ASSERT_EQ(symlink("/dev/zero", p.c_str()), 0); },
       "it is not a regular file"},
      {"a file larger than the bound",
       [](const std::string& p) {
         std::FILE* f = std::fopen(p.c_str(), "wb");
         ASSERT_NE(f, nullptr);
         std::fclose(f);
         std::filesystem::resize_file(p, kDataFileMax + 1);
       },
       "it is larger than 64 MB"},
      {"a file its reader may not read",
       [](const std::string& p) {
         std::FILE* f = std::fopen(p.c_str(), "wb");
         ASSERT_NE(f, nullptr);
         std::fputs("other.txt\n777\n", f);
         std::fclose(f);
         ASSERT_EQ(chmod(p.c_str(), 0), 0);
       },
       "Permission denied"},
  };
  for (const UnreadableRow& row : rows) {
    for (const std::string name : {"001036_info.ini", "mmsys.ini"}) {
      SCOPED_TRACE(std::string(row.what) + " as " + name);
      Scenario s;
      s.AddWork("alpha", "Alpha", NumberedLines(1, 200));
      // The reader runs as a user without privileges, for whom a file's
      // permissions hold, in a folder it may write to.
      ASSERT_EQ(chmod(s.dir.c_str(), 0777), 0);
      row.make(s.Path(name));
      if (::testing::Test::HasFatalFailure()) return;
      const Identity before = IdentityOf(s.Path(name));
      s.keyboard.Type("nq");
      const int status = AsUnprivilegedUser([&] {
        s.Run({"0"});
        const std::string text = s.console.Text();
        auto count = [&text](const std::string& what) {
          int n = 0;
          for (std::size_t at = text.find(what); at != std::string::npos;
               at = text.find(what, at + 1))
            ++n;
          return n;
        };
        const bool said =
            name == "mmsys.ini"
                ? count("cannot read mmsys.ini: the playlist is empty for now") == 1 &&
                      count("mmsys.ini was not read at start: it is left as it was\n") == 1
                : count("cannot read 001036_info.ini: " + std::string(row.reason) +
                        ": positions will not be saved this run\n") == 1 &&
                      count("001036_info.ini") == 1;
        if (!said) std::fprintf(stderr, "%s\n", text.c_str());
        return said ? 0 : 1;
      });
      EXPECT_EQ(status, 0) << "1: not said as it should be; -2: no user to run as";
      EXPECT_TRUE(IdentityOf(s.Path(name)) == before);
    }
  }
}

}  // namespace
}  // namespace shiori::testing
