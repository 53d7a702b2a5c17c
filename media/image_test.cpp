// Decoding illustrations: every PNG form comes out as a bottom-up BGR(A)
// bitmap with padded rows, and damaged data never decodes or overreads.
#include "media/image.h"

#include <fcntl.h>
#include <png.h>
#include <unistd.h>

#include <cmath>
#include <gtest/gtest.h>

#include "tests/support/png_maker.h"

namespace shiori {
namespace {

using pngtest::MakePng;
using pngtest::MakeRgbPng;
using pngtest::PatternColour;
using pngtest::PngPlan;

// The bytes of pixel (x, y), counted from the top-left corner of the picture.
std::vector<int> PixelAt(const Dib& dib, int x, int y) {
  int bytes = dib.bits_per_pixel / 8;
  std::size_t at = static_cast<std::size_t>(dib.height - 1 - y) * dib.stride +
                   static_cast<std::size_t>(x) * bytes;
  std::vector<int> out;
  for (int i = 0; i < bytes; ++i) out.push_back(dib.pixels.at(at + i));
  return out;
}

// libpng's complaints about a damaged picture would land on the reader's
// screen; the decoder keeps them to itself. Captures what reaches stderr
// while it lives. The sanitizer build leaves stderr alone, where its own
// reports go (and there is nothing to take).
class StderrCapture {
 public:
#ifdef __SANITIZE_ADDRESS__
  std::string Take() { return ""; }
#else
  StderrCapture() { ::testing::internal::CaptureStderr(); }
  ~StderrCapture() {
    if (!taken_) ::testing::internal::GetCapturedStderr();
  }
  std::string Take() {
    taken_ = true;
    return ::testing::internal::GetCapturedStderr();
  }

 private:
  bool taken_ = false;
#endif
};

TEST(LoadPngDib, TruecolourRowsArePaddedToFourBytesAndStoredBottomUp) {
  // 377 pixels of 3 bytes: 1131 bytes a row, padded to 1132.
  std::vector<std::uint8_t> png = MakeRgbPng(377, 512, PatternColour);
  std::optional<Dib> dib = load_png_dib(png);
  ASSERT_TRUE(dib);
  EXPECT_EQ(dib->width, 377);
  EXPECT_EQ(dib->height, 512);
  EXPECT_EQ(dib->bits_per_pixel, 24);
  EXPECT_EQ(dib->row_bytes, 1131);
  EXPECT_EQ(dib->stride, 1132);
  ASSERT_EQ(dib->pixels.size(), 1132u * 512u);
  for (int y : {0, 1, 255, 511}) {
    for (int x : {0, 1, 200, 376}) {
      auto c = PatternColour(x, y);
      EXPECT_EQ(PixelAt(*dib, x, y), (std::vector<int>{c[2], c[1], c[0]})) << x << "," << y;
    }
  }
  // The first bytes of the pixel memory are the bottom row of the picture.
  auto bottom_left = PatternColour(0, 511);
  EXPECT_EQ(dib->pixels[0], bottom_left[2]);
  EXPECT_EQ(dib->pixels[2], bottom_left[0]);
  // The padding byte after each row is left as it was (zero).
  for (int n = 0; n < 512; ++n) EXPECT_EQ(dib->pixels[n * 1132 + 1131], 0) << n;
}

TEST(LoadPngDib, RowsWhoseLengthIsAMultipleOfFourAreNotPadded) {
  std::optional<Dib> dib = load_png_dib(MakeRgbPng(4, 3, PatternColour));
  ASSERT_TRUE(dib);
  EXPECT_EQ(dib->stride, 12);
  EXPECT_EQ(dib->row_bytes, 12);
  std::optional<Dib> odd = load_png_dib(MakeRgbPng(1, 2, PatternColour));
  ASSERT_TRUE(odd);
  EXPECT_EQ(odd->stride, 4);
  EXPECT_EQ(odd->row_bytes, 3);
}

// One PNG form and what two of its pixels must become.
struct FormCase {
  const char* name;
  PngPlan plan;
  int bits_per_pixel;
  std::vector<int> first;  ///< pixel (0, 0), B G R (A)
  std::vector<int> last;   ///< pixel (width - 1, height - 1)
};

std::vector<FormCase> FormCases() {
  std::vector<FormCase> cases;
  auto grey = [](int depth, int v0, int v1) {
    PngPlan s;
    s.width = 9;  // not a whole number of bytes at 1, 2 and 4 bits
    s.height = 3;
    s.color_type = PNG_COLOR_TYPE_GRAY;
    s.bit_depth = depth;
    s.sample = [v0, v1](int x, int y) { return std::vector<int>{x == 0 && y == 0 ? v0 : v1}; };
    return s;
  };
  cases.push_back({"grey 1-bit", grey(1, 1, 0), 24, {255, 255, 255}, {0, 0, 0}});
  cases.push_back({"grey 2-bit", grey(2, 2, 1), 24, {170, 170, 170}, {85, 85, 85}});
  cases.push_back({"grey 4-bit", grey(4, 15, 6), 24, {255, 255, 255}, {102, 102, 102}});
  cases.push_back({"grey 8-bit", grey(8, 7, 200), 24, {7, 7, 7}, {200, 200, 200}});
  cases.push_back({"grey 16-bit", grey(16, 0xAB80, 0x12FF), 24, {0xAB, 0xAB, 0xAB}, {0x12, 0x12, 0x12}});

  PngPlan grey_trns = grey(8, 40, 41);
  grey_trns.trns_colour = std::array<int, 3>{40, 0, 0};
  cases.push_back({"grey with tRNS", grey_trns, 32, {40, 40, 40, 0}, {41, 41, 41, 255}});

  PngPlan grey_alpha;
  grey_alpha.width = 2;
  grey_alpha.height = 2;
  grey_alpha.color_type = PNG_COLOR_TYPE_GRAY_ALPHA;
  grey_alpha.sample = [](int x, int y) { return std::vector<int>{x + y == 0 ? 10 : 90, x + y == 0 ? 20 : 250}; };
  cases.push_back({"grey and alpha", grey_alpha, 32, {10, 10, 10, 20}, {90, 90, 90, 250}});

  PngPlan rgb;
  rgb.width = 5;
  rgb.height = 2;
  rgb.color_type = PNG_COLOR_TYPE_RGB;
  rgb.sample = [](int x, int y) { return x + y == 0 ? std::vector<int>{1, 2, 3} : std::vector<int>{200, 100, 50}; };
  cases.push_back({"truecolour", rgb, 24, {3, 2, 1}, {50, 100, 200}});

  PngPlan rgb16 = rgb;
  rgb16.bit_depth = 16;
  rgb16.sample = [](int x, int y) {
    return x + y == 0 ? std::vector<int>{0x0102, 0x0203, 0x0304} : std::vector<int>{0xC8FF, 0x6400, 0x3280};
  };
  cases.push_back({"truecolour 16-bit", rgb16, 24, {3, 2, 1}, {0x32, 0x64, 0xC8}});

  PngPlan rgb_trns = rgb;
  rgb_trns.trns_colour = std::array<int, 3>{200, 100, 50};
  cases.push_back({"truecolour with tRNS", rgb_trns, 32, {3, 2, 1, 255}, {50, 100, 200, 0}});

  PngPlan rgba = rgb;
  rgba.color_type = PNG_COLOR_TYPE_RGB_ALPHA;
  rgba.sample = [](int x, int y) { return x + y == 0 ? std::vector<int>{1, 2, 3, 4} : std::vector<int>{200, 100, 50, 128}; };
  cases.push_back({"truecolour and alpha", rgba, 32, {3, 2, 1, 4}, {50, 100, 200, 128}});

  PngPlan palette;
  palette.width = 3;
  palette.height = 3;
  palette.color_type = PNG_COLOR_TYPE_PALETTE;
  palette.palette = {{{10, 20, 30}}, {{40, 50, 60}}, {{250, 128, 0}}};
  palette.sample = [](int x, int y) { return std::vector<int>{x + y == 0 ? 0 : 2}; };
  cases.push_back({"palette 8-bit", palette, 24, {30, 20, 10}, {0, 128, 250}});

  PngPlan palette4 = palette;
  palette4.bit_depth = 4;
  cases.push_back({"palette 4-bit", palette4, 24, {30, 20, 10}, {0, 128, 250}});

  PngPlan palette_trns = palette;
  palette_trns.palette_alpha = {0, 255, 77};
  cases.push_back({"palette with tRNS", palette_trns, 32, {30, 20, 10, 0}, {0, 128, 250, 77}});

  PngPlan neutral_gamma = rgb;
  neutral_gamma.gamma = 0.45455;
  cases.push_back({"gamma 1/2.2 is left alone", neutral_gamma, 24, {3, 2, 1}, {50, 100, 200}});

  PngPlan linear = grey(8, 128, 0);
  linear.gamma = 1.0;
  // A linear file on a 2.2 screen: 255 * (128 / 255) ^ (1 / 2.2) = 186.
  cases.push_back({"gamma 1.0 is corrected", linear, 24, {186, 186, 186}, {0, 0, 0}});

  PngPlan interlaced = rgb;
  interlaced.width = 11;
  interlaced.height = 9;
  interlaced.interlaced = true;
  cases.push_back({"interlaced truecolour", interlaced, 24, {3, 2, 1}, {50, 100, 200}});
  return cases;
}

TEST(LoadPngDib, EveryFormComesOutAsEightBitBlueGreenRed) {
  for (const FormCase& c : FormCases()) {
    SCOPED_TRACE(c.name);
    std::optional<Dib> dib = load_png_dib(MakePng(c.plan));
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->width, c.plan.width);
    EXPECT_EQ(dib->height, c.plan.height);
    EXPECT_EQ(dib->bits_per_pixel, c.bits_per_pixel);
    EXPECT_EQ(dib->row_bytes, c.plan.width * c.bits_per_pixel / 8);
    EXPECT_EQ(dib->stride % 4, 0);
    EXPECT_EQ(dib->pixels.size(), static_cast<std::size_t>(dib->stride) * dib->height);
    EXPECT_EQ(PixelAt(*dib, 0, 0), c.first);
    EXPECT_EQ(PixelAt(*dib, c.plan.width - 1, c.plan.height - 1), c.last);
  }
}

TEST(LoadPngDib, InterlacedPictureMatchesTheSamePictureStoredPlainly) {
  std::optional<Dib> plain = load_png_dib(MakeRgbPng(37, 23, PatternColour, false));
  std::optional<Dib> adam7 = load_png_dib(MakeRgbPng(37, 23, PatternColour, true));
  ASSERT_TRUE(plain);
  ASSERT_TRUE(adam7);
  EXPECT_EQ(plain->pixels, adam7->pixels);
}

TEST(LoadPngDib, DataCutShortAtAnyLengthDecodesToNothing) {
  PngPlan palette;
  palette.width = 6;
  palette.height = 5;
  palette.color_type = PNG_COLOR_TYPE_PALETTE;
  palette.palette = {{{1, 2, 3}}, {{4, 5, 6}}};
  palette.palette_alpha = {0, 200};
  palette.gamma = 1.0;
  palette.sample = [](int x, int y) { return std::vector<int>{(x + y) & 1}; };
  for (const std::vector<std::uint8_t>& whole :
       {MakeRgbPng(9, 7, PatternColour), MakeRgbPng(9, 7, PatternColour, true), MakePng(palette)}) {
    ASSERT_TRUE(load_png_dib(whole));
    StderrCapture err;
    for (std::size_t cut = 0; cut < whole.size(); ++cut) {
      // A buffer of exactly |cut| bytes, so a read past its end is caught by
      // the address sanitizer build.
      std::vector<std::uint8_t> part(whole.begin(), whole.begin() + cut);
      EXPECT_FALSE(load_png_dib(part)) << "cut at " << cut << " of " << whole.size();
    }
    EXPECT_EQ(err.Take(), "");
  }
}

TEST(LoadPngDib, DamagedOrForeignDataDecodesToNothing) {
  std::vector<std::uint8_t> png = MakeRgbPng(8, 8, PatternColour);
  StderrCapture err;
  EXPECT_FALSE(load_png_dib({}));
  std::string text = "not a picture at all, just some words";
  EXPECT_FALSE(load_png_dib(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())));
  std::vector<std::uint8_t> bad_signature = png;
  bad_signature[1] = 'Q';
  EXPECT_FALSE(load_png_dib(bad_signature));
  std::vector<std::uint8_t> bad_header = png;
  bad_header[16 + 3] ^= 0x01;  // width in IHDR: its CRC no longer matches
  EXPECT_FALSE(load_png_dib(bad_header));
  EXPECT_EQ(err.Take(), "");
}

}  // namespace
}  // namespace shiori
