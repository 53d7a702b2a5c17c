#include "platform/win32/resources_win32.h"

#include <windows.h>

#include <string>

namespace shiori {

bool WinResources::Find(std::string_view type, std::string_view name,
                        std::span<const std::uint8_t>* bytes) const {
  // An empty name or one that looks like "#123" would be taken as a number.
  if (name.empty() || type.empty() || name[0] == '#') return false;
  HMODULE module = static_cast<HMODULE>(module_);
  const std::string n(name), t(type);
  HRSRC found = FindResourceA(module, n.c_str(), t.c_str());
  if (found == nullptr) return false;
  DWORD size = SizeofResource(module, found);
  HGLOBAL loaded = LoadResource(module, found);
  const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (data == nullptr) return false;
  *bytes = std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(data), size);
  return true;
}

}  // namespace shiori
