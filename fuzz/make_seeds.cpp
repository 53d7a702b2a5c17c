// Seeds for the fuzz targets that need made inputs, so that each starts from
// every form its decoder knows rather than having to find them by itself.
//
//   make_seeds zip OUTDIR SLICE TEXT...
//     each TEXT cut to its first SLICE bytes, packed deflated with sizes in
//     the local header (the form the program carries its works in), stored,
//     with a data descriptor (sizes only in the central directory), after a
//     picture member, with an extra field, and with no text member; and
//     beside a picture in ZIP64 form, after other data, and both
//   make_seeds png OUTDIR
//     small pictures of every colour type and bit depth, with transparency,
//     with a gamma chunk, interlaced
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/png_maker.h"
#include "tests/support/zip_builder.h"

namespace {

using shiori::pngtest::PngPlan;
using shiori::ziptest::Member;

bool Write(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) std::fprintf(stderr, "make_seeds: cannot write %s\n", path.c_str());
  return static_cast<bool>(out);
}

int ZipSeeds(const std::string& dir, std::size_t slice, int argc, char** argv) {
  // A picture member for the archives that carry one.
  PngPlan picture;
  picture.width = 3;
  picture.height = 2;
  picture.sample = [](int x, int y) { return std::vector<int>{x * 80, y * 120, 200}; };
  const std::vector<std::uint8_t> png_bytes = shiori::pngtest::MakePng(picture);
  const std::string png(png_bytes.begin(), png_bytes.end());
  for (int i = 0; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "make_seeds: cannot read %s\n", argv[i]);
      return 1;
    }
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    text.resize(std::min(text.size(), slice));
    const std::vector<std::pair<std::string, std::vector<Member>>> forms = {
        {"deflate", {Member("work.txt", text)}},
        {"stored", {Member("work.txt", text, 0)}},
        {"descriptor", {Member("work.txt", text, 8, true)}},
        {"stored-descriptor", {Member("work.txt", text, 0, true)}},
        {"after-picture",
         {Member("fig001_01.png", png, 0), Member("dir/work.txt", text, 8, true),
          Member("img/fig001_02.png", png, 8)}},
        {"extra", {Member("work.txt", text, 8, false, std::string(12, '\x55'))}},
        {"no-text", {Member("readme.html", text)}},
    };
    for (const auto& [form, members] : forms) {
      const std::string path = dir + "/" + std::to_string(i) + "-" + form + ".zip";
      if (!Write(path, shiori::ziptest::MakeZip(members))) return 1;
    }
    // The archive layouts: ZIP64 records, data before the archive, both.
    const std::vector<Member> pair = {Member("work.txt", text),
                                      Member("fig001_01.png", png, 0, true)};
    const std::pair<const char*, shiori::ziptest::Layout> layouts[] = {
        {"zip64", {true, 0}}, {"prefixed", {false, 512}}, {"zip64-prefixed", {true, 512}}};
    for (const auto& [form, layout] : layouts) {
      const std::string path = dir + "/" + std::to_string(i) + "-" + form + ".zip";
      if (!Write(path, shiori::ziptest::MakeZip(pair, layout))) return 1;
    }
  }
  return 0;
}

int PngSeeds(const std::string& dir) {
  struct Form {
    const char* name;
    int color_type;
    int bit_depth;
  };
  // Every colour type with every bit depth the format allows for it.
  const Form forms[] = {
      {"grey1", 0, 1},      {"grey2", 0, 2},       {"grey4", 0, 4},     {"grey8", 0, 8},
      {"grey16", 0, 16},    {"rgb8", 2, 8},        {"rgb16", 2, 16},    {"palette1", 3, 1},
      {"palette2", 3, 2},   {"palette4", 3, 4},    {"palette8", 3, 8},  {"greyalpha8", 4, 8},
      {"greyalpha16", 4, 16}, {"rgba8", 6, 8},     {"rgba16", 6, 16},
  };
  for (const Form& f : forms) {
    for (int variant = 0; variant < 3; ++variant) {
      PngPlan plan;
      plan.width = 5;
      plan.height = 3;
      plan.color_type = f.color_type;
      plan.bit_depth = f.bit_depth;
      const int top = (1 << f.bit_depth) - 1;
      const int channels = f.color_type == 2 ? 3 : f.color_type == 4 ? 2 : f.color_type == 6 ? 4 : 1;
      plan.sample = [top, channels](int x, int y) {
        std::vector<int> s(channels);
        for (int c = 0; c < channels; ++c) s[c] = (x * 7 + y * 3 + c * 5) % (top + 1);
        return s;
      };
      if (f.color_type == 3) {
        for (int k = 0; k <= top && k < 256; ++k)
          plan.palette.push_back({static_cast<std::uint8_t>(k * 40), static_cast<std::uint8_t>(k),
                                  static_cast<std::uint8_t>(255 - k)});
      }
      // Variant 1: transparency and a gamma chunk; variant 2: interlaced.
      if (variant == 1) {
        plan.gamma = 1.0 / 2.2;
        if (f.color_type == 3) plan.palette_alpha = {0, 128};
        if (f.color_type == 0) plan.trns_colour = std::array<int, 3>{0, 0, 0};
        if (f.color_type == 2) plan.trns_colour = std::array<int, 3>{0, 0, 0};
      }
      if (variant == 2) plan.interlaced = true;
      const std::string path =
          dir + "/" + f.name + (variant == 1 ? "-trns-gamma" : variant == 2 ? "-interlaced" : "") +
          ".png";
      if (!Write(path, shiori::pngtest::MakePng(plan))) return 1;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 5 && std::strcmp(argv[1], "zip") == 0)
    return ZipSeeds(argv[2], std::strtoul(argv[3], nullptr, 10), argc - 4, argv + 4);
  if (argc == 3 && std::strcmp(argv[1], "png") == 0) return PngSeeds(argv[2]);
  std::fprintf(stderr, "usage: make_seeds zip OUTDIR SLICE TEXT... | make_seeds png OUTDIR\n");
  return 2;
}
