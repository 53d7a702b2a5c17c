// Background music and the playlist file "mmsys.ini".
#pragma once

#include <string>
#include <vector>

namespace shiori {

class Reader;

constexpr int SetT = 200;  ///< timer period in ms

struct MusicState {
  std::vector<std::string> mm_name;  ///< playlist entries, used verbatim
  int mm_num = 0;
  int mmsys_flag = -1;  ///< -1 none opened yet, 1 playing (looping), 0 stopped
  int mae_mm = -1;
};

/// Loads "mmsys.ini" (created holding "0\n" when missing).
void mm_load(Reader& r);
/// The 'm' key: list, choose, add through the file dialog, or stop.
void mm_select(Reader& r);
/// The key wait while music plays: restarts a finished track on timer ticks.
int mm_wait_key(Reader& r);
/// Exit: stops the music and writes the playlist.
void mm_exit(Reader& r);

}  // namespace shiori
