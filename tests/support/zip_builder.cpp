#include "tests/support/zip_builder.h"

#include <zlib.h>

#include <fstream>
#include <iterator>

#include "tests/support/corpus.h"

namespace shiori::ziptest {

namespace {

void Put16(std::vector<std::uint8_t>* s, std::uint32_t v) {
  s->push_back(static_cast<std::uint8_t>(v & 0xff));
  s->push_back(static_cast<std::uint8_t>((v >> 8) & 0xff));
}
void Put32(std::vector<std::uint8_t>* s, std::uint32_t v) {
  Put16(s, v & 0xffff);
  Put16(s, v >> 16);
}
void PutBytes(std::vector<std::uint8_t>* s, std::string_view bytes) {
  s->insert(s->end(), bytes.begin(), bytes.end());
}

}  // namespace

std::string Deflate(std::string_view data) {
  z_stream zs{};
  deflateInit2(&zs, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string packed(deflateBound(&zs, data.size()) + 16, '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  zs.avail_in = static_cast<uInt>(data.size());
  zs.next_out = reinterpret_cast<Bytef*>(packed.data());
  zs.avail_out = static_cast<uInt>(packed.size());
  deflate(&zs, Z_FINISH);
  packed.resize(zs.total_out);
  deflateEnd(&zs);
  return packed;
}

std::vector<std::uint8_t> MakeZip(const std::vector<Member>& members) {
  std::vector<std::uint8_t> zip, dir;
  for (const Member& m : members) {
    std::string data = m.method == 0 ? m.data : Deflate(m.data);
    auto crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(m.data.data()), static_cast<uInt>(m.data.size())));
    auto comp = static_cast<std::uint32_t>(data.size());
    auto uncomp = static_cast<std::uint32_t>(m.data.size());
    std::uint32_t offset = static_cast<std::uint32_t>(zip.size());
    std::uint16_t flags = m.descriptor ? 0x0008 : 0;

    Put32(&zip, 0x04034b50);
    Put16(&zip, 20);
    Put16(&zip, flags);
    Put16(&zip, m.method);
    Put16(&zip, 0);
    Put16(&zip, 0x5c21);
    Put32(&zip, m.descriptor ? 0 : crc);
    Put32(&zip, m.descriptor ? 0 : comp);
    Put32(&zip, m.descriptor ? 0 : uncomp);
    Put16(&zip, static_cast<std::uint32_t>(m.name.size()));
    Put16(&zip, static_cast<std::uint32_t>(m.extra.size()));
    PutBytes(&zip, m.name);
    PutBytes(&zip, m.extra);
    PutBytes(&zip, data);
    if (m.descriptor) {
      Put32(&zip, 0x08074b50);
      Put32(&zip, crc);
      Put32(&zip, comp);
      Put32(&zip, uncomp);
    }

    Put32(&dir, 0x02014b50);
    Put16(&dir, 20);
    Put16(&dir, 20);
    Put16(&dir, flags);
    Put16(&dir, m.method);
    Put16(&dir, 0);
    Put16(&dir, 0x5c21);
    Put32(&dir, crc);
    Put32(&dir, comp);
    Put32(&dir, uncomp);
    Put16(&dir, static_cast<std::uint32_t>(m.name.size()));
    Put16(&dir, 0);  // extra
    Put16(&dir, 0);  // comment
    Put16(&dir, 0);  // disk
    Put16(&dir, 0);  // internal attributes
    Put32(&dir, 0);  // external attributes
    Put32(&dir, offset);
    PutBytes(&dir, m.name);
  }
  std::uint32_t dir_offset = static_cast<std::uint32_t>(zip.size());
  zip.insert(zip.end(), dir.begin(), dir.end());
  Put32(&zip, 0x06054b50);
  Put16(&zip, 0);
  Put16(&zip, 0);
  Put16(&zip, static_cast<std::uint32_t>(members.size()));
  Put16(&zip, static_cast<std::uint32_t>(members.size()));
  Put32(&zip, static_cast<std::uint32_t>(dir.size()));
  Put32(&zip, dir_offset);
  Put16(&zip, 0);
  return zip;
}

void Patch32(std::vector<std::uint8_t>* bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) (*bytes)[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void Patch16(std::vector<std::uint8_t>* bytes, std::size_t at, std::uint16_t value) {
  (*bytes)[at] = static_cast<std::uint8_t>(value & 0xff);
  (*bytes)[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

MemberAt FindMember(const std::vector<std::uint8_t>& zip, std::size_t index) {
  auto le16 = [&](std::size_t at) { return static_cast<std::size_t>(zip[at] | (zip[at + 1] << 8)); };
  auto le32 = [&](std::size_t at) { return le16(at) | (le16(at + 2) << 16); };
  // MakeZip writes no archive comment: the end record is the last 22 bytes.
  std::size_t central = le32(zip.size() - 22 + 16);
  for (std::size_t i = 0; i < index; ++i)
    central += 46 + le16(central + 28) + le16(central + 30) + le16(central + 32);
  return {le32(central + 42), central};
}

void SetFlags(std::vector<std::uint8_t>* zip, std::size_t index, std::uint16_t flags) {
  MemberAt m = FindMember(*zip, index);
  Patch16(zip, m.local + 6, flags);
  Patch16(zip, m.central + 8, flags);
}

void SetMethod(std::vector<std::uint8_t>* zip, std::size_t index, std::uint16_t method) {
  MemberAt m = FindMember(*zip, index);
  Patch16(zip, m.local + 8, method);
  Patch16(zip, m.central + 10, method);
}

void SetUncompressedSize(std::vector<std::uint8_t>* zip, std::size_t index, std::uint32_t size) {
  MemberAt m = FindMember(*zip, index);
  Patch32(zip, m.local + kUncompAt, size);
  Patch32(zip, m.central + 24, size);
}

std::vector<std::uint8_t> ReadCorpus(const std::string& name) {
  std::ifstream in(corpus::Path(name), std::ios::binary);
  return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
}

}  // namespace shiori::ziptest
