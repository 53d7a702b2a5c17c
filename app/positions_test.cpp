// The reading-position file through whole runs of the reader.
#include "app/positions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/fake_platform.h"

namespace shiori::testing {
namespace {

class PositionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    s.AddWork("alpha", "Alpha", NumberedLines(1, 200));
    s.AddWork("beta", "Beta", NumberedLines(1, 200));
  }
  Scenario s;
};

TEST_F(PositionsTest, NoFileGetsTheDefaultEntryThenTheWork) {
  s.Run({"0"});  // input ends at once: quit on the first page
  EXPECT_EQ(s.ReadFile("001036_info.ini"), "morgue.txt\n0\nalpha.txt\n22\n");
}

TEST_F(PositionsTest, EmptyFileHoldsOnlyTheCurrentWork) {
  s.WriteFile("001036_info.ini", "");
  s.Run({"1"});
  EXPECT_EQ(s.ReadFile("001036_info.ini"), "beta.txt\n22\n");
}

TEST_F(PositionsTest, DuplicateKeysLoadTheLaterAndSaveBoth) {
  s.WriteFile("001036_info.ini", "alpha.txt\n44\nalpha.txt\n66\n");
  s.keyboard.Type("nq");
  s.Run({"0"});
  EXPECT_NE(s.console.Text().find("--- page 3 ---"), std::string::npos);
  EXPECT_EQ(s.console.Text().find("--- page 2 ---"), std::string::npos);
  EXPECT_EQ(s.ReadFile("001036_info.ini"), "alpha.txt\n88\nalpha.txt\n88\n");
}

TEST_F(PositionsTest, WindowsLineEndsAndDirectoriesInKeysAreRead) {
  s.WriteFile("001036_info.ini", "C:\\books\\beta.txt\r\n44\r\nalpha.txt\r\n  66 \r\n");
  s.Run({"1"});
  EXPECT_NE(s.console.Text().find("[ Beta --- page 2 ---"), std::string::npos);
  EXPECT_EQ(s.ReadFile("001036_info.ini"), "beta.txt\n44\nalpha.txt\n66\n");
}

TEST_F(PositionsTest, DamagedFilesAreReadWithoutOverflow) {
  std::string long_key(3000, 'k');
  s.WriteFile("001036_info.ini",
              "alpha.txt\nnot-a-number\n" + long_key + ".txt\n5\nnodot\n7\nbeta.txt\n");
  s.Run({"0"});
  // The missing number counts as 0: the first page is shown.
  EXPECT_NE(s.console.Text().find("--- page 1 ---"), std::string::npos);
  std::string saved = s.ReadFile("001036_info.ini");
  EXPECT_EQ(saved.rfind("alpha.txt\n22\n", 0), 0u) << saved.substr(0, 40);
  // No stored key is longer than 79 bytes.
  std::size_t start = 0;
  while (start < saved.size()) {
    std::size_t nl = saved.find('\n', start);
    EXPECT_LE(nl - start, 79u + 4u);
    start = nl + 1;
  }
}

TEST_F(PositionsTest, ANumberBeyondTheWorkShowsOnlyTheLastPage) {
  s.WriteFile("001036_info.ini", "alpha.txt\n99999\n");
  s.keyboard.Type("z");
  s.Run({"0"});
  EXPECT_TRUE(PagesShown(s.console.Text()).empty());
  EXPECT_NE(s.console.Text().find("line 200\r\n[ Alpha ] 終わりまで"), std::string::npos);
  EXPECT_EQ(s.ReadFile("001036_info.ini"), "alpha.txt\n0\n");
}

TEST_F(PositionsTest, SwitchingBackUsesTheNumberJustSaved) {
  s.keyboard.Type("nncncq");
  s.keyboard.input = "1\n0\n";
  s.Run({"0"});
  std::string text = s.console.Text();
  // alpha page 3 saved (66), beta from its start, back to alpha at page 3.
  EXPECT_NE(text.find("1 alpha alpha 66\n"), std::string::npos);
  std::vector<int> pages = PagesShown(text);
  EXPECT_EQ(pages, std::vector<int>({1, 2, 3, 1, 2, 3}));
}

TEST_F(PositionsTest, AFileThatCannotBeWrittenSaysSoAndIsKeptWhole) {
  s.WriteFile("001036_info.ini", "alpha.txt\n22\n");
  // The lock cannot be taken (a directory stands in the lock file's way),
  // which fails even for root.
  ASSERT_TRUE(std::filesystem::create_directory(s.Path("001036_info.ini.lock")));
  s.keyboard.Type("nq");
  s.Run({"0"});
  EXPECT_NE(s.console.Text().find("cannot write 001036_info.ini"), std::string::npos);
  EXPECT_NE(s.console.Text().find("途中まで、表示しました。44行"), std::string::npos);
  EXPECT_EQ(s.ReadFile("001036_info.ini"), "alpha.txt\n22\n");
}

TEST_F(PositionsTest, AReplacementNeverLeavesATemporaryFileBehind) {
  s.keyboard.Type("nq");
  s.Run({"0"});
  EXPECT_EQ(s.ReadFile("001036_info.ini.tmp"), "");
  EXPECT_FALSE(std::filesystem::exists(s.Path("001036_info.ini.tmp")));
}

TEST_F(PositionsTest, AReadOnlyFileIsLeftAsItWasAndSaysSo) {
  s.WriteFile("001036_info.ini", "beta.txt\n44\n");
  std::filesystem::permissions(s.Path("001036_info.ini"), std::filesystem::perms::owner_read);
  s.keyboard.Type("nq");
  s.Run({"0"});
  EXPECT_NE(s.console.Text().find("001036_info.ini is read-only: the position was not saved\n"),
            std::string::npos);
  EXPECT_EQ(s.ReadFile("001036_info.ini"), "beta.txt\n44\n");
  std::filesystem::permissions(s.Path("001036_info.ini"), std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
}

// Whatever keys a list holds (from work file names, or from a damaged file),
// the file written for it parses back to the same entries.
TEST(FormatPositionsTest, TheFileReadsBackAsTheListItWasWrittenFrom) {
  PositionList list;
  int unused = 0;
  // Keys the parser makes of a hand-edited file: with leading blanks, one
  // that holds its line end (no dot), control bytes, blanks or a line end
  // left when a directory is cut off.
  ParsePositions("  lead.txt\n1\nnodot\n2\nnodot\r\n3\nc\x01\x1b.txt\n4\n"
                 "d/ x.txt\n5\nd/\n6\n",
                 "", &list, &unused);
  ASSERT_EQ(list.fna_num, 6);
  // Work keys of names holding a line end, control bytes and blanks.
  const std::vector<std::string> names = {"a\nb",  "\r\n",  " lead", "tab\there",
                                          "a%0Ab", "plain", std::string(100, 'k') + "\n"};
  for (const std::string& name : names) {
    auto rec = std::make_unique<f_info>();
    rec->fname = WorkKey(name);
    rec->pnum = list.fna_num;
    list.fna.push_back(std::move(rec));
    list.fna_num = static_cast<int>(list.fna.size());
  }
  EXPECT_EQ(list.fna[6]->fname, "a%0Ab");
  EXPECT_EQ(list.fna[11]->fname, "plain");
  for (const char* eol : {"\n", "\r\n"}) {
    const std::string text = FormatPositions(list, eol);
    PositionList back;
    ParsePositions(text, "", &back, &unused);
    ASSERT_EQ(back.fna_num, list.fna_num) << text;
    for (int i = 0; i < list.fna_num; ++i) {
      EXPECT_EQ(back.fna[i]->fname, list.fna[i]->fname) << i;
      EXPECT_EQ(back.fna[i]->pnum, list.fna[i]->pnum) << i;
    }
  }
  // Ordinary keys are written as they always were.
  PositionList plain;
  ParsePositions("morgue.txt\n0\nbeta.txt\n44\n", "", &plain, &unused);
  EXPECT_EQ(FormatPositions(plain, "\n"), "morgue.txt\n0\nbeta.txt\n44\n");
}

// The parser alone, on the forms a hand-edited or damaged file takes.
TEST(ParsePositionsTest, NumbersAsScanfReadsThemClampedToAnInt) {
  PositionList list;
  int number = -1;
  EXPECT_TRUE(ParsePositions("a.txt\n  +12x\nb.txt\n-0\nc.txt\n99999999999999999\n"
                             "d.txt\n-99999999999\n",
                             "d", &list, &number));
  EXPECT_EQ(number, -2147483647);
  ASSERT_EQ(list.fna_num, 5);
  // "+12x": 12 is read and the rest of its line, "x", is the next key; that
  // entry's number ("b.txt") reads nothing and counts as 0.
  EXPECT_EQ(list.fna[0]->fname, "a");
  EXPECT_EQ(list.fna[0]->pnum, 12);
  EXPECT_EQ(list.fna[1]->fname, "x\n");
  EXPECT_EQ(list.fna[1]->pnum, 0);
  EXPECT_EQ(list.fna[2]->fname, "b");
  EXPECT_EQ(list.fna[3]->fname, "c");
  EXPECT_EQ(list.fna[3]->pnum, 2147483647);
}

TEST(ParsePositionsTest, KeysAreCutAndTheLastMatchDecides) {
  PositionList list;
  int number = 5;
  EXPECT_FALSE(ParsePositions("alpha.txt\n3\n", "beta", &list, &number));
  EXPECT_EQ(number, 5);  // untouched when the key is not there

  // A 600-byte line is read as a 511-byte line, then the rest as a number
  // (none) and the next key.
  list = {};
  const std::string text = std::string(600, 'k') + ".txt\n7\nbeta.txt\n1\nbeta.txt\n2\n";
  EXPECT_TRUE(ParsePositions(text, "beta", &list, &number));
  EXPECT_EQ(number, 2);
  ASSERT_EQ(list.fna_num, 4);
  EXPECT_EQ(list.fna[0]->fname, std::string(79, 'k'));
  EXPECT_EQ(list.fna[0]->pnum, 0);
  EXPECT_EQ(list.fna[1]->fname, std::string(79, 'k'));
  EXPECT_EQ(list.fna[1]->pnum, 7);
}

TEST(WorkKeyTest, ResourceNameIsTheKey) {
  EXPECT_EQ(WorkKey("great_velmor_the"), "great_velmor_the");
  EXPECT_EQ(WorkKey("readme"), "readme");
}

}  // namespace
}  // namespace shiori::testing
