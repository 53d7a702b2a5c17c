// Writes PNG files in memory with libpng, in every form the decoder meets:
// truecolour, palette, grey of 1 to 16 bits, with alpha or a transparency
// chunk, with a gamma chunk, interlaced.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace shiori::pngtest {

struct PngPlan {
  int width = 1;
  int height = 1;
  int color_type = 2;  ///< PNG_COLOR_TYPE_*: 0 grey, 2 RGB, 3 palette, 4 grey+alpha, 6 RGBA
  int bit_depth = 8;
  bool interlaced = false;
  /// Samples of pixel (x, y) in the file's order (grey; R G B; index; ...),
  /// each at the bit depth.
  std::function<std::vector<int>(int x, int y)> sample;
  std::vector<std::array<std::uint8_t, 3>> palette;  ///< colour type 3
  std::vector<std::uint8_t> palette_alpha;          ///< tRNS for a palette
  std::optional<std::array<int, 3>> trns_colour;    ///< tRNS for grey ([0]) or RGB
  std::optional<double> gamma;                      ///< gAMA chunk
};

/// The PNG file for |plan|.
std::vector<std::uint8_t> MakePng(const PngPlan& plan);

/// A truecolour 8-bit PNG whose pixel (x, y) is |rgb(x, y)|.
std::vector<std::uint8_t> MakeRgbPng(int width, int height,
                                     const std::function<std::array<int, 3>(int, int)>& rgb,
                                     bool interlaced = false);

/// A colour that differs from pixel to pixel, for pictures whose every
/// pixel must land in its place.
std::array<int, 3> PatternColour(int x, int y);

}  // namespace shiori::pngtest
