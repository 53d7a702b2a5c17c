#include "platform/platform.h"

namespace shiori {

const char* TextLineEnd() { return "\n"; }

}  // namespace shiori
