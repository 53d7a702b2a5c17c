// The fitted layout over the real texts and the embedded works: properties
// that hold for every page at several terminal sizes, the annotations of the
// sample that shows every kind, and the classic counter kept beside.
#include "text/fitted_layout.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "deczip/streams.h"
#include "tests/support/corpus.h"
#include "text/filter.h"
#include "text/fitted_markup.h"
#include "text/pager.h"
#include "text/sjis.h"

namespace shiori {
namespace {

// Code page 932 codes a row that continues a line may not begin with.
bool ForbiddenAtRowStart(std::string_view ch) {
  static const std::string_view kMarks =
      "。、，．」』）〕］｝〉》】ゝゞ々ーぁぃぅぇぉっゃゅょゎァィゥェォッャュョヮヵヶ";
  if (ch.size() == 1) {
    const unsigned char c = static_cast<unsigned char>(ch[0]);
    return c == 0xA1 || c == 0xA3 || c == 0xA4 || (c >= 0xA7 && c <= 0xB0);
  }
  for (std::size_t i = 0; i + 1 < kMarks.size(); i += 2)
    if (kMarks.substr(i, 2) == ch) return true;
  return false;
}

bool OpeningBracket(std::string_view ch) {
  static const std::string_view kOpen = "「『（〔［｛〈《【";
  for (std::size_t i = 0; ch.size() == 2 && i + 1 < kOpen.size(); i += 2)
    if (kOpen.substr(i, 2) == ch) return true;
  return false;
}

// The last character of |t|, code page 932.
std::string_view LastChar(std::string_view t) {
  std::size_t i = 0, last = 0;
  while (i < t.size()) {
    last = i;
    i += IsLeadByte(static_cast<unsigned char>(t[i])) && i + 1 < t.size() ? 2 : 1;
  }
  return t.substr(last);
}

// The characters of an enriched line, a gaiji as its UTF-8 in brackets.
std::string CellText(const EnrichedLine& e, std::size_t from = 0) {
  std::string s;
  for (std::size_t k = from; k < e.cells.size(); ++k) {
    const FitCell& c = e.cells[k];
    if (c.len == 0) s += "{" + GaijiUtf8(e.gaiji[c.at]) + "}";
    else s.append(e.bytes, c.at, c.len);
  }
  return s;
}

std::string PieceText(const FitPiece& p) {
  return p.gaiji.n > 0 ? "{" + GaijiUtf8(p.gaiji) + "}" : p.text;
}

struct Line {
  std::string_view raw;
  std::size_t offset;
  int classic_before;  // ClassicLayout's count[kRowsRead] before the line
};

struct Page {
  int number;
  bool shown;
  std::size_t top_line;
  std::size_t top_byte;
  int classic_at_top;
  std::vector<FittedRow> rows;
};

// Reads |text| as the reading loop does (ByteStream, empty lines skipped),
// placing every line in a fitted layout and a classic one side by side.
std::vector<Page> LayOut(std::string_view text, FittedLayout& fitted, std::vector<Line>* lines,
                         void (*before)(FittedLayout&, int) = nullptr, int arg = 0) {
  const FitOptions o = fitted.Options();
  ByteStream stream;
  stream.Write(text.data(), text.size());
  fitted.Reset(o);
  if (before != nullptr) before(fitted, arg);
  PageState page;
  ClassicLayout classic(page);
  FilterLines out;
  std::vector<Page> pages;
  const auto take = [&] {
    pages.push_back({fitted.PageNumber(), fitted.PageToShow(), fitted.TopLine(),
                     fitted.TopByte(), fitted.ClassicRowsAtTop(),
                     std::vector<FittedRow>(fitted.PageRows().begin(), fitted.PageRows().end())});
  };
  std::string_view raw;
  for (;;) {
    const std::size_t offset = stream.tell();
    if (!stream.GetLine(&raw)) break;
    if (raw.empty()) continue;
    const std::string_view filtered = filter_line(raw, o.rubyon_mode, &out, nullptr);
    if (lines != nullptr) lines->push_back({text.substr(offset, raw.size()), offset, page.count[kRowsRead]});
    if (classic.Place(filtered)) {
      while (classic.TurnPage()) {
      }
    }
    if (fitted.Place(SourceLine{raw, filtered, offset})) {
      do take();
      while (fitted.TurnPage());
    }
  }
  if (fitted.HasRows()) take();
  return pages;
}

struct Size {
  int columns, rows;
};
constexpr Size kSizes[] = {{80, 23}, {60, 19}, {100, 29}};

class FittedPropertyTest : public ::testing::TestWithParam<corpus::Texts> {};

TEST_P(FittedPropertyTest, PagesFitAndGiveBackTheEnrichedTextAndTheClassicCounter) {
  if (GetParam() == corpus::Texts::kCorpus) SHIORI_NEEDS_CORPUS();
  const std::vector<std::string> paths = corpus::TextFiles(GetParam());
  ASSERT_GE(paths.size(), GetParam() == corpus::Texts::kCorpus ? 12u : 2u) << corpus::Dir();
  for (const std::string& path : paths) {
    const std::string text = corpus::ReadFile(path);
    for (const Size size : kSizes) {
      SCOPED_TRACE(path + " at " + std::to_string(size.columns) + "x" + std::to_string(size.rows));
      FitOptions o;
      o.columns = size.columns;
      o.rows = size.rows;
      std::vector<Line> lines;
      FittedLayout fitted(o);
      const std::vector<Page> pages = LayOut(text, fitted, &lines);
      ASSERT_EQ(static_cast<int>(pages.size()), FittedPageCount(text, o));

      // Each line's rows, in order, across page turns.
      std::map<std::size_t, std::string> joined;
      std::map<std::size_t, int> first_page_of_line;
      std::size_t previous_line = SIZE_MAX;
      std::string_view previous_end;  // the last character of the row before
      for (const Page& page : pages) {
        ASSERT_EQ(page.number, &page - pages.data() + 1);
        ASSERT_LE(static_cast<int>(page.rows.size()), o.rows);
        ASSERT_FALSE(page.rows.empty());
        ASSERT_EQ(page.top_line, page.rows.front().line);
        for (const FittedRow& row : page.rows) {
          int cols = row.indent;
          for (const FitPiece& p : row.pieces) {
            const int w = p.gaiji.n > 0
                              ? CodePointColumns(p.gaiji.cp[0], false) +
                                    (p.gaiji.n > 1 ? CodePointColumns(p.gaiji.cp[1], false) : 0)
                              : Cp932Columns(p.text, false);
            ASSERT_EQ(p.columns, p.gaiji.n > 0 ? std::max(w, 1) : w);
            cols += p.columns;
          }
          ASSERT_EQ(row.columns, cols);
          ASSERT_LE(row.columns, o.columns);
          if (!row.illustration.empty()) continue;
          const bool continues = row.line == previous_line;
          previous_line = row.line;
          if (!continues) first_page_of_line.emplace(row.line, page.number);
          if (continues && !row.pieces.empty() && row.pieces[0].gaiji.n == 0) {
            const std::string& t = row.pieces[0].text;
            const std::size_t len = IsLeadByte(static_cast<unsigned char>(t[0])) ? 2 : 1;
            ASSERT_FALSE(ForbiddenAtRowStart(std::string_view(t).substr(0, len)))
                << "a row of the line at " << row.line << " begins with a closing mark";
            ASSERT_FALSE(OpeningBracket(previous_end))
                << "a row of the line at " << row.line << " ends with an opening bracket";
          }
          previous_end = row.pieces.empty() || row.pieces.back().gaiji.n > 0
                             ? std::string_view()
                             : LastChar(row.pieces.back().text);
          for (const FitPiece& p : row.pieces) joined[row.line] += PieceText(p);
        }
      }

      // Nothing lost or repeated; every coded gaiji is a character; the
      // counter a position saves is the classic one at the top line.
      MarkupState state;
      EnrichedLine e;
      std::map<std::size_t, int> classic_before;
      int coded = 0, mapped = 0;
      for (const Line& l : lines) {
        classic_before[l.offset] = l.classic_before;
        EnrichLine(l.raw, o, &state, &e);
        const std::string expected = CellText(e);
        if (!expected.empty()) {
          ASSERT_EQ(joined[l.offset], expected) << "line at " << l.offset;
        }
        for (std::size_t at = 0; at < l.raw.size();) {
          // A note inside another annotation (a description, a caption) is
          // part of it.
          if (l.raw.substr(at).starts_with("［＃") || l.raw.substr(at).starts_with("※［＃")) {
            const bool gaiji = l.raw[at + 1] == "※"[1];
            const std::size_t open = gaiji ? at + 2 : at;
            int depth = 0;
            std::size_t close = open;
            for (; close + 1 < l.raw.size();
                 close += IsLeadByte(static_cast<unsigned char>(l.raw[close])) ? 2 : 1) {
              if (l.raw.substr(close, 2) == "［") ++depth;
              if (l.raw.substr(close, 2) == "］" && --depth == 0) break;
            }
            GaijiChar g;
            if (gaiji && close + 1 < l.raw.size() &&
                GaijiFromNote(l.raw.substr(open + 4, close - open - 4), &g))
              ++coded;
            at = close + 2;
            continue;
          }
          at += IsLeadByte(static_cast<unsigned char>(l.raw[at])) ? 2 : 1;
        }
        for (const FitCell& c : e.cells) mapped += c.len == 0;
      }
      EXPECT_EQ(mapped, coded);
      for (const Page& page : pages)
        ASSERT_EQ(page.classic_at_top, classic_before.at(page.top_line) + 1);

      // A saved position opens on the page where its line begins, laid out
      // alike whether the layout starts there from its page index (the
      // same layout again, or one indexed in a pass of its own that knows
      // the classic rows of the first half of the lines) or from the top
      // (a new one).
      std::vector<LineClassicRows> known;
      for (std::size_t k = 0; k + 1 < lines.size() && k < lines.size() / 2; ++k)
        known.push_back({lines[k].offset, lines[k + 1].classic_before - lines[k].classic_before});
      FittedLayout indexed(o);
      ASSERT_EQ(indexed.IndexPages(text, known), static_cast<int>(pages.size()));
      for (std::size_t k = 0; k < pages.size(); k += 1 + pages.size() / 5) {
        const int v = pages[k].classic_at_top;
        FittedLayout fresh(o);
        for (FittedLayout* layout : {&fitted, &fresh, &indexed}) {
          const std::vector<Page> again = LayOut(
              text, *layout, nullptr, [](FittedLayout& f, int v) { f.ShowFromClassicRows(v); }, v);
          std::size_t shown = 0;
          while (shown < again.size() && !again[shown].shown) ++shown;
          ASSERT_LT(shown, again.size());
          const Page& page = again[shown];
          EXPECT_EQ(page.number, first_page_of_line.at(pages[k].top_line)) << "page " << k + 1;
          EXPECT_EQ(again.back().number, pages.back().number);
          ASSERT_EQ(page.rows.size(), pages[page.number - 1].rows.size());
          for (std::size_t r = 0; r < page.rows.size(); ++r) {
            std::string a, b;
            for (const FitPiece& p : page.rows[r].pieces) a += PieceText(p);
            for (const FitPiece& p : pages[page.number - 1].rows[r].pieces) b += PieceText(p);
            ASSERT_EQ(a, b);
            ASSERT_EQ(page.rows[r].indent, pages[page.number - 1].rows[r].indent);
          }
        }
      }
    }
  }
}

// A resize keeps the page's first character on screen, not only its line:
// pages that begin inside one long line, laid out again at another size
// from that character, show it on the first page shown.
TEST(FittedRelayoutTest, APageBegunInsideALineKeepsItsFirstCharacterAtAnotherSize) {
  // At 80 x 23 a gaiji with a code begins page 2 and one without (〓) page 3
  // (40 あ a row, the heading taking the first row of page 1).
  std::string text = "前書き\r\n";
  const auto kana = [&](int n) {
    for (int k = 0; k < n; ++k) text += "あ";
  };
  kana(22 * 40);
  text += "※［＃「目＋爭」、第3水準1-88-85］";
  kana(39 + 22 * 40);
  text += "※［＃「口＋世」］";
  for (int k = 0; k < 300; ++k) text += "あいう漢字《かんじ》を読む、「ABC」。";
  text += "\r\n後書き\r\n";
  static constexpr std::size_t long_line = std::string_view("前書き\r\n").size();
  int gaiji_first = 0;
  for (const auto& [from, to] : {std::pair{kSizes[0], kSizes[2]}, std::pair{kSizes[2], kSizes[1]},
                                 std::pair{kSizes[1], kSizes[0]}}) {
    SCOPED_TRACE(std::to_string(from.columns) + " to " + std::to_string(to.columns));
    FitOptions o;
    o.columns = from.columns;
    o.rows = from.rows;
    FittedLayout before(o);
    const std::vector<Page> pages = LayOut(text, before, nullptr);
    int inside = 0;
    for (const Page& page : pages) {
      if (page.top_byte == 0) continue;
      ++inside;
      // The byte names the row's first character (a gaiji's note).
      ASSERT_EQ(page.top_line, long_line);
      const FitPiece& first = page.rows.front().pieces.front();
      if (first.gaiji.n > 0 || first.text.starts_with("〓")) {
        ++gaiji_first;
        ASSERT_EQ(text.substr(long_line + page.top_byte, 6), "※［＃");
      } else {
        ASSERT_EQ(text.substr(long_line + page.top_byte, 2), first.text.substr(0, 2));
      }
      o.columns = to.columns;
      o.rows = to.rows;
      FittedLayout after(o);
      const std::vector<Page> again = LayOut(
          text, after, nullptr,
          [](FittedLayout& f, int byte) { f.ShowFromLine(long_line, static_cast<std::size_t>(byte)); },
          static_cast<int>(page.top_byte));
      o.columns = from.columns;
      o.rows = from.rows;
      // The page shown begins at or before the character, the next one after it.
      const auto at = [](const Page& p) { return std::pair{p.top_line, p.top_byte}; };
      const std::pair<std::size_t, std::size_t> character{long_line, page.top_byte};
      std::size_t shown = 0;
      while (shown < again.size() && !again[shown].shown) ++shown;
      ASSERT_LT(shown, again.size());
      EXPECT_LE(at(again[shown]), character);
      if (shown + 1 < again.size()) {
        EXPECT_GT(at(again[shown + 1]), character);
      }
    }
    EXPECT_GE(inside, 3);
  }
  EXPECT_GE(gaiji_first, 2);
}

// The annotations of the sample that shows every kind, each checked on the
// rows of the first line holding |key|.
TEST(FittedAnnotationTest, TheSampleOfEveryKindIsDrawnAsPrinted) {
  SHIORI_NEEDS_CORPUS();
  const std::string text = corpus::ReadFile(corpus::Path("chukiichiran_kinyurei.txt"));
  ASSERT_FALSE(text.empty());
  FitOptions o;
  o.columns = 60;
  o.rows = 19;
  std::vector<Line> lines;
  FittedLayout fitted(o);
  const std::vector<Page> pages = LayOut(text, fitted, &lines);
  struct Placed {
    std::vector<FittedRow> rows;
    bool starts_page = false;
  };
  std::map<std::size_t, Placed> by_line;
  for (const Page& page : pages)
    for (const FittedRow& row : page.rows) {
      Placed& p = by_line[row.line];
      if (p.rows.empty()) p.starts_page = &row == &page.rows.front();
      p.rows.push_back(row);
    }

  enum Check { kIndent, kWrapIndent, kEndGap, kStyle, kNoRow, kStartsPage, kHeading,
               kIllustration, kGaiji, kText };
  struct Case {
    const char* key;
    Check check;
    int value;
    const char* piece;  // the piece (kStyle), name (kIllustration) or text (kText)
  };
  const Case cases[] = {
      {"［＃３字下げ］第一章", kIndent, 6, nullptr},
      {"［＃３字下げ］第一章", kHeading, 1, nullptr},
      {"［＃３字下げ］第一章", kStyle, kFitBold, "第一章　議論の本意を定る事"},
      {"［＃改丁］", kStartsPage, 1, nullptr},  // what follows starts a page
      {"［＃大見出し］○", kStyle, kFitBold, "○○○○○○○○○○"},
      {"［＃大見出し］○", kHeading, 1, nullptr},
      {"一　此金を受取りたる時は", kIndent, 0, nullptr},  // 改行天付き、折り返して１字下げ
      {"一　此金を受取りたる時は", kWrapIndent, 2, nullptr},
      {"［＃地から１字上げ］（明治七年三月出版）", kEndGap, 2, nullptr},
      {"［＃地付き］（この日記終り）", kEndGap, 0, nullptr},
      {"責［＃「責」に白ゴマ傍点］", kStyle, kFitUnderline, "責"},
      {"責［＃「責」の左に波線］", kStyle, kFitUnderline, "責"},
      {"［＃白ゴマ傍点］青空", kStyle, kFitUnderline, "青空文庫で読書しよう"},
      {"選考［＃「選考」は太字］", kStyle, kFitBold, "選考待つ"},  // and 待つ after it
      {"exordium: Nothing", kStyle, kFitItalic, "Nothing from nothing ever yet was born."},
      {"［＃ここから太字］", kNoRow, 0, nullptr},
      {"［＃ここで字下げ終わり］", kNoRow, 0, nullptr},
      {"［＃改ページ］", kNoRow, 0, nullptr},
      {"［＃コンドル博士の図", kIllustration, 1, "fig47728_06"},
      {"※［＃「口＋世」、U+546D", kGaiji, 0x546D, nullptr},
      {"（例）頗《すこぶ》る", kText, 0, "（例）頗(すこぶ)る"},
      {"※［＃「土へん＋竒」、ページ数", kText, 0, "〓"},
      // The legend's marks name nothing, so they show as written.
      {"《》：ルビ", kText, 0, "《》：ルビ"},
      {"｜：ルビの付く", kText, 0, "｜：ルビの付く文字列の始まりを特定する記号"},
      {"［＃］：入力者注", kText, 0, "［＃］：入力者注　主に外字の説明や、傍点の位置の指定"},
  };
  for (const Case& c : cases) {
    const std::string_view key = c.key;
    SCOPED_TRACE(std::string("case ") + std::to_string(&c - cases));
    const Line* line = nullptr;
    for (const Line& l : lines)
      if (l.raw.find(key) != std::string_view::npos && (line = &l)) break;
    ASSERT_NE(line, nullptr);
    const auto it = by_line.find(line->offset);
    if (c.check == kNoRow) {
      EXPECT_EQ(it, by_line.end());
      continue;
    }
    if (c.check == kStartsPage) {
      EXPECT_EQ(it, by_line.end());
      const auto next = by_line.upper_bound(line->offset);
      ASSERT_NE(next, by_line.end());
      EXPECT_TRUE(next->second.starts_page);
      continue;
    }
    ASSERT_NE(it, by_line.end());
    const std::vector<FittedRow>& rows = it->second.rows;
    std::string joined;
    for (const FittedRow& row : rows)
      for (const FitPiece& p : row.pieces) joined += p.gaiji.n > 0 ? "" : p.text;
    switch (c.check) {
      case kIndent: EXPECT_EQ(rows[0].indent, c.value); break;
      case kWrapIndent: ASSERT_GE(rows.size(), 2u); EXPECT_EQ(rows[1].indent, c.value); break;
      case kEndGap: EXPECT_EQ(o.columns - rows.back().columns, c.value); break;
      case kHeading: EXPECT_TRUE(rows[0].heading); break;
      case kIllustration:
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].illustration, c.piece);
        break;
      case kGaiji:
        ASSERT_FALSE(rows[0].pieces.empty());
        EXPECT_EQ(rows[0].pieces[0].gaiji.cp[0], static_cast<char32_t>(c.value));
        break;
      case kText: EXPECT_EQ(joined, c.piece); break;
      case kStyle: {
        std::string styled;  // the text in that style, across rows
        for (const FittedRow& row : rows)
          for (const FitPiece& p : row.pieces)
            if ((p.style & c.value) != 0) styled += p.text;
        EXPECT_EQ(styled, c.piece);
        break;
      }
      case kNoRow:
      case kStartsPage: break;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Texts, FittedPropertyTest,
                         ::testing::Values(corpus::Texts::kEmbedded, corpus::Texts::kCorpus),
                         corpus::kTextsName);

}  // namespace
}  // namespace shiori
