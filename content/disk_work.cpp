#include "content/disk_work.h"

#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <unordered_set>

#include "content/zip_decode.h"
#include "deczip/ziputil.h"
#include "text/eucjp.h"
#include "text/filter.h"
#include "text/sjis.h"
#include "text/utf8.h"

namespace shiori {

namespace {

constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::uint16_t kZipFlagEncrypted = 0x0001;
constexpr std::size_t kTitleMax = 255;

bool EndsWithNoCase(std::string_view s, std::string_view suffix) {
  if (s.size() < suffix.size()) return false;
  s = s.substr(s.size() - suffix.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    char a = s[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (a != suffix[i]) return false;
  }
  return true;
}

// A member's name without the directories inside the archive. Writers on
// Windows sometimes separate them with a backslash, and there a name is
// code page 932, where a backslash byte may be the second byte of a
// character (表, 能): separators are looked for character by character (a
// lead byte without a trail byte after it stands alone). A name marked
// UTF-8 has no such bytes.
std::string_view MemberBaseName(std::string_view name, bool utf8) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (c == '/' || c == '\\') {
      start = i + 1;
    } else if (!utf8 && IsLeadByte(c) && i + 1 < name.size() &&
               IsTrailByte(static_cast<unsigned char>(name[i + 1]))) {
      ++i;
    }
  }
  return name.substr(start);
}

bool IsDirectoryEntry(std::string_view name) {
  return !name.empty() && (name.back() == '/' || name.back() == '\\');
}

std::uint16_t Le16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(Le16(p)) | (static_cast<std::uint32_t>(Le16(p + 2)) << 16);
}

// A member's name, in quotes, as a reason line shows it. The name is the
// archive's bytes: control bytes (a line end, a terminal's escape sequence, a
// zero byte that would end the line early) are written as \xNN, and a name
// longer than kShownNameMax bytes is cut at a character with "..." after it.
constexpr std::size_t kShownNameMax = 255;
std::string Quoted(const std::string& name) {
  const std::size_t keep = CharBoundaryPrefix(name, kShownNameMax);
  std::string shown = "\"";
  for (std::size_t i = 0; i < keep; ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (c < 0x20 || c == 0x7f) {
      static constexpr char kHex[] = "0123456789abcdef";
      shown += "\\x";
      shown += kHex[c >> 4];
      shown += kHex[c & 0xf];
    } else {
      shown += static_cast<char>(c);
    }
  }
  if (keep < name.size()) shown += "...";
  return shown + "\"";
}

// Decodes the member |entry| of |zip| into *out. The central directory
// gives method, flags and sizes (the local header may hold zeros, flag bit
// 3); the local header gives where the data starts.
bool ReadMember(std::span<const std::uint8_t> zip, const ZipCentralEntry& entry,
                std::string* out, std::string* err) {
  const std::string member = Quoted(entry.name);
  const auto at =
      static_cast<std::size_t>(std::min<std::uint64_t>(entry.local_offset, zip.size()));
  if (zip.size() - at < kLocalHeaderSize || Le32(zip.data() + at) != kZipLocalSignature) {
    *err = "the archive is damaged: member " + member + " has no local header";
    return false;
  }
  const std::uint8_t* local = zip.data() + at;
  if ((entry.option | Le16(local + 6)) & kZipFlagEncrypted) {
    *err = "member " + member + " is encrypted";
    return false;
  }
  if (entry.method != 0 && entry.method != 8) {
    *err = "member " + member + " uses compression method " + std::to_string(entry.method) +
           " (only stored and deflate can be read)";
    return false;
  }
  const std::size_t data_at = at + kLocalHeaderSize + Le16(local + 26) + Le16(local + 28);
  // ZIP64 sizes beyond 32 bits are judged as all ones, which is past any
  // archive this reads, or more than the bound.
  const auto narrow = [](std::uint64_t v) {
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(v, 0xffffffff));
  };
  ZipHeader sizes;
  sizes.method = entry.method;
  sizes.compsize = narrow(entry.compsize);
  sizes.uncompsize = narrow(entry.uncompsize);
  const ZipStatus fits = data_at > zip.size()
                             ? ZipStatus::kDamaged
                             : CheckZipMemberSizes(sizes, zip.size() - data_at);
  if (fits == ZipStatus::kTooLarge) {
    *err = "member " + member + " is larger than 256 MB";
    return false;
  }
  if (fits != ZipStatus::kOk) {
    *err = "the archive is damaged: member " + member + " runs past its end";
    return false;
  }
  out->assign(entry.uncompsize, '\0');
  bool out_of_memory = false;
  const bool ended = DecodeZipMember(
      zip.subspan(data_at, entry.compsize), entry.method,
      std::span<std::uint8_t>(reinterpret_cast<std::uint8_t*>(out->data()), out->size()),
      &out_of_memory);
  if (out_of_memory) {
    *err = "not enough memory";
    return false;
  }
  const auto crc = static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(out->data()), static_cast<uInt>(out->size())));
  if (!ended || crc != entry.crc32) {
    *err = "the archive is damaged: member " + member + " does not match its checksum";
    return false;
  }
  return true;
}

bool ReadWholeFile(const std::string& path, std::string* bytes, std::string* err) {
  // The C runtime's calls take the path in the machine's own form (the ANSI
  // code page on Windows), which std::filesystem does not on every platform.
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) {
    *err = std::string("cannot read the file: ") + std::strerror(errno);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    *err = "cannot read the file: it is not a regular file";
    return false;
  }
  // Refused before a byte is read when the size is known to be too large (a
  // size the system cannot give as a positive number is one of them).
  if (st.st_size < 0 || static_cast<std::uint64_t>(st.st_size) > kMaxWorkBytes) {
    *err = "the file is larger than 256 MB";
    if (st.st_size > 0) *err += " (" + std::to_string(st.st_size) + " bytes)";
    return false;
  }
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) {
    *err = std::string("cannot read the file: ") + std::strerror(errno);
    return false;
  }
  // Read in pieces up to one byte past the bound all the same: the file may
  // have grown since.
  bytes->clear();
  char chunk[1 << 16];
  bool failed = false;
  for (;;) {
    std::size_t got = std::fread(chunk, 1, sizeof chunk, f);
    bytes->append(chunk, got);
    if (bytes->size() > kMaxWorkBytes) break;
    if (got < sizeof chunk) {
      failed = std::ferror(f) != 0;
      break;
    }
  }
  const int saved = errno;
  std::fclose(f);
  if (bytes->size() > kMaxWorkBytes) {
    bytes->clear();
    *err = "the file is larger than 256 MB";
    return false;
  }
  if (failed) {
    *err = std::string("cannot read the file: ") + std::strerror(saved);
    return false;
  }
  return true;
}

}  // namespace

bool IsWorkFileName(std::string_view path) {
  return EndsWithNoCase(path, ".zip") || EndsWithNoCase(path, ".txt");
}

std::string WorkFileKey(const std::string& path, const TextCodec* codec) {
  if (codec != nullptr) return codec->NativeFileStem(path);
  return std::filesystem::path(path).stem().string();
}

bool ReadWorkZip(std::span<const std::uint8_t> zip, std::string* text,
                 std::vector<WorkPicture>* pictures, std::string* err, const TextCodec* codec) {
  std::vector<ZipCentralEntry> entries;
  if (!ReadZipCentralDirectory(zip, &entries)) {
    *err = "the archive is damaged: its central directory is missing or cut short";
    return false;
  }
  const ZipCentralEntry* text_entry = nullptr;
  for (const ZipCentralEntry& e : entries) {
    if (!IsDirectoryEntry(e.name) && EndsWithNoCase(e.name, ".txt")) {
      text_entry = &e;
      break;
    }
  }
  if (text_entry == nullptr) {
    *err = "the archive holds no text member (no name ending in .txt)";
    return false;
  }
  if (!ReadMember(zip, *text_entry, text, err)) return false;

  pictures->clear();
  std::uint64_t total = 0;
  // Names taken so far, looked up in constant time: an archive may list
  // tens of thousands of pictures.
  std::unordered_set<std::string> seen;
  for (const ZipCentralEntry& e : entries) {
    if (IsDirectoryEntry(e.name) || !EndsWithNoCase(e.name, ".png")) continue;
    const bool utf8 = (e.option & kZipFlagUtf8Name) != 0;
    std::string_view base = MemberBaseName(e.name, utf8);
    std::string name(base.substr(0, base.size() - 4));
    // A name marked UTF-8 is matched against the markers of a code page 932
    // text: it is converted too.
    std::string converted;
    if (utf8 && codec != nullptr && !IsAsciiText(name) && codec->Utf8ToCp932(name, &converted))
      name = std::move(converted);
    if (!seen.insert(name).second) continue;  // the same picture in two folders: the first one
    total += e.uncompsize;
    if (total > kMaxWorkBytes) {
      *err = "the illustrations are larger than 256 MB in all";
      return false;
    }
    std::string png;
    if (!ReadMember(zip, e, &png, err)) return false;
    pictures->push_back({std::move(name), std::vector<std::uint8_t>(png.begin(), png.end())});
  }
  return true;
}

bool PrepareWorkText(std::string bytes, const TextCodec* codec, std::string* text,
                     std::string* err) {
  // UTF-8 is asked first: Japanese in UTF-8 often has the form of code page
  // 932 as well (its continuation bytes read as half-width katakana and as
  // lead and trail bytes), while a code page 932 Japanese text is never
  // UTF-8 (its hiragana and punctuation start with bytes that UTF-8 only
  // continues with). ASCII alone is both and is kept as it is.
  std::string_view utf8(bytes);
  const bool bom = utf8.starts_with(kUtf8Bom);
  if (bom) utf8.remove_prefix(kUtf8Bom.size());
  const bool ascii = IsAsciiText(utf8);
  if (!bom && (ascii || !IsUtf8Text(utf8))) {
    // EUC-JP before code page 932, which most EUC-JP texts also are in form
    // (see IsEucJpText for why a code page 932 text is not taken for it).
    if (!ascii && IsEucJpText(bytes)) {
      *text = EucJpToCp932(bytes);
      return true;
    }
    if (!IsCp932Text(bytes)) {
      *err = "the text is neither Shift_JIS (code page 932) nor UTF-8 nor EUC-JP";
      return false;
    }
    *text = std::move(bytes);
    return true;
  }
  if (!IsUtf8Text(utf8)) {
    *err = "the text begins as UTF-8 but is not UTF-8 throughout";
    return false;
  }
  if (codec == nullptr || !codec->Utf8ToCp932(utf8, text)) {
    *err = "the text is UTF-8, and this machine cannot convert it to Shift_JIS";
    return false;
  }
  return true;
}

std::string WorkTitle(std::string_view text, const std::string& fallback) {
  // The first line ends at CR LF, LF or a lone CR, as the reading loop's
  // lines do.
  std::string_view line = text.substr(0, text.find_first_of("\r\n"));
  // The status line shows the title as the page shows that line: without
  // its ruby and notes.
  FilterLines lines;
  std::string_view shown = filter_line(line, 0, &lines, nullptr);
  if (shown.empty()) return fallback;
  return std::string(shown.substr(0, CharBoundaryPrefix(shown, kTitleMax)));
}

bool LoadDiskWork(const std::string& path, const TextCodec* codec, CatalogWork* work,
                  std::string* err) {
  try {
    std::string bytes;
    if (!ReadWholeFile(path, &bytes, err)) return false;
    std::vector<WorkPicture> pictures;
    if (EndsWithNoCase(path, ".zip")) {
      std::string member;
      const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
      if (!ReadWorkZip(std::span<const std::uint8_t>(data, bytes.size()), &member, &pictures,
                       err, codec))
        return false;
      bytes = std::move(member);
    }
    auto text = std::make_shared<std::vector<std::uint8_t>>();
    std::string prepared;
    if (!PrepareWorkText(std::move(bytes), codec, &prepared, err)) return false;
    const std::string key = WorkFileKey(path, codec);
    work->resource_name = key;
    work->title = WorkTitle(prepared, codec != nullptr ? codec->NativeToCp932(key) : key);
    work->reading = " ";
    const auto* bytes_begin = reinterpret_cast<const std::uint8_t*>(prepared.data());
    text->assign(bytes_begin, bytes_begin + prepared.size());
    work->archive = std::move(text);
    work->plain_text = true;
    work->pictures = std::make_shared<const std::vector<WorkPicture>>(std::move(pictures));
    return true;
  } catch (const std::bad_alloc&) {
    *err = "not enough memory to read the file";
    return false;
  }
}

}  // namespace shiori
