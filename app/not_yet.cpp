// Subsystems whose real implementations are being built; each definition
// here is removed when its subsystem lands.
#include "app/reader.h"

namespace shiori {

void mm_load(Reader&) {}
void mm_select(Reader&) {}
int mm_wait_key(Reader& r) { return r.GetKey(); }
void mm_exit(Reader&) {}

}  // namespace shiori
