#include "platform/embedded.h"
#include "platform/resources.h"

namespace shiori {

bool ResourceNameEquals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    unsigned char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x -= 32;
    if (y >= 'a' && y <= 'z') y -= 32;
    if (x != y) return false;
  }
  return true;
}

bool EmbeddedResourceStore::Find(std::string_view type, std::string_view name,
                                 std::span<const std::uint8_t>* bytes) const {
  for (const EmbeddedResource* r = table_; r->name != nullptr; ++r) {
    if (ResourceNameEquals(r->type, type) && ResourceNameEquals(r->name, name)) {
      *bytes = std::span<const std::uint8_t>(r->data, r->size);
      return true;
    }
  }
  return false;
}

}  // namespace shiori
