// The fitted view on the screen: its pages drawn from the top of the whole
// screen with a status line on the last row, its search highlight and
// spoken sentence, the switch between the two views, and the relayout after
// a resize. Positions stay in the classic view's row counter.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "app/reading_view.h"
#include "text/fitted_layout.h"

namespace shiori {

class Reader;
class TextCodec;

/// What the fitted view keeps between pages.
struct FittedState {
  bool on = false;           ///< the view in use
  bool whole_screen = false; ///< the whole screen is held (left at any exit)
  int width_option = 0;      ///< "--width": the measure asked for (0: none)
  bool show_ruby = true;     ///< the 'u' key
  int pages = 0;             ///< the last page's number with the options in use
  int screen_rows = 24;      ///< the terminal's height when laid out
  int screen_columns = 80;
  int search_from = 1;       ///< the page a search that finds nothing returns to
  /// The search word as the fitted rows are searched (see FittedSearchKey),
  /// and the code page 932 word it was made for.
  std::string search_key;
  std::string search_key_for;
  /// Said on the status line of the next page drawn (a search backward
  /// that found nothing).
  std::string notice;
  int speech_first = 0;      ///< first row of the page not yet spoken whole
  /// The line a relayout keeps on screen (and the byte in it of the page's
  /// first character), and whether the page on screen
  /// was reached by a relayout (then its own top line may have begun on
  /// the page before, and taking it would walk back a page a resize).
  std::size_t anchor = 0;
  std::size_t anchor_byte = 0;
  bool relaid = false;
};

/// The fitted view's answers to the navigation keys.
class FittedView final : public ReadingView {
 public:
  explicit FittedView(Reader& r) : r_(r) {}
  std::size_t TopLine() override;
  int PageOfLine(std::size_t offset) override;
  /// One pass for all of them (the contents of a long work ask for many).
  std::vector<int> PagesOfLines(const std::vector<std::size_t>& offsets) override;
  int LastPage() override;
  void JumpToLine(std::size_t offset) override;
  void JumpToPage(int number) override;
  int MarkRows() override;
  int PageOfMark(int rows) override;
  void JumpToRows(int rows) override;
  void SearchBackward() override;

 private:
  Reader& r_;
};

/// The options a screen of |columns| x |rows| gives: the measure is the
/// width asked for (0: the screen's, at most kComfortableMeasure), never
/// wider than the screen, and a page is the screen less its status line.
FitOptions FitOptionsFor(int columns, int rows, int width_option, bool show_ruby,
                         int rubyon_mode);

/// The fitted view begins at the line holding classic row |classic_rows|
/// (0: the top): the whole screen taken, the text laid out for its size.
/// The reading loop reads the text again from its top.
void fitted_enter(Reader& r, int classic_rows);
/// Back to the classic view at the source line on screen.
void fitted_leave(Reader& r);
/// The terminal changed size, or the options did: laid out again, the
/// source line on screen kept on screen.
void fitted_relayout(Reader& r);
/// One page back (the layout read again from the top, pages passed over).
void fitted_page_back(Reader& r);
/// Gives the whole screen back (an exit, a switch): idempotent.
void fitted_release_screen(Reader& r);

/// Draws the complete page: rows, then the status line on the last row. A
/// search pending passes a page without a hit without drawing anything.
void fitted_show_page(Reader& r);
/// The text has ended: the rows left make the last page, drawn even when a
/// jump looked for a place past it; true when there were any.
bool fitted_show_last_page(Reader& r);
/// Writes |text| (code page 932) over the status line, cut to the screen.
void fitted_status_notice(Reader& r, std::string_view text);
/// A search pending met the end of the text: the page it started from is
/// shown again after a line that says so.
void fitted_search_fail(Reader& r);
/// The 's' prompt on the status line: false when the input ended.
bool fitted_search_prompt(Reader& r);
/// The search word asked for on the status line, typed in UTF-8 (a gaiji
/// typed finds the gaiji shown): false when the input ended.
bool fitted_read_search_word(Reader& r);

/// A line a key has to say (a prompt, an answer): in the fitted view over
/// its status line, which a line feed there would scroll away; in the
/// classic view a line of its own.
void say_line(Reader& r, std::string_view line);

/// The shown page's text in code page 932 (ruby and gaiji left out), for
/// the readings list.
std::string fitted_page_text(Reader& r);

/// |word| (code page 932) as the fitted rows are searched: gaiji shown on a
/// row are matched by a key of their own, so a word holding one is given in
/// UTF-8 and each character code page 932 lacks becomes that key.
std::string FittedSearchKey(std::string_view utf8_word, const TextCodec& codec);
/// The key of one gaiji character as the search sees it on a row.
std::string GaijiSearchKey(const GaijiChar& c);

}  // namespace shiori
