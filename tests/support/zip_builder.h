// Builds ZIP archives in memory for tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace shiori::testing {

struct ZipMember {
  std::string name;
  std::string data;
  bool stored = false;          ///< method 0 instead of deflate
  bool data_descriptor = false; ///< flag bit 3: sizes only after the data and in the directory
};

/// A complete archive: local headers and data, central directory, end record.
std::vector<std::uint8_t> MakeZip(const std::vector<ZipMember>& members);

}  // namespace shiori::testing
