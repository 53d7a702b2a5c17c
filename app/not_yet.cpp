// Subsystems whose real implementations are being built; each definition
// here is removed when its subsystem lands.
#include "app/reader.h"

namespace shiori {

void tts_feed_line(Reader&, int) {}
void tts_recolor(Reader&, int) {}
void tts_toggle(Reader& r) { show_page(r); }
void image_marker_step(Reader&, std::string_view) {}
void image_list(Reader&) {}

}  // namespace shiori
