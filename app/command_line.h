// The command line: a work number, the mode suffixes, work files, and the
// options that answer without starting the reader.
#pragma once

#include <optional>
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
  /// The first argument that is no file leads with the work number, taken
  /// as atoi reads it (an optional sign and the digits after any leading
  /// space; 0 without digits). Absent when no such argument is given.
  std::optional<int> work_number;
  /// The work number lies beyond int (where atoi's result is undefined): it
  /// is outside the catalog, as any number past its end is.
  bool work_number_outside_int = false;
  /// How many of the arguments that are no file end in r or R (dark text on
  /// white), and in y or Y (the readings in place of the kanji).
  int con_mode = 0;
  int rubyon_mode = 0;
  /// "--fit": open in the fitted view, whatever view was in use last.
  bool fit = false;
  /// "--width N": the fitted view's measure in display columns (0: the
  /// terminal's width, up to kComfortableMeasure).
  int width = 0;
};

/// The fitted view's measure on a terminal wider than this: lines longer
/// than about fifty characters are hard to follow back to their start.
inline constexpr int kComfortableMeasure = 100;
/// The narrowest measure "--width" takes: a row must hold a few characters.
inline constexpr int kMeasureMin = 20;
inline constexpr int kMeasureMax = 1000;

/// Reads |args| (the arguments after the program name) into everything the
/// reader starts from; nothing reads them again. "--help" (-h) or
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
