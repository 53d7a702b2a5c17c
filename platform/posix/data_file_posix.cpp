// The data files on POSIX: descriptors opened without blocking and without
// following a link where a name may have been planted, flock for the lock.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/data_file.h"
#include "platform/data_file_io.h"

namespace shiori {

namespace {

// How long a save waits for another reader's save to end: a save holds the
// lock for milliseconds, so a holder this slow is stopped or hung, and
// waiting on would hang this reader's quit as well.
constexpr int kLockWaitMs = 10000;
constexpr int kLockPollMs = 5;

int Fd(const data_file_io::OsFile& f) { return static_cast<int>(f.native()); }

void SleepMs(int ms) {
  timespec t{0, ms * 1000000L};
  nanosleep(&t, nullptr);
}

int LockWithinWait(int fd) {
  for (int waited = 0;; waited += kLockPollMs) {
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return 0;
    if (errno != EWOULDBLOCK && errno != EINTR) return errno;
    if (waited >= kLockWaitMs) return EWOULDBLOCK;
    SleepMs(kLockPollMs);
  }
}

// Writes |content| whole to |fd|, through short writes and interruptions.
int WriteAll(int fd, std::string_view content) {
  while (!content.empty()) {
    const ssize_t n = write(fd, content.data(), content.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    content.remove_prefix(static_cast<std::size_t>(n));
  }
  return 0;
}

}  // namespace

DataFileRead ReadBoundedFile(const std::string& path, std::uint64_t max_bytes,
                             std::string* content, FileReadFault* fault) {
  content->clear();
  *fault = FileReadFault();
  const auto fail = [&](FileReadFault::Kind kind, int error = 0, std::uint64_t size = 0) {
    return fault->Fail(content, kind, error, size);
  };
  // Without O_NONBLOCK a FIFO would hold the open until a writer came.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return DataFileRead::kMissing;
    return fail(FileReadFault::Kind::kSystem, errno);
  }
  data_file_io::OsFile file(fd);
  struct stat st {};
  if (fstat(fd, &st) != 0) return fail(FileReadFault::Kind::kSystem, errno);
  if (S_ISDIR(st.st_mode)) return fail(FileReadFault::Kind::kDirectory);
  if (!S_ISREG(st.st_mode)) return fail(FileReadFault::Kind::kNotRegular);
  // A size the system cannot give as a positive number is refused as well.
  if (st.st_size < 0 || static_cast<std::uint64_t>(st.st_size) > max_bytes)
    return fail(FileReadFault::Kind::kTooLarge, 0,
                st.st_size > 0 ? static_cast<std::uint64_t>(st.st_size) : 0);
  content->reserve(static_cast<std::size_t>(st.st_size));
  // The size is read, not trusted: the file may grow while it is read.
  char buf[65536];
  for (;;) {
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      return fail(FileReadFault::Kind::kSystem, errno);
    }
    content->append(buf, static_cast<std::size_t>(n));
    if (content->size() > max_bytes) return fail(FileReadFault::Kind::kTooLarge);
  }
  return DataFileRead::kRead;
}

namespace data_file_io {

int OsFile::Close() {
  if (native_ == kNone) return 0;
  const int error = close(static_cast<int>(native_)) == 0 || errno == EINTR ? 0 : errno;
  native_ = kNone;
  return error;
}

int Inspect(const std::string& path, PathState* state) {
  *state = PathState();
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return errno == ENOENT ? 0 : errno;
  state->exists = true;
  state->directory = S_ISDIR(st.st_mode);
  state->mode = st.st_mode & 07777;
  state->owner = st.st_uid;
  state->group = st.st_gid;
  // Every write bit taken away is the user's word even to root, who may
  // write anything; a file this process may not write is another's.
  state->read_only =
      (st.st_mode & 0222) == 0 || (access(path.c_str(), W_OK) != 0 && errno == EACCES);
  return 0;
}

int LockExclusive(const std::string& lock_path, OsFile* lock) {
  // Read access is enough for flock, so a lock file another user made serves
  // every reader of a shared folder.
  const int fd = open(lock_path.c_str(),
                      O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
  if (fd < 0) return errno;
  *lock = OsFile(fd);
  struct stat st {};
  if (fstat(fd, &st) != 0) return errno;
  if (!S_ISREG(st.st_mode)) return S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
  return LockWithinWait(fd);
}

int CreateExclusive(const std::string& path, const PathState& like, OsFile* file) {
  // O_EXCL fails on any name that exists, a link included (dangling or not):
  // nothing planted at the name is ever written through.
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return errno;
  *file = OsFile(fd);
  if (like.exists) {
    // The replacement keeps the permissions the user gave the file (the
    // umask applies only to a file that is new), and its owner when the
    // administrator saves in a user's folder, or the user could no longer
    // write it. Only the administrator may give a file away; a file system
    // without owners refuses, which costs nothing.
    if (geteuid() == 0 && (like.owner != 0 || like.group != getegid())) {
      const int refused =
          fchown(fd, static_cast<uid_t>(like.owner), static_cast<gid_t>(like.group));
      (void)refused;
    }
    // After fchown, which clears set-id bits.
    if (fchmod(fd, static_cast<mode_t>(like.mode)) != 0) return errno;
  }
  return 0;
}

int WriteAllAndSync(OsFile& file, std::string_view content) {
  if (const int error = WriteAll(Fd(file), content); error != 0) return error;
  // Renamed over the old file before its blocks reach the disk, a power
  // loss could leave an empty file where the old one stood.
  return fsync(Fd(file)) == 0 ? 0 : errno;
}

int RenameOver(const std::string& from, const std::string& to) {
  return rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

void RemoveFile(const std::string& path) { unlink(path.c_str()); }

int OpenInPlace(const std::string& path, OsFile* file) {
  const int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return errno;
  *file = OsFile(fd);
  struct stat st {};
  if (fstat(fd, &st) != 0) return errno;
  if (!S_ISREG(st.st_mode)) return EINVAL;
  return LockWithinWait(fd);
}

int TruncateAndWrite(OsFile& file, std::string_view content) {
  if (ftruncate(Fd(file), 0) != 0) return errno;
  if (lseek(Fd(file), 0, SEEK_SET) < 0) return errno;
  return WriteAll(Fd(file), content);
}

unsigned long ProcessId() { return static_cast<unsigned long>(getpid()); }

}  // namespace data_file_io

}  // namespace shiori
