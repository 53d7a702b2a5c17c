// The data files on Windows: handles opened with the code page's names,
// CREATE_NEW for the temporary file, LockFileEx for the lock.
#include <windows.h>

#include <cerrno>
#include <cstring>

#include "platform/data_file.h"
#include "platform/data_file_io.h"

namespace shiori {

namespace {

// As on POSIX: a save holds the lock for milliseconds; a holder this slow is
// hung, and waiting on would hang this reader's quit as well.
constexpr DWORD kLockWaitMs = 10000;
constexpr DWORD kLockPollMs = 5;

HANDLE Handle(const data_file_io::OsFile& f) { return reinterpret_cast<HANDLE>(f.native()); }
std::intptr_t Native(HANDLE h) { return reinterpret_cast<std::intptr_t>(h); }

// The errno value whose text says what |error| means, so that a reason reads
// as the C runtime's would.
int ErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_NETWORK_ACCESS_DENIED:
      return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return EBUSY;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_WRITE_PROTECT:
      return EROFS;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    default:
      return EIO;
  }
}

int LastErrno() { return ErrnoOf(GetLastError()); }

int LockWithinWait(HANDLE h) {
  for (DWORD waited = 0;; waited += kLockPollMs) {
    OVERLAPPED at{};
    if (LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at))
      return 0;
    const DWORD error = GetLastError();
    if (error != ERROR_LOCK_VIOLATION && error != ERROR_IO_PENDING) return ErrnoOf(error);
    if (waited >= kLockWaitMs) return EAGAIN;
    Sleep(kLockPollMs);
  }
}

int WriteAll(HANDLE h, std::string_view content) {
  while (!content.empty()) {
    const DWORD piece = content.size() > 0x40000000u ? 0x40000000u
                                                     : static_cast<DWORD>(content.size());
    DWORD written = 0;
    if (!WriteFile(h, content.data(), piece, &written, nullptr)) return LastErrno();
    if (written == 0) return EIO;
    content.remove_prefix(written);
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
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const int error = LastErrno();
    if (error == ENOENT) return DataFileRead::kMissing;
    return fail(FileReadFault::Kind::kSystem, error);
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return fail(FileReadFault::Kind::kDirectory);
  const HANDLE h = CreateFileA(path.c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const int error = LastErrno();
    if (error == ENOENT) return DataFileRead::kMissing;
    return fail(FileReadFault::Kind::kSystem, error);
  }
  data_file_io::OsFile file(Native(h));
  // A device or a pipe under a data file's name is never read.
  if (GetFileType(h) != FILE_TYPE_DISK) return fail(FileReadFault::Kind::kNotRegular);
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(h, &size)) return fail(FileReadFault::Kind::kSystem, LastErrno());
  if (size.QuadPart < 0 || static_cast<std::uint64_t>(size.QuadPart) > max_bytes)
    return fail(FileReadFault::Kind::kTooLarge, 0,
                size.QuadPart > 0 ? static_cast<std::uint64_t>(size.QuadPart) : 0);
  content->reserve(static_cast<std::size_t>(size.QuadPart));
  char buf[65536];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(h, buf, sizeof buf, &got, nullptr))
      return fail(FileReadFault::Kind::kSystem, LastErrno());
    if (got == 0) break;
    content->append(buf, got);
    if (content->size() > max_bytes) return fail(FileReadFault::Kind::kTooLarge);
  }
  return DataFileRead::kRead;
}

namespace data_file_io {

int OsFile::Close() {
  if (native_ == kNone) return 0;
  const int error = CloseHandle(reinterpret_cast<HANDLE>(native_)) ? 0 : LastErrno();
  native_ = kNone;
  return error;
}

int Inspect(const std::string& path, PathState* state) {
  *state = PathState();
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const int error = LastErrno();
    return error == ENOENT ? 0 : error;
  }
  state->exists = true;
  state->directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  state->read_only = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  state->mode = attributes;
  return 0;
}

int LockExclusive(const std::string& lock_path, OsFile* lock) {
  const DWORD attributes = GetFileAttributesA(lock_path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return EISDIR;
  // The link itself is opened, never what a planted link names; reading is
  // enough for LockFileEx.
  const HANDLE h = CreateFileA(lock_path.c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                               nullptr);
  if (h == INVALID_HANDLE_VALUE) return LastErrno();
  *lock = OsFile(Native(h));
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return EINVAL;
  return LockWithinWait(h);
}

int CreateExclusive(const std::string& path, const PathState& like, OsFile* file) {
  // CREATE_NEW fails on any name that exists, a link included: nothing
  // planted at the name is ever written through. A writable file stays
  // writable, which is all its attributes say of who may write it.
  (void)like;
  const HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return LastErrno();
  *file = OsFile(Native(h));
  return 0;
}

int WriteAllAndSync(OsFile& file, std::string_view content) {
  if (const int error = WriteAll(Handle(file), content); error != 0) return error;
  return FlushFileBuffers(Handle(file)) ? 0 : LastErrno();
}

int RenameOver(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
             ? 0
             : LastErrno();
}

void RemoveFile(const std::string& path) { DeleteFileA(path.c_str()); }

int OpenInPlace(const std::string& path, OsFile* file) {
  const HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return LastErrno();
  *file = OsFile(Native(h));
  if (GetFileType(h) != FILE_TYPE_DISK) return EINVAL;
  return LockWithinWait(h);
}

int TruncateAndWrite(OsFile& file, std::string_view content) {
  LARGE_INTEGER start{};
  if (!SetFilePointerEx(Handle(file), start, nullptr, FILE_BEGIN) || !SetEndOfFile(Handle(file)))
    return LastErrno();
  return WriteAll(Handle(file), content);
}

unsigned long ProcessId() { return GetCurrentProcessId(); }

}  // namespace data_file_io

}  // namespace shiori
