#include "platform/posix/charset.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace shiori {
namespace {

// The program's literals are code page 932; u8 literals stay UTF-8.
std::string U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

const std::string kFffd = "\xEF\xBF\xBD";

std::string ToUtf8(const std::string& cp932) {
  Cp932ToTerminal conv("UTF-8");
  std::string out;
  conv.Convert(cp932, &out);
  conv.Finish(&out);
  return out;
}

TEST(Cp932ToTerminalTest, ConvertsTextToUtf8) {
  EXPECT_EQ(ToUtf8("漢字かなカナABC、。"), U8(u8"漢字かなカナABC、。"));
  EXPECT_EQ(ToUtf8("\xb1\xdf"), U8(u8"ｱﾟ"));  // half-width katakana
  EXPECT_EQ(ToUtf8("\x87\x40\x81\x60"), U8(u8"①～"));
  EXPECT_EQ(ToUtf8("a\\b~"), "a\\b~");
}

TEST(Cp932ToTerminalTest, InvalidBytesBecomeOneMarkEach) {
  // Bytes no character starts with.
  EXPECT_EQ(ToUtf8("a\x80z"), "a" + kFffd + "z");
  EXPECT_EQ(ToUtf8("\xfd\xfe\xff"), kFffd + kFffd + kFffd);
  // An unassigned double-byte code is one character of two columns.
  EXPECT_EQ(ToUtf8("\x85\x40x"), kFffd + kFffd + "x");
  // A lead byte before a byte that cannot follow it: the second byte stays.
  EXPECT_EQ(ToUtf8("\x81\x20z"), kFffd + " z");
  EXPECT_EQ(ToUtf8("\x82\n"), kFffd + "\n");
}

TEST(Cp932ToTerminalTest, ControlBytesOfTheTextCannotCommandTheTerminal) {
  // Escape sequences, a bell, DEL and NUL each show as one mark; tab, line
  // feed and carriage return keep their meaning.
  const char kControls[] = "a\x1b[2Jb\x07\x7f\x00\x1b]0;t\x07";
  EXPECT_EQ(ToUtf8(std::string(kControls, sizeof kControls - 1)),
            "a" + kFffd + "[2Jb" + kFffd + kFffd + kFffd + kFffd + "]0;t" + kFffd);
  EXPECT_EQ(ToUtf8("a\tb\r\n"), "a\tb\r\n");
  // A lead byte cut off by a control byte is a mark of its own.
  EXPECT_EQ(ToUtf8("\x82\x1b" "c"), kFffd + kFffd + "c");
  Cp932ToTerminal conv("UTF-8");
  std::string out;
  conv.Convert("x\x82", &out);
  conv.Convert("\x1b\x82\xa0", &out);
  EXPECT_EQ(out, "x" + kFffd + kFffd + U8(u8"あ"));
  // A code page 932 terminal gets a question mark for each.
  Cp932ToTerminal same("CP932");
  out.clear();
  same.Convert("漢\x1b[1m", &out);
  EXPECT_EQ(out, "漢?[1m");
}

TEST(Cp932ToTerminalTest, LeadByteSplitAcrossWritesIsJoined) {
  Cp932ToTerminal conv("UTF-8");
  std::string out;
  conv.Convert("ab\x82", &out);
  EXPECT_EQ(out, "ab");
  EXPECT_TRUE(conv.holding());
  conv.Convert("\xa0" "c", &out);
  EXPECT_EQ(out, U8(u8"abあc"));
  EXPECT_FALSE(conv.holding());

  // Cut off for good: the held byte becomes a mark, never a raw byte.
  std::string cut;
  conv.Convert("\x8a", &cut);
  conv.Finish(&cut);
  EXPECT_EQ(cut, kFffd);
}

TEST(Cp932ToTerminalTest, APieceConvertedAgainComesOutTheSame) {
  // The same piece twice (a title on every status line), and the same piece
  // after a held lead byte, which joins it and so is another text.
  Cp932ToTerminal conv("UTF-8");
  std::string out;
  conv.Convert("大岡政談", &out);
  conv.Convert("大岡政談", &out);
  EXPECT_EQ(out, U8(u8"大岡政談大岡政談"));
  out.clear();
  conv.Convert("a\x82", &out);
  conv.Convert("\xa0大岡政談", &out);
  conv.Convert("大岡政談", &out);
  EXPECT_EQ(out, U8(u8"aあ大岡政談大岡政談"));
  out.clear();
  conv.Convert("\x82", &out);
  conv.Convert("大岡政談", &out);  // 82 91: one character, then the rest
  Cp932ToTerminal fresh("UTF-8");
  std::string expected;
  fresh.Convert("\x82大岡政談", &expected);
  EXPECT_EQ(out, expected);
}

TEST(Cp932ToTerminalTest, OtherTerminalCharsets) {
  std::string out;
  Cp932ToTerminal same("CP932");
  EXPECT_TRUE(same.passthrough());
  same.Convert("漢\x80\x82", &out);
  EXPECT_EQ(out, "漢\x80\x82");

  Cp932ToTerminal sjis("Shift_JIS");
  EXPECT_TRUE(sjis.passthrough());

  // EUC-JP has no circled digits: a question mark for each of the two bytes.
  Cp932ToTerminal euc("EUC-JP");
  out.clear();
  euc.Convert("\x8a\xbf\x87\x40", &out);
  EXPECT_EQ(out, "\xb4\xc1??");

  // A charset the system does not know: UTF-8 is the best guess.
  Cp932ToTerminal unknown("NO-SUCH-CHARSET");
  out.clear();
  unknown.Convert("字", &out);
  EXPECT_EQ(out, U8(u8"字"));
}

TEST(TerminalToCp932Test, TypedWordsBecomeCp932) {
  TerminalToCp932 conv("UTF-8");
  std::string out;
  EXPECT_TRUE(conv.Convert(U8(u8"罪と罰"), &out));
  EXPECT_EQ(out, "罪と罰");
  // Both dash forms an input method may type match the text's 「～」.
  EXPECT_TRUE(conv.Convert(U8(u8"〜"), &out));
  EXPECT_EQ(out, "\x81\x60");
  EXPECT_TRUE(conv.Convert(U8(u8"～"), &out));
  EXPECT_EQ(out, "\x81\x60");
  EXPECT_TRUE(conv.Convert("", &out));
  EXPECT_EQ(out, "");
}

TEST(TerminalToCp932Test, CharactersCp932CannotHoldAreReported) {
  // Test macros spell out their arguments in code page 932, which cannot
  // hold these characters: the words are named outside them.
  const std::string emoji = U8(u8"a😀b");
  const std::string accented = U8(u8"café");
  TerminalToCp932 conv("UTF-8");
  std::string out;
  EXPECT_FALSE(conv.Convert(emoji, &out));
  EXPECT_EQ(out, "a\xFF" "b");
  EXPECT_FALSE(conv.Convert(accented, &out));
  EXPECT_EQ(out, "caf\xFF");
  // Malformed and cut-off UTF-8.
  EXPECT_FALSE(conv.Convert("x\xe3\x81", &out));
  EXPECT_EQ(out, "x\xFF");
  EXPECT_FALSE(conv.Convert("\xff" "y", &out));
  EXPECT_EQ(out, "\xFF" "y");

  TerminalToCp932 same("SJIS");
  EXPECT_TRUE(same.Convert("漢字", &out));
  EXPECT_EQ(out, "漢字");
}

TEST(Utf8ToTerminalTest, GaijiReachEachTerminalAsWellAsItsCharsetAllows) {
  struct Case {
    const char* charset;
    std::string utf8;
    std::string shown;
  };
  const Case cases[] = {
      // A UTF-8 terminal gets every character, a plane 2 one included.
      {"UTF-8", U8(u8"浙江の\U00020B9F縣\t\n"), U8(u8"浙江の\U00020B9F縣\t\n")},
      // Nothing commands the terminal; a malformed byte is one mark.
      {"UTF-8", "a\x1b[2Jb\xC2\x9B\xFF" "c", "a" + kFffd + "[2Jb" + kFffd + kFffd + "c"},
      // Code page 932 and EUC-JP lack the gaiji: 〓 in the terminal's set.
      {"CP932", U8(u8"瞳を\U00020BB7る"), "瞳を\x81\xAC" "る"},
      {"EUC-JP", U8(u8"漢\U00020B9F"), "\xB4\xC1\xA2\xAE"},
      {"EUC-JP", "x\x07", "x?"},
      // A set without 〓 at all: "?".
      {"ISO-8859-1", U8(u8"é漢"), "\xE9?"},
  };
  for (const Case& c : cases) {
    Utf8ToTerminal conv(c.charset);
    std::string out;
    conv.Convert(c.utf8, &out);
    EXPECT_EQ(out, c.shown) << c.charset << " " << c.utf8;
  }
}

TEST(TerminalCharsetTest, LocaleDecidesTheCharset) {
  EXPECT_EQ(CharsetOfLocaleName("ja_JP.UTF-8"), "UTF-8");
  EXPECT_EQ(CharsetOfLocaleName("ja_JP.eucJP@euro"), "eucJP");
  EXPECT_EQ(CharsetOfLocaleName("C"), "");
  EXPECT_TRUE(IsUtf8Charset("utf8"));
  EXPECT_FALSE(IsUtf8Charset("UTF-16"));

  const char* saved = std::getenv("LC_ALL");
  std::string saved_value = saved ? saved : "";
  ::setenv("LC_ALL", "C", 1);
  EXPECT_EQ(TerminalCharset(), "UTF-8");  // ASCII-only locale
  ::setenv("LC_ALL", "C.UTF-8", 1);
  EXPECT_TRUE(IsUtf8Charset(TerminalCharset()));
  // Not installed here: the name still gives its charset.
  ::setenv("LC_ALL", "ja_JP.no-such-charset", 1);
  EXPECT_EQ(TerminalCharset(), "no-such-charset");
  if (saved) ::setenv("LC_ALL", saved_value.c_str(), 1);
  else ::unsetenv("LC_ALL");
}

}  // namespace
}  // namespace shiori
