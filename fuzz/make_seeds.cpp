// Seeds for zip_decode_fuzz: each given text, cut to its first SLICE bytes,
// packed in every form the extraction knows: deflate with sizes in the local
// header (the form the program carries its works in), stored, with a data
// descriptor (sizes only in the central directory), after a member that is
// not a text, with an extra field, and an archive with no text member.
// Usage: make_zip_seeds OUTDIR SLICE TEXT...
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/zip_builder.h"

namespace {

using shiori::ziptest::Member;

bool Write(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: make_zip_seeds OUTDIR SLICE TEXT...\n");
    return 2;
  }
  const std::string dir = argv[1];
  const std::size_t slice = std::strtoul(argv[2], nullptr, 10);
  for (int i = 3; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "make_zip_seeds: cannot read %s\n", argv[i]);
      return 1;
    }
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    text.resize(std::min(text.size(), slice));
    const std::string png = "\x89PNG\r\n\x1a\n";
    const std::vector<std::pair<std::string, std::vector<Member>>> forms = {
        {"deflate", {Member("work.txt", text)}},
        {"stored", {Member("work.txt", text, 0)}},
        {"descriptor", {Member("work.txt", text, 8, true)}},
        {"stored-descriptor", {Member("work.txt", text, 0, true)}},
        {"after-picture", {Member("fig001_01.png", png, 0), Member("dir/work.txt", text, 8, true)}},
        {"extra", {Member("work.txt", text, 8, false, std::string(12, '\x55'))}},
        {"no-text", {Member("readme.html", text)}},
    };
    for (const auto& [form, members] : forms) {
      const std::string path = dir + "/" + std::to_string(i - 2) + "-" + form + ".zip";
      if (!Write(path, shiori::ziptest::MakeZip(members))) {
        std::fprintf(stderr, "make_zip_seeds: cannot write %s\n", path.c_str());
        return 1;
      }
    }
  }
  return 0;
}
