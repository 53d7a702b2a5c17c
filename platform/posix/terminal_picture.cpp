#include "platform/posix/terminal_picture.h"

#include <chafa.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

namespace shiori {

namespace {

// The picture's own size in cells, fitted into |max_cols| x |max_rows| with
// its aspect kept.
void FitCells(const Dib& dib, const TerminalTraits& t, int max_cols, int max_rows, int* cols,
              int* rows) {
  double natural_cols = std::ceil(static_cast<double>(dib.width) / t.cell_width);
  double natural_rows = std::ceil(static_cast<double>(dib.height) / t.cell_height);
  double scale = std::min({1.0, max_cols / natural_cols, max_rows / natural_rows});
  *cols = std::max(1, static_cast<int>(std::lround(natural_cols * scale)));
  *rows = std::max(1, static_cast<int>(std::lround(natural_rows * scale)));
}

ChafaCanvasMode BestCanvasMode(ChafaTermInfo* info) {
  if (chafa_term_info_have_seq(info, CHAFA_TERM_SEQ_SET_COLOR_FGBG_DIRECT))
    return CHAFA_CANVAS_MODE_TRUECOLOR;
  if (chafa_term_info_have_seq(info, CHAFA_TERM_SEQ_SET_COLOR_FGBG_256))
    return CHAFA_CANVAS_MODE_INDEXED_256;
  if (chafa_term_info_have_seq(info, CHAFA_TERM_SEQ_SET_COLOR_FGBG_16))
    return CHAFA_CANVAS_MODE_INDEXED_16;
  return CHAFA_CANVAS_MODE_FGBG;
}

ChafaPixelMode BestPixelMode(ChafaTermInfo* info) {
  if (chafa_term_info_have_seq(info, CHAFA_TERM_SEQ_BEGIN_KITTY_IMMEDIATE_IMAGE_V1))
    return CHAFA_PIXEL_MODE_KITTY;
  if (chafa_term_info_have_seq(info, CHAFA_TERM_SEQ_BEGIN_SIXELS)) return CHAFA_PIXEL_MODE_SIXELS;
  return CHAFA_PIXEL_MODE_SYMBOLS;
}

// Top-down rows of 4-byte pixels with the alpha byte set opaque: the window
// shows colour values as they are, without blending. Four bytes a pixel
// also keeps every row a multiple of 4 bytes long, which libchafa needs.
std::vector<std::uint8_t> TopDownBgra(const Dib& dib) {
  const int in_bytes = dib.bits_per_pixel / 8;
  std::vector<std::uint8_t> out(static_cast<std::size_t>(dib.width) * dib.height * 4);
  for (int y = 0; y < dib.height; ++y) {
    const std::uint8_t* src = &dib.pixels[static_cast<std::size_t>(dib.height - 1 - y) * dib.stride];
    std::uint8_t* dst = &out[static_cast<std::size_t>(y) * dib.width * 4];
    for (int x = 0; x < dib.width; ++x) {
      dst[x * 4 + 0] = src[x * in_bytes + 0];
      dst[x * 4 + 1] = src[x * in_bytes + 1];
      dst[x * 4 + 2] = src[x * in_bytes + 2];
      dst[x * 4 + 3] = 0xFF;
    }
  }
  return out;
}

bool Usable(const Dib& dib) {
  if (dib.width <= 0 || dib.height <= 0) return false;
  if (dib.bits_per_pixel != 24 && dib.bits_per_pixel != 32) return false;
  if (dib.stride < dib.width * (dib.bits_per_pixel / 8)) return false;
  return dib.pixels.size() >= static_cast<std::size_t>(dib.stride) * dib.height;
}

}  // namespace

TerminalTraits ReadTerminalTraits(int fd) {
  TerminalTraits t;
  t.is_tty = isatty(fd) == 1;
  winsize size{};
  if (t.is_tty && ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0) {
    t.columns = size.ws_col;
    t.rows = size.ws_row;
    if (size.ws_xpixel > 0 && size.ws_ypixel > 0) {
      t.cell_width = std::max(1, size.ws_xpixel / size.ws_col);
      t.cell_height = std::max(1, size.ws_ypixel / size.ws_row);
    }
  }
  for (char** e = environ; e != nullptr && *e != nullptr; ++e) t.env.emplace_back(*e);
  return t;
}

std::string RenderPicture(const Dib& dib, const TerminalTraits& t) {
  if (!Usable(dib)) return "";
  ChafaTermInfo* info = nullptr;
  if (t.is_tty) {
    std::vector<gchar*> envp;
    for (const std::string& e : t.env) envp.push_back(const_cast<gchar*>(e.c_str()));
    envp.push_back(nullptr);
    info = chafa_term_db_detect(chafa_term_db_get_default(), envp.data());
  } else {
    info = chafa_term_info_new();  // no sequences at all
  }

  ChafaCanvasConfig* config = chafa_canvas_config_new();
  ChafaSymbolMap* symbols = chafa_symbol_map_new();
  ChafaPixelMode pixel_mode = CHAFA_PIXEL_MODE_SYMBOLS;
  if (t.is_tty) {
    pixel_mode = BestPixelMode(info);
    chafa_canvas_config_set_canvas_mode(config, BestCanvasMode(info));
    chafa_symbol_map_add_by_tags(symbols, static_cast<ChafaSymbolTags>(CHAFA_SYMBOL_TAG_BLOCK |
                                                                        CHAFA_SYMBOL_TAG_SPACE));
  } else {
    chafa_canvas_config_set_canvas_mode(config, CHAFA_CANVAS_MODE_FGBG);
    chafa_symbol_map_add_by_tags(symbols, CHAFA_SYMBOL_TAG_ASCII);
  }
  chafa_canvas_config_set_pixel_mode(config, pixel_mode);
  chafa_canvas_config_set_symbol_map(config, symbols);
  chafa_canvas_config_set_cell_geometry(config, t.cell_width, t.cell_height);
  // Leave a row for the line break and one for the prompt that follows.
  int cols = 1;
  int rows = 1;
  FitCells(dib, t, std::max(1, t.columns), std::max(1, t.rows - 2), &cols, &rows);
  chafa_canvas_config_set_geometry(config, cols, rows);

  std::vector<std::uint8_t> pixels = TopDownBgra(dib);
  ChafaCanvas* canvas = chafa_canvas_new(config);
  chafa_canvas_draw_all_pixels(canvas, CHAFA_PIXEL_BGRA8_UNASSOCIATED, pixels.data(), dib.width,
                               dib.height, dib.width * 4);
  GString* printed = chafa_canvas_print(canvas, info);
  std::string out(printed->str, printed->len);
  g_string_free(printed, TRUE);
  chafa_canvas_unref(canvas);
  chafa_symbol_map_unref(symbols);
  chafa_canvas_config_unref(config);
  chafa_term_info_unref(info);
  out += "\n";
  return out;
}

std::string AttributeSgr(std::uint16_t attributes) {
  // Console colour bits are blue 1, green 2, red 4, intensity 8; ANSI
  // numbers its colours red 1, green 2, blue 4.
  auto ansi = [](int index) { return ((index & 4) ? 1 : 0) | (index & 2) | ((index & 1) ? 4 : 0); };
  int fore = attributes & 0x0F;
  int back = (attributes >> 4) & 0x0F;
  int fore_code = ((fore & 8) ? 90 : 30) + ansi(fore);
  int back_code = ((back & 8) ? 100 : 40) + ansi(back);
  return "\x1b[0;" + std::to_string(fore_code) + ";" + std::to_string(back_code) + "m";
}

}  // namespace shiori
