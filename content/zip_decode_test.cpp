#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "content/zip_decode.h"
#include "platform/embedded.h"
#include "tests/support/corpus.h"
#include "tests/support/zip_builder.h"

namespace shiori {
namespace {

using ziptest::MakeZip;
using ziptest::Member;
using Bytes = std::vector<std::uint8_t>;

std::string Text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// The archive tests pack a work: a small real text of the corpus, and the
// novel the program carries, so that a clone without the corpus checks them.
class ZipWorkTest : public ::testing::TestWithParam<corpus::Texts> {
 protected:
  void SetUp() override {
    if (GetParam() == corpus::Texts::kCorpus) {
      SHIORI_NEEDS_CORPUS();
      work_ = Text(ziptest::ReadCorpus("127_ruby_150.txt"));
      ASSERT_EQ(work_.size(), 13969u) << "corpus text missing";
    } else {
      work_ = corpus::ReadFile(corpus::TextFiles(corpus::Texts::kEmbedded).front());
      ASSERT_GT(work_.size(), 10000u);
    }
  }
  std::string SmallWork() const { return work_; }

 private:
  std::string work_;
};

class ZipRoundTripTest : public ZipWorkTest {};
class ZipDamagedArchiveTest : public ZipWorkTest {};
class ZipNoTextTest : public ZipWorkTest {};
class ZipStreamsTest : public ZipWorkTest {};
const auto kWorks = ::testing::Values(corpus::Texts::kEmbedded, corpus::Texts::kCorpus);
INSTANTIATE_TEST_SUITE_P(Work, ZipRoundTripTest, kWorks, corpus::kTextsName);
INSTANTIATE_TEST_SUITE_P(Work, ZipDamagedArchiveTest, kWorks, corpus::kTextsName);
INSTANTIATE_TEST_SUITE_P(Work, ZipNoTextTest, kWorks, corpus::kTextsName);
INSTANTIATE_TEST_SUITE_P(Work, ZipStreamsTest, kWorks, corpus::kTextsName);

// Extracts |archive| into streams whose ssout already holds a previous text,
// and checks the status and that ssout was left as it was.
void ExpectRefused(const Bytes& archive, ZipStatus expected, const std::string& what) {
  Streams s;
  s.ssout.Write("previous\r\n", 10);
  EXPECT_EQ(zip_decode_bytes(archive, &s), expected) << what;
  EXPECT_EQ(s.ssout.view(), "previous\r\n") << what;
}

TEST(ZipCorpusTest, DistributedArchiveInflatesToItsWholeText) {
  SHIORI_NEEDS_CORPUS();
  Bytes zip = ziptest::ReadCorpus("56656_ruby_74439.zip");
  ASSERT_EQ(zip.size(), 572112u);

  ByteStream raw;
  raw.Write(zip.data() + 4, zip.size() - 4);
  char name[260];
  ZipHeader h;
  h.filename = name;
  h.filename_cap = sizeof name;
  ASSERT_TRUE(sReadZipHeader(raw, &h));
  EXPECT_STREQ(name, "tsumito_batsu.txt");
  EXPECT_EQ(h.crc32, 0xedb32200u);

  Streams s;
  ASSERT_EQ(zip_decode_bytes(zip, &s), ZipStatus::kOk);
  ASSERT_EQ(s.ssout.size(), 1352753u);
  std::string_view text = s.ssout.view();
  EXPECT_EQ(crc32(0, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size())),
            h.crc32);
  EXPECT_EQ(text.substr(0, 6), "罪と罰");
  // ssin is read up to the end of the member's data, not beyond.
  EXPECT_EQ(s.ssin.tell(), 30u + 17u + h.compsize);
}

TEST_P(ZipRoundTripTest, EveryMemberFormGivesTheTextBack) {
  const std::string text = SmallWork();
  struct Case {
    const char* what;
    Member member;
  };
  const Case cases[] = {
      {"deflate", {"great_velmor_the.txt", text}},
      {"deflate with extra field", {"great_velmor_the.txt", text, 8, false, std::string("UT\x05\x00\x01xxxx", 9)}},
      {"stored", {"great_velmor_the.txt", text, 0}},
      {"deflate, sizes only in the central directory", {"great_velmor_the.txt", text, 8, true}},
      {"stored, sizes only in the central directory", {"great_velmor_the.txt", text, 0, true}},
      {"empty text", {"readme.txt", ""}},
  };
  for (const Case& c : cases) {
    Streams s;
    EXPECT_EQ(zip_decode_bytes(MakeZip({c.member}), &s), ZipStatus::kOk) << c.what;
    EXPECT_EQ(s.ssout.view(), c.member.data) << c.what;
  }
}

TEST_P(ZipRoundTripTest, LongNameIsCutAndTheDataStillFound) {
  const std::string text = SmallWork();
  Streams s;
  std::string early = "work.txt" + std::string(292, 'x');
  ASSERT_EQ(zip_decode_bytes(MakeZip({{early, text}}), &s), ZipStatus::kOk);
  EXPECT_EQ(s.ssout.view(), text);
  // Cut to 259 bytes, a name whose ".txt" comes last no longer holds it.
  ExpectRefused(MakeZip({{std::string(296, 'x') + ".txt", text}}), ZipStatus::kNoText,
                "300-byte name ending in .txt");
}

TEST_P(ZipDamagedArchiveTest, ShortArchivesAreDamagedAndLeaveSsout) {
  const std::string text = SmallWork();
  const Bytes zip = MakeZip({{"great_velmor_the.txt", text}});
  auto cut = [&](std::size_t n) { return Bytes(zip.begin(), zip.begin() + n); };
  ExpectRefused(cut(20), ZipStatus::kDamaged, "cut inside the header");
  ExpectRefused(cut(ziptest::kNameAt + 5), ZipStatus::kDamaged, "cut inside the name");
  ExpectRefused(cut(ziptest::kNameAt + 20 + 1000), ZipStatus::kDamaged, "cut inside the data");

  Bytes past = zip;
  ziptest::Patch32(&past, ziptest::kCompAt, static_cast<std::uint32_t>(zip.size()));
  ExpectRefused(past, ZipStatus::kDamaged, "compressed size past the archive");
  ziptest::Patch32(&past, ziptest::kCompAt, 0xffffffffu);
  ExpectRefused(past, ZipStatus::kDamaged, "compressed size 4 GB");

  Bytes stored = MakeZip({{"great_velmor_the.txt", text, 0}});
  ziptest::Patch32(&stored, ziptest::kUncompAt, static_cast<std::uint32_t>(text.size() + 1));
  ExpectRefused(stored, ZipStatus::kDamaged, "stored member with two sizes");

  // Sizes only in the central directory, and the directory cut off.
  Bytes described = MakeZip({{"great_velmor_the.txt", text, 8, true}});
  described.resize(described.size() - 22);
  ExpectRefused(described, ZipStatus::kDamaged, "descriptor member without end record");
}

TEST(ZipDamagedArchiveTest, EveryCutGivesAStatusAndTheTextOnlyWhenTheDataIsWhole) {
  const std::string text = "short work\r\nsecond line\r\n";
  const Bytes zip = MakeZip({{"readme.txt", text}});
  const std::size_t data_end = ziptest::kNameAt + 10 + ziptest::Deflate(text).size();
  for (std::size_t n = 0; n <= zip.size(); ++n) {
    Streams s;
    ZipStatus status = zip_decode_bytes(Bytes(zip.begin(), zip.begin() + n), &s);
    ZipStatus expected =
        n < 4 ? ZipStatus::kNoText : n < data_end ? ZipStatus::kDamaged : ZipStatus::kOk;
    EXPECT_EQ(status, expected) << "cut at " << n;
    EXPECT_EQ(s.ssout.view(), status == ZipStatus::kOk ? text : "") << "cut at " << n;
  }
}

TEST_P(ZipDamagedArchiveTest, HugeUncompressedSizeIsRefusedBeforeAllocation) {
  const std::string text = SmallWork();
  Bytes zip = MakeZip({{"great_velmor_the.txt", text}});
  ziptest::Patch32(&zip, ziptest::kUncompAt, 0xffffffffu);
  ExpectRefused(zip, ZipStatus::kDamaged, "4 GB from a few kilobytes");

  // Enough compressed bytes to make 300 MB plausible, but over the bound.
  std::string noise(400000, '\0');
  std::uint32_t x = 12345;
  for (char& c : noise) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
  Bytes big = MakeZip({{"big.txt", noise}});
  ziptest::Patch32(&big, ziptest::kUncompAt, 300u << 20);
  ExpectRefused(big, ZipStatus::kTooLarge, "300 MB of text");
}

TEST_P(ZipDamagedArchiveTest, DataThatStopsShortGivesItsBytesAndAZeroTail) {
  const std::string text = SmallWork();
  const std::string name = "great_velmor_the.txt";
  Bytes zip = MakeZip({{name, text}});
  // Keep only half of the deflate data, with an honest compressed size.
  const std::uint32_t half = static_cast<std::uint32_t>(ziptest::Deflate(text).size() / 2);
  zip.resize(ziptest::kNameAt + name.size() + half);
  ziptest::Patch32(&zip, ziptest::kCompAt, half);

  Streams s;
  ASSERT_EQ(zip_decode_bytes(zip, &s), ZipStatus::kOk);
  std::string_view out = s.ssout.view();
  ASSERT_EQ(out.size(), text.size());
  std::size_t inflated = out.find('\0');
  ASSERT_NE(inflated, std::string_view::npos);
  EXPECT_GT(inflated, 1000u);
  EXPECT_EQ(out.substr(0, inflated), std::string_view(text).substr(0, inflated));
  EXPECT_EQ(out.find_first_not_of('\0', inflated), std::string_view::npos);
}

TEST_P(ZipNoTextTest, ArchivesWithoutATextMemberLeaveSsout) {
  const std::string text = SmallWork();
  ExpectRefused(MakeZip({{"great_velmor_the.md", text}}), ZipStatus::kNoText, "no .txt");
  ExpectRefused(MakeZip({{"fig01.png", "png"}, {"work.txt", text}}), ZipStatus::kNoText,
                "first member ends the walk");
  const std::string png = "\x89PNG\r\n\x1a\n";
  ExpectRefused(Bytes(png.begin(), png.end()), ZipStatus::kNoText, "not a zip");
  ExpectRefused(Bytes{'P', 'K'}, ZipStatus::kNoText, "half a signature");
  ExpectRefused(Bytes{}, ZipStatus::kNoText, "empty resource");
}

TEST_P(ZipNoTextTest, WalkGoesOnPastAMemberThatStopsShort) {
  // The first member's sizes are only in the central directory, which claims
  // fewer bytes than its data makes: inflate stops short of the end, so the
  // walk reads past its data descriptor to the next member, which decides.
  Bytes zip = MakeZip({{"a.txt", SmallWork(), 8, true}, {"b.txt", "second\r\n"}});
  const std::size_t end = zip.size() - 22;
  const std::size_t dir = zip[end + 16] | (zip[end + 17] << 8) | (zip[end + 18] << 16);
  ziptest::Patch32(&zip, dir + 24, 100);
  Streams s;
  ASSERT_EQ(zip_decode_bytes(zip, &s), ZipStatus::kOk);
  EXPECT_EQ(s.ssout.view(), "second\r\n");
}

TEST_P(ZipStreamsTest, SsinEmptiedButNotSsoutAppendsTheTextTwice) {
  const std::string text = SmallWork();
  const Bytes zip = MakeZip({{"readme.txt", text}});
  Streams s;
  ASSERT_EQ(zip_decode_bytes(zip, &s), ZipStatus::kOk);
  s.ssin.Empty();
  s.ssin.clear();
  ASSERT_EQ(zip_decode_bytes(zip, &s), ZipStatus::kOk);
  EXPECT_EQ(s.ssout.view(), text + text);
}

TEST_P(ZipStreamsTest, ResetThenExtractionHoldsTheTextOnceFromItsStart) {
  const std::string text = SmallWork();
  const Bytes zip = MakeZip({{"readme.txt", text}});
  Streams s;
  ASSERT_EQ(zip_decode_bytes(zip, &s), ZipStatus::kOk);
  std::string line;
  while (s.ssout.GetLine(&line)) {
  }
  ASSERT_TRUE(s.ssout.eof());

  s.Reset();
  ASSERT_EQ(zip_decode_bytes(zip, &s), ZipStatus::kOk);
  EXPECT_EQ(s.ssout.view(), text);
  EXPECT_EQ(s.ssout.tell(), 0u);
  EXPECT_FALSE(s.ssout.eof());
  ASSERT_TRUE(s.ssout.GetLine(&line));
  EXPECT_EQ(line + "\n", text.substr(0, text.find('\n') + 1));

  // ssin left as it was: the new archive is still read from its own start.
  Streams kept;
  ASSERT_EQ(zip_decode_bytes(zip, &kept), ZipStatus::kOk);
  kept.ssout.Empty();
  ASSERT_EQ(zip_decode_bytes(zip, &kept), ZipStatus::kOk);
  EXPECT_EQ(kept.ssout.view(), text);
}

TEST(ZipResourceTest, LowerCaseCatalogNamesFindUpperCaseResources) {
  const Bytes novel = MakeZip({{"great_velmor_the.txt", "novel\r\n"}});
  const Bytes guide = MakeZip({{"readme.txt", "guide\r\n"}});
  const EmbeddedResource table[] = {
      {"WAVE", "GREAT_VELMOR", guide.data(), guide.size()},  // a prefix, not the name
      {"WAVE", "GREAT_VELMOR_THE", novel.data(), novel.size()},
      {"WAVE", "README", guide.data(), guide.size()},
      {nullptr, nullptr, nullptr, 0},
  };
  EmbeddedResourceStore store(table);
  Catalog catalog = BuiltinCatalog();
  Streams s;
  ASSERT_EQ(zip_decode(0, catalog, store, &s), ZipStatus::kOk);
  EXPECT_EQ(s.ssout.view(), "novel\r\n");
  s.Reset();
  ASSERT_EQ(zip_decode(1, catalog, store, &s), ZipStatus::kOk);
  EXPECT_EQ(s.ssout.view(), "guide\r\n");
}

TEST(ZipResourceTest, MissingResourceLeavesSsoutAndSaysWhich) {
  const Bytes novel = MakeZip({{"great_velmor_the.txt", "novel\r\n"}});
  const EmbeddedResource table[] = {
      {"WAVE", "GREAT_VELMOR_THE", novel.data(), novel.size()},
      {nullptr, nullptr, nullptr, 0},
  };
  EmbeddedResourceStore store(table);
  Catalog catalog = BuiltinCatalog();
  for (int id : {1, 2, -1}) {
    Streams s;
    s.ssout.Write("previous\r\n", 10);
    EXPECT_EQ(zip_decode(id, catalog, store, &s), ZipStatus::kMissing) << id;
    EXPECT_EQ(s.ssout.view(), "previous\r\n") << id;
    EXPECT_EQ(s.ssin.size(), 0u) << id;
  }
  std::string message = ZipStatusMessage(ZipStatus::kMissing, "readme");
  EXPECT_NE(message.find("\"readme\""), std::string::npos) << message;
  EXPECT_EQ(ZipStatusMessage(ZipStatus::kOutOfMemory, "readme"), "out of memory");
  for (ZipStatus status : {ZipStatus::kNoText, ZipStatus::kMissing, ZipStatus::kDamaged,
                           ZipStatus::kTooLarge}) {
    std::string line = ZipStatusMessage(status, "readme");
    EXPECT_NE(line.find("readme"), std::string::npos) << line;
    EXPECT_EQ(line.find('\n'), std::string::npos) << line;
  }
}

TEST(ZipResourceTest, WorksFromDiskCarryTheirOwnBytes) {
  Catalog catalog;
  CatalogWork zipped{"tsumi", "t", " ", nullptr, false, nullptr};
  zipped.archive = std::make_shared<const Bytes>(MakeZip({{"tsumi.txt", "zip text\r\n"}}));
  CatalogWork plain{"plain", "p", " ", nullptr, true, nullptr};
  std::string body = "plain text\r\n";
  plain.archive = std::make_shared<const Bytes>(body.begin(), body.end());
  catalog.works = {zipped, plain};
  EmbeddedResourceStore nothing(kEmbeddedResources);
  Streams s;
  ASSERT_EQ(zip_decode(0, catalog, nothing, &s), ZipStatus::kOk);
  ASSERT_EQ(zip_decode(1, catalog, nothing, &s), ZipStatus::kOk);
  EXPECT_EQ(s.ssout.view(), "zip text\r\nplain text\r\n");
}

}  // namespace
}  // namespace shiori
