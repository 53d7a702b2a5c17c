// Gaiji notes to characters: pairs from real texts, the note forms, and every
// coded note of the corpus.
#include "text/gaiji.h"

#include <gtest/gtest.h>

#include "tests/support/corpus.h"

namespace shiori {
namespace {

std::string U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

TEST(GaijiTest, NotesFromRealTextsGiveTheirCharacters) {
  // The note bodies are code page 932 (this file's literals are compiled so);
  // the characters are written in UTF-8.
  const struct {
    const char* body;
    const char8_t* want;
  } cases[] = {
      {"「覲のへん＋おおざと」、第4水準2-90-26", u8"鄞"},
      {"「目＋爭」、第3水準1-88-85", u8"睜"},
      {"「さんずい＋章」、第3水準1-87-8", u8"漳"},
      {"「山／松」、第3水準1-47-81", u8"崧"},
      {"「王＋民」、第3水準1-87-89", u8"珉"},
      {"「日＋斤」、第3水準1-85-14", u8"昕"},
      {"「王＋炎」、第3水準1-88-13", u8"琰"},
      {"「田＋宛」、第3水準1-88-43", u8"畹"},
      {"「足へん＋它」、第3水準1-92-33", u8"跎"},
      {"「馬＋芻」、第4水準2-93-2", u8"騶"},
      {"「日＋麗」、第4水準2-14-21", u8"曬"},
      {"二の字点、1-2-22", u8"〻"},
      {"「插」でつくりの縦棒が下に突き抜けている、第4水準2-13-28", u8"揷"},
      {"「女＋（而／大）」、U+5A86、7巻-16-下-14", u8"媆"},
      {"「てへん＋發」、U+2B779、表紙", u8"\U0002B779"},
      {"半濁点付き平仮名か、1-4-87", u8"か\u309A"},
      {"「風にょう＋（犬／（犬＋犬））、第4水準2-92-41", u8"飇"},  // a 「 left open
      // A code inside the description belongs to the nested note, not this one.
      {"「金＋※［＃「插」、第4水準2-13-28］のつくり」、161-下-29", nullptr},
      {"「纒のつくり＋おおざと」、7巻-48-上-9", nullptr},
      {"変体仮名ぞ", nullptr},
      {"「口＋世」、第3水準1-95-1", nullptr},  // no row 95
  };
  for (const auto& c : cases) {
    GaijiChar ch;
    const bool found = GaijiFromNote(c.body, &ch);
    ASSERT_EQ(found, c.want != nullptr) << c.body;
    if (found) {
      EXPECT_EQ(GaijiUtf8(ch), U8(c.want)) << c.body;
    }
  }
}

// Every note of the gaiji-heavy text that gives a code maps to a character:
// 1,048 of its 1,062 notes, the other 14 being descriptions only.
TEST(GaijiTest, EveryCodedNoteOfALargeTextMaps) {
  SHIORI_NEEDS_CORPUS();
  const std::string text = corpus::ReadFile(corpus::Path("2084_ruby_17360.txt"));
  const std::string open = "※［＃", close = "］", nested_open = "［";
  int notes = 0, mapped = 0;
  std::string unmapped;
  for (std::size_t at = 0; (at = text.find(open, at)) != std::string::npos;) {
    // The note ends at the bracket that closes its own, past nested ones.
    std::size_t i = at + open.size(), depth = 0;
    while (i < text.size()) {
      if (text.compare(i, close.size(), close) == 0) {
        if (depth == 0) break;
        --depth;
      } else if (text.compare(i, nested_open.size(), nested_open) == 0) {
        ++depth;
      }
      i += (static_cast<unsigned char>(text[i]) >= 0x81 && static_cast<unsigned char>(text[i]) <= 0x9F) ||
                   static_cast<unsigned char>(text[i]) >= 0xE0
               ? 2
               : 1;
    }
    GaijiChar ch;
    ++notes;
    const std::string_view body = std::string_view(text).substr(at + open.size(), i - at - open.size());
    if (GaijiFromNote(body, &ch)) {
      ++mapped;
    } else {
      unmapped += std::string(body) + "\n";
    }
    at = i;
  }
  EXPECT_EQ(notes, 1062);
  EXPECT_EQ(mapped, 1048) << unmapped;
}

}  // namespace
}  // namespace shiori
