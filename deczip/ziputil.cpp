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

std::uint64_t Le64(const std::uint8_t* p) {
  return static_cast<std::uint64_t>(Le32(p)) | (static_cast<std::uint64_t>(Le32(p + 4)) << 32);
}

constexpr std::size_t kEndRecordSize = 22;
constexpr std::size_t kCentralEntrySize = 46;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
constexpr std::size_t kZip64LocatorSize = 20;
constexpr std::size_t kZip64EndSize = 56;
constexpr std::uint16_t kZip64ExtraTag = 0x0001;
constexpr std::uint32_t kZip64Marker = 0xffffffff;

// The ZIP64 extra field of a central entry holds, in this order, the 64-bit
// forms of those of the uncompressed size, the compressed size and the local
// header's offset whose 32-bit fields are all ones.
void ReadZip64Extra(std::span<const std::uint8_t> extra, ZipCentralEntry* entry) {
  for (std::size_t at = 0; extra.size() - at >= 4;) {
    const std::uint16_t tag = Le16(extra.data() + at);
    const std::size_t size = Le16(extra.data() + at + 2);
    at += 4;
    if (size > extra.size() - at) return;
    if (tag == kZip64ExtraTag) {
      const std::uint8_t* p = extra.data() + at;
      std::size_t left = size;
      for (std::uint64_t* field : {&entry->uncompsize, &entry->compsize, &entry->local_offset}) {
        if (*field != kZip64Marker) continue;
        if (left < 8) return;
        *field = Le64(p);
        p += 8;
        left -= 8;
      }
      return;
    }
    at += size;
  }
}

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
  std::uint64_t count = Le16(base + end + 10);
  std::uint64_t dir_size = Le32(base + end + 12);
  std::uint64_t dir_offset = Le32(base + end + 16);

  // A ZIP64 archive says so with a locator just before the end record; its
  // own end record holds the fields the classic one had no room for (zip
  // writes one even for a small file when it streams).
  std::size_t dir_end = end;
  if (end >= kZip64LocatorSize &&
      Le32(base + end - kZip64LocatorSize) == kZip64LocatorSignature) {
    // Where the locator says the record is; failing that, just before the
    // locator, where it is when data before the archive moved everything.
    // Without a record the locator's signature was a chance in the last
    // entry's bytes.
    const std::size_t before = end - kZip64LocatorSize;
    const std::uint64_t said = Le64(base + before + 8);
    std::size_t record = before;
    if (said <= before && before - said >= kZip64EndSize &&
        Le32(base + said) == kZip64EndSignature) {
      record = static_cast<std::size_t>(said);
    } else if (before >= kZip64EndSize &&
               Le32(base + before - kZip64EndSize) == kZip64EndSignature) {
      record = before - kZip64EndSize;
    }
    if (record != before) {
      const std::uint8_t* r = base + record;
      if (count == 0xffff) count = Le64(r + 32);
      if (dir_size == 0xffffffff) dir_size = Le64(r + 40);
      if (dir_offset == 0xffffffff) dir_offset = Le64(r + 48);
      dir_end = record;
    }
  }
  // Each entry takes at least its fixed part.
  if (dir_size > dir_end || count > dir_size / kCentralEntrySize) return false;
  // Offsets count from the archive's first byte. Data before it (a program
  // that unpacks the archive, written without moving the offsets) shows as
  // a directory that ends later than the end record says: the difference is
  // added to every offset, as unzip does. Where no directory starts there,
  // the gap lies between the directory and the end record instead.
  std::size_t dir_at = dir_end - static_cast<std::size_t>(dir_size);
  if (dir_offset > dir_at) return false;
  std::uint64_t shift = dir_at - dir_offset;
  if (shift != 0 && count != 0 && Le32(base + dir_at) != kZipCentralSignature) {
    shift = 0;
    dir_at = static_cast<std::size_t>(dir_offset);
  }
  const std::size_t dir_stop = dir_at + static_cast<std::size_t>(dir_size);

  std::size_t at = dir_at;
  for (std::uint64_t i = 0; i < count; ++i) {
    if (dir_stop - at < kCentralEntrySize || Le32(base + at) != kZipCentralSignature)
      return false;
    const std::uint8_t* e = base + at;
    const std::size_t name_len = Le16(e + 28), extra_len = Le16(e + 30);
    std::size_t variable = name_len + extra_len + Le16(e + 32);
    if (dir_stop - at - kCentralEntrySize < variable) return false;
    ZipCentralEntry entry;
    entry.option = Le16(e + 8);
    entry.method = Le16(e + 10);
    entry.crc32 = Le32(e + 16);
    entry.compsize = Le32(e + 20);
    entry.uncompsize = Le32(e + 24);
    entry.local_offset = Le32(e + 42);
    ReadZip64Extra(std::span<const std::uint8_t>(e + kCentralEntrySize + name_len, extra_len),
                   &entry);
    // An offset past the archive stays past it when moved.
    entry.local_offset = std::min<std::uint64_t>(entry.local_offset, archive.size()) + shift;
    entry.name.assign(reinterpret_cast<const char*>(e + kCentralEntrySize), name_len);
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
  // A ZIP64 size beyond 32 bits stays all ones, which no check lets through.
  const auto narrow = [](std::uint64_t v) {
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(v, kZip64Marker));
  };
  header->crc32 = entry.crc32;
  header->compsize = narrow(entry.compsize);
  header->uncompsize = narrow(entry.uncompsize);
  return true;
}

}  // namespace shiori
