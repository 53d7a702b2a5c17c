// The ZIP local file header reader.
#pragma once

#include <cstdint>

#include "content/streams.h"

namespace shiori {

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

}  // namespace shiori
