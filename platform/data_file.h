// Rewriting a data file of the working directory ("001036_info.ini",
// "mmsys.ini", the listings) so that a failure never loses what it held.
#pragma once

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

/// Writes |content| to a temporary file beside |path| and renames it over
/// |path|: a full disk, a crash or any failed write leaves the old file
/// whole. False with the reason in *err (no temporary file is left).
bool ReplaceDataFile(const std::string& path, std::string_view content, InPlace in_place,
                     std::string* err);

}  // namespace shiori
