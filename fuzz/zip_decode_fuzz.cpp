// Archive extraction on any bytes. The embedded path (a resource), an archive
// the catalog carries and zip_decode_bytes itself must agree, never read or
// write out of bounds, and leave ssout empty whenever they do not succeed.
// A ZIP named on the command line (ReadWorkZip) is refused with one line of
// printable text as the reason, or gives a text and pictures with distinct
// plain names, 256 MB at most in all.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "content/catalog.h"
#include "content/disk_work.h"
#include "deczip/streams.h"
#include "content/zip_decode.h"
#include "deczip/ziputil.h"
#include "fuzz/fuzz_check.h"
#include "platform/resources.h"
#include "text/sjis.h"

namespace {

using shiori::ZipStatus;

class OneResource : public shiori::ResourceStore {
 public:
  explicit OneResource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  bool Find(std::string_view type, std::string_view name,
            std::span<const std::uint8_t>* bytes) const override {
    if (type != "WAVE" || !shiori::ResourceNameEquals(name, "work")) return false;
    *bytes = bytes_;
    return true;
  }

 private:
  std::span<const std::uint8_t> bytes_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> archive(data, size);

  shiori::Streams direct;
  const ZipStatus status = shiori::zip_decode_bytes(archive, &direct);
  if (status == ZipStatus::kOk) {
    FUZZ_CHECK(direct.ssout.size() <= shiori::kMaxZipText);
  } else {
    FUZZ_CHECK(direct.ssout.size() == 0);
  }

  // Offsets are taken from where the archive is written: bytes left in ssin
  // by an earlier extraction change nothing.
  shiori::Streams stale;
  stale.ssin.Write("PK\3\4 left over", 14);
  FUZZ_CHECK(shiori::zip_decode_bytes(archive, &stale) == status);
  FUZZ_CHECK(stale.ssout.view() == direct.ssout.view());

  // The same bytes as an embedded resource and as a work read from disk.
  shiori::Catalog catalog;
  catalog.works.push_back({"work", "Work", "", nullptr, false, nullptr});
  shiori::CatalogWork from_disk;
  from_disk.resource_name = "disk";
  from_disk.archive = std::make_shared<const std::vector<std::uint8_t>>(archive.begin(),
                                                                         archive.end());
  catalog.works.push_back(from_disk);
  const OneResource resources(archive);
  for (int id = 0; id < 2; ++id) {
    shiori::Streams streams;
    FUZZ_CHECK(shiori::zip_decode(id, catalog, resources, &streams) == status);
    FUZZ_CHECK(streams.ssout.view() == direct.ssout.view());
  }

  // As a ZIP from disk.
  std::string text;
  std::vector<shiori::WorkPicture> pictures;
  std::string err;
  if (shiori::ReadWorkZip(archive, &text, &pictures, &err)) {
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < pictures.size(); ++i) {
      // No folder is left in a name: a backslash stays only as the second
      // byte of a code page 932 character (表).
      const std::string& name = pictures[i].name;
      for (std::size_t k = 0; k < name.size(); ++k) {
        const auto c = static_cast<unsigned char>(name[k]);
        if (shiori::IsLeadByte(c) && k + 1 < name.size() &&
            shiori::IsTrailByte(static_cast<unsigned char>(name[k + 1]))) {
          ++k;
          continue;
        }
        FUZZ_CHECK(c != '/' && c != '\\');
      }
      for (std::size_t j = 0; j < i; ++j) FUZZ_CHECK(pictures[j].name != pictures[i].name);
      total += pictures[i].png.size();
    }
    FUZZ_CHECK(total <= shiori::kMaxWorkBytes);
  } else {
    // One line of printable text, whatever bytes the member names hold.
    FUZZ_CHECK(!err.empty());
    for (const char c : err)
      FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) != 0x7f);
  }

  // The central directory reader stays inside the archive whatever it claims.
  std::vector<shiori::ZipCentralEntry> entries;
  if (shiori::ReadZipCentralDirectory(archive, &entries)) {
    for (const shiori::ZipCentralEntry& e : entries) FUZZ_CHECK(e.name.size() < size);
  }
  return 0;
}
