#include "content/zip_decode.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace shiori {

namespace {

// Deflate cannot make more than 1032 bytes of one compressed byte; the slack
// covers the few bytes of a tiny stream's block header.
constexpr std::uint64_t kMaxDeflateRatio = 1032;
constexpr std::uint64_t kRatioSlack = 1024;

// A zero-filled buffer from calloc, so that a failed allocation is a null
// pointer and not an exception.
struct FreeDeleter {
  void operator()(std::uint8_t* p) const { std::free(p); }
};
using Buffer = std::unique_ptr<std::uint8_t[], FreeDeleter>;

Buffer ZeroFilled(std::size_t size) {
  return Buffer(static_cast<std::uint8_t*>(std::calloc(std::max<std::size_t>(size, 1), 1)));
}

std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void ReadPast(ByteStream& in, std::size_t size) {
  std::uint8_t scratch[4096];
  while (size > 0) {
    std::size_t n = in.Read(scratch, std::min(size, sizeof scratch));
    if (n == 0) return;
    size -= n;
  }
}

}  // namespace

std::string ZipStatusMessage(ZipStatus status, const std::string& name) {
  switch (status) {
    case ZipStatus::kOk:
      return "";
    case ZipStatus::kNoText:
      return "work \"" + name + "\": the archive holds no text member";
    case ZipStatus::kMissing:
      return "work \"" + name + "\": resource not found";
    case ZipStatus::kDamaged:
      return "work \"" + name + "\": the archive is damaged";
    case ZipStatus::kOutOfMemory:
      return "out of memory";
    case ZipStatus::kTooLarge:
      return "work \"" + name + "\": the text is larger than 256 MB";
  }
  return "";
}

ZipStatus CheckZipMemberSizes(const ZipHeader& header, std::size_t available) {
  if (header.compsize > available) return ZipStatus::kDamaged;
  if (header.method == 0) {
    if (header.compsize != header.uncompsize) return ZipStatus::kDamaged;
  } else if (header.uncompsize > header.compsize * kMaxDeflateRatio + kRatioSlack) {
    return ZipStatus::kDamaged;
  }
  if (header.uncompsize > kMaxZipText) return ZipStatus::kTooLarge;
  return ZipStatus::kOk;
}

bool DecodeZipMember(std::span<const std::uint8_t> data, std::uint16_t method,
                     std::span<std::uint8_t> out, bool* out_of_memory) {
  *out_of_memory = false;
  if (method == 0) {
    std::size_t n = std::min(data.size(), out.size());
    if (n) std::memcpy(out.data(), data.data(), n);
    return data.size() <= out.size();
  }
  // zlib refuses a null output pointer even when there is no room to fill.
  std::uint8_t none = 0;
  z_stream zs{};
  if (inflateInit2(&zs, -15) == Z_MEM_ERROR) {
    *out_of_memory = true;
    return false;
  }
  zs.next_in = const_cast<Bytef*>(data.empty() ? &none : data.data());
  zs.avail_in = static_cast<uInt>(data.size());
  zs.next_out = out.empty() ? &none : out.data();
  zs.avail_out = static_cast<uInt>(out.size());
  // One call: the whole input and the whole output. A stream that does not
  // reach its end leaves the rest of |out| as it was (zero for our callers).
  int result = inflate(&zs, Z_NO_FLUSH);
  inflateEnd(&zs);
  if (result == Z_MEM_ERROR) *out_of_memory = true;
  return result == Z_STREAM_END;
}

ZipStatus zip_decode_bytes(std::span<const std::uint8_t> archive, Streams* streams) {
  ByteStream& ssin = streams->ssin;
  // Reading starts where the archive is written, so that offsets in ssin and
  // in |archive| agree even if ssin was not emptied.
  const std::size_t base = ssin.size();
  ssin.Write(archive.data(), archive.size());
  if (ssin.tell() < base) ReadPast(ssin, base - ssin.tell());

  char filename[260] = {};
  Buffer out;
  std::uint32_t uncompsize = 0;
  bool have_member = false;
  for (;;) {
    const std::size_t at = ssin.tell() - base;
    std::uint8_t signature[4];
    if (ssin.Read(signature, sizeof signature) < sizeof signature ||
        Le32(signature) != kZipLocalSignature)
      break;
    ZipHeader header;
    header.signature = kZipLocalSignature;
    header.filename = filename;
    header.filename_cap = sizeof filename;
    if (!sReadZipHeader(ssin, &header)) return ZipStatus::kDamaged;
    if (!ResolveZipSizes(archive, static_cast<std::uint32_t>(at), &header))
      return ZipStatus::kDamaged;
    ZipStatus sizes = CheckZipMemberSizes(header, ssin.size() - ssin.tell());
    if (sizes != ZipStatus::kOk) return sizes;

    Buffer in = ZeroFilled(header.compsize);
    out = ZeroFilled(header.uncompsize);
    if (!in || !out) return ZipStatus::kOutOfMemory;
    ssin.Read(in.get(), header.compsize);  // all there: checked above
    uncompsize = header.uncompsize;
    bool out_of_memory = false;
    bool ended = DecodeZipMember(std::span<const std::uint8_t>(in.get(), header.compsize),
                                 header.method, std::span<std::uint8_t>(out.get(), uncompsize),
                                 &out_of_memory);
    if (out_of_memory) return ZipStatus::kOutOfMemory;
    have_member = true;

    if (header.option & kZipFlagDescriptor) {
      // The data descriptor: CRC-32 and two sizes, after an optional signature.
      std::size_t left = ssin.size() - ssin.tell();
      std::size_t size = 12;
      if (left >= 4 && Le32(archive.data() + (ssin.tell() - base)) == kZipDescriptorSignature)
        size = 16;
      ReadPast(ssin, std::min(size, left));
    }
    if (ended || ssin.tell() >= ssin.size()) break;
  }

  // The last member read decides, as a name containing ".txt" anywhere.
  if (!have_member || std::strstr(filename, ".txt") == nullptr) return ZipStatus::kNoText;
  streams->ssout.Write(out.get(), uncompsize);
  return ZipStatus::kOk;
}

ZipStatus zip_decode(int res_id, const Catalog& catalog, const ResourceStore& resources,
                     Streams* streams) {
  if (res_id < 0 || static_cast<std::size_t>(res_id) >= catalog.works.size())
    return ZipStatus::kMissing;
  const CatalogWork& work = catalog.works[res_id];
  if (work.archive) {
    if (work.plain_text) {
      streams->ssout.Write(work.archive->data(), work.archive->size());
      return ZipStatus::kOk;
    }
    return zip_decode_bytes(*work.archive, streams);
  }
  std::span<const std::uint8_t> bytes;
  if (!resources.Find("WAVE", work.resource_name, &bytes)) return ZipStatus::kMissing;
  return zip_decode_bytes(bytes, streams);
}

}  // namespace shiori
