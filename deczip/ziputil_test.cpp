#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "deczip/ziputil.h"
#include "tests/support/zip_builder.h"

namespace shiori {
namespace {

// A local header after its signature with a distinct value in every field, so
// that a swapped field or a wrong byte order shows: name "a.txt", a 3-byte
// extra field, then the member's data "DATA!".
std::string HeaderBytes() {
  const unsigned char fixed[26] = {
      0x14, 0x00,              // version needed 20
      0x06, 0x08,              // flags 0x0806
      0x08, 0x00,              // method 8
      0x34, 0x12,              // time 0x1234
      0x78, 0x56,              // date 0x5678
      0xd4, 0xc3, 0xb2, 0xa1,  // CRC-32 0xa1b2c3d4
      0x05, 0x00, 0x00, 0x00,  // compressed size 5
      0x04, 0x03, 0x02, 0x01,  // uncompressed size 0x01020304
      0x05, 0x00,              // name length 5
      0x03, 0x00,              // extra length 3
  };
  return std::string(reinterpret_cast<const char*>(fixed), sizeof fixed) + "a.txt" +
         "\x01\x02\x03" + "DATA!";
}

ByteStream StreamOf(const std::string& bytes) {
  ByteStream s;
  s.Write(bytes.data(), bytes.size());
  return s;
}

TEST(ZipHeaderReaderTest, ReadsFieldsInWireOrderAndStopsAtTheData) {
  ByteStream in = StreamOf(HeaderBytes());
  char name[260];
  std::uint8_t extra[8] = {};
  ZipHeader h;
  h.signature = 0x11223344;
  h.filename = name;
  h.filename_cap = sizeof name;
  h.extra = extra;
  h.extra_cap = sizeof extra;
  ASSERT_TRUE(sReadZipHeader(in, &h));
  EXPECT_EQ(h.signature, 0x11223344u);  // the caller's, left alone
  EXPECT_EQ(h.version, 20);
  EXPECT_EQ(h.option, 0x0806);
  EXPECT_EQ(h.method, 8);
  EXPECT_EQ(h.time, 0x1234);
  EXPECT_EQ(h.date, 0x5678);
  EXPECT_EQ(h.crc32, 0xa1b2c3d4u);
  EXPECT_EQ(h.compsize, 5u);
  EXPECT_EQ(h.uncompsize, 0x01020304u);
  EXPECT_EQ(h.filename_len, 5);
  EXPECT_EQ(h.extra_len, 3);
  EXPECT_STREQ(name, "a.txt");
  EXPECT_EQ(extra[0], 1);
  EXPECT_EQ(extra[2], 3);
  EXPECT_EQ(extra[3], 0);
  char data[5];
  ASSERT_EQ(in.Read(data, 5), 5u);
  EXPECT_EQ(std::string(data, 5), "DATA!");

  // Without buffers, name and extra field are read past all the same.
  ByteStream again = StreamOf(HeaderBytes());
  ZipHeader bare;
  ASSERT_TRUE(sReadZipHeader(again, &bare));
  EXPECT_EQ(again.tell(), HeaderBytes().size() - 5);
}

TEST(ZipHeaderReaderTest, LongNameIsCutToTheBufferAndTheRestReadPast) {
  std::string bytes = HeaderBytes();
  std::string long_name(296, 'n');
  long_name += ".txt";
  bytes[22] = static_cast<char>(300 & 0xff);
  bytes[23] = static_cast<char>(300 >> 8);
  bytes.replace(26, 5, long_name);
  ByteStream in = StreamOf(bytes);

  char name[270];
  std::memset(name, 'Z', sizeof name);
  ZipHeader h;
  h.filename = name;
  h.filename_cap = 260;
  ASSERT_TRUE(sReadZipHeader(in, &h));
  EXPECT_EQ(h.filename_len, 300);
  EXPECT_EQ(std::strlen(name), 259u);
  EXPECT_EQ(std::string(name), long_name.substr(0, 259));
  EXPECT_EQ(name[260], 'Z');  // nothing written past the buffer
  EXPECT_EQ(in.tell(), bytes.size() - 5);
}

TEST(ZipHeaderReaderTest, FalseWhenTheStreamRunsOut) {
  const std::string whole = HeaderBytes();
  // Inside the fixed part, inside the name, inside the extra field.
  for (std::size_t cut : {0u, 10u, 25u, 28u, 32u}) {
    ByteStream in = StreamOf(whole.substr(0, cut));
    char name[260];
    std::memset(name, 'Z', sizeof name);
    std::uint8_t extra[8];
    ZipHeader h;
    h.filename = name;
    h.filename_cap = sizeof name;
    h.extra = extra;
    h.extra_cap = sizeof extra;
    EXPECT_FALSE(sReadZipHeader(in, &h)) << "cut at " << cut;
    EXPECT_LT(std::strlen(name), 6u) << "name left unterminated, cut at " << cut;
  }
}

TEST(ZipCentralDirectoryTest, ListsEveryMemberWithItsLocalOffset) {
  std::vector<std::uint8_t> zip = ziptest::MakeZip(
      {{"fig01.png", std::string(100, 'p')}, {"work.txt", "text\r\n", 0, true}});
  std::vector<ZipCentralEntry> entries;
  ASSERT_TRUE(ReadZipCentralDirectory(zip, &entries));
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, "fig01.png");
  EXPECT_EQ(entries[0].local_offset, 0u);
  EXPECT_EQ(entries[0].uncompsize, 100u);
  EXPECT_EQ(entries[1].name, "work.txt");
  EXPECT_EQ(entries[1].method, 0);
  EXPECT_EQ(entries[1].option, kZipFlagDescriptor);
  std::uint32_t second = entries[1].local_offset;
  EXPECT_EQ(zip[second], 'P');
  EXPECT_EQ(zip[second + ziptest::kNameAt], 'w');

  // The second member carries zero sizes locally; its entry supplies them.
  ZipHeader h;
  h.option = kZipFlagDescriptor;
  ASSERT_TRUE(ResolveZipSizes(zip, second, &h));
  EXPECT_EQ(h.compsize, 6u);
  EXPECT_EQ(h.uncompsize, 6u);
  EXPECT_EQ(h.crc32, entries[1].crc32);
  EXPECT_NE(h.crc32, 0u);
  ZipHeader elsewhere;
  elsewhere.option = kZipFlagDescriptor;
  EXPECT_FALSE(ResolveZipSizes(zip, second + 1, &elsewhere));

  // An archive comment after the end record does not hide it.
  std::vector<std::uint8_t> commented = zip;
  commented[commented.size() - 2] = 7;
  for (char c : std::string("comment")) commented.push_back(static_cast<std::uint8_t>(c));
  ASSERT_TRUE(ReadZipCentralDirectory(commented, &entries));
  EXPECT_EQ(entries.size(), 2u);
}

TEST(ZipCentralDirectoryTest, DamagedDirectoryIsRefused) {
  std::vector<std::uint8_t> zip = ziptest::MakeZip({{"work.txt", "text\r\n"}});
  std::vector<ZipCentralEntry> entries;
  const std::size_t end = zip.size() - 22;

  std::vector<std::uint8_t> no_end(zip.begin(), zip.end() - 1);
  EXPECT_FALSE(ReadZipCentralDirectory(no_end, &entries));

  std::vector<std::uint8_t> far = zip;
  ziptest::Patch32(&far, end + 16, static_cast<std::uint32_t>(zip.size()));  // offset
  EXPECT_FALSE(ReadZipCentralDirectory(far, &entries));

  std::vector<std::uint8_t> big = zip;
  ziptest::Patch32(&big, end + 12, 0xfffffff0u);  // directory size
  EXPECT_FALSE(ReadZipCentralDirectory(big, &entries));

  std::vector<std::uint8_t> more = zip;
  more[end + 10] = 2;  // two entries claimed, one present
  EXPECT_FALSE(ReadZipCentralDirectory(more, &entries));

  EXPECT_FALSE(ReadZipCentralDirectory(std::vector<std::uint8_t>(10, 0), &entries));
}

}  // namespace
}  // namespace shiori
