// Build-time helper: packs one text into a ZIP archive of the form the reader
// carries: one member, version 20, flag 0, deflate, sizes and CRC-32 in the
// local header, then the central directory and the end record.
// Usage: packzip INPUT MEMBER_NAME OUTPUT.zip
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

void Put16(std::string* s, std::uint16_t v) {
  s->push_back(static_cast<char>(v & 0xff));
  s->push_back(static_cast<char>(v >> 8));
}
void Put32(std::string* s, std::uint32_t v) {
  Put16(s, static_cast<std::uint16_t>(v & 0xffff));
  Put16(s, static_cast<std::uint16_t>(v >> 16));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: packzip INPUT MEMBER_NAME OUTPUT.zip\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "packzip: cannot read %s\n", argv[1]);
    return 1;
  }
  std::vector<unsigned char> text((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
  std::string name = argv[2];

  // Raw deflate (no zlib header), as the reader inflates with window bits -15.
  z_stream zs{};
  deflateInit2(&zs, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
  std::vector<unsigned char> packed(deflateBound(&zs, text.size()) + 64);
  zs.next_in = text.data();
  zs.avail_in = static_cast<uInt>(text.size());
  zs.next_out = packed.data();
  zs.avail_out = static_cast<uInt>(packed.size());
  if (deflate(&zs, Z_FINISH) != Z_STREAM_END) {
    std::fprintf(stderr, "packzip: deflate failed\n");
    return 1;
  }
  packed.resize(zs.total_out);
  deflateEnd(&zs);
  std::uint32_t crc = static_cast<std::uint32_t>(crc32(0, text.data(), static_cast<uInt>(text.size())));

  // A fixed time stamp keeps the archive the same from build to build.
  const std::uint16_t kTime = 0, kDate = (46 << 9) | (1 << 5) | 1;  // 2026-01-01
  std::string zip;
  Put32(&zip, 0x04034b50);
  Put16(&zip, 20);
  Put16(&zip, 0);
  Put16(&zip, 8);
  Put16(&zip, kTime);
  Put16(&zip, kDate);
  Put32(&zip, crc);
  Put32(&zip, static_cast<std::uint32_t>(packed.size()));
  Put32(&zip, static_cast<std::uint32_t>(text.size()));
  Put16(&zip, static_cast<std::uint16_t>(name.size()));
  Put16(&zip, 0);
  zip += name;
  zip.append(reinterpret_cast<const char*>(packed.data()), packed.size());

  std::uint32_t cd_offset = static_cast<std::uint32_t>(zip.size());
  std::string cd;
  Put32(&cd, 0x02014b50);
  Put16(&cd, 20);  // made by
  Put16(&cd, 20);  // needed
  Put16(&cd, 0);
  Put16(&cd, 8);
  Put16(&cd, kTime);
  Put16(&cd, kDate);
  Put32(&cd, crc);
  Put32(&cd, static_cast<std::uint32_t>(packed.size()));
  Put32(&cd, static_cast<std::uint32_t>(text.size()));
  Put16(&cd, static_cast<std::uint16_t>(name.size()));
  Put16(&cd, 0);  // extra
  Put16(&cd, 0);  // comment
  Put16(&cd, 0);  // disk
  Put16(&cd, 0);  // internal attributes
  Put32(&cd, 0);  // external attributes
  Put32(&cd, 0);  // local header offset
  cd += name;
  zip += cd;
  Put32(&zip, 0x06054b50);
  Put16(&zip, 0);
  Put16(&zip, 0);
  Put16(&zip, 1);
  Put16(&zip, 1);
  Put32(&zip, static_cast<std::uint32_t>(cd.size()));
  Put32(&zip, cd_offset);
  Put16(&zip, 0);

  std::ofstream out(argv[3], std::ios::binary);
  out << zip;
  return out ? 0 : 1;
}
