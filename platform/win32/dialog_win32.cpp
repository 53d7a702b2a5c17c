#include "platform/win32/dialog_win32.h"

#include <direct.h>
#include <windows.h>
#include <commdlg.h>

#include <cstdio>
#include <cstring>

// The interface's method shares its name with the header's A/W macro.
#undef GetOpenFileName

namespace shiori {

void* GetConsoleHwnd() {
  constexpr int MY_BUFSIZE = 1024;
  char old_title[MY_BUFSIZE] = {};
  char new_title[MY_BUFSIZE];
  GetConsoleTitleA(old_title, MY_BUFSIZE);
  std::snprintf(new_title, sizeof new_title, "%d/%d", static_cast<int>(GetTickCount()),
                static_cast<int>(GetCurrentProcessId()));
  SetConsoleTitleA(new_title);
  Sleep(40);  // the new title takes a moment to reach the window
  HWND found = FindWindowA(nullptr, new_title);
  SetConsoleTitleA(old_title);
  return found;
}

std::string DialogFilter(const std::vector<FileFilter>& filters) {
  std::string out;
  for (const FileFilter& f : filters) {
    out += f.description;
    out.push_back('\0');
    out += f.patterns;
    out.push_back('\0');
  }
  out.push_back('\0');
  return out;
}

struct WinDialog::State {
  bool filled = false;
  OPENFILENAMEA ofn;
  char file[260];
  std::string filter;
  std::string title;
  std::string initial_dir;
};

WinDialog::WinDialog() : state_(std::make_unique<State>()) {}

WinDialog::~WinDialog() = default;

std::string WinDialog::GetOpenFileName(const std::string& title,
                                       const std::vector<FileFilter>& filters,
                                       const std::string& initial_dir) {
  State& s = *state_;
  HWND owner = static_cast<HWND>(GetConsoleHwnd());
  if (!s.filled) {
    s.filled = true;
    s.filter = DialogFilter(filters);
    s.title = title;
    s.initial_dir = initial_dir;
    // No folder given: the working directory, as it is at this first call.
    char here[MAX_PATH] = {};
    if (s.initial_dir.empty() && _getcwd(here, sizeof here) != nullptr) s.initial_dir = here;
    std::memset(&s.ofn, 0, sizeof s.ofn);
    std::memset(s.file, 0, sizeof s.file);
    s.ofn.lStructSize = sizeof s.ofn;
    s.ofn.hwndOwner = owner;
    s.ofn.lpstrFilter = s.filter.c_str();
    s.ofn.lpstrFile = s.file;
    s.ofn.nMaxFile = sizeof s.file;
    s.ofn.lpstrInitialDir = s.initial_dir.empty() ? nullptr : s.initial_dir.c_str();
    s.ofn.lpstrTitle = s.title.c_str();
    s.ofn.Flags = OFN_FILEMUSTEXIST;
  }
  char cwd[MAX_PATH] = {};
  bool have_cwd = _getcwd(cwd, sizeof cwd) != nullptr;
  BOOL chosen = GetOpenFileNameA(&s.ofn);
  if (have_cwd) _chdir(cwd);
  if (!chosen) return "";
  return s.file;
}

}  // namespace shiori
