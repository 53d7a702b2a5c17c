// Resources carried inside the executable.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace shiori {

/// Looks resources up by type and name; names compare without regard to case.
class ResourceStore {
 public:
  virtual ~ResourceStore() = default;
  /// True and the resource's bytes when it exists.
  virtual bool Find(std::string_view type, std::string_view name,
                    std::span<const std::uint8_t>* bytes) const = 0;
};

/// Case-insensitive (ASCII) comparison used by every resource lookup.
bool ResourceNameEquals(std::string_view a, std::string_view b);

}  // namespace shiori
