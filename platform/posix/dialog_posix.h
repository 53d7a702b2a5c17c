// The open-file dialog on POSIX: a question asked in the terminal.
#pragma once

#include <string>
#include <vector>

#include "platform/console.h"
#include "platform/media.h"

namespace shiori {

/// Prints the dialog's title and its first filter, then reads a path typed
/// on one line in the terminal's normal mode (echoed, editable). A leading
/// "~" or "~user" is the home folder; a relative path is taken from the
/// dialog's initial folder; a path dropped into the terminal in quotes or
/// with backslash-escaped blanks is understood. The answer must name an
/// existing regular file: otherwise the question is asked again. An empty
/// answer, or the end of input, cancels (empty result). The path is returned
/// as typed (file-system bytes, not converted to code page 932).
class PosixFileDialog : public FileDialog {
 public:
  /// Reads from |in_fd| (0, the standard input) a byte at a time, so nothing
  /// beyond the answer's line is taken from the input. |output| shows the
  /// code page 932 title; it may be null (nothing is shown).
  PosixFileDialog(int in_fd, ConsoleBuffer* output) : fd_(in_fd), output_(output) {}

  std::string GetOpenFileName(const std::string& title, const std::vector<FileFilter>& filters,
                              const std::string& initial_dir) override;

  /// The longest answer taken; a longer line is refused as a whole.
  static constexpr std::size_t kMaxAnswer = 4096;

 private:
  enum class Line { kRead, kTooLong, kEnd };
  Line ReadLine(std::string* line);
  void Say(const std::string& text);

  int fd_;
  ConsoleBuffer* output_;
};

/// The file an answer names, from |initial_dir| for a relative path: the
/// forms tried in order (as typed; then without enclosing quotes, trailing
/// blanks and shell backslash escapes), each with "~" expanded.
std::vector<std::string> DialogPathCandidates(const std::string& answer,
                                              const std::string& initial_dir);

}  // namespace shiori
