// Subsystems whose real implementations are being built; each definition
// here is removed when its subsystem lands.
#include "app/reader.h"

namespace shiori {

void tts_feed_line(Reader&, int) {}
void tts_recolor(Reader&, int) {}
void tts_toggle(Reader& r) { show_page(r); }
void mm_load(Reader&) {}
void mm_select(Reader&) {}
int mm_wait_key(Reader& r) { return r.GetKey(); }
void mm_exit(Reader&) {}

}  // namespace shiori
