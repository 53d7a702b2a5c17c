// The open-file dialog's filter and the console window lookup.
#include "platform/win32/dialog_win32.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace shiori {
namespace {

TEST(DialogFilterTest, PairsAreNulSeparatedAndTheListEndsWithTwoNuls) {
  const std::string f = DialogFilter({{"MP3ファイル(*.mp3)", "*.mp3"}, {"all", "*.*"}});
  // The array's own terminating NUL is the list's final one.
  const char want[] = "MP3ファイル(*.mp3)\0*.mp3\0all\0*.*\0";
  EXPECT_EQ(f, std::string(want, sizeof want));
  EXPECT_EQ(DialogFilter({}), std::string(1, '\0'));
}

TEST(GetConsoleHwndTest, TheConsoleTitleIsRestored) {
  char before[1024] = {};
  DWORD had = GetConsoleTitleA(before, sizeof before);
  DWORD start = GetTickCount();
  HWND found = static_cast<HWND>(GetConsoleHwnd());
  EXPECT_GE(GetTickCount() - start, 30u) << "the 40 ms wait for the new title";
  char after[1024] = {};
  DWORD has = GetConsoleTitleA(after, sizeof after);
  EXPECT_EQ(had, has);
  EXPECT_STREQ(before, after);
  // A window found is the console's own; wine finds none.
  if (found != nullptr) {
    EXPECT_EQ(found, GetConsoleWindow());
  }
}

}  // namespace
}  // namespace shiori
