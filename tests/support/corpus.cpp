#include "tests/support/corpus.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>

namespace shiori::corpus {

std::string Dir() {
  const char* dir = std::getenv("SHIORI_CORPUS_DIR");
  return dir && *dir ? dir : SHIORI_CORPUS_DIR;
}

std::string Path(const std::string& name) { return Dir() + "/" + name; }

bool Present() {
  std::error_code ec;
  return std::filesystem::is_directory(Dir(), ec);
}

bool Required() {
  const char* ci = std::getenv("CI");
  if (!ci) return false;
  const std::string_view v = ci;
  return !v.empty() && v != "0" && v != "false";
}

std::string MissingReason() {
  // The summary of a test run counts the tests that gave this reason by its
  // first words (scripts/run-ctest.sh): keep them.
  return "needs the real-text corpus, not found at " + Dir() +
         " (put it at ../shared/corpus beside the checkout, or set SHIORI_CORPUS_DIR)" +
         (Required() ? "; CI is set, so this is a failure" : "");
}

const char* Name(Texts which) { return which == Texts::kCorpus ? "Corpus" : "Embedded"; }

std::vector<std::string> TextFiles(Texts which) {
  std::vector<std::string> paths;
  if (which == Texts::kEmbedded) {
    for (const char* name : {"great_velmor_the.txt", "readme.txt"})
      paths.push_back(std::string(SHIORI_SOURCE_DIR) + "/data/" + name);
  } else if (Present()) {
    for (const auto& e : std::filesystem::directory_iterator(Dir()))
      if (e.path().extension() == ".txt") paths.push_back(e.path().string());
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace shiori::corpus
