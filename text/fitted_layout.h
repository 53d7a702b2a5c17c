// The fitted layout: rows as wide as the terminal in display columns, pages
// as tall as it, and the text as printed: gaiji as their characters, ruby
// beside its base, emphasis, headings, indentation and page breaks. It reads
// the raw lines (annotations and all) and keeps the classic view's row
// counter beside its own pages, so that a position means the same source
// line in both views.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "text/gaiji.h"
#include "text/layout.h"

namespace shiori {

/// Styles a piece of a row is drawn in; a terminal without one draws the
/// piece plainly.
enum FitStyle : std::uint8_t {
  kFitBold = 1,       ///< 太字, headings
  kFitUnderline = 2,  ///< 傍線 and 傍点 kinds
  kFitItalic = 4,     ///< 斜体
  kFitSubdued = 8,    ///< ruby beside its base
};

struct FitOptions {
  int columns = 80;  ///< the measure: display columns a row may take
  int rows = 23;     ///< rows a page holds (the terminal's height less the status line)
  /// Characters of ambiguous East Asian width take two columns (a CJK
  /// console) instead of one (most terminals elsewhere).
  bool ambiguous_wide = false;
  bool show_ruby = true;  ///< ruby drawn after its base; off: dropped
  int rubyon_mode = 0;    ///< > 0: the reading in place of its base, as the classic `y` mode
};

/// A run of one style on a row: code page 932 bytes, or one gaiji.
struct FitPiece {
  std::string text;  ///< code page 932; empty for a gaiji
  GaijiChar gaiji;   ///< n > 0: this piece is that character
  std::uint8_t style = 0;
  int columns = 0;
};

struct FittedRow {
  int indent = 0;  ///< blank columns before the first piece
  std::vector<FitPiece> pieces;
  int columns = 0;            ///< indent and pieces together, never above the measure
  std::size_t line = 0;       ///< offset in the text of the source line it comes from
  bool heading = false;
  std::string illustration;   ///< an illustration marker's row: the picture's name
};

class FittedLayout final : public Layout {
 public:
  explicit FittedLayout(const FitOptions& options);
  ~FittedLayout() override;
  FittedLayout(const FittedLayout&) = delete;
  FittedLayout& operator=(const FittedLayout&) = delete;
  /// Starts over with |options| from the top of a text (the reading loop
  /// rewinds its stream): counters at zero, nothing to pass over.
  /// Where pages began (the page index) is kept with the same options, so
  /// that showing a page again need not lay out the lines before it; a
  /// changed text is told by its lines.
  void Reset(const FitOptions& options);
  const FitOptions& Options() const { return options_; }

  bool Place(const SourceLine& line) override;
  bool PageToShow() const override;
  bool TurnPage() override;
  int RowWidth() const override { return options_.columns; }
  /// The complete page's number, from 1.
  int PageNumber() const override;

  /// The rows of the complete page, at most Options().rows.
  std::span<const FittedRow> PageRows() const;
  /// Offset of the source line that holds the complete page's first character.
  std::size_t TopLine() const;
  /// The classic view's row counter (count[kRowsRead]) once the first row of
  /// TopLine()'s line is counted: the value a position saves, which opens
  /// at that line in either view.
  int ClassicRowsAtTop() const;
  /// Byte, within TopLine()'s line, of the complete page's first character:
  /// 0 when the page begins with the line (or with a row of no text). With
  /// TopLine() it finds the same character at another size.
  std::size_t TopByte() const;
  /// Bytes of the text read up to the end of the complete page (the status
  /// line's percentage).
  std::size_t BytesRead() const;
  /// Whether rows wait on the page being filled (at the end of a text: the
  /// last page, not full).
  bool HasRows() const;

  /// Lays out the whole of |text| with these options (no rows kept), for the
  /// pages it makes, and keeps where they begin as the page index, so that
  /// showing any of them next need not lay out the lines before it. The
  /// index takes in the lines whose classic rows |known| gives: the text's
  /// first lines, in order (the lines read so far). Returns the pages.
  int IndexPages(std::string_view text, std::span<const LineClassicRows> known);

  /// Pages before the one that holds the character at byte |byte| of the
  /// line at |offset| are passed over (not shown); byte 0 is the line's
  /// first character.
  void ShowFromLine(std::size_t offset, std::size_t byte = 0);
  /// Pages before page |number| are passed over.
  void ShowFromPage(int number);
  /// Pages before the one holding the first line whose classic rows reach
  /// |classic_rows| (a saved position) are passed over; 0 shows the first.
  void ShowFromClassicRows(int classic_rows);

 private:
  struct Impl;
  FitOptions options_;
  std::unique_ptr<Impl> impl_;
};

/// The pages the whole of |text| makes with |options|: one pass, no rows kept.
int FittedPageCount(std::string_view text, const FitOptions& options);

/// Display columns of code page 932 text, and of one code point.
int Cp932Columns(std::string_view text, bool ambiguous_wide);
int CodePointColumns(char32_t cp, bool ambiguous_wide);

}  // namespace shiori
