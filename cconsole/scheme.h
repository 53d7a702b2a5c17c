// The colour scheme: which pair every kind of coloured output uses, in the
// normal mode and in the reverse mode. Every coloured output goes through it.
#pragma once

#include <cstdint>
#include <string_view>

#include "cconsole/cconsole.h"

namespace shiori {

enum class Paint {
  kNormal,          ///< normal text of the mode
  kLoadingStart,    ///< "読み込み中・・・" at start-up
  kLoadingChange,   ///< "読み込み中・・・" on a change of work
  kImageName,       ///< image name cut from a text marker, the chosen image
  kRowSpeech,       ///< page rows while speech is on
  kSearchHit,       ///< the hit that ends a running search
  kOccurrence,      ///< later occurrences of the search string
  kLastPageHit,     ///< hit or occurrence on the final partial page
  kNotFoundWord,    ///< the word after "not found "
  kStatus,          ///< status line, quit and end notices
  kBannerFrame,     ///< "[ --- " and " --- ]"
  kBanner1,
  kBanner2,
  kBanner3,
  kListHighlight,   ///< image list entry equal to the last marker name
  kExitReset,       ///< colours left on exit in reverse mode
};

struct ColourPair {
  std::uint16_t fore;
  std::uint16_t back;
};

/// The pair for |paint| in the mode (|con_mode| > 0: reverse).
ColourPair SchemeColour(Paint paint, int con_mode);

/// Sets the pair for |paint|.
void SetPaint(CConsole& cnsl, Paint paint, int con_mode);

/// Writes |text| in |paint|'s colours and sets the normal colours again, so a
/// reset cannot be forgotten.
void WritePainted(CConsole& cnsl, Paint paint, int con_mode, std::string_view text);

}  // namespace shiori
