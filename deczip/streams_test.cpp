#include <gtest/gtest.h>

#include "deczip/streams.h"

namespace shiori {
namespace {

TEST(ByteStreamTest, LastLineWithoutLineFeedIsALine) {
  ByteStream s;
  s.Write("a\r\n\r\nb", 6);
  std::string line;
  ASSERT_TRUE(s.GetLine(&line));
  EXPECT_EQ(line, "a\r");
  ASSERT_TRUE(s.GetLine(&line));
  EXPECT_EQ(line, "\r");
  ASSERT_TRUE(s.GetLine(&line));
  EXPECT_EQ(line, "b");
  EXPECT_FALSE(s.GetLine(&line));
  EXPECT_TRUE(s.eof());
  s.Rewind();
  ASSERT_TRUE(s.GetLine(&line));
  EXPECT_EQ(line, "a\r");
}

}  // namespace
}  // namespace shiori
