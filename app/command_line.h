// The command line: a work number, the mode suffixes, work files, and the
// options that answer without starting the reader.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace shiori {

struct CommandLine {
  enum class Action { kRead, kHelp, kVersion, kBadOption };
  Action action = Action::kRead;
  /// The option that is not known (kBadOption).
  std::string bad_option;
  /// Arguments ending in ".zip" or ".txt" (any case): works to read from
  /// disk, in the order given. Their last letter switches no mode.
  std::vector<std::string> files;
  /// Every other argument, in order: the work number (the first of them
  /// when no file is named) and the r/y suffixes (every one of them).
  std::vector<std::string> others;
};

/// Sorts |args| (the arguments after the program name). "--help" (-h) or
/// "--version" (-V) anywhere asks for that answer alone, and an option that
/// is not known for the usage; the first of them decides. An option is an
/// argument that starts with "-" and a character other than a digit ("-1"
/// is a work number); after "--" every argument is a work number or file.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

/// What "--help" prints: arguments, suffixes, keys and files.
std::string_view UsageText();
/// What "--version" prints.
std::string_view VersionText();

}  // namespace shiori
