// Speech: the collector that cuts shown text into utterances, the re-colouring
// of spoken rows, and G_TTS.
#pragma once

#include <string>
#include <string_view>

#include "cconsole/terminal_port.h"
#include "platform/platform.h"
#include "text/pager.h"
#include "text/search.h"

namespace shiori {

constexpr int max_sp_strlen = 4000;

/// What SpeechState::sp_flash says the last row fed has spoken.
constexpr int kSpokeNothing = 0;
constexpr int kSpokeSentence = 1;   ///< up to a sentence end ("。")
constexpr int kSpokeLengthCut = 2;  ///< a piece cut for its length

struct SpeechState {
  int s_flag = 0;          ///< speech on
  std::string sp_str;      ///< text handed over but not yet spoken
  int sp_flash = kSpokeNothing;  ///< kSpokeNothing, kSpokeSentence or kSpokeLengthCut
  int sfirst_line = 0;
  int sfirst_pg = 0;
  int sfirst_pline_num = 22;
};

/// Speaks a code page 932 text on |plat|'s engine (the screen flushed
/// first); returns when the speech has ended.
void G_TTS(Platform& plat, std::string_view text);
/// Collector step for one row shown; nothing is collected while |searching|.
void tts_feed_line(SpeechState& sp, Platform& plat, std::string_view row, bool searching);
/// Re-colouring step for row |i| of |page|, right after the row was fed.
void tts_recolor(SpeechState& sp, TerminalPort& term, const PageState& page,
                 const SearchState& search, int i);
/// The 't' key: toggles speech; switched on, the cursor goes back to the
/// page's first row (|pline_num| rows up), so that the page is drawn again in
/// place.
void tts_toggle(SpeechState& sp, TerminalPort& term, int pline_num);

}  // namespace shiori
