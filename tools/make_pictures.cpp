// make_pictures: draws the illustrations of 「グレイト・ヴェルモア」 and the
// program icon, byte for byte the same on every run.
//
//   make_pictures OUTDIR [FONTDIR]
//
// writes OUTDIR/fig00000_01.png (377 x 512, the theatre poster),
// OUTDIR/fig00000_02.png (180 x 252, the cameo portrait) and OUTDIR/shiori.ico
// (32 x 32, 16 colours). The lettering comes from the DejaVu Serif outlines
// (Debian: fonts-dejavu-core), read from FONTDIR, by default
// /usr/share/fonts/truetype/dejavu. The PNGs are 8-bit RGB (colour type 2),
// not interlaced, with no ancillary chunks, so nothing in them depends on the
// time or the machine.
//
// Everything is drawn as filled paths with anti-aliased coverage: shapes are
// flattened to polygons and rasterised with a non-zero winding rule, 16
// sub-rows per pixel and exact horizontal coverage.

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include <png.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Rgb {
  double r, g, b;
};

Rgb Hex(unsigned v) {
  return {((v >> 16) & 0xff) / 255.0, ((v >> 8) & 0xff) / 255.0, (v & 0xff) / 255.0};
}
Rgb Mix(Rgb a, Rgb b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Rgb Scale(Rgb a, double k) { return {a.r * k, a.g * k, a.b * k}; }
double Clamp01(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }
double Smooth(double e0, double e1, double x) {
  double t = Clamp01((x - e0) / (e1 - e0));
  return t * t * (3 - 2 * t);
}

// ---- deterministic noise -------------------------------------------------

uint32_t Hash(int x, int y, uint32_t seed) {
  uint32_t h = seed * 0x9E3779B9u ^ static_cast<uint32_t>(x) * 0x85EBCA6Bu ^
               static_cast<uint32_t>(y) * 0xC2B2AE35u;
  h ^= h >> 16;
  h *= 0x7FEB352Du;
  h ^= h >> 15;
  h *= 0x846CA68Bu;
  h ^= h >> 16;
  return h;
}
double Rand01(int x, int y, uint32_t seed) { return (Hash(x, y, seed) & 0xFFFFFF) / 16777215.0; }

double ValueNoise(double x, double y, uint32_t seed) {
  int xi = static_cast<int>(std::floor(x)), yi = static_cast<int>(std::floor(y));
  double fx = x - xi, fy = y - yi;
  double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
  double a = Rand01(xi, yi, seed), b = Rand01(xi + 1, yi, seed);
  double c = Rand01(xi, yi + 1, seed), d = Rand01(xi + 1, yi + 1, seed);
  return (a + (b - a) * sx) + ((c + (d - c) * sx) - (a + (b - a) * sx)) * sy;
}
double Fbm(double x, double y, uint32_t seed, int octaves) {
  double sum = 0, amp = 0.5, norm = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += amp * ValueNoise(x, y, seed + i * 101);
    norm += amp;
    x *= 2.03;
    y *= 2.03;
    amp *= 0.5;
  }
  return sum / norm;
}

// ---- paths ---------------------------------------------------------------

struct Pt {
  double x, y;
};

struct Path {
  std::vector<std::vector<Pt>> contours;

  Path& Move(double x, double y) {
    contours.push_back({{x, y}});
    return *this;
  }
  Path& Line(double x, double y) {
    contours.back().push_back({x, y});
    return *this;
  }
  Path& Quad(double cx, double cy, double x, double y) {
    Pt p0 = contours.back().back();
    for (int i = 1; i <= 16; ++i) {
      double t = i / 16.0, u = 1 - t;
      contours.back().push_back(
          {u * u * p0.x + 2 * u * t * cx + t * t * x, u * u * p0.y + 2 * u * t * cy + t * t * y});
    }
    return *this;
  }
  Path& Cubic(double c1x, double c1y, double c2x, double c2y, double x, double y) {
    Pt p0 = contours.back().back();
    for (int i = 1; i <= 24; ++i) {
      double t = i / 24.0, u = 1 - t;
      double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
      contours.back().push_back(
          {a * p0.x + b * c1x + c * c2x + d * x, a * p0.y + b * c1y + c * c2y + d * y});
    }
    return *this;
  }
  // Smooth curve through the given points (Catmull-Rom), starting from the
  // current point.
  Path& Through(std::initializer_list<Pt> pts) {
    std::vector<Pt> p;
    p.push_back(contours.back().back());
    p.insert(p.end(), pts.begin(), pts.end());
    for (size_t i = 0; i + 1 < p.size(); ++i) {
      Pt a = i > 0 ? p[i - 1] : p[i], b = p[i], c = p[i + 1];
      Pt d = i + 2 < p.size() ? p[i + 2] : p[i + 1];
      Cubic(b.x + (c.x - a.x) / 6, b.y + (c.y - a.y) / 6, c.x - (d.x - b.x) / 6,
            c.y - (d.y - b.y) / 6, c.x, c.y);
    }
    return *this;
  }
  Path& Add(const Path& o) {
    contours.insert(contours.end(), o.contours.begin(), o.contours.end());
    return *this;
  }
};

Path Rect(double x0, double y0, double x1, double y1) {
  Path p;
  p.Move(x0, y0).Line(x1, y0).Line(x1, y1).Line(x0, y1);
  return p;
}
Path Ellipse(double cx, double cy, double rx, double ry) {
  Path p;
  const int n = 96;
  for (int i = 0; i < n; ++i) {
    double a = 2 * kPi * i / n;
    if (i == 0)
      p.Move(cx + rx * std::cos(a), cy + ry * std::sin(a));
    else
      p.Line(cx + rx * std::cos(a), cy + ry * std::sin(a));
  }
  return p;
}
Path Star(double cx, double cy, double r_out, double r_in, int points, double rot = -kPi / 2) {
  Path p;
  for (int i = 0; i < points * 2; ++i) {
    double r = i % 2 ? r_in : r_out;
    double a = rot + kPi * i / points;
    if (i == 0)
      p.Move(cx + r * std::cos(a), cy + r * std::sin(a));
    else
      p.Line(cx + r * std::cos(a), cy + r * std::sin(a));
  }
  return p;
}
Path Diamond(double cx, double cy, double rx, double ry) {
  Path p;
  p.Move(cx, cy - ry).Line(cx + rx, cy).Line(cx, cy + ry).Line(cx - rx, cy);
  return p;
}
// A thick line from a to b as a quadrilateral.
Path Segment(Pt a, Pt b, double width) {
  double dx = b.x - a.x, dy = b.y - a.y, len = std::hypot(dx, dy);
  double nx = -dy / len * width / 2, ny = dx / len * width / 2;
  Path p;
  p.Move(a.x + nx, a.y + ny).Line(b.x + nx, b.y + ny).Line(b.x - nx, b.y - ny).Line(a.x - nx, a.y - ny);
  return p;
}

// Every contour turned the same way round, so that overlapping parts of a
// figure add up instead of cancelling (the lettering keeps its own counters).
Path Normalized(const Path& in) {
  Path out = in;
  for (auto& c : out.contours) {
    double area = 0;
    for (size_t i = 0; i < c.size(); ++i) {
      const Pt& a = c[i];
      const Pt& b = c[(i + 1) % c.size()];
      area += a.x * b.y - b.x * a.y;
    }
    if (area < 0) std::reverse(c.begin(), c.end());
  }
  return out;
}

// ---- canvas and rasteriser -------------------------------------------------

using Mask = std::vector<float>;

struct Canvas {
  int w, h;
  std::vector<Rgb> px;
  Canvas(int w_, int h_, Rgb fill) : w(w_), h(h_), px(static_cast<size_t>(w_) * h_, fill) {}
  Rgb& At(int x, int y) { return px[static_cast<size_t>(y) * w + x]; }
};

Mask Coverage(const Path& path, int w, int h) {
  constexpr int kSub = 16;
  struct Edge {
    double x0, y0, x1, y1;
    int dir;
  };
  std::vector<Edge> edges;
  for (const auto& c : path.contours) {
    for (size_t i = 0; i < c.size(); ++i) {
      Pt a = c[i], b = c[(i + 1) % c.size()];
      if (a.y == b.y) continue;
      if (a.y < b.y)
        edges.push_back({a.x, a.y, b.x, b.y, 1});
      else
        edges.push_back({b.x, b.y, a.x, a.y, -1});
    }
  }
  Mask m(static_cast<size_t>(w) * h, 0.f);
  std::vector<std::pair<double, int>> xs;
  std::vector<double> row(w + 2);
  for (int y = 0; y < h; ++y) {
    std::fill(row.begin(), row.end(), 0.0);
    bool any = false;
    for (int s = 0; s < kSub; ++s) {
      double sy = y + (s + 0.5) / kSub;
      xs.clear();
      for (const auto& e : edges) {
        if (sy < e.y0 || sy >= e.y1) continue;
        double t = (sy - e.y0) / (e.y1 - e.y0);
        xs.push_back({e.x0 + (e.x1 - e.x0) * t, e.dir});
      }
      if (xs.empty()) continue;
      std::sort(xs.begin(), xs.end());
      int wind = 0;
      for (size_t i = 0; i + 1 < xs.size(); ++i) {
        wind += xs[i].second;
        if (wind == 0) continue;
        double xa = std::max(0.0, xs[i].first), xb = std::min(static_cast<double>(w), xs[i + 1].first);
        if (xb <= xa) continue;
        any = true;
        int ia = static_cast<int>(xa), ib = static_cast<int>(xb);
        if (ia == ib) {
          row[ia] += xb - xa;
        } else {
          row[ia] += ia + 1 - xa;
          for (int k = ia + 1; k < ib; ++k) row[k] += 1;
          if (ib < w) row[ib] += xb - ib;
        }
      }
    }
    if (!any) continue;
    for (int x = 0; x < w; ++x)
      m[static_cast<size_t>(y) * w + x] = static_cast<float>(Clamp01(row[x] / kSub));
  }
  return m;
}

using Paint = std::function<Rgb(double, double)>;
Paint Solid(Rgb c) {
  return [c](double, double) { return c; };
}

void FillMask(Canvas& cv, const Mask& m, const Paint& paint, double opacity = 1.0,
              const Mask* clip = nullptr) {
  for (int y = 0; y < cv.h; ++y)
    for (int x = 0; x < cv.w; ++x) {
      size_t i = static_cast<size_t>(y) * cv.w + x;
      double a = m[i] * opacity * (clip ? (*clip)[i] : 1.0);
      if (a <= 0) continue;
      cv.px[i] = Mix(cv.px[i], paint(x + 0.5, y + 0.5), a);
    }
}
void Fill(Canvas& cv, const Path& p, const Paint& paint, double opacity = 1.0,
          const Mask* clip = nullptr) {
  FillMask(cv, Coverage(p, cv.w, cv.h), paint, opacity, clip);
}
// Light added on top (for glows): the colour brightens what is there.
void Glow(Canvas& cv, const Mask& m, Rgb c, double opacity) {
  for (size_t i = 0; i < cv.px.size(); ++i) {
    double a = m[i] * opacity;
    if (a <= 0) continue;
    cv.px[i] = {cv.px[i].r + (1 - cv.px[i].r) * c.r * a, cv.px[i].g + (1 - cv.px[i].g) * c.g * a,
                cv.px[i].b + (1 - cv.px[i].b) * c.b * a};
  }
}

// Three box blurs in each direction: close enough to a Gaussian for glows.
Mask Blur(const Mask& m, int w, int h, int radius) {
  Mask a = m, b(m.size());
  for (int pass = 0; pass < 3; ++pass) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        double s = 0;
        for (int k = -radius; k <= radius; ++k) {
          int xx = x + k;
          if (xx < 0 || xx >= w) continue;
          s += a[static_cast<size_t>(y) * w + xx];
        }
        b[static_cast<size_t>(y) * w + x] = static_cast<float>(s / (2 * radius + 1));
      }
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        double s = 0;
        for (int k = -radius; k <= radius; ++k) {
          int yy = y + k;
          if (yy < 0 || yy >= h) continue;
          s += b[static_cast<size_t>(yy) * w + x];
        }
        a[static_cast<size_t>(y) * w + x] = static_cast<float>(s / (2 * radius + 1));
      }
  }
  return a;
}
Mask Multiply(const Mask& a, const Mask& b) {
  Mask r(a.size());
  for (size_t i = 0; i < a.size(); ++i) r[i] = a[i] * b[i];
  return r;
}

// ---- lettering -------------------------------------------------------------

struct Font {
  FT_Face face = nullptr;
  double units = 2048;
};

struct OutlineSink {
  Path* path;
  std::function<Pt(double, double)> map;  // font units (y up) to canvas
  Pt last;
};

int OnMove(const FT_Vector* to, void* user) {
  auto* s = static_cast<OutlineSink*>(user);
  s->last = {static_cast<double>(to->x), static_cast<double>(to->y)};
  Pt p = s->map(s->last.x, s->last.y);
  s->path->Move(p.x, p.y);
  return 0;
}
int OnLine(const FT_Vector* to, void* user) {
  auto* s = static_cast<OutlineSink*>(user);
  s->last = {static_cast<double>(to->x), static_cast<double>(to->y)};
  Pt p = s->map(s->last.x, s->last.y);
  s->path->Line(p.x, p.y);
  return 0;
}
int OnConic(const FT_Vector* c, const FT_Vector* to, void* user) {
  auto* s = static_cast<OutlineSink*>(user);
  Pt p0 = s->last;
  for (int i = 1; i <= 8; ++i) {
    double t = i / 8.0, u = 1 - t;
    double x = u * u * p0.x + 2 * u * t * c->x + t * t * to->x;
    double y = u * u * p0.y + 2 * u * t * c->y + t * t * to->y;
    Pt p = s->map(x, y);
    s->path->Line(p.x, p.y);
  }
  s->last = {static_cast<double>(to->x), static_cast<double>(to->y)};
  return 0;
}
int OnCubic(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
  auto* s = static_cast<OutlineSink*>(user);
  Pt p0 = s->last;
  for (int i = 1; i <= 12; ++i) {
    double t = i / 12.0, u = 1 - t;
    double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
    double x = a * p0.x + b * c1->x + c * c2->x + d * to->x;
    double y = a * p0.y + b * c1->y + c * c2->y + d * to->y;
    Pt p = s->map(x, y);
    s->path->Line(p.x, p.y);
  }
  s->last = {static_cast<double>(to->x), static_cast<double>(to->y)};
  return 0;
}

// Advance of one character in font units.
double Advance(const Font& f, unsigned ch) {
  if (FT_Load_Char(f.face, ch, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING)) return 0;
  return static_cast<double>(f.face->glyph->advance.x);
}

// Adds the outline of one character; map takes font units (y up).
void GlyphOutline(const Font& f, unsigned ch, Path& out, std::function<Pt(double, double)> map) {
  if (FT_Load_Char(f.face, ch, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING)) return;
  FT_Outline_Funcs funcs{};
  funcs.move_to = OnMove;
  funcs.line_to = OnLine;
  funcs.conic_to = OnConic;
  funcs.cubic_to = OnCubic;
  OutlineSink sink{&out, std::move(map), {0, 0}};
  FT_Outline_Decompose(&f.face->glyph->outline, &funcs, &sink);
}

struct TextStyle {
  double size;          // em size in pixels
  double squeeze = 1;   // horizontal scale (condensed lettering)
  double tracking = 0;  // extra pixels between letters
};

double TextWidth(const Font& f, const std::string& s, const TextStyle& st) {
  double wsum = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    wsum += Advance(f, static_cast<unsigned char>(s[i])) / f.units * st.size * st.squeeze;
    if (i + 1 < s.size()) wsum += st.tracking;
  }
  return wsum;
}

// A line of text centred on cx with its baseline at y.
Path TextLine(const Font& f, const std::string& s, const TextStyle& st, double cx, double y) {
  Path p;
  double x = cx - TextWidth(f, s, st) / 2;
  double k = st.size / f.units;
  for (unsigned char ch : s) {
    double x0 = x;
    GlyphOutline(f, ch, p, [=](double gx, double gy) {
      return Pt{x0 + gx * k * st.squeeze, y - gy * k};
    });
    x += Advance(f, ch) * k * st.squeeze + st.tracking;
  }
  return p;
}

// Text along the top of a circle of radius r centred at (cx, cy): the letters
// stand on the arc, centred on its top.
Path TextArc(const Font& f, const std::string& s, const TextStyle& st, double cx, double cy,
             double r) {
  Path p;
  double total = TextWidth(f, s, st);
  double k = st.size / f.units;
  double pos = -total / 2;
  for (unsigned char ch : s) {
    double adv = Advance(f, ch) * k * st.squeeze;
    double mid = pos + adv / 2;
    double ang = mid / r;  // radians from the top
    double ca = std::cos(ang), sa = std::sin(ang);
    GlyphOutline(f, ch, p, [=](double gx, double gy) {
      double lx = gx * k * st.squeeze - adv / 2;  // relative to the glyph centre
      double ly = -gy * k;                        // up is negative
      // rotate (lx, ly - r) by ang about the centre
      double px = lx, py = ly - r;
      return Pt{cx + px * ca - py * sa, cy + px * sa + py * ca};
    });
    pos += adv + st.tracking;
  }
  return p;
}

// ---- output ----------------------------------------------------------------

bool WritePng(const Canvas& cv, const std::string& file) {
  FILE* fp = std::fopen(file.c_str(), "wb");
  if (!fp) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(fp);
    return false;
  }
  png_init_io(png, fp);
  png_set_compression_level(png, 9);
  png_set_IHDR(png, info, cv.w, cv.h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<png_byte> row(static_cast<size_t>(cv.w) * 3);
  for (int y = 0; y < cv.h; ++y) {
    for (int x = 0; x < cv.w; ++x) {
      Rgb c = cv.px[static_cast<size_t>(y) * cv.w + x];
      // A little fixed noise before rounding keeps the gradients from banding.
      double d = (Rand01(x, y, 7) - 0.5) / 255.0;
      row[x * 3 + 0] = static_cast<png_byte>(std::lround(Clamp01(c.r + d) * 255));
      row[x * 3 + 1] = static_cast<png_byte>(std::lround(Clamp01(c.g + d) * 255));
      row[x * 3 + 2] = static_cast<png_byte>(std::lround(Clamp01(c.b + d) * 255));
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(fp) == 0;
}

// ---- the poster: fig00000_01 -----------------------------------------------

// The opening of the proscenium: straight jambs and an elliptic top.
Path ArchShape(double x0, double x1, double spring, double top, double bottom) {
  Path p;
  double cx = (x0 + x1) / 2, rx = (x1 - x0) / 2, ry = spring - top;
  p.Move(x0, bottom).Line(x0, spring);
  for (int i = 1; i < 64; ++i) {
    double a = kPi + kPi * i / 64;
    p.Line(cx + rx * std::cos(a), spring + ry * std::sin(a));
  }
  p.Line(x1, spring).Line(x1, bottom);
  return p;
}

// A small rosette of four petals round a dot.
Path Rosette(double cx, double cy, double r) {
  Path p;
  for (int i = 0; i < 4; ++i) {
    double a = kPi / 4 + i * kPi / 2;
    p.Add(Ellipse(cx + std::cos(a) * r * 0.55, cy + std::sin(a) * r * 0.55, r * 0.42, r * 0.42));
  }
  return p;
}

// A horizontal rule with a diamond in the middle and dots at its ends.
Path OrnamentRule(double cx, double y, double half) {
  Path p = Rect(cx - half, y - 0.6, cx - 9, y + 0.6);
  p.Add(Rect(cx + 9, y - 0.6, cx + half, y + 0.6));
  p.Add(Diamond(cx, y, 6, 4));
  p.Add(Ellipse(cx - half - 3, y, 1.6, 1.6));
  p.Add(Ellipse(cx + half + 3, y, 1.6, 1.6));
  p.Add(Diamond(cx - 14, y, 2.5, 2.5));
  p.Add(Diamond(cx + 14, y, 2.5, 2.5));
  return p;
}

// The magician seen from the stalls: top hat, tailcoat, the cape spread by
// the left hand, the right arm raised with the wand. Feet at (cx, floor).
struct MagicianShapes {
  Path cape;    // the cape, outside
  Path lining;  // its inside, seen where it turns over
  Path body;    // hat, head, coat, legs, arms and wand
  Path shirt;   // the white shirt front between the lapels
  Path tie;     // the bow tie on it
  Pt wand_tip;
};

MagicianShapes Magician(double cx, double F) {
  MagicianShapes m;
  // the cape, from the shoulders to below the knees, swung out to the left
  m.cape.Move(cx - 12, F - 99)
      .Quad(cx - 24, F - 95, cx - 29, F - 72)
      .Quad(cx - 35, F - 50, cx - 42, F - 31)   // its left point
      .Quad(cx - 34, F - 36, cx - 27, F - 32)   // scalloped hem
      .Quad(cx - 19, F - 37, cx - 11, F - 33)
      .Line(cx + 12, F - 33)
      .Quad(cx + 19, F - 37, cx + 27, F - 32)
      .Quad(cx + 26, F - 60, cx + 21, F - 91)
      .Quad(cx + 17, F - 99, cx + 12, F - 99);
  // where the cape turns over on the left its red inside shows
  m.lining.Move(cx - 25, F - 82)
      .Quad(cx - 33, F - 55, cx - 42, F - 31)
      .Quad(cx - 34, F - 36, cx - 27, F - 32)
      .Quad(cx - 26, F - 55, cx - 25, F - 82);
  Path& b = m.body;
  // top hat
  b.Move(cx - 9.5, F - 152).Line(cx + 9.5, F - 152).Line(cx + 8.5, F - 128).Line(cx - 8.5, F - 128);
  b.Move(cx - 16, F - 128).Quad(cx, F - 125, cx + 16, F - 128).Quad(cx + 17, F - 123, cx + 12, F - 123)
      .Line(cx - 12, F - 123).Quad(cx - 17, F - 123, cx - 16, F - 128);
  // head and neck
  b.Add(Ellipse(cx, F - 114, 7.8, 9.8));
  b.Add(Rect(cx - 3.8, F - 107, cx + 3.8, F - 98));
  // tailcoat: shoulders, waist, tails
  b.Move(cx - 14, F - 99).Line(cx + 14, F - 99)
      .Quad(cx + 13, F - 80, cx + 9, F - 62)
      .Line(cx + 14, F - 36).Line(cx + 8, F - 38)
      .Line(cx - 8, F - 38).Line(cx - 14, F - 36)
      .Line(cx - 9, F - 62)
      .Quad(cx - 13, F - 80, cx - 14, F - 99);
  // trousers and shoes
  b.Move(cx - 9, F - 64).Line(cx - 1.5, F - 64).Line(cx - 2.5, F - 3).Line(cx - 9, F - 3);
  b.Move(cx + 1.5, F - 64).Line(cx + 9, F - 64).Line(cx + 9, F - 3).Line(cx + 2.5, F - 3);
  b.Move(cx - 9.5, F - 4).Line(cx - 2.5, F - 4).Line(cx - 2.5, F).Line(cx - 14, F)
      .Quad(cx - 13, F - 3, cx - 9.5, F - 4);
  b.Move(cx + 2.5, F - 4).Line(cx + 9.5, F - 4).Quad(cx + 13, F - 3, cx + 14, F).Line(cx + 2.5, F);
  // the left hand held out, open, towards the audience
  b.Add(Segment({cx - 11, F - 96}, {cx - 28, F - 95}, 6.5));
  b.Add(Segment({cx - 28, F - 95}, {cx - 41, F - 104}, 5.5));
  b.Add(Ellipse(cx - 28, F - 95, 3.2, 3.2));
  b.Add(Ellipse(cx - 43, F - 105.5, 3.6, 3.0));
  b.Add(Segment({cx - 43, F - 107}, {cx - 47, F - 112}, 1.6));
  b.Add(Segment({cx - 45, F - 106}, {cx - 50, F - 109}, 1.6));
  b.Add(Segment({cx - 41, F - 108}, {cx - 43, F - 113}, 1.6));
  // the right arm raised with the wand
  b.Add(Segment({cx + 11, F - 95}, {cx + 25, F - 108}, 6.5));
  b.Add(Segment({cx + 25, F - 108}, {cx + 34, F - 124}, 5.5));
  b.Add(Ellipse(cx + 25, F - 108, 3.2, 3.2));
  b.Add(Ellipse(cx + 35, F - 125.5, 3.4, 3.4));
  m.wand_tip = {cx + 52, F - 150};
  b.Add(Segment({cx + 35, F - 125}, m.wand_tip, 2.2));
  m.shirt.Move(cx - 4.5, F - 99).Line(cx + 4.5, F - 99).Line(cx, F - 78);
  m.tie.Move(cx - 4, F - 98.5).Line(cx, F - 96.5).Line(cx + 4, F - 98.5).Line(cx + 4, F - 94)
      .Line(cx, F - 96).Line(cx - 4, F - 94);
  m.body = Normalized(m.body);
  m.cape = Normalized(m.cape);
  return m;
}

Canvas Poster(const Font& serif, const Font& bold) {
  const int W = 377, H = 512;
  const Rgb paper = Hex(0xEDDDB6), ink = Hex(0x22160F), red = Hex(0x9B1D1C),
            gold = Hex(0xC89B3C), gold_hi = Hex(0xF2DA8C), gold_lo = Hex(0x6E4C17),
            night = Hex(0x101830);
  Canvas cv(W, H, paper);

  // Paper: mottled, a little darker towards the edges.
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      double n = Fbm(x / 38.0, y / 38.0, 11, 5);
      double fine = Rand01(x, y, 3);
      double ex = std::min(x, W - 1 - x) / 60.0, ey = std::min(y, H - 1 - y) / 60.0;
      double edge = Smooth(0, 1, std::min(ex, ey));
      Rgb c = Mix(Hex(0xC9AE7A), paper, 0.55 + 0.45 * n);
      c = Mix(Hex(0xA88454), c, 0.55 + 0.45 * edge);
      cv.At(x, y) = Scale(c, 0.985 + 0.03 * fine);
    }

  // Border: a heavy outer line, a fine inner one, rosettes in the corners.
  Path outer = Rect(9, 9, W - 9, H - 9);
  Path outer_hole;
  outer_hole.Move(13, 13).Line(13, H - 13).Line(W - 13, H - 13).Line(W - 13, 13);
  outer.Add(outer_hole);
  Fill(cv, outer, Solid(ink));
  Path inner = Rect(17, 17, W - 17, H - 17);
  Path inner_hole;
  inner_hole.Move(18.2, 18.2).Line(18.2, H - 18.2).Line(W - 18.2, H - 18.2).Line(W - 18.2, 18.2);
  inner.Add(inner_hole);
  Fill(cv, inner, Solid(red));
  for (Pt c : {Pt{17, 17}, Pt{W - 17.0, 17}, Pt{17, H - 17.0}, Pt{W - 17.0, H - 17.0}}) {
    Fill(cv, Ellipse(c.x, c.y, 7.5, 7.5), Solid(paper));
    Fill(cv, Rosette(c.x, c.y, 7), Solid(red));
    Fill(cv, Ellipse(c.x, c.y, 1.8, 1.8), Solid(gold_hi));
  }
  // a row of small dots along the top and bottom inside the frame
  for (int x = 30; x <= W - 30; x += 8) {
    Fill(cv, Ellipse(x, 23.5, 1.1, 1.1), Solid(ink), 0.8);
    Fill(cv, Ellipse(x, H - 23.5, 1.1, 1.1), Solid(ink), 0.8);
  }

  // Heading.
  Fill(cv, TextLine(serif, "GULL STREET  \xB7  HARWICK", {9.5, 1, 2.2}, W / 2.0, 40), Solid(ink));
  Fill(cv, TextArc(bold, "THE GREAT", {21, 1, 3.5}, W / 2.0, 270, 205), Solid(Hex(0x9A6E1C)));
  Path velmore = TextLine(bold, "VELMORE", {56, 0.86, 1.5}, W / 2.0, 122);
  {
    Path shadow;
    for (const auto& c : velmore.contours) {
      std::vector<Pt> s;
      for (Pt q : c) s.push_back({q.x + 2.5, q.y + 2.5});
      shadow.contours.push_back(s);
    }
    Fill(cv, shadow, Solid(ink));
  }
  Fill(cv, velmore, [&](double, double y) { return Mix(Hex(0xB82A22), Hex(0x7E1414), Smooth(78, 122, y)); });

  // The proscenium.
  const double ax0 = 48, ax1 = W - 48, spring = 196, atop = 140, floor_y = 356;
  const double ox0 = ax0 + 13, ox1 = ax1 - 13, otop = atop + 13;
  Path arch_outer = ArchShape(ax0, ax1, spring, atop, floor_y + 6);
  Path opening = ArchShape(ox0, ox1, spring, otop, floor_y);
  Mask open_mask = Coverage(opening, W, H);

  // Gilt frame with a light edge and a dark inner line.
  Fill(cv, arch_outer, [&](double x, double y) {
    double t = 0.5 + 0.5 * std::sin((x * 0.9 + y * 0.35) / 9.0);
    return Mix(gold_lo, Mix(gold, gold_hi, t * 0.6), 0.35 + 0.65 * t);
  });
  Fill(cv, ArchShape(ax0 + 3, ax1 - 3, spring, atop + 3, floor_y + 6), Solid(gold_lo), 0.35);
  Fill(cv, ArchShape(ax0 + 5, ax1 - 5, spring, atop + 5, floor_y + 6), [&](double x, double y) {
    double t = 0.5 + 0.5 * std::sin((x * 0.9 + y * 0.35) / 9.0);
    return Mix(gold, gold_hi, t * 0.7);
  });
  Fill(cv, ArchShape(ox0 - 2, ox1 + 2, spring, otop - 2, floor_y), Solid(gold_lo));
  // a keystone ornament on the arch
  Fill(cv, Diamond(W / 2.0, atop + 6, 9, 9), Solid(red));
  Fill(cv, Diamond(W / 2.0, atop + 6, 4, 4), Solid(gold_hi));

  // Night behind the stage, with stars.
  FillMask(cv, open_mask, [&](double, double y) {
    return Mix(Hex(0x1F2B4F), night, Smooth(otop, floor_y, y));
  });
  for (int i = 0; i < 46; ++i) {
    double sx = ox0 + 10 + Rand01(i, 1, 21) * (ox1 - ox0 - 20);
    double sy = otop + 25 + Rand01(i, 2, 21) * 120;
    double r = 0.7 + Rand01(i, 3, 21) * 1.3;
    Fill(cv, Star(sx, sy, r * 1.9, r * 0.45, 4), Solid(Hex(0xF6E7B0)), 0.9, &open_mask);
  }
  // a crescent moon
  {
    Mask moon = Coverage(Ellipse(ox0 + 70, otop + 50, 11, 11), W, H);
    Mask bite = Coverage(Ellipse(ox0 + 75, otop + 46, 9.5, 9.5), W, H);
    for (size_t i = 0; i < moon.size(); ++i) moon[i] *= 1 - bite[i];
    FillMask(cv, moon, Solid(Hex(0xF4E4B4)), 1.0, &open_mask);
  }

  // The spotlight: a cone from above and a pool on the boards.
  {
    const double cx = W / 2.0;
    Path cone;
    cone.Move(cx - 9, otop).Line(cx + 9, otop).Line(cx + 62, floor_y - 14).Line(cx - 62, floor_y - 14);
    Mask m = Multiply(Blur(Coverage(cone, W, H), W, H, 4), open_mask);
    Glow(cv, m, Hex(0xFFF1C4), 0.30);
    Mask pool = Blur(Coverage(Ellipse(cx, floor_y - 16, 70, 10), W, H), W, H, 3);
    Glow(cv, pool, Hex(0xFFF1C4), 0.55);
  }

  // The boards.
  {
    Path boards = Rect(ox0, floor_y - 30, ox1, floor_y);
    FillMask(cv, Multiply(Coverage(boards, W, H), open_mask), [&](double x, double y) {
      double t = (y - (floor_y - 30)) / 30;
      double grain = 0.9 + 0.1 * Fbm(x / 3.0, y / 40.0, 5, 3);
      Rgb c = Mix(Hex(0x4A2E1A), Hex(0x7A5030), t);
      return Scale(c, grain);
    });
    for (int k = -6; k <= 6; ++k) {
      double xb = W / 2.0 + k * 34;
      Path seam = Segment({W / 2.0 + k * 22, floor_y - 30}, {xb, floor_y}, 0.8);
      Fill(cv, seam, Solid(Hex(0x2E1B10)), 0.8, &open_mask);
    }
    Mask pool = Blur(Coverage(Ellipse(W / 2.0, floor_y - 16, 66, 9), W, H), W, H, 3);
    Glow(cv, Multiply(pool, open_mask), Hex(0xFFE9B0), 0.35);
  }

  // The curtains: heavy red velvet gathered to each side by a gold cord.
  auto curtain = [&](bool left) {
    double xo = left ? ox0 : ox1;
    double s = left ? 1 : -1;
    Path p;
    p.Move(xo, otop - 2).Line(xo + s * 150, otop - 2);
    p.Cubic(xo + s * 128, otop + 60, xo + s * 52, floor_y - 150, xo + s * 40, floor_y - 98);  // to the tie-back
    p.Cubic(xo + s * 46, floor_y - 70, xo + s * 68, floor_y - 30, xo + s * 66, floor_y);
    p.Line(xo, floor_y);
    auto inner_edge = [&](double y) {
      if (y < floor_y - 98) {
        double t = Clamp01((y - otop) / (floor_y - 98 - otop));
        return 150 - (150 - 40) * std::pow(t, 0.8);
      }
      double t = Clamp01((y - (floor_y - 98)) / 98);
      return 40 + 26 * std::sqrt(t);
    };
    Mask m = Multiply(Coverage(p, W, H), open_mask);
    FillMask(cv, m, [&](double x, double y) {
      double u = Clamp01(s * (x - xo) / inner_edge(y));
      double fold = 0.5 + 0.5 * std::cos(u * kPi * 7 + 0.6);
      double shade = 0.35 + 0.65 * fold;
      shade *= 0.75 + 0.25 * u;  // the side in shadow
      Rgb c = Mix(Hex(0x3A0708), Hex(0xC2302B), shade);
      return c;
    });
    // the cord and its tassel
    double tx = xo + s * 40, ty = floor_y - 98;
    Fill(cv, Segment({xo, ty - 4}, {tx + s * 3, ty}, 3.2), Solid(gold), 1.0, &open_mask);
    Fill(cv, Ellipse(tx + s * 3, ty + 1, 4, 4), Solid(gold_hi));
    Path tassel;
    tassel.Move(tx + s * 1, ty + 4).Line(tx + s * 5, ty + 4).Line(tx + s * 8, ty + 22)
        .Line(tx - s * 2, ty + 22);
    Fill(cv, tassel, Solid(gold));
    for (int k = 0; k < 4; ++k)
      Fill(cv, Segment({tx - s * 1.5 + s * k * 2.6, ty + 10}, {tx - s * 1.5 + s * k * 2.6, ty + 22}, 0.7),
           Solid(gold_lo), 0.8);
  };
  curtain(true);
  curtain(false);

  // The valance: swags across the top with a gold fringe.
  {
    const int swags = 5;
    double span = (ox1 - ox0) / swags;
    Path val;
    val.Move(ox0, otop - 4).Line(ox1, otop - 4).Line(ox1, otop + 26);
    for (int i = swags - 1; i >= 0; --i) {
      double xa = ox0 + (i + 1) * span, xb = ox0 + i * span;
      val.Quad((xa + xb) / 2, otop + 58, xb, otop + 26);
    }
    Mask m = Multiply(Coverage(val, W, H), open_mask);
    FillMask(cv, m, [&](double x, double y) {
      double u = std::fmod(x - ox0, span) / span;
      double sag = std::sin(u * kPi);
      double band = 0.5 + 0.5 * std::cos((y - otop - 8 * sag) / 5.5);
      return Mix(Hex(0x4A0B0C), Hex(0xB8292A), 0.35 + 0.55 * band);
    });
    for (int i = 0; i < swags; ++i) {
      double xa = ox0 + i * span, xb = xa + span;
      Path fringe;
      std::vector<Pt> up, down;
      for (int k = 0; k <= 24; ++k) {
        double t = k / 24.0;
        double x = xa + (xb - xa) * t;
        double y = otop + 26 + 4 * (otop + 58 - (otop + 26)) * t * (1 - t) / 2;
        up.push_back({x, y - 1});
        down.push_back({x, y + 3});
      }
      fringe.Move(up[0].x, up[0].y);
      for (size_t k = 1; k < up.size(); ++k) fringe.Line(up[k].x, up[k].y);
      for (size_t k = down.size(); k-- > 0;) fringe.Line(down[k].x, down[k].y);
      Fill(cv, fringe, Solid(gold), 1.0, &open_mask);
      Fill(cv, Ellipse(xa, otop + 27, 3.2, 3.2), Solid(gold_hi), 1.0, &open_mask);
      Fill(cv, Segment({xa, otop + 29}, {xa, otop + 41}, 2.4), Solid(gold), 1.0, &open_mask);
    }
  }

  // The magician, the sparks of the wand and their glow.
  {
    const double cx = W / 2.0 + 2, feet = floor_y - 12;
    MagicianShapes mg = Magician(cx, feet);
    Path whole = mg.cape;
    whole.Add(mg.body);
    Mask glow = Blur(Coverage(whole, W, H), W, H, 3);
    Glow(cv, Multiply(glow, open_mask), Hex(0xFFF4CF), 0.25);
    Fill(cv, mg.cape, Solid(Hex(0x0E0A0A)));
    Fill(cv, mg.lining, [&](double x, double y) {
      double t = Smooth(feet - 90, feet - 10, y) * 0.6 + 0.4 * Clamp01((cx - x) / 45);
      return Mix(Hex(0x5E0E10), Hex(0xA8242A), t);
    });
    Fill(cv, mg.body, Solid(Hex(0x0E0A0A)));
    Fill(cv, mg.shirt, Solid(Hex(0xE9E0C8)));
    Fill(cv, mg.tie, Solid(Hex(0x0E0A0A)));
    Pt tip = mg.wand_tip;
    Mask spark = Blur(Coverage(Ellipse(tip.x, tip.y, 8, 8), W, H), W, H, 4);
    Glow(cv, spark, Hex(0xFFF0B0), 0.9);
    Fill(cv, Star(tip.x, tip.y, 9, 1.6, 4), Solid(Hex(0xFFF8DC)));
    Fill(cv, Star(tip.x, tip.y, 5, 1.2, 4, -kPi / 4), Solid(Hex(0xFFF8DC)));
    const Pt sparks[] = {{tip.x + 14, tip.y - 6}, {tip.x + 7, tip.y - 17}, {tip.x + 20, tip.y + 8},
                         {tip.x - 4, tip.y - 24}, {tip.x + 26, tip.y - 14}};
    for (size_t i = 0; i < std::size(sparks); ++i) {
      double r = 2.6 - 0.3 * i;
      Fill(cv, Star(sparks[i].x, sparks[i].y, r * 1.8, r * 0.45, 4), Solid(Hex(0xFBE7A2)));
    }
  }
  // footlights
  for (int k = 0; k < 9; ++k) {
    double x = ox0 + 22 + k * (ox1 - ox0 - 44) / 8.0;
    Mask m = Blur(Coverage(Ellipse(x, floor_y - 3, 3, 2), W, H), W, H, 2);
    Glow(cv, m, Hex(0xFFE08A), 0.8);
    Fill(cv, Ellipse(x, floor_y - 3, 2.2, 1.6), Solid(Hex(0xFFF6D2)));
  }
  // the stage front
  Fill(cv, Rect(ax0, floor_y, ax1, floor_y + 8), [&](double x, double) {
    return Mix(gold_lo, gold, 0.5 + 0.5 * std::sin(x / 7.0));
  });
  Fill(cv, Rect(ax0, floor_y + 8, ax1, floor_y + 9.2), Solid(ink));

  // The bill below.
  Fill(cv, TextLine(bold, "THE VANISHING LADY", {17, 0.95, 1.6}, W / 2.0, 392), Solid(red));
  Fill(cv, OrnamentRule(W / 2.0, 405, 96), Solid(ink));
  Fill(cv, TextLine(serif, "ILLUSIONS  \xB7  ESCAPES  \xB7  MARVELS OF THE AGE", {9.8, 1, 0.7}, W / 2.0, 424),
       Solid(ink));
  Fill(cv, TextLine(bold, "NIGHTLY AT EIGHT", {15, 1, 2.2}, W / 2.0, 448), Solid(ink));
  Fill(cv, TextLine(serif, "AT THE VELMORE THEATRE  \xB7  AUTUMN 1893", {10, 1, 0.8}, W / 2.0, 467),
       Solid(ink));
  Fill(cv, TextLine(serif, "STALLS ONE SHILLING  \xB7  BOXES FIVE SHILLINGS", {8.2, 1, 0.7}, W / 2.0, 484),
       Solid(red));

  // A faint print texture over everything: ink is never quite even.
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      double n = Fbm(x / 5.0, y / 5.0, 29, 2);
      cv.At(x, y) = Scale(cv.At(x, y), 0.95 + 0.07 * n);
    }
  return cv;
}

// ---- the portrait: fig00000_02 ---------------------------------------------

// The magician in profile, facing right, as a cut-paper silhouette: top hat,
// brow, aquiline nose, moustache and pointed beard, wing collar and bow tie.
// (ox, oy) shifts the whole figure.
Path Profile(double ox, double oy) {
  auto P = [&](double x, double y) { return Pt{ox + x, oy + y}; };
  Path hat;
  Pt h = P(65, 50);
  hat.Move(h.x, h.y);
  hat.Quad(ox + 86, oy + 47, ox + 107, oy + 50);
  hat.Line(ox + 104, oy + 84).Line(ox + 68, oy + 84);
  Path brim;
  Pt r = P(50, 84);
  brim.Move(r.x, r.y);
  brim.Quad(ox + 52, oy + 80, ox + 60, oy + 81).Line(ox + 110, oy + 80)
      .Quad(ox + 119, oy + 79, ox + 122, oy + 76).Quad(ox + 123, oy + 86, ox + 108, oy + 89)
      .Line(ox + 64, oy + 90).Quad(ox + 52, oy + 90, r.x, r.y);
  Path head;
  Pt s = P(68, 88);
  head.Move(s.x, s.y);
  head.Through({P(109, 88), P(112, 97), P(113, 104),  // forehead to brow
                P(111, 108), P(113, 112),             // the bridge of the nose
                P(121, 121), P(114, 124),             // nose
                P(113, 126), P(119, 130), P(113, 132),// moustache
                P(113, 135), P(110, 137),             // lips
                P(113, 143), P(115, 152), P(106, 150),// pointed beard
                P(96, 150), P(93, 157), P(95, 168)}); // jaw and throat
  // wing collar, bow tie, shirt front and coat
  head.Line(ox + 101, oy + 168).Line(ox + 104, oy + 173).Line(ox + 111, oy + 170)
      .Line(ox + 111, oy + 180).Line(ox + 104, oy + 177).Line(ox + 105, oy + 183);
  head.Through({P(113, 193), P(122, 210)});
  head.Line(ox + 122, oy + 215).Line(ox + 20, oy + 215);
  head.Through({P(28, 196), P(44, 178), P(62, 168),   // shoulder
                P(74, 158), P(73, 146),               // nape
                P(65, 132), P(62, 114), P(64, 98)});  // back of the head
  Path all = hat;
  all.Add(brim);
  all.Add(head);
  return Normalized(all);
}

Canvas Portrait(const Font& bold) {
  const int W = 180, H = 252;
  const Rgb gold = Hex(0xC49A45), gold_hi = Hex(0xF0D58E), gold_lo = Hex(0x6A4818);
  Canvas cv(W, H, Hex(0x3A1C15));

  // Velvet behind the frame.
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      double n = Fbm(x / 14.0, y / 30.0, 41, 4);
      double dx = (x - W / 2.0) / (W * 0.7), dy = (y - H * 0.45) / (H * 0.7);
      double v = 1 - 0.55 * Clamp01(dx * dx + dy * dy);
      Rgb c = Mix(Hex(0x2A110D), Hex(0x5A2A1E), n);
      cv.At(x, y) = Scale(c, v * (0.96 + 0.06 * Rand01(x, y, 9)));
    }

  const double cx = 90, cy = 110, rx = 64, ry = 86;
  // The frame: a gilt oval, a beaded inner edge, a dark sight line.
  Mask frame_shadow = Blur(Coverage(Ellipse(cx + 2, cy + 4, rx + 12, ry + 12), W, H), W, H, 3);
  FillMask(cv, frame_shadow, Solid(Hex(0x120605)), 0.6);
  Fill(cv, Ellipse(cx, cy, rx + 11, ry + 11), [&](double x, double y) {
    double a = std::atan2(y - cy, x - cx);
    double t = 0.5 + 0.5 * std::cos(a + 2.3);  // light from the upper left
    return Mix(gold_lo, gold_hi, 0.15 + 0.85 * t);
  });
  Fill(cv, Ellipse(cx, cy, rx + 7, ry + 7), [&](double x, double y) {
    double a = std::atan2(y - cy, x - cx);
    double t = 0.5 + 0.5 * std::cos(a - 0.85);
    return Mix(gold_lo, gold, 0.25 + 0.75 * t);
  });
  for (int i = 0; i < 64; ++i) {
    double a = 2 * kPi * i / 64;
    double bx = cx + (rx + 3.6) * std::cos(a), by = cy + (ry + 3.6) * std::sin(a);
    Fill(cv, Ellipse(bx, by, 1.6, 1.6), Solid(gold_hi));
    Fill(cv, Ellipse(bx + 0.5, by + 0.6, 0.9, 0.9), Solid(gold_lo), 0.7);
  }
  Fill(cv, Ellipse(cx, cy, rx + 1.2, ry + 1.2), Solid(Hex(0x2A1808)));

  // The photograph: sepia, lighter behind the head, darker at the rim.
  Mask oval = Coverage(Ellipse(cx, cy, rx, ry), W, H);
  FillMask(cv, oval, [&](double x, double y) {
    double dx = (x - cx - 8) / rx, dy = (y - cy + 18) / ry;
    double r = std::sqrt(dx * dx + dy * dy);
    double n = Fbm(x / 9.0, y / 9.0, 53, 3);
    Rgb c = Mix(Hex(0xEAD6A8), Hex(0x8A6539), Smooth(0.15, 1.15, r));
    return Scale(c, 0.95 + 0.08 * n);
  });
  // The silhouette, with a soft shadow as if cut and laid on the card.
  Path sil = Profile(0, 0);
  Mask sil_m = Multiply(Coverage(sil, W, H), oval);
  Mask shadow = Multiply(Blur(Coverage(sil, W, H), W, H, 2), oval);
  {
    Mask shifted(shadow.size(), 0.f);
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x)
        if (x >= 2 && y >= 2) shifted[static_cast<size_t>(y) * W + x] = shadow[static_cast<size_t>(y - 2) * W + x - 2];
    FillMask(cv, Multiply(shifted, oval), Solid(Hex(0x5C3E20)), 0.45);
  }
  FillMask(cv, sil_m, [&](double x, double y) {
    double n = Fbm(x / 6.0, y / 6.0, 61, 2);
    return Scale(Hex(0x2B190D), 0.9 + 0.2 * n);
  });
  // the hat band, a shade darker
  Fill(cv, Rect(67.5, 76, 104.3, 81), Solid(Hex(0x150B05)), 1.0, &oval);
  // The photograph's age: a warm darkening at the rim of the oval.
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      size_t i = static_cast<size_t>(y) * W + x;
      if (oval[i] <= 0) continue;
      double dx = (x - cx) / rx, dy = (y - cy) / ry;
      double r = std::sqrt(dx * dx + dy * dy);
      double k = 1 - 0.35 * Smooth(0.75, 1.0, r);
      cv.px[i] = Mix(cv.px[i], Scale(cv.px[i], k), oval[i]);
    }

  // A small ornament on top of the frame.
  Fill(cv, Diamond(cx, cy - ry - 11, 6, 6), Solid(gold_hi));
  Fill(cv, Diamond(cx, cy - ry - 11, 2.5, 2.5), Solid(Hex(0x7A1A16)));

  // The brass plate with the name.
  const double py0 = 216, py1 = 238, px0 = 36, px1 = 144;
  Fill(cv, Rect(px0 + 1.5, py0 + 2, px1 + 1.5, py1 + 2), Solid(Hex(0x140706)), 0.6);
  Fill(cv, Rect(px0, py0, px1, py1), [&](double, double y) {
    return Mix(gold_hi, gold_lo, Smooth(py0, py1, y) * 0.8);
  });
  Fill(cv, Rect(px0 + 2, py0 + 2, px1 - 2, py1 - 2), [&](double x, double y) {
    double t = 0.5 + 0.5 * std::sin(x / 13.0 + y / 40.0);
    return Mix(gold, gold_hi, 0.2 + 0.4 * t);
  });
  for (Pt s : {Pt{px0 + 5, py0 + 5}, Pt{px1 - 5, py0 + 5}, Pt{px0 + 5, py1 - 5}, Pt{px1 - 5, py1 - 5}})
    Fill(cv, Ellipse(s.x, s.y, 1.3, 1.3), Solid(gold_lo));
  Path name = TextLine(bold, "J. VELMORE", {10, 1, 1.2}, cx, py0 + 15);
  Fill(cv, name, Solid(Hex(0x3A230B)));
  return cv;
}

// ---- the icon ----------------------------------------------------------------

// A bookmark laid in an open book: white pages, a navy cover, a red ribbon
// with a swallow-tail end. One character per pixel, drawn in the 16 colours
// of the standard palette ('.' is transparent).
const char* const kIcon[32] = {
    "................................",
    "................................",
    "......................99........",
    ".....................9991.......",
    ".....................9991.......",
    ".......88888........89991.......",
    ".....88fffff888..888f999188.....",
    "...88fffffffff7887fff99917f88...",
    "..8fffffffffff7887fff99917fff8..",
    "..8fffffffffff7887fff99917fff8..",
    "..8fffffffffff7887fff99917fff8..",
    "..8f888888888f78878889991888f8..",
    "..8fffffffffff7887fff99917fff8..",
    "..8f8888888fff788788899918fff8..",
    "..8fffffffffff7887fff99917fff8..",
    "..8f888888888878878889991888f8..",
    "..8fffffffffff7887fff99917fff8..",
    "..8f88888888ff7887888999188ff8..",
    "..8fffffffffff7887fff99917fff8..",
    "..8f888888888f788788899917fff8..",
    "..8fffffffffff7887fff99917fff8..",
    "..8f888888ffff78878889991888f8..",
    "..8fffffffffff7887fff99917fff8..",
    ".488888888ffff7887fff9991888884.",
    ".477777777888888888889991777774.",
    ".488888888777777777779991888884.",
    ".444444444888888888889991444444.",
    ".444444444444444444449991444444.",
    ".....................9991.......",
    ".....................9..1.......",
    ".....................9..1.......",
    "................................",
};

// Windows' standard 16-colour palette, as B, G, R.
const std::array<std::array<uint8_t, 3>, 16> kPalette = {{
    {0x00, 0x00, 0x00}, {0x00, 0x00, 0x80}, {0x00, 0x80, 0x00}, {0x00, 0x80, 0x80},
    {0x80, 0x00, 0x00}, {0x80, 0x00, 0x80}, {0x80, 0x80, 0x00}, {0xC0, 0xC0, 0xC0},
    {0x80, 0x80, 0x80}, {0x00, 0x00, 0xFF}, {0x00, 0xFF, 0x00}, {0x00, 0xFF, 0xFF},
    {0xFF, 0x00, 0x00}, {0xFF, 0x00, 0xFF}, {0xFF, 0xFF, 0x00}, {0xFF, 0xFF, 0xFF},
}};

int IconIndex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;  // transparent
}

void Put16(std::vector<uint8_t>& v, unsigned x) {
  v.push_back(x & 0xff);
  v.push_back((x >> 8) & 0xff);
}
void Put32(std::vector<uint8_t>& v, uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back((x >> (8 * i)) & 0xff);
}

bool WriteIcon(const std::string& file) {
  // Image data: BITMAPINFOHEADER (height doubled for the mask), palette,
  // 4-bit colour rows bottom-up (16 bytes each), then the 1-bit AND mask rows
  // (4 bytes each, 1 = transparent).
  std::vector<uint8_t> img;
  Put32(img, 40);
  Put32(img, 32);
  Put32(img, 64);
  Put16(img, 1);
  Put16(img, 4);
  Put32(img, 0);
  Put32(img, 32 * 16 + 32 * 4);
  Put32(img, 0);
  Put32(img, 0);
  Put32(img, 16);
  Put32(img, 0);
  for (const auto& c : kPalette) {
    img.insert(img.end(), c.begin(), c.end());
    img.push_back(0);
  }
  for (int y = 31; y >= 0; --y)
    for (int x = 0; x < 32; x += 2) {
      int a = std::max(0, IconIndex(kIcon[y][x])), b = std::max(0, IconIndex(kIcon[y][x + 1]));
      img.push_back(static_cast<uint8_t>(a << 4 | b));
    }
  for (int y = 31; y >= 0; --y)
    for (int x = 0; x < 32; x += 8) {
      uint8_t bits = 0;
      for (int k = 0; k < 8; ++k)
        if (IconIndex(kIcon[y][x + k]) < 0) bits |= 0x80 >> k;
      img.push_back(bits);
    }
  std::vector<uint8_t> ico;
  Put16(ico, 0);  // reserved
  Put16(ico, 1);  // type: icon
  Put16(ico, 1);  // one image
  ico.push_back(32);
  ico.push_back(32);
  ico.push_back(16);  // colours
  ico.push_back(0);
  Put16(ico, 1);  // planes
  Put16(ico, 4);  // bits per pixel
  Put32(ico, static_cast<uint32_t>(img.size()));
  Put32(ico, 6 + 16);
  ico.insert(ico.end(), img.begin(), img.end());
  FILE* fp = std::fopen(file.c_str(), "wb");
  if (!fp) return false;
  bool ok = std::fwrite(ico.data(), 1, ico.size(), fp) == ico.size();
  return std::fclose(fp) == 0 && ok;
}

// The icon blown up 8 times, for looking at it.
Canvas IconPreview() {
  Canvas cv(256, 256, Hex(0xD8D8D8));
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) {
      int i = IconIndex(kIcon[y / 8][x / 8]);
      if (i < 0) {
        cv.At(x, y) = ((x / 8 + y / 8) % 2) ? Hex(0xE8E8E8) : Hex(0xC8C8C8);
        continue;
      }
      cv.At(x, y) = {kPalette[i][2] / 255.0, kPalette[i][1] / 255.0, kPalette[i][0] / 255.0};
    }
  return cv;
}

bool LoadFont(FT_Library lib, const std::string& file, Font& f) {
  if (FT_New_Face(lib, file.c_str(), 0, &f.face)) {
    std::fprintf(stderr, "make_pictures: cannot read the font %s\n", file.c_str());
    return false;
  }
  f.units = f.face->units_per_EM;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: make_pictures OUTDIR [FONTDIR] [--preview-icon FILE]\n");
    return 2;
  }
  std::string out = argv[1];
  std::string fonts = argc > 2 && argv[2][0] != '-' ? argv[2] : "/usr/share/fonts/truetype/dejavu";
  FT_Library lib;
  if (FT_Init_FreeType(&lib)) return 1;
  Font serif, bold;
  if (!LoadFont(lib, fonts + "/DejaVuSerif.ttf", serif) ||
      !LoadFont(lib, fonts + "/DejaVuSerif-Bold.ttf", bold))
    return 1;
  bool ok = WritePng(Poster(serif, bold), out + "/fig00000_01.png") &&
            WritePng(Portrait(bold), out + "/fig00000_02.png") && WriteIcon(out + "/shiori.ico");
  for (int i = 2; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--preview-icon") == 0) ok = ok && WritePng(IconPreview(), argv[i + 1]);
  FT_Done_Face(serif.face);
  FT_Done_Face(bold.face);
  FT_Done_FreeType(lib);
  if (!ok) {
    std::fprintf(stderr, "make_pictures: could not write into %s\n", out.c_str());
    return 1;
  }
  return 0;
}
