// The row search of a pending search finds what a search of the row and the
// next one joined would find, without joining them.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "text/search.h"

namespace shiori {
namespace {

std::size_t Reference(const std::string& row, const std::string& next, const std::string& word,
                      std::size_t before) {
  const std::size_t at = (row + next).find(word);
  return at < before ? at : std::string::npos;
}

TEST(FindInJoinedTest, AgreesWithASearchOfTheJoinedRows) {
  // Few letters, so that words occur often, straddle the join and overlap.
  std::mt19937 rng(20261208);
  const auto text = [&rng](std::size_t max) {
    std::string s(std::uniform_int_distribution<std::size_t>(0, max)(rng), 'a');
    for (char& c : s) c = "ab\x82"[std::uniform_int_distribution<int>(0, 2)(rng)];
    return s;
  };
  for (int k = 0; k < 200000; ++k) {
    const std::string row = text(12), next = text(12), word = text(5);
    const std::size_t before = std::uniform_int_distribution<std::size_t>(0, 26)(rng);
    ASSERT_EQ(FindInJoined(row, next, word, before), Reference(row, next, word, before))
        << "row '" << row << "' next '" << next << "' word '" << word << "' before " << before;
  }
}

TEST(FindInJoinedTest, RowsOfTheirRealWidth) {
  const std::string row(78, 'x');
  // Over the join, wholly in the next row, and past the row's width.
  EXPECT_EQ(FindInJoined(row + "ab", "cd", "bc", 80), 79u);
  EXPECT_EQ(FindInJoined("short", "needle", "needle", 78), 5u);
  EXPECT_EQ(FindInJoined(row, "needle", "needle", 78), std::string::npos);
  EXPECT_EQ(FindInJoined(row, "", "xy", 78), std::string::npos);
  EXPECT_EQ(FindInJoined(row, "", "", 78), 0u);
}

}  // namespace
}  // namespace shiori
