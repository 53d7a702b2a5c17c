// The ZIP local file header reader, and the central directory lookups that
// members with a data descriptor (flag bit 3) need for their sizes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "deczip/streams.h"

namespace shiori {

inline constexpr std::uint32_t kZipLocalSignature = 0x04034b50;
inline constexpr std::uint32_t kZipCentralSignature = 0x02014b50;
inline constexpr std::uint32_t kZipEndSignature = 0x06054b50;
inline constexpr std::uint32_t kZipDescriptorSignature = 0x08074b50;
/// General-purpose flag bit 3: CRC-32 and sizes follow the data.
inline constexpr std::uint16_t kZipFlagDescriptor = 0x0008;
/// General-purpose flag bit 11: the member's name is UTF-8.
inline constexpr std::uint16_t kZipFlagUtf8Name = 0x0800;

/// In-memory form of one local file header, fields in wire order.
struct ZipHeader {
  std::uint32_t signature = 0;
  std::uint16_t version = 0;
  std::uint16_t option = 0;
  std::uint16_t method = 0;
  std::uint16_t time = 0;
  std::uint16_t date = 0;
  std::uint32_t crc32 = 0;
  std::uint32_t compsize = 0;
  std::uint32_t uncompsize = 0;
  std::uint16_t filename_len = 0;
  std::uint16_t extra_len = 0;
  char* filename = nullptr;  ///< caller buffer of filename_cap bytes, or null
  std::uint32_t filename_cap = 0;
  std::uint8_t* extra = nullptr;  ///< caller buffer of extra_cap bytes, or null
  std::uint32_t extra_cap = 0;
};

/// Reads the 26 bytes after the signature, then the name and the extra field,
/// from |ssin|. A name longer than the buffer is cut (always terminated); the
/// bytes that do not fit are read past. False when the stream ran out.
bool sReadZipHeader(ByteStream& ssin, ZipHeader* header);

/// One entry of the central directory.
struct ZipCentralEntry {
  std::uint16_t option = 0;
  std::uint16_t method = 0;
  std::uint32_t crc32 = 0;
  std::uint64_t compsize = 0;
  std::uint64_t uncompsize = 0;
  std::uint64_t local_offset = 0;  ///< offset of the member's local header in the span
  std::string name;
};

/// Finds the end record of |archive| (and the ZIP64 end record it points to,
/// when there is one) and reads every central directory entry, its sizes and
/// offset from the ZIP64 extra field where the 32-bit fields are all ones.
/// Data before the archive is allowed for: offsets are moved by as much as
/// the directory lies later than the end record says. False when the end
/// record is missing or the directory runs past the archive.
bool ReadZipCentralDirectory(std::span<const std::uint8_t> archive,
                             std::vector<ZipCentralEntry>* entries);

/// The central directory entry of the member whose local header starts at
/// |local_offset|. False when there is none.
bool FindZipCentralEntry(std::span<const std::uint8_t> archive, std::uint32_t local_offset,
                         ZipCentralEntry* entry);

/// A member with a data descriptor may carry zero sizes in its local header:
/// then CRC-32 and sizes are taken from its central directory entry. True when
/// |header| now holds the member's sizes; false when they cannot be found.
bool ResolveZipSizes(std::span<const std::uint8_t> archive, std::uint32_t local_offset,
                     ZipHeader* header);

}  // namespace shiori
