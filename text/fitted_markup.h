// The fitted view's reading of a raw line: the characters it shows (gaiji as
// their characters, ruby beside its base), the style of each, and what the
// annotations say about the line (indentation, alignment, page breaks,
// headings, illustrations). Annotations never show as text.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "text/fitted_layout.h"

namespace shiori {

/// One character of an enriched line.
/// (Trivial, so that a line's cells are made room for without a loop.)
struct FitCell {
  std::uint32_t at;  ///< offset of its bytes in EnrichedLine::bytes, or index in gaiji
  std::uint8_t len;  ///< bytes (1 or 2); 0 for a gaiji
  std::uint8_t style;
  std::uint8_t cols;
  std::uint8_t flags;  ///< kCellRuby, kCellKanji
};

/// Leaves the cells it makes room for uninitialised: each is written before
/// it is read.
template <typename T>
struct UninitialisedAllocator : std::allocator<T> {
  template <typename U>
  struct rebind {
    using other = UninitialisedAllocator<U>;
  };
  UninitialisedAllocator() = default;
  template <typename U>
  UninitialisedAllocator(const UninitialisedAllocator<U>&) {}
  template <typename U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <typename U, typename... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};

enum FitCellFlag : std::uint8_t {
  kCellRuby = 1,   ///< part of a reading (or its brackets) set beside its base
  kCellKanji = 2,  ///< may be a ruby base found by scanning back
};

struct EnrichedLine {
  std::string bytes;  ///< code page 932 bytes of the cells
  std::vector<FitCell, UninitialisedAllocator<FitCell>> cells;
  std::vector<GaijiChar> gaiji;
  /// The cells that are not two columns wide, in order (most are two).
  struct OddCell {
    std::uint32_t index;
    std::uint32_t after;  ///< columns of the cells up to and including it
  };
  std::vector<OddCell, UninitialisedAllocator<OddCell>> odd;
  /// The cells that stand for a gaiji's note (its character, or 〓), in
  /// order, and where the note begins in the line.
  struct NoteCell {
    std::uint32_t index;
    std::uint32_t at;
  };
  std::vector<NoteCell> notes;
  int indent = 0;       ///< columns before the first row
  int wrap_indent = 0;  ///< columns before the rows it wraps onto
  bool right = false;   ///< rows set against the end of the measure
  int raise = 0;        ///< columns kept free at the end when |right|
  bool break_before = false;  ///< a new page starts with this line
  bool break_after = false;   ///< a new page starts after it
  int heading = 0;            ///< 1 large, 2 medium, 3 small; 0 body text
  bool markup = false;        ///< the line holds an annotation
  std::string illustration;   ///< a picture's name (without ".png")
  std::string caption;        ///< code page 932

  void Clear();
  /// The line shows nothing and adds no row: annotations alone.
  bool MarkupOnly() const { return markup && cells.empty() && illustration.empty(); }
};

/// What block annotations leave open from one line to the next.
struct MarkupState {
  int block_indent = -1;  ///< ここからN字下げ: first rows; -1 outside a block
  int block_wrap = 0;     ///< its wrapped rows
  bool block_right = false;
  int block_raise = 0;
  int style_depth[3] = {};  ///< open ranges of bold, underline, italic
  int heading_depth = 0;
  int heading_level = 0;
};

/// Reads |raw| (code page 932, annotations and all) into |out|.
void EnrichLine(std::string_view raw, const FitOptions& options, MarkupState* state,
                EnrichedLine* out);

/// The hint set after an illustration's caption (code page 932): the key that shows it.
std::string_view IllustrationHint();

}  // namespace shiori
