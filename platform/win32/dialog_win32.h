// The open-file dialog (GetOpenFileNameA) and the console window lookup.
#pragma once

#include <memory>

#include "platform/media.h"

namespace shiori {

/// The console window (an HWND), found by giving the console a unique title
/// for a moment; null when no top-level window has that title.
void* GetConsoleHwnd();

/// One dialog description for the life of the object, filled at the first
/// call: owner (the console window), initial folder, filter, title and a
/// 260-byte file-name buffer kept between calls; only OFN_FILEMUSTEXIST.
/// The working directory is the same after the dialog as before it, so the
/// data files stay where they were.
class WinDialog : public FileDialog {
 public:
  WinDialog();
  ~WinDialog() override;
  std::string GetOpenFileName(const std::string& title, const std::vector<FileFilter>& filters,
                              const std::string& initial_dir) override;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

/// The filter as the dialog takes it: description, NUL, patterns, NUL, ...,
/// and a final NUL.
std::string DialogFilter(const std::vector<FileFilter>& filters);

}  // namespace shiori
