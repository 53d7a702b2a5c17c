#include "media/image.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <limits>
#include <vector>

#include "app/reader.h"
#include "media/cues.h"

namespace shiori {

namespace {

// The record the PNG reader reads from: the resource's bytes, how far it
// has read, and how many bytes there are.
struct mem_source {
  const std::uint8_t* data;
  std::uint32_t offset;
  std::uint32_t size;
};

// libpng's read function. A request for more bytes than are left is an
// error (libpng's own, so it jumps to the error return): nothing is ever
// read past the end of the resource.
void mem_read_fn(png_structp png, png_bytep out, png_size_t length) {
  auto* src = static_cast<mem_source*>(png_get_io_ptr(png));
  if (src == nullptr || length > src->size - src->offset)
    png_error(png, "read past the end of the image data");
  std::memcpy(out, src->data + src->offset, length);
  src->offset += static_cast<std::uint32_t>(length);
}

// What the decoding leaves behind; trivially destructible, because libpng
// leaves ReadRows by longjmp on any error.
struct Decoded {
  png_uint_32 width;
  png_uint_32 height;
  int bit_depth;
  int color_type;
  int channels;
  png_size_t rowbytes;
  png_bytepp rows;  ///< height rows from libpng's allocator, or null
  bool too_large;   ///< refused for its size, not for its bytes
};

// libpng's error message, kept for the line that says why a picture is not
// shown. A fixed buffer: it is filled on the way to a longjmp.
struct ErrorNote {
  char text[96];
};

// Reads header, transformations and all rows. False when libpng raised an
// error; |d->rows| then holds whatever was allocated, for FreeRows.
bool ReadRows(png_structp png, png_infop info, mem_source* src, Decoded* d) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_read_fn(png, src, mem_read_fn);
  png_read_info(png, info);
  png_get_IHDR(png, info, &d->width, &d->height, &d->bit_depth, &d->color_type, nullptr,
               nullptr, nullptr);

  png_set_expand(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_palette_to_rgb(png);
  png_set_bgr(png);
  png_set_packing(png);

  double file_gamma = 0.0;
  if (!png_get_gAMA(png, info, &file_gamma)) file_gamma = 0.45455;
  png_set_gamma(png, 2.2, file_gamma);
  // Interlaced images are read whole by png_read_image either way; asking
  // for the passes here keeps libpng from printing a warning about it.
  png_set_interlace_handling(png);

  png_read_update_info(png, info);
  png_get_IHDR(png, info, &d->width, &d->height, &d->bit_depth, &d->color_type, nullptr,
               nullptr, nullptr);
  d->rowbytes = png_get_rowbytes(png, info);
  if (static_cast<std::uint64_t>(d->rowbytes) * d->height > kMaxDibBytes) {
    d->too_large = true;
    png_error(png, "image too large");
  }

  d->rows = static_cast<png_bytepp>(png_malloc(png, sizeof(png_bytep) * d->height));
  std::memset(d->rows, 0, sizeof(png_bytep) * d->height);
  for (png_uint_32 y = 0; y < d->height; ++y)
    d->rows[y] = static_cast<png_bytep>(png_malloc(png, d->rowbytes));
  png_read_image(png, d->rows);
  png_read_end(png, nullptr);
  d->channels = png_get_channels(png, info);
  return true;
}

void FreeRows(png_structp png, Decoded* d) {
  if (d->rows == nullptr) return;
  for (png_uint_32 y = 0; y < d->height; ++y)
    if (d->rows[y] != nullptr) png_free(png, d->rows[y]);
  png_free(png, d->rows);
  d->rows = nullptr;
}

// Copies the decoded rows into a bottom-up bitmap whose rows are padded to a
// multiple of 4 bytes; none when the layout is not 24 or 32 bits per pixel.
std::optional<Dib> MakeDib(const Decoded& d) {
  int bpp = d.channels * d.bit_depth;
  if (bpp != 24 && bpp != 32) return std::nullopt;
  Dib dib;
  dib.width = static_cast<int>(d.width);
  dib.height = static_cast<int>(d.height);
  dib.bits_per_pixel = bpp;
  dib.stride = static_cast<int>(((static_cast<std::uint64_t>(d.width) * bpp + 31) / 32) * 4);
  dib.row_bytes = static_cast<int>(d.rowbytes);
  if (dib.row_bytes > dib.stride) return std::nullopt;
  dib.pixels.assign(static_cast<std::size_t>(dib.stride) * d.height, 0);
  for (png_uint_32 n = 0; n < d.height; ++n)
    std::memcpy(&dib.pixels[static_cast<std::size_t>(n) * dib.stride], d.rows[d.height - 1 - n],
                d.rowbytes);
  return dib;
}

enum class Answer { kNumber, kNotNumber, kEnd };

// One answer to the image-list prompt.
Answer ReadChoice(Reader& r, int* value) {
  if (r.ReadInt(value)) return Answer::kNumber;
  return r.plat.keyboard->InputEnded() ? Answer::kEnd : Answer::kNotNumber;
}

// libpng's own handlers print to stderr, which is the reader's screen: an
// error is noted and returns to ReadRows' setjmp (the caller says why the
// picture is not shown), and a warning about a picture it can still decode
// is dropped.
[[noreturn]] void SilentError(png_structp png, png_const_charp message) {
  if (auto* note = static_cast<ErrorNote*>(png_get_error_ptr(png)); note && message) {
    std::strncpy(note->text, message, sizeof note->text - 1);
    note->text[sizeof note->text - 1] = '\0';
  }
  png_longjmp(png, 1);
}
void SilentWarning(png_structp, png_const_charp) {}

}  // namespace

std::optional<Dib> load_png_dib(std::span<const std::uint8_t> bytes, std::string* why) {
  std::string ignored;
  if (why == nullptr) why = &ignored;
  *why = "the picture cannot be read";
  if (bytes.size() > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
  mem_source src{bytes.data(), 0, static_cast<std::uint32_t>(bytes.size())};
  ErrorNote note{};
  png_structp png = png_create_read_struct("1.6.17", &note, SilentError, SilentWarning);
  if (png == nullptr) return std::nullopt;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return std::nullopt;
  }
  Decoded d{};
  std::optional<Dib> dib;
  if (ReadRows(png, info, &src, &d)) {
    dib = MakeDib(d);
    if (!dib) *why = "the picture's form cannot be shown";
  } else if (d.too_large) {
    *why = "the picture cannot be shown: " + std::to_string(d.width) + " x " +
           std::to_string(d.height) + " pixels is more than 256 MB decoded";
  } else if (note.text[0] != '\0') {
    // libpng's words are ASCII; anything else is not let onto the screen.
    *why += ": ";
    for (const char* c = note.text; *c != '\0'; ++c)
      *why += (*c >= 0x20 && *c < 0x7f) ? *c : '?';
  }
  FreeRows(png, &d);
  png_destroy_read_struct(&png, &info, nullptr);
  return dib;
}

int show_wind(Reader& r, const std::string& name) {
  r.image.image_name = name.substr(0, std::min(name.size(), kImageNameSize - 1));
  std::optional<Dib> dib;
  std::span<const std::uint8_t> bytes;
  // The current work's own pictures first (a work from a ZIP), then the
  // catalog's resources.
  if (r.FindImage(r.image.image_name, &bytes)) {
    std::string why;
    dib = load_png_dib(bytes, &why);
    // The window opens all the same (empty); this line says why.
    if (!dib) r.Print(why + "\n");
  }
  // What was printed (the name line) stands on the screen while the window
  // holds the loop.
  r.plat.console->Flush();
  if (r.plat.window == nullptr) return 1;
  if (!r.plat.window->Show(r.image.image_name, dib ? &*dib : nullptr)) {
    r.plat.window->MessageBox("ウィンドウの作成に失敗しました", "エラー");
    return 1;
  }
  return 0;
}

void image_marker_step(Reader& r, std::string_view line) {
  std::size_t start = 0;
  std::size_t png = line.find(".png");
  while (png != std::string_view::npos) {
    std::size_t fig = line.find("fig", start);
    // A marker counts only with its "fig" before its ".png" and a name that
    // fits the name buffer.
    if (fig != std::string_view::npos && fig < png && png - fig < kPnameSize) {
      r.image.pname = std::string(line.substr(fig, png - fig));
      r.PrintPainted(Paint::kImageName, r.image.pname);
      std::span<const std::uint8_t> bytes;
      if (r.FindImage(r.image.pname, &bytes)) {
        r.Print("\n");
        play_cue(r, kCueMailBeep, kCueAsyncFlags);
        show_wind(r, r.image.pname);
      } else {
        // A downloaded text names pictures it does not carry: a window with
        // nothing in it would only cost a key press at every marker.
        r.Print(" (not in this work)\n");
      }
    }
    start = png + 4;
    png = line.find(".png", start);
  }
}

void image_list(Reader& r) {
  // The current work's own illustrations when it has any, else the catalog's.
  const std::vector<std::string> names = r.ImageNames();
  const int num = static_cast<int>(names.size());
  r.Paint(Paint::kBannerFrame);
  r.Print("[ --- ");
  r.Paint(Paint::kBanner1);
  r.Print("png ");
  r.Paint(Paint::kBanner2);
  r.Print(" list ");
  r.Paint(Paint::kBanner3);
  r.Print("2014");
  r.Paint(Paint::kBannerFrame);
  r.Print(" --- ]");
  r.Normal();
  r.Print("\n");
  r.Printf("png_num:%d\n", num);
  for (int l = 0; l < num; ++l) {
    const std::string& entry = names[l];
    bool highlight = entry == r.image.pname;
    if (highlight) r.Paint(Paint::kListHighlight);
    r.Printf("(%02d) %s", l, entry.c_str());
    if (highlight) r.Normal();
    r.Print(((l + 1) % 4 == 0 || l == num - 1) ? "\n" : " , ");
  }
  if (num <= 0) {
    // Nothing to choose from: no prompt that could never be answered.
    r.Print("touch anykey , return page\n");
    r.GetKey();
    return;
  }

  int n = 0;
  Answer a = ReadChoice(r, &n);
  if (a == Answer::kEnd) return;
  if (a == Answer::kNumber) {
    n %= num;  // C++ keeps the sign of the number read: -3 % 2 is -1
  } else {
    n = -1;  // not a number: ask again
  }
  while (n < 0 || n > num - 1) {
    r.Printf("select input ( 0 <-> %d )\n", num - 1);
    a = ReadChoice(r, &n);
    if (a == Answer::kEnd) return;
    if (a == Answer::kNotNumber) n = -1;
  }

  const std::string& chosen = names[n];
  play_cue(r, kCueMailBeep, kCueAsyncFlags);
  r.Paint(Paint::kImageName);
  r.Printf("%d %s", n, chosen.c_str());
  r.Normal();
  r.Print("\n");
  show_wind(r, chosen);
  r.Print("touch anykey , return page\n");
  r.GetKey();
}

}  // namespace shiori
