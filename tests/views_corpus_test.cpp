// The 'r' view over a very dense real text: after paging to the last full
// page, "ruby.txt" holds every distinct pair read so far, in order of first
// appearance, checked against a count made here independently.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "tests/support/corpus.h"
#include "tests/support/fake_platform.h"

namespace shiori::testing {
namespace {

bool IsLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

bool IsKanji(unsigned code) {
  unsigned trail = code & 0xff;
  if (trail < 0x40 || trail == 0x7f || trail > 0xfc) return false;
  return (code >= 0x889F && code <= 0x9872) || (code >= 0x989F && code <= 0xEAA4);
}

// A reading of the markup written for this test: character by character,
// annotations skipped with their nested brackets, bases explicit after "｜"
// or the kanji run before "《".
std::vector<std::pair<std::string, std::string>> PairsOfLine(const std::string& line) {
  const std::string open_note = "［＃", open_gaiji = "※［＃", open_bracket = "［",
                    close_bracket = "］", open_ruby = "《", close_ruby = "》", bar = "｜";
  std::vector<std::pair<std::string, std::string>> out;
  long explicit_start = -1, run_start = -1;
  std::size_t i = 0;
  auto at = [&](const std::string& m) { return line.compare(i, m.size(), m) == 0; };
  while (i < line.size()) {
    if (at(open_gaiji) || at(open_note)) {
      i += at(open_gaiji) ? open_gaiji.size() : open_note.size();
      int depth = 1;
      while (i < line.size() && depth > 0) {
        if (at(open_bracket)) depth++;
        else if (at(close_bracket)) depth--;
        i += IsLead(line[i]) ? 2 : 1;
      }
      explicit_start = run_start = -1;
    } else if (at(open_ruby)) {
      std::size_t end = line.find(close_ruby, i);
      if (end == std::string::npos) break;
      long from = explicit_start >= 0 ? explicit_start : run_start;
      std::string base = from >= 0 ? line.substr(from, i - from) : "";
      std::string reading = line.substr(i + 2, end - i - 2);
      if (!base.empty()) out.emplace_back(base, reading);
      i = end + 2;
      explicit_start = run_start = -1;
    } else if (at(bar)) {
      i += 2;
      explicit_start = static_cast<long>(i);
      run_start = -1;
    } else {
      unsigned char c = line[i];
      std::size_t len = IsLead(c) && i + 1 < line.size() ? 2 : 1;
      unsigned code = len == 2 ? (c << 8) | static_cast<unsigned char>(line[i + 1]) : c;
      if (len == 2 && IsKanji(code)) {
        if (run_start < 0) run_start = static_cast<long>(i);
      } else {
        run_start = -1;
      }
      i += len;
    }
  }
  return out;
}

TEST(DenseRubyTest, SavedReadingsAreEveryDistinctPairReadInOrderOfFirstAppearance) {
  SHIORI_NEEDS_CORPUS();
  const std::string text = corpus::ReadFile(corpus::Path("45667_ruby_23728.txt"));
  ASSERT_GT(text.size(), 100000u);

  // Independent count: distinct pairs of the whole text, in order, and the
  // ones that first appear in the last 30 lines (which may lie on the final
  // partial page and so be read only at the end).
  std::vector<std::pair<std::string, std::string>> order;
  std::set<std::pair<std::string, std::string>> seen;
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  std::size_t late = 0;
  for (std::size_t n = 0; n < lines.size(); ++n) {
    for (auto& p : PairsOfLine(lines[n])) {
      if (seen.insert(p).second) {
        order.push_back(p);
        if (n + 30 >= lines.size()) ++late;
      }
    }
  }
  ASSERT_GT(order.size(), 1000u);

  // How many pages the work has: page through it once.
  int pages = 0;
  {
    Scenario s;
    s.AddWork("dense", "Dense", text);
    s.keyboard.Type(std::string(2000, 'n'));
    s.Run({"0"});
    pages = static_cast<int>(PagesShown(s.console.Text()).size());
  }
  ASSERT_GT(pages, 50);

  Scenario s;
  s.AddWork("dense", "Dense", text);
  s.keyboard.Type(std::string(pages - 1, 'n') + "rS");
  s.Run({"0"});
  std::istringstream saved(s.ReadFile("ruby.txt"));
  std::vector<std::string> got;
  for (std::string line; std::getline(saved, line);) got.push_back(line);
  ASSERT_GE(got.size() + late, order.size());
  ASSERT_LE(got.size(), order.size());
  for (std::size_t k = 0; k < got.size(); ++k) {
    std::string want =
        "(" + std::to_string(k) + ")" + order[k].first + " : " + order[k].second;
    ASSERT_EQ(got[k], s.codec->Cp932ToReadable(want)) << "entry " << k;
  }
}

}  // namespace
}  // namespace shiori::testing
