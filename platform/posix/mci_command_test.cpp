// Parsing the multimedia command strings the reader sends.
#include "platform/posix/mci_command.h"

#include <gtest/gtest.h>

namespace shiori {
namespace {

TEST(MciCommand, OpenTakesTheQuotedFileWithItsBlanks) {
  MciCommand c;
  ASSERT_TRUE(ParseMciCommand("open \"/m/My Music/x alias y.mp3\" alias midi", &c));
  EXPECT_EQ(c.verb, MciVerb::kOpen);
  EXPECT_EQ(c.file, "/m/My Music/x alias y.mp3");
  EXPECT_EQ(c.alias, "midi");
  // Doubled backslashes are part of the name as written.
  ASSERT_TRUE(ParseMciCommand("open \"C:\\\\a\\\\b.mp3\" alias midi", &c));
  EXPECT_EQ(c.file, "C:\\\\a\\\\b.mp3");
  // A hand-written entry without quotes runs up to the last " alias ".
  ASSERT_TRUE(ParseMciCommand("open /m/My Music/x.mp3 alias midi", &c));
  EXPECT_EQ(c.file, "/m/My Music/x.mp3");
  ASSERT_TRUE(ParseMciCommand("OPEN \"/a.wav\" ALIAS midi", &c));
  EXPECT_EQ(c.file, "/a.wav");
}

TEST(MciCommand, OpenRefusesWhatHasNoFileOrNoAlias) {
  MciCommand c;
  EXPECT_FALSE(ParseMciCommand("open \"\" alias midi", &c));
  EXPECT_FALSE(ParseMciCommand("open \"/a.mp3\"", &c));
  EXPECT_FALSE(ParseMciCommand("open \"/a.mp3 alias midi", &c));
  EXPECT_FALSE(ParseMciCommand("open \"/a.mp3\" alias midi extra", &c));
  EXPECT_FALSE(ParseMciCommand("open alias midi", &c));
}

TEST(MciCommand, PlayStatusStopClose) {
  MciCommand c;
  ASSERT_TRUE(ParseMciCommand("play midi notify", &c));
  EXPECT_EQ(c.verb, MciVerb::kPlay);
  EXPECT_EQ(c.alias, "midi");
  EXPECT_FALSE(c.has_from);
  EXPECT_TRUE(c.notify);
  ASSERT_TRUE(ParseMciCommand("play midi from 0 notify", &c));
  EXPECT_TRUE(c.has_from);
  EXPECT_EQ(c.from_ms, 0);
  ASSERT_TRUE(ParseMciCommand("play midi from 1500", &c));
  EXPECT_EQ(c.from_ms, 1500);
  EXPECT_FALSE(c.notify);
  ASSERT_TRUE(ParseMciCommand("status midi mode", &c));
  EXPECT_EQ(c.verb, MciVerb::kStatusMode);
  ASSERT_TRUE(ParseMciCommand("stop midi", &c));
  EXPECT_EQ(c.verb, MciVerb::kStop);
  ASSERT_TRUE(ParseMciCommand("close midi", &c));
  EXPECT_EQ(c.verb, MciVerb::kClose);
  EXPECT_EQ(c.alias, "midi");
}

TEST(MciCommand, UnknownWordsAreRefused) {
  MciCommand c;
  for (const char* bad : {"status midi length", "status midi", "play midi from x",
                          "play midi from -1", "play midi from", "play midi loudly",
                          "stop midi now", "seek midi to start", "play", ""}) {
    EXPECT_FALSE(ParseMciCommand(bad, &c)) << bad;
  }
}

}  // namespace
}  // namespace shiori
