#include "deczip/ziputil.h"

#include <algorithm>
#include <cstddef>

namespace shiori {

namespace {

std::uint16_t Le16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Reads |size| bytes into |buffer| (of |cap| bytes, may be null) and reads
// past what does not fit. False when the stream ran out first.
bool ReadInto(ByteStream& in, std::size_t size, void* buffer, std::size_t cap,
              std::size_t* stored) {
  std::size_t keep = buffer ? std::min(size, cap) : 0;
  std::size_t got = keep ? in.Read(buffer, keep) : 0;
  *stored = got;
  if (got < keep) return false;
  std::uint8_t scratch[512];
  for (std::size_t left = size - keep; left > 0;) {
    std::size_t n = std::min(left, sizeof scratch);
    if (in.Read(scratch, n) < n) return false;
    left -= n;
  }
  return true;
}

constexpr std::size_t kEndRecordSize = 22;
constexpr std::size_t kCentralEntrySize = 46;

}  // namespace

bool sReadZipHeader(ByteStream& ssin, ZipHeader* header) {
  std::uint8_t fixed[26];
  std::size_t got = ssin.Read(fixed, sizeof fixed);
  if (got < sizeof fixed) {
    if (header->filename && header->filename_cap) header->filename[0] = '\0';
    return false;
  }
  header->version = Le16(fixed + 0);
  header->option = Le16(fixed + 2);
  header->method = Le16(fixed + 4);
  header->time = Le16(fixed + 6);
  header->date = Le16(fixed + 8);
  header->crc32 = Le32(fixed + 10);
  header->compsize = Le32(fixed + 14);
  header->uncompsize = Le32(fixed + 18);
  header->filename_len = Le16(fixed + 22);
  header->extra_len = Le16(fixed + 24);

  // The name is cut to the buffer, one byte kept for the terminating zero.
  bool named = header->filename && header->filename_cap;
  std::size_t stored = 0;
  bool ok = ReadInto(ssin, header->filename_len, named ? header->filename : nullptr,
                     named ? header->filename_cap - 1 : 0, &stored);
  if (named) header->filename[stored] = '\0';
  if (!ok) return false;
  return ReadInto(ssin, header->extra_len, header->extra, header->extra ? header->extra_cap : 0,
                  &stored);
}

bool ReadZipCentralDirectory(std::span<const std::uint8_t> archive,
                             std::vector<ZipCentralEntry>* entries) {
  entries->clear();
  if (archive.size() < kEndRecordSize) return false;
  // The end record closes the archive, followed only by its comment (at most
  // 65535 bytes); search backwards for a record whose comment ends the archive.
  const std::uint8_t* base = archive.data();
  std::size_t last = archive.size() - kEndRecordSize;
  std::size_t first = last > 0xffff ? last - 0xffff : 0;
  std::size_t end = archive.size();
  for (std::size_t at = last + 1; at-- > first;) {
    if (Le32(base + at) == kZipEndSignature &&
        at + kEndRecordSize + Le16(base + at + 20) == archive.size()) {
      end = at;
      break;
    }
  }
  if (end == archive.size()) return false;
  std::size_t count = Le16(base + end + 10);
  std::size_t dir_size = Le32(base + end + 12);
  std::size_t dir_offset = Le32(base + end + 16);
  if (dir_offset > end || dir_size > end - dir_offset) return false;

  std::size_t at = dir_offset;
  std::size_t dir_end = dir_offset + dir_size;
  for (std::size_t i = 0; i < count; ++i) {
    if (dir_end - at < kCentralEntrySize || Le32(base + at) != kZipCentralSignature) return false;
    const std::uint8_t* e = base + at;
    std::size_t variable = std::size_t{Le16(e + 28)} + Le16(e + 30) + Le16(e + 32);
    if (dir_end - at - kCentralEntrySize < variable) return false;
    ZipCentralEntry entry;
    entry.option = Le16(e + 8);
    entry.method = Le16(e + 10);
    entry.crc32 = Le32(e + 16);
    entry.compsize = Le32(e + 20);
    entry.uncompsize = Le32(e + 24);
    entry.local_offset = Le32(e + 42);
    entry.name.assign(reinterpret_cast<const char*>(e + kCentralEntrySize), Le16(e + 28));
    entries->push_back(std::move(entry));
    at += kCentralEntrySize + variable;
  }
  return true;
}

bool FindZipCentralEntry(std::span<const std::uint8_t> archive, std::uint32_t local_offset,
                         ZipCentralEntry* entry) {
  std::vector<ZipCentralEntry> entries;
  if (!ReadZipCentralDirectory(archive, &entries)) return false;
  for (ZipCentralEntry& e : entries) {
    if (e.local_offset == local_offset) {
      *entry = std::move(e);
      return true;
    }
  }
  return false;
}

bool ResolveZipSizes(std::span<const std::uint8_t> archive, std::uint32_t local_offset,
                     ZipHeader* header) {
  if (!(header->option & kZipFlagDescriptor) || header->compsize || header->uncompsize)
    return true;
  ZipCentralEntry entry;
  if (!FindZipCentralEntry(archive, local_offset, &entry)) return false;
  header->crc32 = entry.crc32;
  header->compsize = entry.compsize;
  header->uncompsize = entry.uncompsize;
  return true;
}

}  // namespace shiori
