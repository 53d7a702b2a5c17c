// load_png_dib on any bytes: libpng's errors, data that ends early and
// headers that ask for too much all give no picture; a picture it does give
// has the bitmap layout the window relies on (24 or 32 bits a pixel, rows
// padded to 4 bytes and holding the whole row, one row per line).
//
// libpng refuses a chunk whose CRC does not match, so nearly every mutation
// of a header would end there; the target first writes every whole chunk's
// correct CRC, and the decoder meets the mutated header itself. (libpng
// writes its errors to standard error: scripts/fuzz.sh closes it for this
// target.)
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "media/image.h"

namespace {

std::uint32_t Be32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         p[3];
}

void FixChunkCrcs(std::vector<std::uint8_t>* png) {
  std::size_t at = 8;  // past the signature
  while (at + 12 <= png->size()) {
    const std::uint32_t length = Be32(png->data() + at);
    if (length > png->size() - at - 12) return;
    std::uint8_t* type = png->data() + at + 4;
    const auto crc = static_cast<std::uint32_t>(crc32(0, type, 4 + length));
    std::uint8_t* out = type + 4 + length;
    out[0] = static_cast<std::uint8_t>(crc >> 24);
    out[1] = static_cast<std::uint8_t>(crc >> 16);
    out[2] = static_cast<std::uint8_t>(crc >> 8);
    out[3] = static_cast<std::uint8_t>(crc);
    at += 12 + length;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> png(data, data + size);
  FixChunkCrcs(&png);
  const std::optional<shiori::Dib> dib = shiori::load_png_dib(png);
  if (!dib) return 0;
  FUZZ_CHECK(dib->width > 0 && dib->height > 0);
  FUZZ_CHECK(dib->bits_per_pixel == 24 || dib->bits_per_pixel == 32);
  FUZZ_CHECK(dib->stride % 4 == 0);
  FUZZ_CHECK(static_cast<std::int64_t>(dib->row_bytes) ==
             static_cast<std::int64_t>(dib->width) * dib->bits_per_pixel / 8);
  FUZZ_CHECK(dib->row_bytes <= dib->stride && dib->stride - dib->row_bytes < 4);
  FUZZ_CHECK(dib->pixels.size() ==
             static_cast<std::size_t>(dib->stride) * static_cast<std::size_t>(dib->height));
  FUZZ_CHECK(static_cast<std::uint64_t>(dib->row_bytes) * dib->height <= shiori::kMaxDibBytes);
  return 0;
}
