// Background music and the playlist file "mmsys.ini".
#pragma once

#include <string>
#include <vector>

#include "cconsole/terminal_port.h"
#include "platform/platform.h"

namespace shiori {

constexpr int SetT = 200;  ///< timer period in ms
/// The playlist file, in the working directory.
constexpr const char* init_mm_name = "mmsys.ini";

struct MusicState {
  std::vector<std::string> mm_name;  ///< playlist entries, used verbatim
  int mm_num = 0;
  int mmsys_flag = -1;  ///< -1 none opened yet, 1 playing (looping), 0 stopped
  int mae_mm = -1;
  /// False when "mmsys.ini" exists but could not be read: writing it at exit
  /// would throw its entries away, so it is left alone.
  bool mm_loaded = true;
  /// The file dialog's initial folder, taken at its first use.
  std::string dialog_dir;
  bool dialog_dir_taken = false;
};

/// Loads "mmsys.ini" (created holding "0" and a line end when missing).
void mm_load(MusicState& m, TerminalPort& term, Platform& plat);
/// The 'm' key: list, choose, add through the file dialog, or stop.
void mm_select(MusicState& m, TerminalPort& term, Platform& plat);
/// The key wait while music plays: restarts a finished track on timer ticks.
/// A quit message ends the wait as the 'q' key.
int mm_wait_key(TerminalPort& term, Platform& plat);
/// Exit: stops the music and writes the playlist.
void mm_exit(MusicState& m, TerminalPort& term, Platform& plat);
/// The open-file dialog for a music file: the chosen full path, or empty.
std::string get_fname(MusicState& m, Platform& plat);

/// A playlist entry for |path|: the path in double quotes, each backslash
/// written twice when |double_backslashes| (by character: the second byte of
/// a double-byte character is never doubled).
std::string mm_entry(const std::string& path, bool double_backslashes);
/// Splits playlist file content into lines as a 512-byte line buffer reads
/// them: a longer line arrives in pieces of at most 511 bytes. Line ends
/// (LF, or CR LF) are removed.
std::vector<std::string> mm_file_lines(const std::string& content);

}  // namespace shiori
