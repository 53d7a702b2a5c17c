// The navigation keys of the real program in a pseudo-terminal, on a long
// work of the corpus: its contents and a jump from them, and go to 50%.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <string>
#include <filesystem>

#include "tests/support/corpus.h"
#include "tests/support/running_reader.h"

namespace shiori {
namespace {

std::string U8(const char8_t* s) { return std::string(reinterpret_cast<const char*>(s)); }

// The line of |text| that holds |what|.
std::string LineWith(const std::string& text, const std::string& what) {
  const std::size_t at = text.find(what);
  if (at == std::string::npos) return "";
  const std::size_t start = text.rfind('\n', at) + 1;
  return text.substr(start, text.find('\n', at) - start);
}

TEST(NavigationPtyTest, ContentsOfALongWorkListItsPartsAndChaptersAndGoToHalfWay) {
  SHIORI_NEEDS_CORPUS();
  char tmpl[] = "/tmp/shiori_nav_XXXXXX";
  const std::string dir = mkdtemp(tmpl);
  {
    testing::RunningReader r(dir, {corpus::Path("56656_ruby_74439.zip")});
    ASSERT_TRUE(r.WaitFor("(n)next", 20000));
    r.Type("j");
    // 40 rows: the first screenful, then the rest.
    ASSERT_TRUE(r.WaitFor("lines more (q:return page)"));
    r.Type(" ");
    ASSERT_TRUE(r.WaitFor("input number"));
    std::string list = r.seen().substr(r.seen().find(U8(u8"目次（見出しから）")));
    std::erase(list, '\r');
    // Parts, each followed by its numbered chapters.
    for (const char8_t* part : {u8"第一篇", u8"第二篇", u8"第六篇", u8"エピローグ"})
      EXPECT_NE(list.find(U8(part)), std::string::npos) << list;
    const std::size_t first = list.find(U8(u8"  第一篇\n"));
    ASSERT_NE(first, std::string::npos) << list;
    EXPECT_LT(first, list.find(U8(u8"    一\n")));
    EXPECT_LT(list.find(U8(u8"    一\n")), list.find(U8(u8"    二\n")));
    EXPECT_LT(list.find(U8(u8"    二\n")), list.find(U8(u8"  第二篇\n")));

    // "(NN) page PPP  第二篇": NN jumps to page PPP.
    const std::string entry = LineWith(list, U8(u8"第二篇"));
    ASSERT_EQ(entry.rfind("(", 0), 0u) << entry;
    const int number = std::atoi(entry.c_str() + 1);
    const int page = std::atoi(entry.c_str() + entry.find("page") + 4);
    ASSERT_GT(page, 1) << entry;
    r.Type(std::to_string(number) + "\n");
    ASSERT_TRUE(r.WaitFor("--- page " + std::to_string(page) + " ---", 20000)) << entry;
    // The part's title is on that page.
    const std::string shown = r.seen().substr(r.seen().rfind("input number"));
    EXPECT_NE(shown.find(U8(u8"第二篇")), std::string::npos);

    r.Type("g");
    ASSERT_TRUE(r.WaitFor("$ (end)"));
    r.Type("50%\n");
    ASSERT_TRUE(r.WaitFor("% ] ](q)end (n)next", 20000));
    const std::string status = LineWith(r.seen().substr(r.seen().rfind("$ (end)")), "% ]");
    const std::size_t dashes = status.rfind(" --- ");
    ASSERT_NE(dashes, std::string::npos) << status;
    const double percent = std::atof(status.c_str() + dashes + 5);
    EXPECT_GT(percent, 49.0) << status;
    EXPECT_LT(percent, 51.0) << status;
    r.Type("q");
    EXPECT_EQ(r.Wait(), 0);
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace shiori
