#include "app/positions.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

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

bool ReadWholeFile(const std::string& path, std::string* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream ss;
  ss << in.rdbuf();
  *out = ss.str();
  return true;
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
  // Cut as a key read back from the file is, so that a long file name of a
  // work from disk still finds its saved position.
  std::string key = FileNamePart(resource_name + ".txt");
  if (key.size() > kKeyMax) key.resize(kKeyMax);
  return key;
}

void positions_create_default(Reader& r) {
  const std::string path = r.DataPath(r.catalog.init_name);
  std::error_code ec;
  if (std::filesystem::exists(path, ec) || ec) return;
  std::string err;
  const std::string& eol = r.plat.text_line_end;
  if (!ReplaceDataFile(path, "morgue.txt" + eol + "0" + eol, InPlace::kNever, &err))
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
  std::string text;
  if (!ReadWholeFile(r.DataPath(r.catalog.init_name), &text)) {
    std::error_code ec;
    if (std::filesystem::exists(r.DataPath(r.catalog.init_name), ec))
      r.Printf("cannot read %s\n", r.catalog.init_name.c_str());
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
  const std::string& eol = r.plat.text_line_end;
  std::string content;
  for (auto& e : r.positions.fna) {
    content += e->fname + ".txt" + eol;
    if (e->fname == r.fname) e->pnum = value;
    content += std::to_string(e->pnum) + eol;
  }
  std::string err;
  if (!ReplaceDataFile(r.DataPath(r.catalog.init_name), content, InPlace::kNever, &err)) {
    r.Printf("cannot write %s: %s\n", r.catalog.init_name.c_str(), err.c_str());
    return false;
  }
  return true;
}

void positions_release(Reader& r) {
  r.positions.fna.clear();
  r.positions.fna_num = 0;
}

void positions_list_view(Reader& r) {
  const int n = r.positions.fna_num;
  for (int l = 0; l < n; ++l) {
    r.Printf("(%02d)%d : %s", l, r.positions.fna[l]->pnum, r.positions.fna[l]->fname.c_str());
    if ((l + 1) % 3 == 0 || l == n - 1) {
      r.Print("\n");
      if ((l + 1) % 60 == 0 && n > 180) {
        r.Printf("touch anykey , %d items more\n", n - l - 1);
        r.GetKey();
      }
    } else {
      r.Print(" , ");
    }
  }
}

}  // namespace shiori
