// Properties of the row cutting over every real text of the corpus and the
// works the program carries.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "deczip/streams.h"
#include "text/filter.h"
#include "text/pager.h"
#include "text/sjis.h"

namespace shiori {
namespace {

std::vector<std::string> TextsToCheck() {
  std::vector<std::string> paths;
  for (const auto& e : std::filesystem::directory_iterator(SHIORI_CORPUS_DIR))
    if (e.path().extension() == ".txt") paths.push_back(e.path().string());
  for (const char* name : {"great_velmor_the.txt", "readme.txt"}) {
    std::string p = std::string(SHIORI_SOURCE_DIR) + "/data/" + name;
    if (std::filesystem::exists(p)) paths.push_back(p);
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

// Offsets at which characters start, scanning |line| from its start.
std::vector<bool> Starts(std::string_view line) {
  std::vector<bool> s(line.size() + 1, false);
  std::size_t i = 0;
  while (i < line.size()) {
    s[i] = true;
    i += IsLeadByte(static_cast<unsigned char>(line[i])) ? 2 : 1;
  }
  if (i <= line.size()) s[i] = true;
  return s;
}

TEST(RowCuttingPropertyTest, RowsRebuildTheLineAndNeverSplitACharacter) {
  std::vector<std::string> paths = TextsToCheck();
  ASSERT_GE(paths.size(), 12u) << "corpus not found at " << SHIORI_CORPUS_DIR;
  for (const std::string& path : paths) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    ByteStream stream;
    std::string text = ss.str();
    stream.Write(text.data(), text.size());
    ReadingCollection ruby, rinfo;
    FilterLines out;
    std::string line;
    int lines = 0, count1 = 0, count5 = 0;
    for (int mode = 0; mode < 2; ++mode) {
      stream.Rewind();
      while (stream.GetLine(&line)) {
        if (line.empty()) continue;
        ++lines;
        count5 += static_cast<int>(line.size());
        std::string filtered(filter_line(line, count1, count5, mode, ruby, rinfo, &out));
        std::vector<std::string_view> rows = CutRows(filtered);
        ASSERT_EQ(static_cast<int>(rows.size()), RowCount(static_cast<int>(filtered.size())));
        count1 += static_cast<int>(rows.size());
        std::string joined;
        std::vector<bool> starts = Starts(filtered);
        for (std::string_view row : rows) {
          ASSERT_LE(row.size(), 81u) << path;
          joined += row;
          ASSERT_TRUE(starts[joined.size()]) << path << ": a row ends inside a character";
        }
        ASSERT_EQ(joined, filtered) << path;
      }
    }
    EXPECT_GT(lines, 0) << path;
  }
}

}  // namespace
}  // namespace shiori
