// Reading and rewriting the data files of the working directory
// ("001036_info.ini", "mmsys.ini", the listings) so that neither a failure,
// nor another reader saving at the same moment, nor a hostile file in the
// folder ever loses what they held.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace shiori {

/// Whether a data file may be written in place when no file can be made
/// beside it.
enum class InPlace {
  kNever,
  /// Only when the folder refuses a new file (permission) while the file
  /// itself may be written: the one case where there is no other way.
  kWhenFolderRefuses,
};

/// The most a data file may hold: far above any position file or playlist a
/// reader makes, far below what would exhaust memory.
inline constexpr std::uint64_t kDataFileMax = std::uint64_t{64} << 20;

enum class DataFileRead {
  kRead,
  kMissing,
  /// It exists but is no regular file of at most kDataFileMax bytes that
  /// this process may read: it must be left as it is.
  kUnreadable,
};

/// Why a file was not read (kUnreadable), for the caller to word.
struct FileReadFault {
  enum class Kind { kNone, kSystem, kDirectory, kNotRegular, kTooLarge };
  Kind kind = Kind::kNone;
  /// The errno value (kSystem).
  int error = 0;
  /// kTooLarge: the size the system gave when the file was refused by it
  /// before a byte was read; 0 when it grew past the bound while read.
  std::uint64_t size = 0;

  /// Records why a read failed and empties what was read: the platforms'
  /// readers end every failure through it.
  DataFileRead Fail(std::string* content, Kind why, int errno_value = 0,
                    std::uint64_t refused_size = 0) {
    kind = why;
    error = errno_value;
    size = refused_size;
    content->clear();
    return DataFileRead::kUnreadable;
  }
};

/// Reads the whole file |path| into *content. Only a regular file of at most
/// |max_bytes| is read: one larger by the size the system gives is refused
/// before a byte is read, one that grows past the bound while read all the
/// same. A FIFO, a device, a folder or a larger file is kUnreadable with
/// *fault saying why, and the call never blocks on what it opens.
DataFileRead ReadBoundedFile(const std::string& path, std::uint64_t max_bytes,
                             std::string* content, FileReadFault* fault);

/// ReadBoundedFile for a data file (at most kDataFileMax bytes), with the
/// reason for kUnreadable in *err.
DataFileRead ReadDataFile(const std::string& path, std::string* content, std::string* err);

enum class DataFileSave {
  kSaved,
  /// The user made the file read-only: it is left as it is.
  kReadOnly,
  /// The file exists but can no longer be read (ReadDataFile): it is left.
  kUnreadable,
  kFailed,
};

/// Makes the new content of a data file from what it holds now (|current|
/// is "" when |status| is kMissing); nullopt leaves the file as it is.
using DataFileEdit =
    std::function<std::optional<std::string>(DataFileRead status, const std::string& current)>;

/// Rewrites |path| with what |edit| makes of its current content, under an
/// exclusive lock on "|path|.lock" that every reader takes to save, so that
/// two readers saving at once never lose each other's change: the file is
/// read again under the lock, the new content written to a temporary file
/// created exclusively beside it (a name that anything already holds,
/// a planted link included, is never opened) and renamed over it, keeping
/// the old file's permissions. A full disk, a crash or a failed write leaves
/// the old file whole. Anything but kSaved gives the reason in *err.
DataFileSave UpdateDataFile(const std::string& path, const DataFileEdit& edit, InPlace in_place,
                            std::string* err);

/// UpdateDataFile for a file written whole (what it held is not read):
/// false with the reason in *err.
bool ReplaceDataFile(const std::string& path, std::string_view content, InPlace in_place,
                     std::string* err);

/// The name of the |attempt|th temporary file this process tries beside
/// |path| (a name already taken is never opened; the next is tried).
std::string TemporaryDataFileName(const std::string& path, int attempt);

}  // namespace shiori
