// Speech: the collector that cuts shown text into utterances, the re-colouring
// of spoken rows, and G_TTS.
#pragma once

#include <string>
#include <string_view>

namespace shiori {

class Reader;

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

/// Speaks a code page 932 text; returns when the speech has ended.
void G_TTS(Reader& r, std::string_view text);
/// Collector step for row |i| of the page being shown.
void tts_feed_line(Reader& r, int i);
/// Re-colouring step for row |i|, right after tts_feed_line(i).
void tts_recolor(Reader& r, int i);
/// The 't' key: toggles speech; switched on, the cursor goes back to the
/// page's first row, so that the page is drawn again in place.
void tts_toggle(Reader& r);

}  // namespace shiori
