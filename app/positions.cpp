#include "app/positions.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "app/list_pager.h"
#include "app/reader.h"
#include "platform/data_file.h"
#include "platform/platform.h"

namespace shiori {

namespace {

constexpr std::size_t kFileLineMax = 511;  // a line of the file: 512-byte buffer
constexpr std::size_t kKeyMax = 79;        // a stored key

// The file-name part of |path| without directory and extension, as the C
// runtime splits a path (both separators and a drive colon end a directory).
std::string FileNamePart(std::string_view path) {
  std::size_t start = path.find_last_of("/\\:");
  std::string_view name = start == std::string_view::npos ? path : path.substr(start + 1);
  std::size_t dot = name.find_last_of('.');
  if (dot != std::string_view::npos) name = name.substr(0, dot);
  return std::string(name);
}

void Append(PositionList& list, const std::string& key, int number) {
  auto rec = std::make_unique<f_info>();
  rec->fname = key;
  rec->pnum = number;
  list.fna.push_back(std::move(rec));
  list.fna_num = static_cast<int>(list.fna.size());
}

}  // namespace

std::string WorkKey(const std::string& resource_name) {
  // A line end inside a key would split its line in the file, and the other
  // control bytes would reach the screen in the list view: they are stored
  // as %XX. Every other key is stored as it is.
  std::string key;
  for (const char c : FileNamePart(resource_name + ".txt")) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7f) {
      static constexpr char kHex[] = "0123456789ABCDEF";
      key += '%';
      key += kHex[b >> 4];
      key += kHex[b & 0xf];
    } else {
      key += c;
    }
  }
  // Cut as a key read back from the file is, so that a long file name of a
  // work from disk still finds its saved position.
  if (key.size() > kKeyMax) key.resize(kKeyMax);
  return key;
}

std::string FormatPositions(const PositionList& list, const std::string& eol) {
  std::string out;
  for (const auto& e : list.fna) {
    const std::string& key = e->fname;
    // White space after a number is read as part of it: a key that begins
    // with some (left by a directory cut off a hand-edited line) is written
    // behind a separator, which the parser cuts off again.
    if (!key.empty() && std::isspace(static_cast<unsigned char>(key[0]))) out += '/';
    // A key that ends in its line's end came from a line without a dot,
    // which the parser took whole: written as that line, it reads back.
    if (!key.empty() && key.back() == '\n') {
      out += key;
    } else {
      out += key + ".txt" + eol;
    }
    out += std::to_string(e->pnum) + eol;
  }
  return out;
}

void positions_create_default(Reader& r) {
  const std::string path = r.DataPath(r.catalog.init_name);
  std::error_code ec;
  if (std::filesystem::exists(path, ec) || ec) return;
  const std::string& eol = r.plat.text_line_end;
  // Made only if still missing under the lock: another reader may have
  // saved its first position since.
  const DataFileEdit create = [&eol](DataFileRead status,
                                     const std::string&) -> std::optional<std::string> {
    if (status != DataFileRead::kMissing) return std::nullopt;
    return "morgue.txt" + eol + "0" + eol;
  };
  std::string err;
  if (UpdateDataFile(path, create, InPlace::kNever, &err) == DataFileSave::kFailed)
    r.Printf("cannot create %s: %s\n", r.catalog.init_name.c_str(), err.c_str());
}

bool ParsePositions(std::string_view text, std::string_view key, PositionList* list,
                    int* number_out) {
  bool found = false;
  std::size_t pos = 0;
  while (pos < text.size()) {
    // One line as a 512-byte line buffer takes it: at most 511 bytes, with its
    // line feed when that fits.
    std::size_t nl = text.find('\n', pos);
    std::size_t end = nl == std::string_view::npos ? text.size() : nl + 1;
    if (end - pos > kFileLineMax) end = pos + kFileLineMax;
    std::string entry_key = FileNamePart(text.substr(pos, end - pos));
    if (entry_key.size() > kKeyMax) entry_key.resize(kKeyMax);
    pos = end;
    // The number as "%d\n" reads it: white space, a signed decimal, white
    // space. A missing or non-numeric number counts as 0.
    while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
    long long number = 0;
    std::size_t p = pos;
    bool neg = false;
    if (p < text.size() && (text[p] == '-' || text[p] == '+')) neg = text[p++] == '-';
    std::size_t digits = p;
    while (p < text.size() && std::isdigit(static_cast<unsigned char>(text[p]))) {
      if (number < 1000000000000LL) number = number * 10 + (text[p] - '0');
      ++p;
    }
    if (p > digits) {
      pos = p;
      while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
      if (neg) number = -number;
      if (number > 2147483647LL) number = 2147483647LL;
      if (number < -2147483647LL) number = -2147483647LL;
    } else {
      number = 0;
    }
    // The last entry with the key decides.
    if (entry_key == key) {
      *number_out = static_cast<int>(number);
      found = true;
    }
    Append(*list, entry_key, static_cast<int>(number));
  }
  return found;
}

void positions_load(Reader& r) {
  PositionList& list = r.positions;
  list.fna.clear();
  list.fna_num = 0;
  list.left_alone = false;
  const std::string path = r.DataPath(r.catalog.init_name);
  std::string text, err;
  std::error_code ec;
  // A folder in the file's place holds no positions to lose and no save can
  // replace it: each save says so.
  if (ReadDataFile(path, &text, &err) == DataFileRead::kUnreadable &&
      !std::filesystem::is_directory(path, ec)) {
    list.left_alone = true;
    r.Printf("cannot read %s: %s: positions will not be saved this run\n",
             r.catalog.init_name.c_str(), err.c_str());
  }
  int number = 0;
  if (ParsePositions(text, r.fname, &list, &number)) {
    r.page.lline = number;
  } else {
    r.page.lline = 0;
    Append(list, r.fname, 0);
  }
}

void positions_lookup_again(Reader& r) {
  PositionList& list = r.positions;
  const int n = list.fna_num;
  int matched = 0;
  for (int i = 0; i < n; ++i) {
    if (list.fna[i]->fname == r.fname) {
      r.page.lline = list.fna[i]->pnum;
      r.Printf("%d %s %s %d\n", i, r.fname.c_str(), list.fna[i]->fname.c_str(), r.page.lline);
      ++matched;
    }
  }
  if (matched == 0) {
    Append(list, r.fname, 0);
    r.page.lline = 0;
  }
}

bool positions_save(Reader& r, int value) {
  PositionList& list = r.positions;
  for (auto& e : list.fna) {
    if (e->fname == r.fname) e->pnum = value;
  }
  if (list.left_alone) return false;
  // The file as it is now, with only this work's entries changed: another
  // reader may have saved its own work since this one loaded the file.
  PositionList merged;
  const DataFileEdit edit = [&](DataFileRead, const std::string& current) {
    merged = PositionList();
    int unused = 0;
    bool found = false;
    ParsePositions(current, r.fname, &merged, &unused);
    for (auto& e : merged.fna) {
      if (e->fname == r.fname) {
        e->pnum = value;
        found = true;
      }
    }
    if (!found) Append(merged, r.fname, value);
    return std::optional<std::string>(FormatPositions(merged, r.plat.text_line_end));
  };
  const char* name = r.catalog.init_name.c_str();
  std::string err;
  switch (UpdateDataFile(r.DataPath(r.catalog.init_name), edit, InPlace::kNever, &err)) {
    case DataFileSave::kSaved:
      list.fna = std::move(merged.fna);
      list.fna_num = merged.fna_num;
      return true;
    case DataFileSave::kReadOnly:
      r.Printf("%s is read-only: the position was not saved\n", name);
      return false;
    case DataFileSave::kUnreadable:
    case DataFileSave::kFailed:
      break;
  }
  r.Printf("cannot write %s: %s\n", name, err.c_str());
  return false;
}

void positions_release(Reader& r) {
  r.positions.fna.clear();
  r.positions.fna_num = 0;
}

std::vector<std::string> positions_list_lines(const Reader& r) {
  std::vector<std::string> items;
  for (int l = 0; l < r.positions.fna_num; ++l) {
    char head[32];
    std::snprintf(head, sizeof head, "(%02d)%d : ", l, r.positions.fna[l]->pnum);
    items.push_back(head + std::string(r.positions.fna[l]->fname.c_str()));  // as %s printed it
  }
  return JoinItems(items, 3, " , ");
}

}  // namespace shiori
