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
  std::string pname;  ///< name cut from the most recent image marker
};

/// The image-marker step for one text line (before filtering).
void image_marker_step(Reader& r, std::string_view line);
/// The 'p' key: the image list, a number, the window.
void image_list(Reader& r);
/// Opens the window for the image resource |name|; 0 after a normal close,
/// 1 when no window could be created.
int show_wind(Reader& r, const std::string& name);
/// Decodes a PNG held in memory into a bottom-up BGR(A) bitmap.
std::optional<Dib> load_png_dib(std::span<const std::uint8_t> bytes);

}  // namespace shiori
