#include "platform/data_file.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/data_file_io.h"

namespace shiori {

namespace {

using data_file_io::OsFile;
using data_file_io::PathState;

// Each taken name is something left by a run that was killed while saving,
// or put there on purpose; past this many the save gives up.
constexpr int kTemporaryAttempts = 100;

bool Refused(int error) { return error == EACCES || error == EPERM; }

DataFileSave Failed(int error, std::string* err) {
  *err = std::strerror(error);
  return DataFileSave::kFailed;
}

// The content to write: |whole|, or what |edit| makes of the file as it is
// now. False with the outcome in *result when nothing is to be written.
bool MakeContent(const std::string& path, const DataFileEdit* edit, std::string_view whole,
                 std::string* content, DataFileSave* result, std::string* err) {
  if (edit == nullptr) {
    content->assign(whole);
    return true;
  }
  std::string current;
  const DataFileRead status = ReadDataFile(path, &current, err);
  if (status == DataFileRead::kUnreadable) {
    *result = DataFileSave::kUnreadable;
    return false;
  }
  std::optional<std::string> made = (*edit)(status, current);
  if (!made) {
    *result = DataFileSave::kSaved;
    return false;
  }
  *content = std::move(*made);
  return true;
}

// The folder refuses every new file (|refused| says why): the file itself,
// locked, is written in place. With no temporary file a failure midway may
// cut it; this is the one case where there is no other way.
DataFileSave SaveInPlace(const std::string& path, const DataFileEdit* edit,
                         std::string_view whole, int refused, std::string* err) {
  PathState state;
  if (const int error = data_file_io::Inspect(path, &state); error != 0)
    return Failed(error, err);
  if (!state.exists) return Failed(refused, err);
  if (state.read_only) {
    *err = "the file is read-only";
    return DataFileSave::kReadOnly;
  }
  OsFile file;
  if (const int error = data_file_io::OpenInPlace(path, &file); error != 0)
    return Failed(error, err);
  std::string content;
  DataFileSave result = DataFileSave::kSaved;
  if (!MakeContent(path, edit, whole, &content, &result, err)) return result;
  int error = data_file_io::TruncateAndWrite(file, content);
  const int close_error = file.Close();
  if (error == 0) error = close_error;
  return error == 0 ? DataFileSave::kSaved : Failed(error, err);
}

DataFileSave Save(const std::string& path, const DataFileEdit* edit, std::string_view whole,
                  InPlace in_place, std::string* err) {
  const bool may_write_in_place = in_place == InPlace::kWhenFolderRefuses;
  // A lock file that is never replaced: the data file's own inode changes
  // with every save, so a lock on it would not exclude a reader that opened
  // the old one.
  OsFile lock;
  if (const int error = data_file_io::LockExclusive(path + ".lock", &lock); error != 0) {
    if (may_write_in_place && Refused(error)) return SaveInPlace(path, edit, whole, error, err);
    return Failed(error, err);
  }
  PathState state;
  if (const int error = data_file_io::Inspect(path, &state); error != 0)
    return Failed(error, err);
  if (state.directory) return Failed(EISDIR, err);
  std::string content;
  DataFileSave result = DataFileSave::kSaved;
  if (!MakeContent(path, edit, whole, &content, &result, err)) return result;
  if (state.read_only) {
    *err = "the file is read-only";
    return DataFileSave::kReadOnly;
  }

  OsFile tmp;
  std::string tmp_path;
  int error = EEXIST;
  for (int attempt = 0; error == EEXIST && attempt < kTemporaryAttempts; ++attempt) {
    tmp_path = TemporaryDataFileName(path, attempt);
    error = data_file_io::CreateExclusive(tmp_path, state, &tmp);
  }
  if (error != 0) {
    if (may_write_in_place && Refused(error))
      return SaveInPlace(path, nullptr, content, error, err);
    return Failed(error, err);
  }
  error = data_file_io::WriteAllAndSync(tmp, content);
  const int close_error = tmp.Close();
  if (error == 0) error = close_error;
  if (error != 0) {
    // Out of space or a failed device: the old file is left as it was.
    data_file_io::RemoveFile(tmp_path);
    return Failed(error, err);
  }
  error = data_file_io::RenameOver(tmp_path, path);
  if (error == 0) return DataFileSave::kSaved;
  data_file_io::RemoveFile(tmp_path);
  // A folder that lets a file be made but not replaced (sticky, another
  // owner's file).
  if (may_write_in_place && Refused(error)) return SaveInPlace(path, nullptr, content, error, err);
  return Failed(error, err);
}

}  // namespace

DataFileSave UpdateDataFile(const std::string& path, const DataFileEdit& edit, InPlace in_place,
                            std::string* err) {
  return Save(path, &edit, {}, in_place, err);
}

bool ReplaceDataFile(const std::string& path, std::string_view content, InPlace in_place,
                     std::string* err) {
  return Save(path, nullptr, content, in_place, err) == DataFileSave::kSaved;
}

std::string TemporaryDataFileName(const std::string& path, int attempt) {
  return path + "." + std::to_string(data_file_io::ProcessId()) + "-" + std::to_string(attempt) +
         ".tmp";
}

}  // namespace shiori
