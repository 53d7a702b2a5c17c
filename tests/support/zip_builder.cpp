#include "tests/support/zip_builder.h"

#include <zlib.h>

namespace shiori::testing {

namespace {

void Put16(std::vector<std::uint8_t>* s, unsigned v) {
  s->push_back(v & 0xff);
  s->push_back((v >> 8) & 0xff);
}
void Put32(std::vector<std::uint8_t>* s, std::uint32_t v) {
  Put16(s, v & 0xffff);
  Put16(s, v >> 16);
}

std::string Deflate(const std::string& in) {
  z_stream zs{};
  deflateInit2(&zs, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&zs, in.size()) + 16, '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  zs.avail_in = static_cast<uInt>(in.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = static_cast<uInt>(out.size());
  deflate(&zs, Z_FINISH);
  out.resize(zs.total_out);
  deflateEnd(&zs);
  return out;
}

}  // namespace

std::vector<std::uint8_t> MakeZip(const std::vector<ZipMember>& members) {
  std::vector<std::uint8_t> zip, cd;
  for (const ZipMember& m : members) {
    std::string payload = m.stored ? m.data : Deflate(m.data);
    std::uint32_t crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(m.data.data()), static_cast<uInt>(m.data.size())));
    std::uint32_t offset = static_cast<std::uint32_t>(zip.size());
    unsigned flags = m.data_descriptor ? 8 : 0;
    unsigned method = m.stored ? 0 : 8;
    Put32(&zip, 0x04034b50);
    Put16(&zip, 20);
    Put16(&zip, flags);
    Put16(&zip, method);
    Put16(&zip, 0);
    Put16(&zip, 0x5c21);
    Put32(&zip, m.data_descriptor ? 0 : crc);
    Put32(&zip, m.data_descriptor ? 0 : static_cast<std::uint32_t>(payload.size()));
    Put32(&zip, m.data_descriptor ? 0 : static_cast<std::uint32_t>(m.data.size()));
    Put16(&zip, static_cast<unsigned>(m.name.size()));
    Put16(&zip, 0);
    zip.insert(zip.end(), m.name.begin(), m.name.end());
    zip.insert(zip.end(), payload.begin(), payload.end());
    if (m.data_descriptor) {
      Put32(&zip, 0x08074b50);
      Put32(&zip, crc);
      Put32(&zip, static_cast<std::uint32_t>(payload.size()));
      Put32(&zip, static_cast<std::uint32_t>(m.data.size()));
    }
    Put32(&cd, 0x02014b50);
    Put16(&cd, 20);
    Put16(&cd, 20);
    Put16(&cd, flags);
    Put16(&cd, method);
    Put16(&cd, 0);
    Put16(&cd, 0x5c21);
    Put32(&cd, crc);
    Put32(&cd, static_cast<std::uint32_t>(payload.size()));
    Put32(&cd, static_cast<std::uint32_t>(m.data.size()));
    Put16(&cd, static_cast<unsigned>(m.name.size()));
    Put16(&cd, 0);
    Put16(&cd, 0);
    Put16(&cd, 0);
    Put16(&cd, 0);
    Put32(&cd, 0);
    Put32(&cd, offset);
    cd.insert(cd.end(), m.name.begin(), m.name.end());
  }
  std::uint32_t cd_offset = static_cast<std::uint32_t>(zip.size());
  zip.insert(zip.end(), cd.begin(), cd.end());
  Put32(&zip, 0x06054b50);
  Put16(&zip, 0);
  Put16(&zip, 0);
  Put16(&zip, static_cast<unsigned>(members.size()));
  Put16(&zip, static_cast<unsigned>(members.size()));
  Put32(&zip, static_cast<std::uint32_t>(cd.size()));
  Put32(&zip, cd_offset);
  Put16(&zip, 0);
  return zip;
}

}  // namespace shiori::testing
