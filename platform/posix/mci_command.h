// The multimedia command strings the reader sends, parsed into their parts.
#pragma once

#include <string>

namespace shiori {

enum class MciVerb { kOpen, kPlay, kStatusMode, kStop, kClose };

struct MciCommand {
  MciVerb verb = MciVerb::kClose;
  std::string alias;
  std::string file;     ///< kOpen: the file, without its quotes
  bool has_from = false;  ///< kPlay: "from <ms>" was given
  long from_ms = 0;
  bool notify = false;
};

/// Parses one command; false for anything this device does not understand.
///   open <file> alias <name>     <file> in double quotes may hold blanks;
///                                unquoted, it runs up to the last " alias "
///   play <name> [from <ms>] [notify]
///   status <name> mode
///   stop <name> [notify]         close <name> [notify]
/// Words are case-insensitive, as the multimedia service takes them.
bool ParseMciCommand(const std::string& command, MciCommand* out);

}  // namespace shiori
