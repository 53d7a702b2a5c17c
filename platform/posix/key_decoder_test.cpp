#include "platform/posix/key_decoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/keyboard.h"

namespace shiori {
namespace {

// Feeds |bytes| one at a time, then lets the wait run out, and returns
// every key that came out.
std::vector<int> Decode(const std::string& bytes, bool utf8 = true) {
  KeyDecoder decoder(utf8);
  std::vector<int> keys;
  int key;
  for (char c : bytes) {
    decoder.Feed(static_cast<unsigned char>(c));
    while (decoder.Next(&key)) keys.push_back(key);
  }
  decoder.Timeout();
  while (decoder.Next(&key)) keys.push_back(key);
  return keys;
}

using Keys = std::vector<int>;

TEST(KeyDecoderTest, EverySpecialKeyIsOneCode) {
  struct Case {
    const char* bytes;
    int key;
  };
  const Case cases[] = {
      {"\x1b[A", kKeyUp},       {"\x1b[B", kKeyDown},       {"\x1b[C", kKeyRight},
      {"\x1b[D", kKeyLeft},     {"\x1b[H", kKeyHome},       {"\x1b[F", kKeyEnd},
      {"\x1bOA", kKeyUp},       {"\x1bOB", kKeyDown},       {"\x1bOC", kKeyRight},
      {"\x1bOD", kKeyLeft},     {"\x1bOH", kKeyHome},       {"\x1bOF", kKeyEnd},
      {"\x1b[1~", kKeyHome},    {"\x1b[2~", kKeyInsert},    {"\x1b[3~", kKeyDelete},
      {"\x1b[4~", kKeyEnd},     {"\x1b[5~", kKeyPageUp},    {"\x1b[6~", kKeyPageDown},
      {"\x1b[7~", kKeyHome},    {"\x1b[8~", kKeyEnd},
      {"\x1bOP", kKeyF1},       {"\x1bOQ", kKeyF1 + 1},     {"\x1bOR", kKeyF1 + 2},
      {"\x1bOS", kKeyF1 + 3},   {"\x1b[11~", kKeyF1},       {"\x1b[12~", kKeyF1 + 1},
      {"\x1b[13~", kKeyF1 + 2}, {"\x1b[14~", kKeyF1 + 3},   {"\x1b[15~", kKeyF1 + 4},
      {"\x1b[17~", kKeyF1 + 5}, {"\x1b[18~", kKeyF1 + 6},   {"\x1b[19~", kKeyF1 + 7},
      {"\x1b[20~", kKeyF1 + 8}, {"\x1b[21~", kKeyF1 + 9},   {"\x1b[23~", kKeyF1 + 10},
      {"\x1b[24~", kKeyF12},    {"\x1b[[A", kKeyF1},        {"\x1b[[E", kKeyF1 + 4},
      // Modified keys (Ctrl, Shift) keep their name.
      {"\x1b[1;5A", kKeyUp},    {"\x1b[5;2~", kKeyPageUp},  {"\x1b[1;2P", kKeyF1},
      {"\x1b[5$", kKeyPageUp},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Decode(c.bytes), Keys{c.key}) << "sequence ESC" << (c.bytes + 1);
  }
}

TEST(KeyDecoderTest, PlainBytesAreThemselves) {
  EXPECT_EQ(Decode("nq-"), (Keys{'n', 'q', '-'}));
  EXPECT_EQ(Decode("\r\n "), (Keys{'\r', '\n', ' '}));
  EXPECT_EQ(Decode("[A"), (Keys{'[', 'A'}));
  // Without UTF-8 every high byte is its own code, as a code page terminal
  // delivers them.
  EXPECT_EQ(Decode("\x82\xa0", false), (Keys{0x82, 0xa0}));
}

TEST(KeyDecoderTest, LoneEscapeIsTheEscapeKeyAfterTheWait) {
  KeyDecoder decoder;
  int key = 0;
  decoder.Feed(0x1b);
  EXPECT_FALSE(decoder.Next(&key));
  EXPECT_EQ(decoder.PendingWaitMs(), KeyDecoder::kEscapeWaitMs);
  decoder.Timeout();
  ASSERT_TRUE(decoder.Next(&key));
  EXPECT_EQ(key, 27);
  EXPECT_EQ(decoder.PendingWaitMs(), -1);
  // Twice ESC, then a sequence.
  EXPECT_EQ(Decode("\x1b\x1b[B"), (Keys{27, kKeyDown}));
}

TEST(KeyDecoderTest, SequenceSplitByteByByteWaitsForItsEnd) {
  KeyDecoder decoder;
  int key = 0;
  for (char c : std::string("\x1b[24")) {
    decoder.Feed(static_cast<unsigned char>(c));
    EXPECT_FALSE(decoder.Next(&key)) << "a key came out before the sequence ended";
  }
  EXPECT_EQ(decoder.PendingWaitMs(), KeyDecoder::kSequenceWaitMs);
  decoder.Feed('~');
  ASSERT_TRUE(decoder.Next(&key));
  EXPECT_EQ(key, kKeyF12);
  EXPECT_FALSE(decoder.Next(&key));
  // Two keys back to back, as a fast repeat delivers them in one read.
  EXPECT_EQ(Decode("\x1b[6~\x1b[6~n"), (Keys{kKeyPageDown, kKeyPageDown, 'n'}));
}

TEST(KeyDecoderTest, UnknownSequencesDoNotLeakAsLetters) {
  // Each of these is one key press a reader might make; none may act as
  // "h" (help), "q" (quit) or the like.
  EXPECT_EQ(Decode("\x1b[99~"), Keys{kKeyOtherSpecial});
  EXPECT_EQ(Decode("\x1b[Z"), Keys{kKeyOtherSpecial});          // Shift-Tab
  EXPECT_EQ(Decode("\x1b[E"), Keys{kKeyOtherSpecial});          // keypad 5
  EXPECT_EQ(Decode("\x1bOq"), Keys{kKeyOtherSpecial});          // keypad 1
  EXPECT_EQ(Decode("\x1bq"), Keys{kKeyOtherSpecial});           // Alt-q
  EXPECT_EQ(Decode("\x1b[?1;2c"), Keys{kKeyOtherSpecial});      // a reply
  EXPECT_EQ(Decode("\x1b[<0;12;5M"), Keys{kKeyOtherSpecial});   // mouse
  EXPECT_EQ(Decode("\x1b[1;2;3;4;5;6;7;8;9;10;11;12q"), Keys{kKeyOtherSpecial});
  // Cut off by the end of input: still one key.
  EXPECT_EQ(Decode("\x1b[1;5"), Keys{kKeyOtherSpecial});
  // Key numbers beyond any int name no key: 2^32 + 5 is not PageUp (5), as
  // a number cut to 32 bits would make it.
  EXPECT_EQ(Decode("\x1b[4294967301~"), Keys{kKeyOtherSpecial});
  EXPECT_EQ(Decode("\x1b[9999999999999999~"), Keys{kKeyOtherSpecial});
  EXPECT_EQ(Decode("\x1b[0005~"), Keys{kKeyPageUp});
}

TEST(KeyDecoderTest, StrayByteEndsASequenceAndCountsOnItsOwn) {
  // A control byte cannot belong to a sequence: the sequence is one key,
  // the byte another.
  EXPECT_EQ(Decode("\x1b[1\rq"), (Keys{kKeyOtherSpecial, '\r', 'q'}));
  EXPECT_EQ(Decode("\x1b[\x1b[A"), (Keys{kKeyOtherSpecial, kKeyUp}));
  EXPECT_EQ(Decode("\x1bO\x03"), (Keys{kKeyOtherSpecial, 3}));
}

TEST(KeyDecoderTest, Utf8CharacterIsOneKeyPress) {
  EXPECT_EQ(Decode("\xe3\x81\x82n"), (Keys{kKeyOtherSpecial, 'n'}));    // "あ"
  EXPECT_EQ(Decode("\xf0\x9f\x98\x80"), Keys{kKeyOtherSpecial});         // 4 bytes
  EXPECT_EQ(Decode("\x1b\xc3\xa9"), Keys{kKeyOtherSpecial});             // Alt-é
  // A character cut short by an ASCII byte: one key, then the byte.
  EXPECT_EQ(Decode("\xe3\x81q"), (Keys{kKeyOtherSpecial, 'q'}));
}

}  // namespace
}  // namespace shiori
