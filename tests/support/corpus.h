// The shared folder of real texts that some tests read. It is not part of
// the repository: a fresh clone has none, and its tests skip with a reason.
// Under CI the folder must be there, so that a moved folder cannot switch
// those tests off unseen.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace shiori::corpus {

/// The folder: $SHIORI_CORPUS_DIR when set, else the one found beside the
/// checkout when the build was configured.
std::string Dir();

/// The path of the file |name| in the folder.
std::string Path(const std::string& name);

/// Whether the folder is there.
bool Present();

/// Whether a test that needs the folder must fail, not skip, without it
/// (CI set in the environment).
bool Required();

/// Why a test that needs the folder did not run, and how to run it.
std::string MissingReason();

/// The texts a property of every text is checked on.
enum class Texts {
  kEmbedded,  ///< the works the program carries (data/): always there
  kCorpus,    ///< every .txt of the folder
};

/// "Embedded" or "Corpus", for the names of parameterised tests.
const char* Name(Texts which);
inline constexpr auto kTextsName = [](const auto& info) { return std::string(Name(info.param)); };
inline void PrintTo(Texts which, std::ostream* os) { *os << Name(which); }

/// The paths of those texts, sorted.
std::vector<std::string> TextFiles(Texts which);

/// The whole content of the file at |path|; empty when it cannot be read.
std::string ReadFile(const std::string& path);

}  // namespace shiori::corpus

/// First statement of a test (or of its SetUp) that needs the folder: skips
/// the test when the folder is absent, or fails it under CI.
#define SHIORI_NEEDS_CORPUS()                                                  \
  do {                                                                         \
    if (!::shiori::corpus::Present()) {                                        \
      if (::shiori::corpus::Required()) FAIL() << ::shiori::corpus::MissingReason(); \
      GTEST_SKIP() << ::shiori::corpus::MissingReason();                       \
    }                                                                          \
  } while (0)
