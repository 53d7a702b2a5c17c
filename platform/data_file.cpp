#include "platform/data_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace shiori {

namespace {

bool Refused(int error) { return error == EACCES || error == EPERM; }

// Writes |content| to |f| and closes it; false with the reason in *err.
bool WriteAndClose(std::FILE* f, std::string_view content, std::string* err) {
  bool ok = std::fwrite(content.data(), 1, content.size(), f) == content.size();
  ok = std::fflush(f) == 0 && ok;
  if (!ok) *err = std::strerror(errno);
  if (std::fclose(f) != 0 && ok) {
    *err = std::strerror(errno);
    ok = false;
  }
  return ok;
}

bool WriteInPlace(const std::string& path, std::string_view content, std::string* err) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) {
    *err = std::strerror(errno);
    return false;
  }
  return WriteAndClose(f, content, err);
}

}  // namespace

bool ReplaceDataFile(const std::string& path, std::string_view content, InPlace in_place,
                     std::string* err) {
  const std::string tmp = path + ".tmp";
  std::FILE* f = std::fopen(tmp.c_str(), "wb");
  if (f == nullptr) {
    const int error = errno;
    if (in_place == InPlace::kWhenFolderRefuses && Refused(error))
      return WriteInPlace(path, content, err);
    *err = std::strerror(error);
    return false;
  }
  if (!WriteAndClose(f, content, err)) {
    // Out of space or a failed device: the old file is left as it was.
    std::remove(tmp.c_str());
    return false;
  }
  std::error_code ec;
  std::filesystem::rename(tmp, path, ec);
  if (!ec) return true;
  std::remove(tmp.c_str());
  // A folder that lets a file be made but not replaced (sticky, another
  // owner's file).
  if (in_place == InPlace::kWhenFolderRefuses && Refused(ec.value()))
    return WriteInPlace(path, content, err);
  *err = ec.message();
  return false;
}

}  // namespace shiori
