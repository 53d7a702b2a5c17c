// Resources compiled into the program as arrays (the POSIX build, and tests).
#pragma once

#include <cstddef>

#include "platform/resources.h"

namespace shiori {

struct EmbeddedResource {
  const char* type;
  const char* name;
  const unsigned char* data;
  std::size_t size;
};

/// Generated at build time; ends with an entry whose name is null.
extern const EmbeddedResource kEmbeddedResources[];

/// A resource store over a table of embedded resources.
class EmbeddedResourceStore : public ResourceStore {
 public:
  explicit EmbeddedResourceStore(const EmbeddedResource* table = kEmbeddedResources)
      : table_(table) {}
  bool Find(std::string_view type, std::string_view name,
            std::span<const std::uint8_t>* bytes) const override;

 private:
  const EmbeddedResource* table_;
};

}  // namespace shiori
