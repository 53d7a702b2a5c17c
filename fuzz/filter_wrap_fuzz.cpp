// The markup filter and the row cutter on any text, line by line as the
// reading loop feeds them, in both display modes (readings dropped, readings
// in place). Invariants: neither filtered line is longer than its input line;
// a line's rows, joined, give the line back; RowCount rows; no row longer than
// 81 bytes (78, one more for a split double-byte character, two for a "。" or
// "、" kept at the row end); every cut falls on a character start; every
// accepted ruby record has a base, and ids count up from 0. The filter that
// only notes where readings stand gives the same line, and the notes, taken
// afterwards, fill the collections exactly as taking them at once does.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "text/filter.h"
#include "text/pager.h"
#include "text/sjis.h"

namespace {

constexpr std::size_t kMaxRowBytes = 81;

void CheckRows(std::string_view line, const std::vector<std::string_view>& rows) {
  FUZZ_CHECK(static_cast<int>(rows.size()) == shiori::RowCount(static_cast<int>(line.size())));
  // Character starts, scanning from the start of the line as the cutter does.
  std::vector<bool> starts(line.size() + 1, false);
  for (std::size_t i = 0; i < line.size();) {
    starts[i] = true;
    i += shiori::IsLeadByte(static_cast<unsigned char>(line[i])) ? 2 : 1;
  }
  starts[line.size()] = true;
  std::string joined;
  for (std::string_view row : rows) {
    FUZZ_CHECK(row.size() <= kMaxRowBytes);
    joined.append(row);
    FUZZ_CHECK(joined.size() >= line.size() || starts[joined.size()]);
  }
  FUZZ_CHECK(joined == line);
}

void CheckSameRecords(shiori::ReadingCollection& a, shiori::ReadingCollection& b) {
  FUZZ_CHECK(a.size() == b.size());
  for (int i = 0; i < a.size(); ++i) {
    FUZZ_CHECK(a[i].moto == b[i].moto);
    FUZZ_CHECK(a[i].yomi == b[i].yomi);
    FUZZ_CHECK(a[i].id == b[i].id);
  }
}

void CheckCollection(shiori::ReadingCollection& c, bool bases_required) {
  int id = 0;
  for (auto it = c.begin(); it != c.end(); ++it, ++id) {
    FUZZ_CHECK((*it)->id == id);
    if (bases_required) FUZZ_CHECK(!(*it)->moto.empty());
    FUZZ_CHECK((*it)->moto_len == static_cast<int>((*it)->moto.size()));
    FUZZ_CHECK((*it)->yomi_len == static_cast<int>((*it)->yomi.size()));
  }
  FUZZ_CHECK(id == c.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (int mode = 0; mode <= 1; ++mode) {
    shiori::ReadingCollection ruby;
    shiori::ReadingCollection rinfo;
    shiori::FilterLines filtered;
    shiori::FilterLines noted_line;
    shiori::ReadingNotes notes;
    notes.text = text.data();
    std::vector<std::string_view> rows;
    int count1 = 0;
    int count5 = 0;
    for (std::size_t pos = 0; pos < text.size();) {
      // Lines as ssout gives them: up to the line feed, which is dropped.
      std::size_t nl = text.find('\n', pos);
      if (nl == std::string_view::npos) nl = text.size();
      const std::string_view line = text.substr(pos, nl - pos);
      pos = nl + 1;
      if (line.empty()) continue;
      count5 += static_cast<int>(line.size());
      const std::string_view use =
          shiori::filter_line(line, count1, count5, mode, ruby, rinfo, &filtered);
      FUZZ_CHECK(filtered.buff.size() <= line.size());
      FUZZ_CHECK(filtered.buff2.size() <= line.size());
      FUZZ_CHECK(use == (mode > 0 ? filtered.buff2 : filtered.buff));
      notes.count1 = count1;
      notes.count5 = count5;
      FUZZ_CHECK(shiori::filter_line(line, mode, &noted_line, &notes) == use);
      shiori::CutRows(use, &rows);
      CheckRows(use, rows);
      count1 += static_cast<int>(rows.size());
    }
    CheckCollection(ruby, /*bases_required=*/true);
    CheckCollection(rinfo, /*bases_required=*/false);
    shiori::ReadingCollection later_ruby;
    shiori::ReadingCollection later_rinfo;
    for (const shiori::NotedReading& n : notes.notes) {
      shiori::take_reading(n.annotation, text.substr(n.base_at, n.base_len),
                           text.substr(n.content_at, n.content_len), n.count1, n.count5,
                           later_ruby, later_rinfo);
    }
    CheckSameRecords(ruby, later_ruby);
    CheckSameRecords(rinfo, later_rinfo);
  }
  return 0;
}
