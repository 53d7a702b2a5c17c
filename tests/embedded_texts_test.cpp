// The embedded works and pictures have the form the reader relies on: texts
// in code page 932 with CR LF line ends and markup that closes on its own
// line, the markup kinds the filter has to handle, and PNGs the image window
// can take as they are. These read the files in data/, so a hand edit that
// breaks the form is caught before it is packed into the program.
//
// This file is compiled with -fexec-charset=CP932: the Japanese literals
// below are code page 932 bytes, as the texts are.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

const std::string kDataDir = std::string(SHIORI_SOURCE_DIR) + "/data/";

std::string ReadData(const std::string& name) {
  std::ifstream in(kDataDir + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

unsigned char U(char c) { return static_cast<unsigned char>(c); }

bool IsLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool IsTrail(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }
bool IsSingle(unsigned char c) { return c <= 0x7F || (c >= 0xA1 && c <= 0xDF); }

/// Offset of the first byte that does not start a valid code page 932
/// character (or of a lead byte without its trail byte), or npos.
size_t FirstInvalidCp932(const std::string& s) {
  for (size_t i = 0; i < s.size();) {
    unsigned char c = U(s[i]);
    if (IsLead(c)) {
      if (i + 1 >= s.size() || !IsTrail(U(s[i + 1]))) return i;
      i += 2;
    } else if (IsSingle(c)) {
      ++i;
    } else {
      return i;
    }
  }
  return std::string::npos;
}

/// The text's characters, each one or two bytes (the text must be valid).
std::vector<std::string> Chars(const std::string& s) {
  std::vector<std::string> out;
  for (size_t i = 0; i < s.size();) {
    size_t n = IsLead(U(s[i])) && i + 1 < s.size() ? 2 : 1;
    out.push_back(s.substr(i, n));
    i += n;
  }
  return out;
}

unsigned Code(const std::string& ch) {
  return ch.size() == 2 ? (U(ch[0]) << 8 | U(ch[1])) : U(ch[0]);
}
bool IsKanji(const std::string& ch) {
  unsigned c = Code(ch);
  return ch.size() == 2 && c >= 0x889F && c <= 0xEAA4;
}
bool IsKanaOrRepeat(const std::string& ch) {
  unsigned c = Code(ch);
  return ch.size() == 2 &&
         ((c >= 0x829F && c <= 0x82F1) || (c >= 0x8340 && c <= 0x8396) || c == 0x8158);  // 々
}

struct Line {
  std::string text;  // without its line end
  bool crlf;         // ended by CR LF
  bool lf;           // ended by a line feed at all
};

std::vector<Line> SplitLines(const std::string& s) {
  std::vector<Line> lines;
  size_t start = 0;
  while (start < s.size()) {
    size_t nl = s.find('\n', start);
    if (nl == std::string::npos) {
      lines.push_back({s.substr(start), false, false});
      break;
    }
    bool cr = nl > start && s[nl - 1] == '\r';
    lines.push_back({s.substr(start, nl - start - (cr ? 1 : 0)), cr, true});
    start = nl + 1;
  }
  return lines;
}

/// Empty when every "《" of the line is closed by "》" before the next "《",
/// every "［＃" by its matching "］" (brackets nest, as in a gaiji annotation
/// inside another), and no "］" closes a bracket that was never opened after
/// an annotation began; otherwise what is wrong.
std::string MarkupProblem(const std::string& line) {
  std::vector<std::string> c = Chars(line);
  bool in_ruby = false;
  int depth = 0;  // open "［" inside an annotation
  for (size_t i = 0; i < c.size(); ++i) {
    if (c[i] == "《") {
      if (in_ruby) return "《 inside a reading";
      in_ruby = true;
    } else if (c[i] == "》") {
      if (!in_ruby) return "》 without 《";
      in_ruby = false;
    } else if (c[i] == "［") {
      if (depth > 0 || (i + 1 < c.size() && c[i + 1] == "＃")) ++depth;
    } else if (c[i] == "］") {
      if (depth > 0) --depth;
    }
  }
  if (in_ruby) return "《 not closed";
  if (depth > 0) return "［＃ not closed";
  return "";
}

/// The line as the reader shows it: annotations (with a "※" before them),
/// readings and "｜" removed.
std::string WithoutMarkup(const std::string& line) {
  std::vector<std::string> c = Chars(line);
  std::string out;
  int depth = 0;
  bool in_ruby = false;
  for (size_t i = 0; i < c.size(); ++i) {
    if (depth > 0) {
      if (c[i] == "［") ++depth;
      if (c[i] == "］") --depth;
      continue;
    }
    if (in_ruby) {
      if (c[i] == "》") in_ruby = false;
      continue;
    }
    bool opens = c[i] == "［" && i + 1 < c.size() && c[i + 1] == "＃";
    if (c[i] == "※" && i + 2 < c.size() && c[i + 1] == "［" && c[i + 2] == "＃") continue;
    if (opens) {
      depth = 1;
      continue;
    }
    if (c[i] == "《") {
      in_ruby = true;
      continue;
    }
    if (c[i] == "｜") continue;
    out += c[i];
  }
  return out;
}

bool HasMarkup(const std::string& line) {
  return line.find("《") != std::string::npos || line.find("》") != std::string::npos ||
         line.find("［＃") != std::string::npos || line.find("｜") != std::string::npos;
}

/// A line of 79 to 156 bytes without markup whose bytes 79 and 80 are "。" or
/// "、": the first row takes 80 bytes so that the mark does not begin the next.
bool EndsFirstRowWithMark(const std::string& line) {
  if (line.size() < 80 || line.size() + 1 > 156 || HasMarkup(line)) return false;
  std::string mark = line.substr(78, 2);
  if (mark != "。" && mark != "、") return false;
  // the mark must be a character of its own, not two halves of others
  size_t at = 0;
  for (const std::string& ch : Chars(line)) {
    if (at == 78) return true;
    at += ch.size();
  }
  return false;
}

struct Texts {
  std::string novella = ReadData("great_velmor_the.txt");
  std::string readme = ReadData("readme.txt");
};

TEST(EmbeddedTexts, ArePresentAndWithinTheirSizes) {
  Texts t;
  EXPECT_GE(t.novella.size(), 120000u) << "great_velmor_the.txt";
  EXPECT_LE(t.novella.size(), 300000u) << "great_velmor_the.txt";
  EXPECT_GE(t.readme.size(), 10u * 1024) << "readme.txt";
  EXPECT_LE(t.readme.size(), 20u * 1024) << "readme.txt";
}

TEST(EmbeddedTexts, AreValidCodePage932Throughout) {
  Texts t;
  for (const auto* s : {&t.novella, &t.readme}) {
    ASSERT_FALSE(s->empty());
    size_t bad = FirstInvalidCp932(*s);
    EXPECT_EQ(bad, std::string::npos) << "invalid byte at offset " << bad;
  }
}

TEST(EmbeddedTexts, EndEveryLineWithCrLfButTheNovellasLast) {
  Texts t;
  std::vector<Line> novella = SplitLines(t.novella), readme = SplitLines(t.readme);
  ASSERT_GT(novella.size(), 100u);
  ASSERT_GT(readme.size(), 50u);
  for (size_t i = 0; i + 1 < novella.size(); ++i)
    EXPECT_TRUE(novella[i].crlf) << "novella line " << i + 1;
  EXPECT_FALSE(novella.back().lf) << "the novella's last line has a line end";
  EXPECT_FALSE(novella.back().text.empty());
  EXPECT_EQ(novella.back().text.find('\r'), std::string::npos);
  for (size_t i = 0; i < readme.size(); ++i) EXPECT_TRUE(readme[i].crlf) << "readme line " << i + 1;
  // no bare CR anywhere inside a line
  for (const auto* lines : {&novella, &readme})
    for (const Line& l : *lines) EXPECT_EQ(l.text.find('\r'), std::string::npos);
}

TEST(EmbeddedTexts, CloseEveryReadingAndAnnotationOnItsLine) {
  Texts t;
  for (const auto* s : {&t.novella, &t.readme}) {
    ASSERT_EQ(FirstInvalidCp932(*s), std::string::npos);
    std::vector<Line> lines = SplitLines(*s);
    for (size_t i = 0; i < lines.size(); ++i) {
      std::string problem = MarkupProblem(lines[i].text);
      EXPECT_EQ(problem, "") << (s == &t.novella ? "novella" : "readme") << " line " << i + 1;
    }
  }
}

TEST(EmbeddedTexts, MarkupScannerCatchesWhatItShould) {
  // The checks above are only as good as this scanner.
  EXPECT_EQ(MarkupProblem("誼《よしみ》を結ぶ"), "");
  EXPECT_EQ(MarkupProblem("※［＃「金＋※［＃「插」のつくり」、第4水準2-13-28］」、161-下-29］"), "");
  EXPECT_NE(MarkupProblem("誼《よしみを結ぶ"), "");
  EXPECT_NE(MarkupProblem("誼《よし《み》"), "");
  EXPECT_NE(MarkupProblem("東京［＃「東京」に傍点"), "");
  EXPECT_NE(MarkupProblem("※［＃「金＋※［＃「插」のつくり］"), "");
  EXPECT_EQ(WithoutMarkup("｜ヴェルモア座《ざ》の※［＃「木＋夜」、第3水準1-85-76］と本当［＃「本当」に傍点］"),
            "ヴェルモア座のと本当");
  EXPECT_EQ(FirstInvalidCp932("ab\x82\xa0\xb1"), std::string::npos);
  EXPECT_EQ(FirstInvalidCp932("ab\x82"), 2u);
  EXPECT_EQ(FirstInvalidCp932("a\x80"), 1u);
  EXPECT_EQ(FirstInvalidCp932("a\x82\x20"), 1u);
  EXPECT_EQ(FirstInvalidCp932("\xfd\x40"), 0u);
  std::string row(78, 'x');
  EXPECT_TRUE(EndsFirstRowWithMark(row + "。" + "続き"));
  EXPECT_FALSE(EndsFirstRowWithMark(row + "、［＃「続」に傍点］"));
  // 0x93 0x81 then 'B' holds the bytes of "。" (0x81 0x42) across two characters
  EXPECT_FALSE(EndsFirstRowWithMark(std::string(77, 'x') + "\x93\x81" + "B" + row));
}

TEST(EmbeddedTexts, NovellaOpensWithTitleAuthorAndTheSignsBlock) {
  Texts t;
  std::vector<Line> lines = SplitLines(t.novella);
  ASSERT_GT(lines.size(), 20u);
  EXPECT_EQ(lines[0].text, "グレイト・ヴェルモア");
  EXPECT_FALSE(lines[1].text.empty()) << "author line";
  std::string head;
  for (size_t i = 0; i < 40 && i < lines.size(); ++i) head += lines[i].text + "\n";
  EXPECT_NE(head.find("-------------------------------------------------------\n【テキスト中に現れる記号について】"),
            std::string::npos);
  EXPECT_NE(head.find("《》：ルビ"), std::string::npos);
  EXPECT_NE(head.find("｜：ルビの付く文字列の始まりを特定する記号"), std::string::npos);
  EXPECT_NE(head.find("［＃］：入力者注"), std::string::npos);
}

TEST(EmbeddedTexts, NovellaUsesEveryMarkupKindTheFilterHandles) {
  Texts t;
  ASSERT_EQ(FirstInvalidCp932(t.novella), std::string::npos);
  int kanji_ruby = 0, explicit_base = 0, ruby_after_kana = 0, emphasis = 0, headings = 0,
      page_breaks = 0, gaiji = 0, ascii_mixed = 0;
  for (const Line& l : SplitLines(t.novella)) {
    std::vector<std::string> c = Chars(l.text);
    bool ascii = false, wide = false;  // in the text as shown
    for (const std::string& ch : Chars(WithoutMarkup(l.text))) {
      if (ch.size() == 1 && std::isalnum(U(ch[0]))) ascii = true;
      if (ch.size() == 2) wide = true;
    }
    for (size_t i = 0; i < c.size(); ++i) {
      if (c[i] != "《" || i == 0) continue;
      if (IsKanji(c[i - 1])) ++kanji_ruby;
      if (IsKanaOrRepeat(c[i - 1])) ++ruby_after_kana;
    }
    if (ascii && wide) ++ascii_mixed;
    for (size_t p = l.text.find("｜"); p != std::string::npos; p = l.text.find("｜", p + 2))
      if (l.text.find("《", p) != std::string::npos) ++explicit_base;
    if (l.text.find("」に傍点］") != std::string::npos) ++emphasis;
    if (l.text.rfind("［＃５字下げ］", 0) == 0 && l.text.find("」は中見出し］") != std::string::npos) ++headings;
    if (l.text == "［＃改ページ］") ++page_breaks;
    for (size_t p = l.text.find("※［＃「"); p != std::string::npos; p = l.text.find("※［＃「", p + 2))
      if (l.text.find("」、第3水準1-", p) != std::string::npos) ++gaiji;
    EXPECT_EQ(l.text.find(".png"), std::string::npos) << "the catalog's works carry no illustration markers";
  }
  EXPECT_GE(kanji_ruby, 200) << "ruby on kanji";
  EXPECT_GE(explicit_base, 10) << "explicit bases with ｜";
  EXPECT_GE(ruby_after_kana, 3) << "ruby after kana or 々";
  EXPECT_GE(emphasis, 10) << "emphasis annotations";
  EXPECT_EQ(headings, 10) << "one heading per chapter";
  EXPECT_EQ(page_breaks, 9) << "a page break after every chapter but the last";
  EXPECT_GE(gaiji, 5) << "gaiji annotations with JIS X 0213 codes";
  EXPECT_GE(ascii_mixed, 10) << "lines mixing half-width ASCII with Japanese";
}

TEST(EmbeddedTexts, NovellaLinesMeetTheRowAndPageRules) {
  Texts t;
  ASSERT_EQ(FirstInvalidCp932(t.novella), std::string::npos);
  size_t longest_filtered = 0, longest = 0;
  int mark_rows = 0;
  for (const Line& l : SplitLines(t.novella)) {
    longest = std::max(longest, l.text.size() + 2);
    longest_filtered = std::max(longest_filtered, WithoutMarkup(l.text).size());
    if (EndsFirstRowWithMark(l.text)) ++mark_rows;
  }
  // A filtered line over 1,716 bytes makes the page longer than 22 rows; none
  // may need more than the 100 rows of a page buffer.
  EXPECT_GT(longest_filtered, 1716u);
  EXPECT_LT(longest, 7800u);
  EXPECT_GE(mark_rows, 4) << "lines whose first row ends with 。 or 、 at bytes 79-80";
}

TEST(EmbeddedTexts, NovellaEndsWithItsColophon) {
  Texts t;
  std::vector<Line> lines = SplitLines(t.novella);
  ASSERT_GT(lines.size(), 20u);
  std::string tail;
  for (size_t i = lines.size() - std::min<size_t>(lines.size(), 15); i < lines.size(); ++i)
    tail += lines[i].text + "\n";
  EXPECT_NE(tail.find("shiori"), std::string::npos) << "the colophon names the project";
  size_t last_heading = 0;
  for (size_t i = 0; i < lines.size(); ++i)
    if (lines[i].text.find("は中見出し］") != std::string::npos) last_heading = i;
  EXPECT_LT(last_heading + 15, lines.size()) << "the colophon comes after the last chapter";
}

TEST(EmbeddedTexts, ReadmeIsInAozoraForm) {
  Texts t;
  ASSERT_EQ(FirstInvalidCp932(t.readme), std::string::npos);
  std::vector<Line> lines = SplitLines(t.readme);
  ASSERT_GT(lines.size(), 20u);
  EXPECT_EQ(lines[0].text, "このプログラムについて");
  EXPECT_FALSE(lines[1].text.empty()) << "author line";
  EXPECT_NE(t.readme.find("【テキスト中に現れる記号について】"), std::string::npos);
  int ruby = 0, explicit_base = 0, emphasis = 0, headings = 0;
  for (const Line& l : lines) {
    std::vector<std::string> c = Chars(l.text);
    for (size_t i = 1; i < c.size(); ++i)
      if (c[i] == "《" && IsKanji(c[i - 1])) ++ruby;
    if (l.text.find("｜") != std::string::npos && l.text.find("《") != std::string::npos) ++explicit_base;
    if (l.text.find("」に傍点］") != std::string::npos) ++emphasis;
    if (l.text.rfind("［＃５字下げ］", 0) == 0 && l.text.find("」は中見出し］") != std::string::npos) ++headings;
    EXPECT_LT(l.text.size() + 2, 7800u);
  }
  EXPECT_GE(ruby, 3);
  EXPECT_GE(explicit_base, 1);
  EXPECT_GE(emphasis, 1);
  EXPECT_GE(headings, 5);
  // what the guide must tell a new reader about
  for (const char* must : {"001036_info.ini", "mmsys.ini", "ruby.txt", "rinfo.txt", "shiori 1r",
                           "shiori 0 y", "--help", "--version", "Ver 0.02"})
    EXPECT_NE(t.readme.find(must), std::string::npos) << must;
}

// ---- pictures ----------------------------------------------------------------

uint32_t BigEndian32(const std::string& s, size_t at) {
  return static_cast<uint32_t>(U(s[at])) << 24 | U(s[at + 1]) << 16 | U(s[at + 2]) << 8 | U(s[at + 3]);
}

void ExpectTruecolourPng(const std::string& name, uint32_t width, uint32_t height) {
  SCOPED_TRACE(name);
  std::string png = ReadData(name);
  ASSERT_GT(png.size(), 33u);
  EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  EXPECT_EQ(BigEndian32(png, 8), 13u);  // IHDR comes first and is 13 bytes
  EXPECT_EQ(png.substr(12, 4), "IHDR");
  EXPECT_EQ(BigEndian32(png, 16), width);
  EXPECT_EQ(BigEndian32(png, 20), height);
  EXPECT_EQ(U(png[24]), 8) << "bit depth";
  EXPECT_EQ(U(png[25]), 2) << "colour type: truecolour";
  EXPECT_EQ(U(png[28]), 0) << "interlace";
  // the file ends with its IEND chunk
  EXPECT_EQ(png.substr(png.size() - 12, 8), std::string("\0\0\0\0IEND", 8));
}

TEST(EmbeddedPictures, AreTruecolourPngsOfTheCatalogsSizes) {
  ExpectTruecolourPng("fig00000_01.png", 377, 512);
  ExpectTruecolourPng("fig00000_02.png", 180, 252);
}

TEST(EmbeddedPictures, IconIsOne32x32ImageIn16Colours) {
  std::string ico = ReadData("shiori.ico");
  ASSERT_GE(ico.size(), 6u + 16 + 40 + 64 + 512 + 128);
  auto le16 = [&](size_t at) { return U(ico[at]) | U(ico[at + 1]) << 8; };
  auto le32 = [&](size_t at) { return static_cast<uint32_t>(le16(at) | le16(at + 2) << 16); };
  EXPECT_EQ(le16(0), 0);
  EXPECT_EQ(le16(2), 1) << "an icon, not a cursor";
  EXPECT_EQ(le16(4), 1) << "one image";
  EXPECT_EQ(U(ico[6]), 32);
  EXPECT_EQ(U(ico[7]), 32);
  EXPECT_EQ(U(ico[8]), 16) << "colours";
  EXPECT_EQ(le16(12), 4) << "bits per pixel";
  uint32_t size = le32(14), offset = le32(18);
  ASSERT_EQ(offset + size, ico.size());
  EXPECT_EQ(le32(offset), 40u) << "bitmap header";
  EXPECT_EQ(le32(offset + 4), 32u);
  EXPECT_EQ(le32(offset + 8), 64u) << "height counts the mask too";
  EXPECT_EQ(le16(offset + 14), 4);
}

TEST(EmbeddedPictures, VersionBlockIsAsciiWithTheProgramsVersion) {
  std::string rc = ReadData("version.rc");
  ASSERT_FALSE(rc.empty());
  for (char c : rc) EXPECT_LT(U(c), 0x80);
  for (const char* must : {"FILEVERSION 1,0,0,1", "PRODUCTVERSION 1,0,0,1", "BLOCK \"041103a4\"",
                           "VALUE \"FileVersion\", \"Ver 0.02\"", "VALUE \"ProductVersion\", \"Ver 0.02\"",
                           "VALUE \"Translation\", 0x411, 932"})
    EXPECT_NE(rc.find(must), std::string::npos) << must;
}

}  // namespace
