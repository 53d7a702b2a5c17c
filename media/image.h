// Illustrations: markers in the text, the image list, decoding, the window.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/media.h"

namespace shiori {

class Reader;

struct ImageState {
  /// Name cut from the most recent image marker shown; empty until the first.
  /// Always shorter than kPnameSize bytes.
  std::string pname;
  /// Name of the image being shown (at most kImageNameSize - 1 bytes).
  std::string image_name;
};

/// The marker name buffer holds 59 bytes and its terminator.
constexpr std::size_t kPnameSize = 60;
constexpr std::size_t kImageNameSize = 256;

/// Decoded images larger than this many bytes are refused (none), so a
/// damaged or hostile header cannot ask for gigabytes.
constexpr std::uint64_t kMaxDibBytes = std::uint64_t{1} << 28;

/// The image-marker step for one text line (before filtering). The caller has
/// checked that a display is due (no search, count[1] >= lline). A ".png"
/// without a "fig" between the previous marker and it, or whose name would be
/// kPnameSize bytes or longer, is skipped: no name line, no cue, no window.
void image_marker_step(Reader& r, std::string_view line);
/// The 'p' key: the image list, a number, the window.
void image_list(Reader& r);
/// Opens the window for the image resource |name|; 0 after a normal close,
/// 1 when no window could be created (a message box has said so).
int show_wind(Reader& r, const std::string& name);
/// Decodes a PNG held in memory into a bottom-up BGR(A) bitmap; none when
/// libpng reports an error, the data ends early or the image is too large,
/// and then *why (when given) is one line of ASCII saying which.
std::optional<Dib> load_png_dib(std::span<const std::uint8_t> bytes,
                                std::string* why = nullptr);

}  // namespace shiori
