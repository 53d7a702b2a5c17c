// Properties of the row cutting over every real text of the corpus and the
// works the program carries.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "deczip/streams.h"
#include "tests/support/corpus.h"
#include "text/filter.h"
#include "text/pager.h"
#include "text/sjis.h"

namespace shiori {
namespace {

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

class RowCuttingPropertyTest : public ::testing::TestWithParam<corpus::Texts> {};

TEST_P(RowCuttingPropertyTest, RowsRebuildTheLineAndNeverSplitACharacter) {
  if (GetParam() == corpus::Texts::kCorpus) SHIORI_NEEDS_CORPUS();
  std::vector<std::string> paths = corpus::TextFiles(GetParam());
  ASSERT_GE(paths.size(), GetParam() == corpus::Texts::kCorpus ? 12u : 2u) << corpus::Dir();
  for (const std::string& path : paths) {
    ByteStream stream;
    std::string text = corpus::ReadFile(path);
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

INSTANTIATE_TEST_SUITE_P(Texts, RowCuttingPropertyTest,
                         ::testing::Values(corpus::Texts::kEmbedded, corpus::Texts::kCorpus),
                         corpus::kTextsName);

}  // namespace
}  // namespace shiori
