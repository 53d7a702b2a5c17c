// Resources of the executable, looked up with FindResourceA.
#pragma once

#include "platform/resources.h"

namespace shiori {

/// Names and types compare without regard to case: the resource compiler
/// stores names in upper case and FindResourceA ignores case.
class WinResources : public ResourceStore {
 public:
  /// |module| is an HMODULE; null: the program itself.
  explicit WinResources(void* module = nullptr) : module_(module) {}
  bool Find(std::string_view type, std::string_view name,
            std::span<const std::uint8_t>* bytes) const override;

 private:
  void* module_;
};

}  // namespace shiori
