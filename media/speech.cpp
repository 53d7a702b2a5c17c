// The speech collector, the re-colouring of spoken rows and the 't' key.
#include "media/speech.h"

#include <string>
#include <string_view>

#include "app/reader.h"

namespace shiori {

namespace {

constexpr std::string_view kFullStop = "。";  // 81 42
constexpr std::string_view kComma = "、";     // 81 41
constexpr std::size_t kMarkLen = 2;
constexpr std::size_t kCollectMin = 200;  // spoken once longer than this
constexpr std::size_t kPieceMax = 256;    // no piece is longer than this

// Appends |text| to the collector without passing its capacity; what does not
// fit is dropped (the collector is spoken long before it could fill up).
void Collect(std::string& b, std::string_view text) {
  const std::size_t room = b.size() < max_sp_strlen ? max_sp_strlen - b.size() : 0;
  b.append(text.substr(0, room));
}

// A collector that ends a sentence: speaks it whole when it is short enough,
// else in pieces cut at the commas after the first one.
void SpeakSentence(Reader& r, std::string_view b) {
  if (b.size() <= kPieceMax) {
    G_TTS(r, b);
    return;
  }
  std::size_t ref = 0, start = 0;
  std::size_t k = b.find(kComma);
  // The first comma is never a cut point.
  while (k != std::string_view::npos && (k = b.find(kComma, k + kMarkLen)) != std::string_view::npos) {
    if (k - ref > kCollectMin && k - ref <= kPieceMax) {
      G_TTS(r, b.substr(start, k - start));
      ref = k;
      start = k + kMarkLen;
    }
  }
  G_TTS(r, b.substr(start));
}

// A collector past 256 bytes without a sentence end: speaks up to the last
// comma within 256 bytes (counting from the first comma), or the first 256
// bytes when there is none, and keeps the rest.
void SpeakLongPiece(Reader& r, std::string& b) {
  std::size_t c = b.find(kComma);
  if (c != std::string::npos && c <= kPieceMax) {
    for (std::size_t next = b.find(kComma, c + kMarkLen);
         next != std::string::npos && next <= kPieceMax; next = b.find(kComma, c + kMarkLen))
      c = next;
    G_TTS(r, std::string_view(b).substr(0, c));
    b.erase(0, c + kMarkLen);
  } else {
    G_TTS(r, std::string_view(b).substr(0, kPieceMax));
    b.erase(0, kPieceMax);
  }
}

// Offset just past the first full stop of |line| when at least two more bytes
// follow it (the rest of the row is still unspoken); npos otherwise.
std::size_t SpokenPrefix(std::string_view line) {
  std::size_t p = line.find(kFullStop);
  if (p == std::string_view::npos || p + kMarkLen + 2 > line.size()) return std::string_view::npos;
  return p + kMarkLen;
}

// Reprints one row in the normal colours (the caller has set them) with the
// current search word highlighted when |highlight| and the row holds it;
// a row cut at |limit| keeps its unspoken rest in the speaking colour.
void ReprintRow(Reader& r, std::string_view row, bool highlight, std::size_t limit) {
  const std::string& word = r.search.search_str;
  if (highlight && r.search.search_str_len > 0 && !word.empty()) {
    std::size_t at = row.find(word);
    if (at != std::string_view::npos) {
      r.Print(row.substr(0, at));
      r.Paint(Paint::kOccurrence);
      r.Print(row.substr(at, word.size()));
      r.Normal();
      r.Print(row.substr(at + word.size()));
      r.Print("\n");
      return;
    }
  }
  r.Print(row.substr(0, limit));
  r.Print("\n");
}

const std::string& Row(Reader& r, int pg, int i) {
  static const std::string kEmpty;
  const std::vector<std::string>& buf = r.page.page_buff[pg];
  return i >= 0 && i < static_cast<int>(buf.size()) ? buf[i] : kEmpty;
}

}  // namespace

void tts_feed_line(Reader& r, int i) {
  SpeechState& sp = r.speech;
  sp.sp_flash = kSpokeNothing;
  if (sp.s_flag == 0 || r.search.search_flag != 0) return;
  const std::string_view line = Row(r, r.page.pg, i);
  if (line.empty()) return;
  std::string& b = sp.sp_str;

  const std::size_t p = line.find(kFullStop);
  if (p != std::string_view::npos) {
    Collect(b, line.substr(0, p + kMarkLen));
    SpeakSentence(r, b);
    b.clear();
    // The rest of the row begins the next sentence; a row that ends with the
    // full stop leaves two blanks, which count towards the next thresholds.
    if (p + kMarkLen < line.size()) {
      Collect(b, line.substr(p + kMarkLen));
    } else {
      b = "  ";
    }
    sp.sp_flash = kSpokeSentence;
    return;
  }

  Collect(b, line);
  if (b.size() > kCollectMin && b.size() <= kPieceMax) {
    G_TTS(r, b);
    b.clear();
    sp.sp_flash = kSpokeLengthCut;
  } else if (b.size() > kPieceMax) {
    SpeakLongPiece(r, b);
    sp.sp_flash = kSpokeLengthCut;
  }
}

void tts_recolor(Reader& r, int i) {
  SpeechState& sp = r.speech;
  if (sp.s_flag != 1 || r.search.search_flag != 0 ||
      (sp.sp_flash != kSpokeSentence && sp.sp_flash != kSpokeLengthCut))
    return;
  PageState& page = r.page;
  ScreenInfo info;
  const int cur = r.cnsl->GetInfo(&info);
  const std::string_view last = Row(r, page.pg, i);
  const std::size_t limit =
      sp.sp_flash == kSpokeSentence ? SpokenPrefix(last) : std::string_view::npos;

  if (sp.sfirst_line > i) {
    // The spoken text began on the previous page: its remaining rows, the
    // status line passed over, then this page's rows up to i.
    const int sa = sp.sfirst_pline_num - sp.sfirst_line + i;
    r.cnsl->SetCursorPosition(0, cur - (sa + 2));
    r.Normal();
    for (int k = sp.sfirst_line; k < sp.sfirst_pline_num; ++k)
      ReprintRow(r, Row(r, sp.sfirst_pg, k), false, std::string_view::npos);
    r.Print("\n");
    for (int k = 0; k <= i; ++k)
      ReprintRow(r, Row(r, page.pg, k), false, k == i ? limit : std::string_view::npos);
  } else {
    r.cnsl->SetCursorPosition(0, cur - ((i - sp.sfirst_line) + 1));
    r.Normal();
    for (int k = sp.sfirst_line; k <= i; ++k)
      ReprintRow(r, Row(r, page.pg, k), true, k == i ? limit : std::string_view::npos);
  }

  // The first row not yet spoken completely.
  if (sp.sp_flash == kSpokeSentence && limit != std::string_view::npos) {
    sp.sfirst_line = i;
    sp.sfirst_pg = page.pg;
    sp.sfirst_pline_num = page.pline_num;
  } else if (i + 1 >= page.pline_num) {
    sp.sfirst_line = (i + 1) % page.pline_num;
    sp.sfirst_pg = 1 - page.pg;
  } else {
    // After a length cut the span also starts on this page; keeping the page
    // of an older span here would reprint rows of the wrong page later.
    sp.sfirst_line = i + 1;
    sp.sfirst_pg = page.pg;
    sp.sfirst_pline_num = page.pline_num;
  }
  sp.sp_flash = kSpokeNothing;
}

void tts_toggle(Reader& r) {
  SpeechState& sp = r.speech;
  sp.s_flag = (sp.s_flag + 1) % 2;
  if (sp.s_flag == 1) {
    // Back to the page's first row (the status line below it counted), so
    // the page is drawn again in place in the speaking colour.
    ScreenInfo info;
    const int cur = r.cnsl->GetInfo(&info);
    r.cnsl->SetCursorPosition(0, cur - r.page.pline_num - 1);
  }
}

}  // namespace shiori
