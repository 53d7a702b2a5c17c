// The reading-position file "001036_info.ini" as a hand (or a broken disk)
// may have left it: any bytes give a list whose keys are file-name parts of
// at most 79 bytes, one entry for at most every byte, and the key looked up
// is found exactly when an entry has it, with the number of the last one;
// the file written for the list parses back to the same entries.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/positions.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const std::string_view key : {"great_velmor_the", ""}) {
    shiori::PositionList list;
    int number = -7;
    const bool found = shiori::ParsePositions(text, key, &list, &number);
    FUZZ_CHECK(list.fna_num == static_cast<int>(list.fna.size()));
    FUZZ_CHECK(list.fna.size() <= size);
    bool seen = false;
    int last = 0;
    for (const auto& e : list.fna) {
      FUZZ_CHECK(e->fname.size() <= 79);
      FUZZ_CHECK(e->fname.find_first_of("/\\:") == std::string::npos);
      if (e->fname == key) {
        seen = true;
        last = e->pnum;
      }
    }
    // Written back, the list reads as the same entries.
    for (const char* eol : {"\n", "\r\n"}) {
      shiori::PositionList back;
      int unused = 0;
      shiori::ParsePositions(shiori::FormatPositions(list, eol), "", &back, &unused);
      FUZZ_CHECK(back.fna_num == list.fna_num);
      for (int i = 0; i < list.fna_num; ++i) {
        FUZZ_CHECK(back.fna[i]->fname == list.fna[i]->fname);
        FUZZ_CHECK(back.fna[i]->pnum == list.fna[i]->pnum);
      }
    }
    FUZZ_CHECK(found == seen);
    if (found) FUZZ_CHECK(number == last);
    if (!found) FUZZ_CHECK(number == -7);
  }
  return 0;
}
