#include "cconsole/scheme.h"

namespace shiori {

namespace {

struct SchemeRow {
  Paint paint;
  ColourPair normal;
  ColourPair reverse;
};

// The one colour table of the program.
constexpr SchemeRow kScheme[] = {
    {Paint::kNormal, {L_WHITE, L_BLACK}, {L_BLACK, H_WHITE}},
    {Paint::kLoadingStart, {H_WHITE, H_RED}, {L_BLACK, H_RED}},
    {Paint::kLoadingChange, {L_WHITE, H_RED}, {L_BLACK, H_RED}},
    {Paint::kImageName, {L_BLACK, H_GREEN}, {L_BLACK, H_GREEN}},
    {Paint::kRowSpeech, {H_GREEN, L_BLACK}, {H_GREEN, L_BLACK}},
    {Paint::kSearchHit, {L_WHITE, H_RED}, {L_BLACK, H_RED}},
    {Paint::kOccurrence, {H_WHITE, H_RED}, {L_BLACK, H_RED}},
    {Paint::kLastPageHit, {L_WHITE, H_RED}, {L_BLACK, H_RED}},
    {Paint::kNotFoundWord, {H_RED, L_GREEN}, {H_RED, L_GREEN}},
    {Paint::kStatus, {H_WHITE, H_BLUE}, {H_WHITE, H_BLUE}},
    {Paint::kBannerFrame, {H_RED, L_GREEN}, {H_RED, L_GREEN}},
    {Paint::kBanner1, {L_BLUE, H_WHITE}, {L_BLUE, H_WHITE}},
    {Paint::kBanner2, {L_GREEN, H_WHITE}, {L_GREEN, H_WHITE}},
    {Paint::kBanner3, {L_BLACK, H_WHITE}, {L_BLACK, H_WHITE}},
    {Paint::kListHighlight, {L_BLACK, H_GREEN}, {L_BLACK, H_GREEN}},
    {Paint::kExitReset, {L_WHITE, L_BLACK}, {L_WHITE, L_BLACK}},
};

}  // namespace

ColourPair SchemeColour(Paint paint, int con_mode) {
  for (const SchemeRow& row : kScheme)
    if (row.paint == paint) return con_mode > 0 ? row.reverse : row.normal;
  return con_mode > 0 ? kScheme[0].reverse : kScheme[0].normal;
}

void SetPaint(CConsole& cnsl, Paint paint, int con_mode) {
  ColourPair p = SchemeColour(paint, con_mode);
  cnsl.SetColor(p.fore, p.back);
}

void WritePainted(CConsole& cnsl, Paint paint, int con_mode, std::string_view text) {
  SetPaint(cnsl, paint, con_mode);
  cnsl.buffer()->Write(text);
  SetPaint(cnsl, Paint::kNormal, con_mode);
}

}  // namespace shiori
