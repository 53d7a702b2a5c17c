// Finding one's way in a work: the contents ('j'), go to ('g'), the search
// backward ('b') and the bookmarks ('k'), and the jumps of the classic view
// that they make: the text read again from its top, as a page back does,
// until the page to show; at most one pass, and no page kept but one.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "app/bookmarks.h"

namespace shiori {

class Reader;

struct NavState {
  enum class Jump {
    kNone,
    kToRows,    ///< the page a saved position of page.lline rows shows
    kToLine,    ///< the page on which the line at |line| begins
    kBackward,  ///< the last page before the one at page.lline holding the word
  };
  Jump jump = Jump::kNone;
  std::size_t line = 0;
  /// A page passed on the way, to show when the one asked for is not
  /// reached: the last complete page (a jump past the end) or the last page
  /// holding the word (the search backward). Its rows and counters, and
  /// where the text is read on from.
  struct KeptPage {
    bool taken = false;
    int count[10] = {};
    int pline_num = 0;
    int pg = 0;
    int mae_p = 0;
    std::vector<std::string> rows;
    bool rows_copied = false;  ///< else they are still in page_buff[pg]
    std::size_t read_at = 0;
  } kept;
  Bookmarks marks;
};

// --- the reading loop, over the classic layout ---

/// A complete page that is not to be shown: true when it is the one a jump
/// was looking for (page.lline is moved to it).
bool nav_page_passed(Reader& r);
/// A page is about to be shown: the end of a jump. The search backward
/// brings back the page it kept, or says that it found nothing.
void nav_page_reached(Reader& r);
/// The end of the text: true when a jump went past the last complete page,
/// which is then brought back to be shown.
bool nav_end_of_text(Reader& r);
/// Starts a jump of the classic view: counters and text back to the top.
/// |rows| is page.lline for kToRows and kBackward; |line| for kToLine.
void classic_jump(Reader& r, NavState::Jump kind, int rows, std::size_t line);

// --- the keys; true when a jump was armed (the reading loop goes on) ---

/// 'j': the contents and the bookmarks, a number to jump.
bool contents_key(Reader& r);
/// 'g': a page, a percentage, the start or the end.
bool goto_key(Reader& r);
/// 'b': the search backward (asks for the word when there is none yet).
bool search_back_key(Reader& r);
/// 'k': a bookmark at the page on screen, or off again.
void bookmark_key(Reader& r);

/// What the go-to prompt takes. False for anything else.
struct GotoTarget {
  enum class Kind { kPage, kPercent, kStart, kEnd };
  Kind kind = Kind::kPage;
  int number = 0;
};
bool ParseGoto(const std::string& answer, GotoTarget* target);

}  // namespace shiori
