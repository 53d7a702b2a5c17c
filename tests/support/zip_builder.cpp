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

std::vector<std::uint8_t> MakeZip(const std::vector<Member>& members, const Layout& layout) {
  constexpr std::uint32_t kAllOnes = 0xffffffff;
  // The prefix looks like the start of a program, which it stands for.
  std::vector<std::uint8_t> zip, dir;
  for (std::size_t i = 0; i < layout.prefix; ++i)
    zip.push_back(i == 0 ? 'M' : i == 1 ? 'Z' : static_cast<std::uint8_t>(i * 13));
  const std::size_t base = zip.size();
  for (const Member& m : members) {
    std::string data = m.method == 0 ? m.data : Deflate(m.data);
    auto crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(m.data.data()), static_cast<uInt>(m.data.size())));
    auto comp = static_cast<std::uint32_t>(data.size());
    auto uncomp = static_cast<std::uint32_t>(m.data.size());
    std::uint32_t offset = static_cast<std::uint32_t>(zip.size() - base);
    std::uint16_t flags = m.descriptor ? 0x0008 : 0;
    const std::uint16_t version = layout.zip64 ? 45 : 20;
    // ZIP64 extra fields: the local one holds both sizes (zeros when a
    // descriptor follows), the central one the sizes and the offset.
    std::vector<std::uint8_t> local_extra, central_extra;
    if (layout.zip64) {
      Put16(&local_extra, 0x0001);
      Put16(&local_extra, 16);
      for (std::uint32_t v : {uncomp, comp}) {
        Put32(&local_extra, m.descriptor ? 0 : v);
        Put32(&local_extra, 0);
      }
      Put16(&central_extra, 0x0001);
      Put16(&central_extra, 24);
      for (std::uint32_t v : {uncomp, comp, offset}) {
        Put32(&central_extra, v);
        Put32(&central_extra, 0);
      }
    }
    local_extra.insert(local_extra.end(), m.extra.begin(), m.extra.end());
    // Sizes in the local header: zero when a descriptor follows, else all
    // ones for ZIP64.
    const auto local = [&](std::uint32_t v) {
      return m.descriptor ? 0u : layout.zip64 ? kAllOnes : v;
    };

    Put32(&zip, 0x04034b50);
    Put16(&zip, version);
    Put16(&zip, flags);
    Put16(&zip, m.method);
    Put16(&zip, 0);
    Put16(&zip, 0x5c21);
    Put32(&zip, m.descriptor ? 0 : crc);
    Put32(&zip, local(comp));
    Put32(&zip, local(uncomp));
    Put16(&zip, static_cast<std::uint32_t>(m.name.size()));
    Put16(&zip, static_cast<std::uint32_t>(local_extra.size()));
    PutBytes(&zip, m.name);
    zip.insert(zip.end(), local_extra.begin(), local_extra.end());
    PutBytes(&zip, data);
    if (m.descriptor) {
      Put32(&zip, 0x08074b50);
      Put32(&zip, crc);
      for (std::uint32_t v : {comp, uncomp}) {
        Put32(&zip, v);
        if (layout.zip64) Put32(&zip, 0);
      }
    }

    Put32(&dir, 0x02014b50);
    Put16(&dir, version);
    Put16(&dir, version);
    Put16(&dir, flags);
    Put16(&dir, m.method);
    Put16(&dir, 0);
    Put16(&dir, 0x5c21);
    Put32(&dir, crc);
    Put32(&dir, layout.zip64 ? kAllOnes : comp);
    Put32(&dir, layout.zip64 ? kAllOnes : uncomp);
    Put16(&dir, static_cast<std::uint32_t>(m.name.size()));
    Put16(&dir, static_cast<std::uint32_t>(central_extra.size()));
    Put16(&dir, 0);  // comment
    Put16(&dir, 0);  // disk
    Put16(&dir, 0);  // internal attributes
    Put32(&dir, 0);  // external attributes
    Put32(&dir, layout.zip64 ? kAllOnes : offset);
    PutBytes(&dir, m.name);
    dir.insert(dir.end(), central_extra.begin(), central_extra.end());
  }
  std::uint32_t dir_offset = static_cast<std::uint32_t>(zip.size() - base);
  zip.insert(zip.end(), dir.begin(), dir.end());
  const auto count = static_cast<std::uint32_t>(members.size());
  const auto dir_size = static_cast<std::uint32_t>(dir.size());
  if (layout.zip64) {
    const auto record = static_cast<std::uint32_t>(zip.size() - base);
    Put32(&zip, 0x06064b50);
    Put32(&zip, 44);  // the record's size after this field
    Put32(&zip, 0);
    Put16(&zip, 45);
    Put16(&zip, 45);
    Put32(&zip, 0);  // this disk
    Put32(&zip, 0);  // the directory's disk
    for (std::uint32_t v : {count, count, dir_size, dir_offset}) {
      Put32(&zip, v);
      Put32(&zip, 0);
    }
    Put32(&zip, 0x07064b50);
    Put32(&zip, 0);
    Put32(&zip, record);
    Put32(&zip, 0);
    Put32(&zip, 1);  // disks
  }
  Put32(&zip, 0x06054b50);
  Put16(&zip, 0);
  Put16(&zip, 0);
  Put16(&zip, layout.zip64 ? 0xffff : count);
  Put16(&zip, layout.zip64 ? 0xffff : count);
  Put32(&zip, layout.zip64 ? kAllOnes : dir_size);
  Put32(&zip, layout.zip64 ? kAllOnes : dir_offset);
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
