#include "tests/support/png_maker.h"

#include <png.h>

#include <stdexcept>

namespace shiori::pngtest {

namespace {

void Append(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void NoFlush(png_structp) {}

int Channels(int color_type) {
  switch (color_type) {
    case PNG_COLOR_TYPE_RGB: return 3;
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    case PNG_COLOR_TYPE_RGB_ALPHA: return 4;
    default: return 1;
  }
}

// One row packed as the file holds it: samples below 8 bits fill a byte from
// its high bits, 16-bit samples are big-endian.
std::vector<png_byte> PackRow(const PngPlan& plan, int y) {
  const int channels = Channels(plan.color_type);
  const std::size_t bits = static_cast<std::size_t>(plan.width) * channels * plan.bit_depth;
  std::vector<png_byte> row((bits + 7) / 8, 0);
  std::size_t bit = 0;
  for (int x = 0; x < plan.width; ++x) {
    std::vector<int> s = plan.sample(x, y);
    if (static_cast<int>(s.size()) != channels) throw std::logic_error("sample count");
    for (int v : s) {
      if (plan.bit_depth == 16) {
        row[bit / 8] = static_cast<png_byte>(v >> 8);
        row[bit / 8 + 1] = static_cast<png_byte>(v & 0xFF);
      } else if (plan.bit_depth == 8) {
        row[bit / 8] = static_cast<png_byte>(v);
      } else {
        int shift = 8 - plan.bit_depth - static_cast<int>(bit % 8);
        row[bit / 8] |= static_cast<png_byte>(v << shift);
      }
      bit += plan.bit_depth;
    }
  }
  return row;
}

}  // namespace

std::vector<std::uint8_t> MakePng(const PngPlan& plan) {
  std::vector<std::uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  std::vector<std::vector<png_byte>> rows;
  for (int y = 0; y < plan.height; ++y) rows.push_back(PackRow(plan, y));
  std::vector<png_bytep> pointers;
  for (auto& r : rows) pointers.push_back(r.data());
  std::vector<png_color> palette;
  for (auto& c : plan.palette) palette.push_back({c[0], c[1], c[2]});
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("libpng could not write the test image");
  }
  png_set_write_fn(png, &out, Append, NoFlush);
  png_set_IHDR(png, info, plan.width, plan.height, plan.bit_depth, plan.color_type,
               plan.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!palette.empty()) png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
  png_color_16 trans{};
  if (plan.trns_colour) {
    trans.gray = static_cast<png_uint_16>((*plan.trns_colour)[0]);
    trans.red = static_cast<png_uint_16>((*plan.trns_colour)[0]);
    trans.green = static_cast<png_uint_16>((*plan.trns_colour)[1]);
    trans.blue = static_cast<png_uint_16>((*plan.trns_colour)[2]);
    png_set_tRNS(png, info, nullptr, 0, &trans);
  } else if (!plan.palette_alpha.empty()) {
    png_set_tRNS(png, info, const_cast<png_bytep>(plan.palette_alpha.data()),
                 static_cast<int>(plan.palette_alpha.size()), nullptr);
  }
  if (plan.gamma) png_set_gAMA(png, info, *plan.gamma);
  png_set_rows(png, info, pointers.data());
  png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

std::vector<std::uint8_t> MakeRgbPng(int width, int height,
                                     const std::function<std::array<int, 3>(int, int)>& rgb,
                                     bool interlaced) {
  PngPlan plan;
  plan.width = width;
  plan.height = height;
  plan.color_type = PNG_COLOR_TYPE_RGB;
  plan.interlaced = interlaced;
  plan.sample = [&](int x, int y) {
    auto c = rgb(x, y);
    return std::vector<int>{c[0], c[1], c[2]};
  };
  return MakePng(plan);
}

std::array<int, 3> PatternColour(int x, int y) {
  return {(x * 7 + y * 3) & 0xFF, (x * 13 + y * 29 + 50) & 0xFF, (x * 31 + y * 5 + 100) & 0xFF};
}

}  // namespace shiori::pngtest
