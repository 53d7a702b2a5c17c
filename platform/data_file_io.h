// What the data-file routine (platform/data_file.cpp) asks of the machine;
// platform/posix/data_file_posix.cpp and platform/win32/data_file_win32.cpp
// answer it. Errors are errno values (the Windows side maps its own onto
// them), so that a reason reads alike on both.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace shiori::data_file_io {

/// An open file of the machine (a descriptor or a handle), closed when
/// destroyed.
class OsFile {
 public:
  OsFile() = default;
  explicit OsFile(std::intptr_t native) : native_(native) {}
  ~OsFile() { Close(); }
  OsFile(OsFile&& other) noexcept : native_(other.native_) { other.native_ = kNone; }
  OsFile& operator=(OsFile&& other) noexcept {
    if (this != &other) {
      Close();
      native_ = other.native_;
      other.native_ = kNone;
    }
    return *this;
  }
  OsFile(const OsFile&) = delete;
  OsFile& operator=(const OsFile&) = delete;

  bool is_open() const { return native_ != kNone; }
  std::intptr_t native() const { return native_; }
  /// Closes it: 0, or the errno value of a close that reported a failure.
  int Close();

 private:
  static constexpr std::intptr_t kNone = -1;
  std::intptr_t native_ = kNone;
};

/// What stands at a path, links followed.
struct PathState {
  bool exists = false;
  bool directory = false;
  /// The user took every write permission away, or this process may not
  /// write it.
  bool read_only = false;
  /// What a replacement takes over: permission bits (POSIX) or attributes
  /// (Windows), and the owner and group (POSIX).
  std::uint32_t mode = 0;
  std::uint32_t owner = 0;
  std::uint32_t group = 0;
};

/// 0 (a missing path is a state, not an error) or an errno value.
int Inspect(const std::string& path, PathState* state);
/// Opens |lock_path| (created when missing; a link there is not followed)
/// and takes its exclusive lock, waiting a bounded time for another holder.
int LockExclusive(const std::string& lock_path, OsFile* lock);
/// Creates |path| for writing only if nothing stands there (EEXIST when the
/// name is taken, by a link too), with |like|'s permissions (and owner, as
/// far as this process may give it) when it exists.
int CreateExclusive(const std::string& path, const PathState& like, OsFile* file);
/// Writes |content| whole and waits until the machine holds it.
int WriteAllAndSync(OsFile& file, std::string_view content);
/// Renames |from| over |to| in one step.
int RenameOver(const std::string& from, const std::string& to);
void RemoveFile(const std::string& path);
/// Opens the existing regular file |path| for writing in place and takes its
/// exclusive lock (for a folder that refuses every new file, the lock file
/// included).
int OpenInPlace(const std::string& path, OsFile* file);
/// Empties the file opened by OpenInPlace and writes |content|.
int TruncateAndWrite(OsFile& file, std::string_view content);
unsigned long ProcessId();

}  // namespace shiori::data_file_io
