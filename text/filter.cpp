#include "text/filter.h"

#include <charconv>
#include <cstring>

#include "text/sjis.h"

namespace shiori {

// ---------------------------------------------------------------------------
// Reading collections

namespace {

std::uint64_t Load8(const char* p) {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}

// The last 1 to 7 bytes, without reading past them.
std::uint64_t LoadTail(const char* p, std::size_t n) {
  std::uint64_t v = 0;
  for (std::size_t i = 0; i < n; ++i)
    v |= std::uint64_t{static_cast<unsigned char>(p[i])} << (8 * i);
  return v;
}

// Eight bytes at a time, each step multiplied and folded; the length goes
// in first, so that ("ab", "c") and ("a", "bc") differ.
std::uint64_t MixIn(std::uint64_t h, std::string_view s) {
  h = (h ^ s.size()) * 0x9E3779B97F4A7C15ULL;
  const char* p = s.data();
  std::size_t n = s.size();
  for (; n >= 8; p += 8, n -= 8) {
    h = (h ^ Load8(p)) * 0xBF58476D1CE4E5B9ULL;
    h ^= h >> 31;
  }
  if (n > 0) {
    h = (h ^ LoadTail(p, n)) * 0x94D049BB133111EBULL;
    h ^= h >> 29;
  }
  return h;
}

constexpr std::size_t kFirstIndexSize = 64;

}  // namespace

std::uint64_t ReadingCollection::Hash(std::string_view moto, std::string_view yomi) {
  std::uint64_t h = MixIn(MixIn(0x243F6A8885A308D3ULL, moto), yomi);
  return h ^ (h >> 32);
}

ReadingCollection::ReadingCollection() : index_(kFirstIndexSize) {
  items_.push_back(std::make_unique<ruby_info>());
}

ReadingCollection::Entry& ReadingCollection::Probe(std::string_view moto, std::string_view yomi,
                                                   std::uint64_t hash) {
  const std::size_t mask = index_.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    Entry& e = index_[i];
    if (e.record == nullptr) return e;
    if (e.hash == hash && e.record->moto == moto && e.record->yomi == yomi) return e;
  }
}

void ReadingCollection::AddSlot(std::uint64_t hash) {
  // Kept at most three quarters full: probes stay short (a probe that meets
  // another pair is told by its hash alone) and the index small.
  if (4 * (static_cast<std::size_t>(size()) + 1) > 3 * index_.size()) {
    std::vector<Entry> old(index_.size() * 2);
    old.swap(index_);
    const std::size_t mask = index_.size() - 1;
    for (const Entry& e : old) {
      if (e.record == nullptr) continue;
      std::size_t i = e.hash & mask;
      while (index_[i].record != nullptr) i = (i + 1) & mask;
      index_[i] = e;
    }
  }
  ruby_info* s = items_.back().get();
  Probe(s->moto, s->yomi, hash) = Entry{hash, s};
  s->id = size();
  items_.push_back(std::make_unique<ruby_info>());
}

bool ReadingCollection::AcceptSlot(bool reject_empty_moto) {
  const ruby_info& s = slot();
  if (reject_empty_moto && s.moto.empty()) return false;
  // The candidate stays in the slot unless it is new: a rejected one is
  // simply overwritten by the next candidate.
  const std::uint64_t hash = Hash(s.moto, s.yomi);
  if (Probe(s.moto, s.yomi, hash).record != nullptr) return false;
  AddSlot(hash);
  return true;
}

bool ReadingCollection::Accept(std::string_view moto, std::string_view yomi,
                               bool reject_empty_moto) {
  if (reject_empty_moto && moto.empty()) return false;
  // Most candidates of a long work are pairs met before: they are looked up
  // as views, and only a new pair is copied into the slot.
  const std::uint64_t hash = Hash(moto, yomi);
  if (Probe(moto, yomi, hash).record != nullptr) return false;
  ruby_info& s = slot();
  s.moto.assign(moto);
  s.yomi.assign(yomi);
  s.moto_len = static_cast<int>(s.moto.size());
  s.yomi_len = static_cast<int>(s.yomi.size());
  AddSlot(hash);
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

bool InKanjiRows(unsigned code, KanjiRows rows) {
  if (code < rows.first || code > rows.last) return false;
  return IsLeadByte(static_cast<unsigned char>(code >> 8)) &&
         IsTrailByte(static_cast<unsigned char>(code & 0xFF));
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

// Every opener begins with the same lead byte, so one scan for it finds the
// next opener of any kind.
constexpr char kOpenerLead = '\x81';
static_assert(kOpeners[kAnnotation][0] == kOpenerLead && kOpeners[kGaiji][0] == kOpenerLead &&
                  kOpeners[kRuby][0] == kOpenerLead,
              "openers share their first byte");

// The first opener at or after |from|, found byte-wise as find() would find
// each (at any offset, a trail byte included), and its kind; npos when there
// is none. At one offset at most one opener can begin: their second bytes
// differ.
[[gnu::always_inline]] inline std::size_t NextOpener(std::string_view line, std::size_t from,
                                                 int* kind) {
  const char* base = line.data();
  const std::size_t n = line.size();
  std::size_t i = from;
  while (i + 1 < n) {
    const void* hit = std::memchr(base + i, kOpenerLead, n - 1 - i);
    if (hit == nullptr) return npos;
    i = static_cast<std::size_t>(static_cast<const char*>(hit) - base);
    // Most hits are other symbols ("、", "「", ...): the second byte tells.
    for (int k = 0; k < kOpenerCount; ++k) {
      const std::string_view o = kOpeners[k];
      if (base[i + 1] == o[1] && n - i >= o.size() &&
          std::memcmp(base + i + 2, o.data() + 2, o.size() - 2) == 0) {
        *kind = k;
        return i;
      }
    }
    ++i;
  }
  return npos;
}

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

// Appends a ruby reading as it stands in place of its base: an annotation
// inside it (a gaiji note, most often) is dropped as it is in the line, and
// an opener without its closer stays as text.
void AppendReading(std::string_view content, std::string* out) {
  std::size_t r = 0;
  for (;;) {
    int kind = -1;
    const std::size_t m = NextOpener(content, r, &kind);
    if (m == npos || kind == kRuby) break;
    const std::size_t close = MatchingBracket(content, kind == kGaiji ? m + 2 : m);
    if (close == npos) break;
    out->append(content.substr(r, m - r));
    r = close + 2;
  }
  out->append(content.substr(r));
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

namespace {

// One reading into its collection; annotations tagged with the counters.
[[gnu::always_inline]] inline void Take(bool annotation, std::string_view base,
                                        std::string_view content, int count1, int count5,
                                        ReadingCollection& ruby, ReadingCollection& rinfo) {
  if (!annotation) [[likely]] {
    ruby.Accept(base, content, /*reject_empty_moto=*/true);
    return;
  }
  char tag_buf[32];
  const std::string_view tag = PositionTag(count1, count5, tag_buf);
  std::string moto;
  moto.reserve(base.size() + tag.size());
  moto.append(base).append(tag);
  rinfo.Accept(moto, content, /*reject_empty_moto=*/false);
}

// The filter; when |want_readings|, every reading and annotation goes to
// take(annotation, base, content) in the order met.
template <typename Sink>
std::string_view FilterLine(std::string_view line, int rubyon_mode, bool want_readings,
                            FilterLines* out, Sink&& take) {
  // Only the line in use is built; the other is left empty. It never grows
  // beyond the input: once the longest line has been met none allocates.
  const bool reading = rubyon_mode > 0;
  std::string& in_use = reading ? out->buff2 : out->buff;
  (reading ? out->buff : out->buff2).clear();
  in_use.clear();
  in_use.reserve(line.size());

  // The next opener from the start of the remaining text r, and the next
  // "｜" at or after r. The bar is searched again only once r has passed it,
  // so the searches together cover the line once.
  std::size_t r = 0;
  std::size_t bar = 0;
  bool bar_known = false;

  for (;;) {
    int kind = -1;
    const std::size_t m = NextOpener(line, r, &kind);
    if (m == npos) break;

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
      in_use.append(before);
      if (!reading || kind != kRuby) in_use.append(base);
    } else {
      // Scanned base: the kanji directly before the marker, two bytes a step
      // (looked for only when it is wanted).
      std::size_t b = m;
      if ((reading && kind == kRuby) || want_readings)
        while (b >= r + 2 && IsKanjiPair(line[b - 2], line[b - 1])) b -= 2;
      base = line.substr(b, m - b);
      in_use.append(line.substr(r, (reading && kind == kRuby ? b : m) - r));
    }

    if (kind == kRuby && reading) AppendReading(content, &in_use);  // where its base was
    if (want_readings) take(kind != kRuby, base, content);
    r = close + 2;
  }

  in_use.append(line.substr(r));
  return in_use;
}

}  // namespace

void take_reading(bool annotation, std::string_view base, std::string_view content, int count1,
                  int count5, ReadingCollection& ruby, ReadingCollection& rinfo) {
  Take(annotation, base, content, count1, count5, ruby, rinfo);
}

std::string_view filter_line(std::string_view line, int count1, int count5,
                             int rubyon_mode, ReadingCollection& ruby,
                             ReadingCollection& rinfo, FilterLines* out) {
  return FilterLine(line, rubyon_mode, true, out,
                    [&](bool annotation, std::string_view base, std::string_view content) {
                      Take(annotation, base, content, count1, count5, ruby, rinfo);
                    });
}

std::string_view filter_line(std::string_view line, int rubyon_mode, FilterLines* out,
                             ReadingNotes* notes) {
  return FilterLine(line, rubyon_mode, notes != nullptr, out,
                    [notes](bool annotation, std::string_view base, std::string_view content) {
                      const auto at = [notes](std::string_view v) {
                        return static_cast<std::uint32_t>(v.data() - notes->text);
                      };
                      notes->notes.push_back({at(base), static_cast<std::uint32_t>(base.size()),
                                              at(content),
                                              static_cast<std::uint32_t>(content.size()),
                                              notes->count1, notes->count5, annotation});
                    });
}

}  // namespace shiori
