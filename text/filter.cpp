#include "text/filter.h"

#include <charconv>
#include <cstring>

#include "text/sjis.h"

namespace shiori {

// ---------------------------------------------------------------------------
// Reading collections

std::size_t ReadingCollection::PairHash::operator()(const ruby_info* r) const {
  std::size_t h = std::hash<std::string_view>{}(r->moto);
  std::size_t y = std::hash<std::string_view>{}(r->yomi);
  return h ^ (y + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2));
}

bool ReadingCollection::PairEqual::operator()(const ruby_info* a,
                                              const ruby_info* b) const {
  return a->moto == b->moto && a->yomi == b->yomi;
}

ReadingCollection::ReadingCollection() {
  items_.push_back(std::make_unique<ruby_info>());
}

bool ReadingCollection::AcceptSlot(bool reject_empty_moto) {
  ruby_info* slot = items_.back().get();
  if (reject_empty_moto && slot->moto.empty()) return false;
  // The candidate stays in the slot until the index holds it: a rejected one
  // is simply overwritten by the next candidate.
  if (!index_.insert(slot).second) return false;
  slot->id = size();
  items_.push_back(std::make_unique<ruby_info>());
  return true;
}

int comp01(const ruby_info* a, const ruby_info* b) {
  return (a->moto_len < b->moto_len) - (a->moto_len > b->moto_len);
}

int compID(const ruby_info* a, const ruby_info* b) {
  return (a->id > b->id) - (a->id < b->id);
}

// ---------------------------------------------------------------------------
// Kanji classification (code page 932, whatever the host locale says)

namespace {

struct KanjiRows {
  unsigned first;
  unsigned last;
};
// JIS X 0208 level 1 runs from 亜 (row 16) to 腕 (row 47); level 2 from 弌
// (row 48) to 熙, the last kanji of row 84.
constexpr KanjiRows kLevel1 = {0x889F, 0x9872};
constexpr KanjiRows kLevel2 = {0x989F, 0xEAA4};

bool IsTrailByte(unsigned c) {
  return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

bool InKanjiRows(unsigned code, KanjiRows rows) {
  if (code < rows.first || code > rows.last) return false;
  return IsLeadByte(static_cast<unsigned char>(code >> 8)) && IsTrailByte(code & 0xFF);
}

}  // namespace

bool IsKanjiLevel1(unsigned code) { return InKanjiRows(code, kLevel1); }
bool IsKanjiLevel2(unsigned code) { return InKanjiRows(code, kLevel2); }

// ---------------------------------------------------------------------------
// The markup filter

namespace {

// Opening markers in the order of their index; "｜" and the closers apart.
enum Marker { kAnnotation = 0, kGaiji = 1, kRuby = 2, kOpenerCount = 3 };
constexpr std::string_view kOpeners[kOpenerCount] = {"［＃", "※［＃", "《"};
constexpr std::string_view kBaseBar = "｜";
constexpr std::string_view kRubyClose = "》";
constexpr unsigned char kBracketLead = 0x81;   // "［" 81 6D, "］" 81 6E
constexpr unsigned char kBracketOpen = 0x6D;
constexpr unsigned char kBracketClose = 0x6E;

static_assert(kOpeners[kAnnotation].size() == 4 && kOpeners[kGaiji].size() == 6 &&
                  kOpeners[kRuby].size() == 2 && kBaseBar.size() == 2 &&
                  kRubyClose.size() == 2,
              "markers must be code page 932 bytes (-fexec-charset=CP932)");

constexpr std::size_t npos = std::string_view::npos;

// The "］" that matches the "［" at |open|, found byte-wise as every marker
// is; every "［" on the way opens a nested bracket. npos when the line ends
// first.
std::size_t MatchingBracket(std::string_view line, std::size_t open) {
  const char* base = line.data();
  const std::size_t n = line.size();
  std::size_t i = open + 2;
  int depth = 1;
  while (i + 1 < n) {
    const void* hit = std::memchr(base + i, kBracketLead, n - 1 - i);
    if (hit == nullptr) return npos;
    i = static_cast<std::size_t>(static_cast<const char*>(hit) - base);
    const unsigned char next = static_cast<unsigned char>(line[i + 1]);
    if (next == kBracketOpen) {
      ++depth;
      i += 2;
    } else if (next == kBracketClose) {
      if (--depth == 0) return i;
      i += 2;
    } else {
      ++i;  // a lead byte of another character; its trail may still start a marker
    }
  }
  return npos;
}

bool IsKanjiPair(char hi, char lo) {
  unsigned code = (static_cast<unsigned>(static_cast<unsigned char>(hi)) << 8) |
                  static_cast<unsigned char>(lo);
  return IsKanjiLevel1(code) || IsKanjiLevel2(code);
}

// "%d_%d" of the row and byte counts; an int takes at most 11 characters.
std::string_view PositionTag(int count1, int count5, char (&buf)[32]) {
  char* p = std::to_chars(buf, buf + 11, count1).ptr;
  *p++ = '_';
  p = std::to_chars(p, buf + sizeof buf, count5).ptr;
  return std::string_view(buf, static_cast<std::size_t>(p - buf));
}

}  // namespace

std::string_view filter_line(std::string_view line, int count1, int count5,
                             int rubyon_mode, ReadingCollection& ruby,
                             ReadingCollection& rinfo, FilterLines* out) {
  std::string& buff = out->buff;
  std::string& buff2 = out->buff2;
  buff.clear();
  buff2.clear();
  // Neither line grows beyond the input; once the longest line has been met
  // no further line allocates.
  buff.reserve(line.size());
  buff2.reserve(line.size());
  std::string& in_use = rubyon_mode > 0 ? buff2 : buff;

  // Next occurrence of each opener (and of "｜") at or after the start of the
  // remaining text r. An occurrence is searched again only once r has passed
  // it, so each marker's searches together cover the line once.
  std::size_t r = 0;
  std::size_t next[kOpenerCount];
  for (int k = 0; k < kOpenerCount; ++k) next[k] = line.find(kOpeners[k]);
  std::size_t bar = 0;
  bool bar_known = false;

  for (;;) {
    std::size_t m = npos;
    int kind = -1;
    for (int k = 0; k < kOpenerCount; ++k) {
      if (next[k] != npos && next[k] < r) next[k] = line.find(kOpeners[k], r);
      if (next[k] < m) {
        m = next[k];
        kind = k;
      }
    }
    if (kind < 0) break;

    std::size_t close = kind == kRuby
                            ? line.find(kRubyClose, m + 2)
                            : MatchingBracket(line, kind == kGaiji ? m + 2 : m);
    // An opener that is never closed on its line leaves the rest of the line
    // as it is, and nothing is recorded for it.
    if (close == npos) break;
    const std::string_view content = line.substr(m + 2, close - (m + 2));

    if (!bar_known || (bar != npos && bar < r)) {
      bar = line.find(kBaseBar, r);
      bar_known = true;
    }
    std::string_view base;
    if (bar < m) {
      // Explicit base: the text between "｜" and the marker; "｜" is dropped.
      const std::string_view before = line.substr(r, bar - r);
      base = line.substr(bar + 2, m - (bar + 2));
      buff.append(before).append(base);
      buff2.append(before);
      if (kind != kRuby) buff2.append(base);
    } else {
      // Scanned base: the kanji directly before the marker, two bytes a step.
      std::size_t b = m;
      while (b >= r + 2 && IsKanjiPair(line[b - 2], line[b - 1])) b -= 2;
      base = line.substr(b, m - b);
      buff.append(line.substr(r, m - r));
      buff2.append(line.substr(r, (kind == kRuby ? b : m) - r));
    }

    if (kind == kRuby) {
      buff2.append(content);  // the reading stands where its base was
      ruby_info& slot = ruby.slot();
      slot.moto.assign(base);
      slot.yomi.assign(content);
      slot.moto_len = static_cast<int>(slot.moto.size());
      slot.yomi_len = static_cast<int>(slot.yomi.size());
      ruby.AcceptSlot(/*reject_empty_moto=*/true);
    } else {
      char tag_buf[32];
      const std::string_view tag = PositionTag(count1, count5, tag_buf);
      ruby_info& slot = rinfo.slot();
      slot.moto.assign(base).append(tag);
      slot.yomi.assign(content);
      slot.moto_len = static_cast<int>(slot.moto.size());
      slot.yomi_len = static_cast<int>(slot.yomi.size());
      rinfo.AcceptSlot(/*reject_empty_moto=*/false);
    }
    r = close + 2;
  }

  in_use.append(line.substr(r));
  return in_use;
}

}  // namespace shiori
