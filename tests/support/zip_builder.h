// Builds ZIP archives in memory for the extraction tests, with zlib, in the
// forms writers produce: deflate or stored members, sizes in the local header
// or (flag bit 3) only in the data descriptor and the central directory,
// ZIP64 records, data before the archive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace shiori::ziptest {

struct Member {
  Member(std::string name_, std::string data_, std::uint16_t method_ = 8,
         bool descriptor_ = false, std::string extra_ = {})
      : name(std::move(name_)), data(std::move(data_)), method(method_),
        descriptor(descriptor_), extra(std::move(extra_)) {}
  std::string name;
  std::string data;
  std::uint16_t method = 8;  ///< 8 deflate, 0 stored
  bool descriptor = false;   ///< flag bit 3: zero sizes locally, descriptor after the data
  std::string extra;         ///< extra field of the local header
};

/// How the archive as a whole is laid out.
struct Layout {
  /// As zip writes when it streams: sizes and offsets all ones in the headers
  /// and the end record, their values in ZIP64 extra fields (and descriptors)
  /// and in a ZIP64 end record with its locator.
  bool zip64 = false;
  /// Bytes of something else before the archive, its offsets not moved (a
  /// self-extracting archive's program).
  std::size_t prefix = 0;
};

/// Local headers with their data, then the central directory and end record.
std::vector<std::uint8_t> MakeZip(const std::vector<Member>& members, const Layout& layout = {});

/// Raw deflate (no zlib header) of |data|, as ZIP members hold it.
std::string Deflate(std::string_view data);

/// Offsets of the local header fields, from the signature.
inline constexpr std::size_t kCrcAt = 14, kCompAt = 18, kUncompAt = 22, kNameLenAt = 26,
                             kNameAt = 30;

void Patch32(std::vector<std::uint8_t>* bytes, std::size_t at, std::uint32_t value);
void Patch16(std::vector<std::uint8_t>* bytes, std::size_t at, std::uint16_t value);

/// Where member |index| of an archive made by MakeZip (in the default layout)
/// has its local header and its central directory entry.
struct MemberAt {
  std::size_t local = 0;
  std::size_t central = 0;
};
MemberAt FindMember(const std::vector<std::uint8_t>& zip, std::size_t index);

/// Sets a field of member |index| in its local header and its central entry
/// alike: the flags, the method, or the uncompressed size.
void SetFlags(std::vector<std::uint8_t>* zip, std::size_t index, std::uint16_t flags);
void SetMethod(std::vector<std::uint8_t>* zip, std::size_t index, std::uint16_t method);
void SetUncompressedSize(std::vector<std::uint8_t>* zip, std::size_t index, std::uint32_t size);

/// The bytes of a file of the shared corpus; empty when it cannot be read.
std::vector<std::uint8_t> ReadCorpus(const std::string& name);

}  // namespace shiori::ziptest
