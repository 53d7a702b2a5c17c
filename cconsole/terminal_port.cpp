#include "cconsole/terminal_port.h"

#include <cstdarg>
#include <cstdio>

namespace shiori {

void TerminalPort::Printf(const char* format, ...) {
  char small[512];
  va_list ap;
  va_start(ap, format);
  va_list ap2;
  va_copy(ap2, ap);
  int n = std::vsnprintf(small, sizeof small, format, ap);
  va_end(ap);
  if (n < 0) {
    va_end(ap2);
    return;
  }
  if (static_cast<std::size_t>(n) < sizeof small) {
    va_end(ap2);
    Print(std::string_view(small, n));
    return;
  }
  std::string big(static_cast<std::size_t>(n) + 1, '\0');
  std::vsnprintf(big.data(), big.size(), format, ap2);
  va_end(ap2);
  big.resize(n);
  Print(big);
}

}  // namespace shiori
