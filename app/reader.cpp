#include "app/reader.h"

#include <algorithm>
#include <cstdio>

#include "app/command_line.h"
#include "app/list_pager.h"
#include "app/page_view.h"
#include "app/reading_lists.h"
#include "app/search_view.h"
#include "content/disk_work.h"
#include "content/zip_decode.h"
#include "media/cues.h"
#include "text/sjis.h"

namespace shiori {

Reader::Reader(Platform& platform, Catalog cat) : plat(platform), catalog(std::move(cat)) {}

Reader::~Reader() = default;

void Reader::Print(std::string_view text) { plat.console->Write(text); }

void Reader::PrintError(std::string_view text) { plat.console->WriteError(text); }

void Reader::Paint(shiori::Paint paint) { SetPaint(*cnsl, paint, con_mode); }

void Reader::PrintPainted(shiori::Paint paint, std::string_view text) {
  WritePainted(*cnsl, paint, con_mode, text);
}

int Reader::GetKey() {
  plat.console->Flush();
  return plat.keyboard->GetKey();
}

bool Reader::ReadInt(int* value) {
  plat.console->Flush();
  return plat.keyboard->ReadInt(value);
}

int Reader::ScreenRows() {
  ScreenInfo info;
  return plat.console->GetScreenInfo(&info) && info.height > 1 ? info.height : kListScreenRows;
}

int Reader::CursorRow() {
  ScreenInfo info;
  return cnsl->GetInfo(&info);
}

void Reader::SetCursorPosition(int x, int y) { cnsl->SetCursorPosition(x, y); }

std::string Reader::DataPath(const std::string& name) const {
  if (plat.work_dir.empty()) return name;
  return plat.work_dir + "/" + name;
}

void Reader::Extract() {
  ZipStatus st = zip_decode(fid, catalog, *plat.resources, &streams);
  if (st == ZipStatus::kOutOfMemory) {
    PrintError("out of memory\n");
    plat.terminate(1);
    return;
  }
  if (st != ZipStatus::kOk)
    PrintError(std::string(ZipStatusMessage(st, catalog.works[fid].resource_name)) + "\n");
}

void Reader::Reextract() {
  streams.Reset();
  Extract();
}

void Reader::CatchUpReadings() {
  const std::string_view text = streams.ssout.view();
  for (const NotedReading& p : backlog.pending.notes) {
    // The text is the one the offsets were taken in (extracted again after a
    // failed search, it is the same bytes); nothing outside it is read.
    if (p.base_at + std::size_t{p.base_len} > text.size() ||
        p.content_at + std::size_t{p.content_len} > text.size())
      continue;
    take_reading(p.annotation, text.substr(p.base_at, p.base_len),
                 text.substr(p.content_at, p.content_len), p.count1, p.count5, ruby, rinfo);
  }
  backlog.pending.notes.clear();
}

bool Reader::FindImage(const std::string& name, std::span<const std::uint8_t>* bytes) const {
  const CatalogWork& work = catalog.works[fid];
  if (work.pictures) {
    for (const WorkPicture& p : *work.pictures) {
      if (ResourceNameEquals(p.name, name)) {
        *bytes = std::span<const std::uint8_t>(p.png.data(), p.png.size());
        return true;
      }
    }
  }
  return plat.resources->Find("WAVE", name, bytes);
}

std::vector<std::string> Reader::ImageNames() const {
  std::vector<std::string> names;
  const CatalogWork& work = catalog.works[fid];
  if (work.pictures && !work.pictures->empty()) {
    for (const WorkPicture& p : *work.pictures) names.push_back(p.name);
    return names;
  }
  for (int i = 0; i < catalog.png_num && i < static_cast<int>(catalog.pngname.size()); ++i)
    names.push_back(catalog.pngname[i]);
  return names;
}

bool Reader::AddWorkFiles(const std::vector<std::string>& files, int* first) {
  *first = files.empty() ? -1 : static_cast<int>(catalog.works.size());
  for (const std::string& path : files) {
    CatalogWork work;
    std::string err;
    if (!LoadDiskWork(path, plat.codec, &work, &err)) {
      PrintError("shiori: " + plat.codec->NativeToCp932(path) + ": " + err + "\n");
      return false;
    }
    catalog.works.push_back(std::move(work));
  }
  return true;
}

int Reader::Run(const std::vector<std::string>& args) {
  const CommandLine cl = ParseCommandLine(args);
  if (cl.action == CommandLine::Action::kBadOption) {
    PrintError("shiori: unknown option '" + plat.codec->NativeToCp932(cl.bad_option) + "'\n" +
               std::string(UsageText()));
    return 2;
  }
  if (cl.action != CommandLine::Action::kRead) {
    Print(cl.action == CommandLine::Action::kHelp ? UsageText() : VersionText());
    plat.console->Flush();
    return 0;
  }
  // Work files are read before anything else happens, so that a bad one ends
  // the program with nothing played, created or written.
  int first_file = -1;
  if (!AddWorkFiles(cl.files, &first_file)) return 1;
  StartUp(cl, first_file);
  // Asked to end before a page was shown: nothing was read, nothing to save.
  if (!StopRequested()) ReadingLoop();
  ExitSequence();
  return 0;
}

void Reader::StartUp(const CommandLine& cl, int first_file) {
  speech.sp_str.clear();
  play_cue(plat, kCueStart, kCueAsyncFlags);
  search.search_flag = 0;
  search.search_str_len = 0;
  plat.messages->StartTimer(SetT);
  mm_load(music, *this, plat);
  cnsl = std::make_unique<CConsole>(plat.console);
  con_mode = cl.con_mode;
  rubyon_mode = cl.rubyon_mode;
  if (con_mode > 0) cnsl->Clear(L_BLACK, H_WHITE);
  speech.s_flag = 0;
  kind_num = static_cast<int>(catalog.works.size());
  SelectWork(cl, first_file);
  LoadingNotice(shiori::Paint::kLoadingStart);
  positions.fna_num = 0;
  page.mae_p = 0;
  page.pg = 0;
  page.ResetCounters();
  positions_create_default(*this);
  fname = WorkKey(catalog.works[fid].resource_name);
  positions_load(*this);
  fit.width_option = cl.width;
  std::string notice;
  view_settings = LoadViewSettings(DataPath(std::string(kViewSettingsName)), &notice);
  Print(notice);
  if (cl.fit || view_settings.view == ViewKind::kFitted) fitted_enter(*this, page.lline);
}

ReadingView& Reader::View() {
  if (fit.on) return fitted_view_;
  return classic_view;
}

void Reader::SaveView() {
  std::string err;
  if (!SaveViewSettings(DataPath(std::string(kViewSettingsName)), view_settings,
                        fit.on ? ViewKind::kFitted : ViewKind::kClassic, plat.text_line_end,
                        &err) &&
      !StopRequested())
    PrintError("cannot write " + std::string(kViewSettingsName) + ": " + err + "\n");
}

void Reader::SelectWork(const CommandLine& cl, int first_file) {
  fid = 0;
  if (first_file >= 0) {
    fid = first_file;  // the first work file opens without a menu
  } else if (cl.work_number) {
    fid = cl.work_number_outside_int ? -1 : *cl.work_number % (kind_num + 1);
  } else if (kind_num >= 2) {
    PrintMenu(false);
    Print("select number\n");
    ReadInt(&fid);
  }
  if (fid < 0 || fid >= kind_num) fid = catalog.def_num;
}

void Reader::PrintMenu(bool pause_always) {
  for (int l = 0; l < kind_num; ++l) {
    Printf("(%02d) %s", l, catalog.works[l].title.c_str());
    if ((l + 1) % 4 == 0 || l == kind_num - 1) {
      Print("\n");
      if ((l + 1) % 80 == 0 && (pause_always || kind_num > 200)) {
        Printf("touch anykey , %d items more\n", kind_num - l - 1);
        GetKey();
      }
    } else {
      Print(" , ");
    }
  }
}

void Reader::LoadingNotice(shiori::Paint paint) {
  Paint(paint);
  Print("読み込み中・・・\r");
  plat.console->Flush();
  Extract();
  Normal();
  Print("                \r");
}

int Reader::ReadingLoop() {
  for (;;) {
    if (!streams.ssout.GetLine(&LineStr)) {
      // A jump past the last complete page shows that page.
      if (!fit.on && nav_end_of_text(*this)) {
        if (ShowPages(true) == Outcome::kLeave) return 0;
        continue;
      }
      if (fit.on) {
        fitted_show_last_page(*this);
      } else {
        show_last_page(*this);
      }
      if (search.search_flag) {
        if (fit.on) {
          fitted_search_fail(*this);
        } else {
          search_fail(*this);
        }
        continue;
      }
      EndOfWork();
      return 0;
    }
    if (LineStr.empty()) continue;
    // The fitted view shows an illustration's marker as a row of its own.
    if (!fit.on && LineStr.find(".png") != std::string::npos && !search.search_flag &&
        page.count[kRowsRead] >= page.lline)
      image_marker_step(image, *this, *this, plat, LineStr);
    page.count[kBytesRead] += static_cast<int>(LineStr.size());
    // A line read before has given its readings already.
    const bool first_time = streams.ssout.tell() > backlog.read_to;
    if (first_time) {
      // Room for a note every 24 bytes, about what the densest long texts
      // need, taken at once: growing by doubling copied the notes and
      // touched twice their memory. Room not written is never touched.
      if (backlog.pending.notes.capacity() == 0)
        backlog.pending.notes.reserve(streams.ssout.size() / 24);
      backlog.read_to = streams.ssout.tell();
      backlog.pending.text = streams.ssout.view().data();
      backlog.pending.count1 = page.count[kRowsRead];
      backlog.pending.count5 = page.count[kBytesRead];
    }
    SourceLine line{LineStr, {},
                    static_cast<std::size_t>(LineStr.data() - streams.ssout.view().data())};
    // The fitted view reads a line again for its layout alone: its classic
    // rows are known, and the classic view's filtered line is not shown.
    if (first_time || !fit.on || !backlog.RowsOf(line.offset, &line.classic_rows)) {
      line.filtered =
          filter_line(LineStr, rubyon_mode, &filtered, first_time ? &backlog.pending : nullptr);
      line.classic_rows = RowCount(static_cast<int>(line.filtered.size()));
      if (first_time) backlog.line_rows.push_back({line.offset, line.classic_rows});
    }
    // The classic layout counts its own rows; the fitted one does not, yet
    // the readings noted here are tagged with the classic row counter.
    if (fit.on) page.count[kRowsRead] += line.classic_rows;
    // Every page the line completes is shown (or passed over on the way to
    // the place reading resumes at) before the layout turns to the next.
    if (ShowPages(InUse().Place(line)) == Outcome::kLeave) return 0;
  }
}

bool Reader::ReadingsBacklog::RowsOf(std::size_t offset, int* rows) const {
  const auto it = std::lower_bound(
      line_rows.begin(), line_rows.end(), offset,
      [](const LineRows& l, std::size_t at) { return l.offset < at; });
  if (it == line_rows.end() || it->offset != offset) return false;
  *rows = it->rows;
  return true;
}

Outcome Reader::ShowPages(bool complete) {
  Layout& in_use = InUse();
  for (; complete; complete = in_use.TurnPage()) {
    if (fit.on) {
      // The fitted view's jumps are its own layout's: nothing to catch here.
      if (!fitted.PageToShow()) continue;
      fitted_show_page(*this);
    } else {
      if (!layout.PageToShow() && !nav_page_passed(*this)) continue;
      nav_page_reached(*this);
      show_page(*this);
    }
    const Outcome o = key_dispatch(*this);
    if (o != Outcome::kAdvance) return o;  // another work: its lines from its top
  }
  return Outcome::kAdvance;
}

std::string_view Reader::SpokenTitle() const {
  // One row of the page: a title, not a chapter (the synthesiser's time
  // grows faster than the length of a piece without pauses).
  constexpr std::size_t kSpokenTitleMax = 80;
  return std::string_view(Title()).substr(0, CharBoundaryPrefix(Title(), kSpokenTitleMax));
}

void Reader::QuitPartWay() {
  const int at = SavedPosition();
  // The notice stays on the screen the reader returns to.
  fitted_release_screen(*this);
  positions_save(*this, at);
  positions_release(*this);
  Paint(shiori::Paint::kStatus);
  Printf("[ %s ] 途中まで、表示しました。%d行", Title().c_str(), at);
  Normal();
  Print("\n");
  G_TTS(plat, SpokenTitle());
  G_TTS(plat, "とちゅうまでひょうじしました");
}

void Reader::SaveOnStop() {
  positions_save(*this, SavedPosition());
  positions_release(*this);
}

void Reader::EndOfWork() {
  positions_save(*this, 0);
  positions_release(*this);
  if (fit.on) {
    // The last page stays in view until the key; the notice is left on the
    // screen the reader returns to.
    fitted_status_notice(*this, "終わりまで、表示しました  touch anykey, (end)");
    G_TTS(plat, SpokenTitle());
    G_TTS(plat, "おわりまで、ひょうじしました");
    GetKey();
    fitted_release_screen(*this);
    Paint(shiori::Paint::kStatus);
    Printf("[ %s ] 終わりまで、表示しました", Title().c_str());
    Normal();
    Print("\n");
    return;
  }
  Paint(shiori::Paint::kStatus);
  Printf("[ %s ] 終わりまで、表示しました", Title().c_str());
  Normal();
  Print("\n");
  G_TTS(plat, SpokenTitle());
  G_TTS(plat, "おわりまで、ひょうじしました");
  Print("touch anykey, (end)\n");
  GetKey();
}

void Reader::HelpScreen() {
  PrintPainted(shiori::Paint::kBannerFrame, "[ --- ");
  Paint(shiori::Paint::kBanner1);
  Print(" shiori ");
  Paint(shiori::Paint::kBanner2);
  Print(" 青空文庫形式の本を読む ");
  Paint(shiori::Paint::kBanner3);
  Print(" Ver 0.02 ");
  PrintPainted(shiori::Paint::kBannerFrame, " --- ]");
  Print("\n");
  const std::vector<std::string> lines = {
      "v:表示の切り替え(classic / fitted)", "u:ルビの表示on/off(fitted)", "q:end", "s:search word",
      "f:research(continue search same word)", "-:back one page",
      "c:change select", "t:読み上げon/off切り替え", "r:読み仮名情報", "m:ＢＧＭ音楽の選択",
      "p:画像表示選択", "b:search backward (same word)", "j:目次としおり（番号で移動）",
      "g:go to (page number, N%, ^ start, $ end)", "k:しおりを挟む・外す"};
  // The banner's row is taken.
  if (PageList(*this, lines, ScreenRows() - 1)) {
    Print("touch anykey , return page\n");
    GetKey();
  }
}

namespace {

// One page back: read again from the top and show the page before this one.
void PageBack(Reader& r) {
  r.page.lline = r.page.mae_p;
  for (int i = kRowsRead; i <= kBytesRead; ++i) r.page.count[i] = 0;
  r.streams.ssout.Rewind();
}

}  // namespace

bool Reader::ChangeWork() {
  const int mae_fid = fid;
  PrintMenu(true);
  Print("select number\n");
  ReadInt(&fid);
  // Asked to end at the prompt: the page on screen stays the one to save.
  if (StopRequested()) {
    fid = mae_fid;
    return false;
  }
  if (fid < 0 || fid >= kind_num) fid = mae_fid;
  if (fid == mae_fid) {
    PageBack(*this);
    return false;
  }
  positions_save(*this, SavedPosition());  // fname is still the old work's key
  // The collections keep the readings of every work read in this run.
  CatchUpReadings();
  backlog = ReadingsBacklog();
  streams.Reset();
  LoadingNotice(shiori::Paint::kLoadingChange);
  page.mae_p = 0;
  page.pg = 0;
  for (int i = kRowsRead; i <= kBytesRead; ++i) page.count[i] = 0;
  fname = WorkKey(catalog.works[fid].resource_name);
  positions_lookup_again(*this);
  if (fit.on) fitted_enter(*this, page.lline);
  return true;
}

void Reader::ExitSequence() {
  fitted_release_screen(*this);
  SaveView();
  mm_exit(music, *this, plat);
  // The exit cue is waited for to its end: not when asked to end.
  if (!StopRequested()) play_cue(plat, kCueExit, kCueSyncFlags);
  if (con_mode > 0) Paint(shiori::Paint::kExitReset);
  plat.console->Flush();
  cnsl.reset();
}

namespace {

// The page on screen drawn again after a list or a prompt.
void ShowAgain(Reader& r) {
  if (r.fit.on) {
    fitted_show_page(r);
  } else {
    show_page(r);
  }
}

// A list or a menu printed from the top of the fitted view's screen, where
// the page is drawn again after it.
void ClearForList(Reader& r) {
  if (r.fit.on) r.plat.console->ClearScreen();
}

}  // namespace

Outcome key_dispatch(Reader& r) {
  for (;;) {
    if (!r.search.search_flag)
      r.key = r.music.mmsys_flag > 0 ? mm_wait_key(r, r.plat) : r.GetKey();
    // Any key but another layout of the same place leaves it.
    if (r.key != kKeyResize && r.key != 'u' && r.key != 'U') r.fit.relaid = false;
    if (r.key == kKeyResize) {
      if (!r.fit.on) continue;
      fitted_relayout(r);
      return Outcome::kRestart;
    }
    int k = r.key;
    // A special key is one key press: the page keys back, the others forward.
    if (k >= kKeySpecial)
      k = (k == kKeyPageUp || k == kKeyUp || k == kKeyLeft) ? '-' : 'n';
    // Asked to end from outside (a signal, the console closing): the wait
    // answered as at the end of input; what 'q' saves is saved, quietly.
    if (k == kKeyEof && r.StopRequested()) {
      r.SaveOnStop();
      return Outcome::kLeave;
    }
    // Input closed: nothing more can be asked, so leave as 'q' does.
    if (k == kKeyEof) k = 'q';
    switch (k) {
      case 'q':
      case 'Q':
        r.QuitPartWay();
        return Outcome::kLeave;
      case 'n':
        return Outcome::kAdvance;
      case 't':
      case 'T':
        if (r.fit.on) {
          r.speech.s_flag = (r.speech.s_flag + 1) % 2;
        } else {
          tts_toggle(r.speech, r, r.page.pline_num);
        }
        ShowAgain(r);
        continue;
      case 'f':
      case 'F':
        // A search pending comes here for every page it passes.
        if (r.fit.on && !r.search.search_flag) r.fit.search_from = r.fitted.PageNumber();
        search_continue(r);
        return Outcome::kAdvance;
      case 's':
      case 'S':
        // Asked to end at the prompt: no search; the wait answers it, with
        // the page on screen the one to save.
        if ((r.fit.on ? fitted_search_prompt(r) : search_prompt(r)) && !r.StopRequested())
          return Outcome::kAdvance;
        r.search.search_flag = 0;
        if (!r.StopRequested()) ShowAgain(r);
        continue;
      case '-':
        if (r.fit.on) {
          fitted_page_back(r);
          return Outcome::kRestart;
        }
        PageBack(r);
        return Outcome::kAdvance;
      case 'v':
      case 'V':
        if (r.fit.on) {
          fitted_leave(r);
        } else {
          // The classic page's top row: the rows of the page (and those
          // carried past it) were counted last.
          fitted_enter(r, r.page.count[kRowsRead] - r.page.count[kRowsInPage] + 1);
        }
        return Outcome::kRestart;
      case 'u':
      case 'U':
        if (!r.fit.on) return Outcome::kAdvance;  // any other key, as before
        r.fit.show_ruby = !r.fit.show_ruby;
        fitted_relayout(r);
        return Outcome::kRestart;
      case 'j':
      case 'J':
        ClearForList(r);
        if (contents_key(r)) return Outcome::kAdvance;
        if (!r.StopRequested()) ShowAgain(r);
        continue;
      case 'g':
      case 'G':
        if (goto_key(r)) return Outcome::kAdvance;
        if (!r.StopRequested()) ShowAgain(r);
        continue;
      case 'b':
      case 'B':
        if (search_back_key(r)) return Outcome::kAdvance;
        if (!r.StopRequested()) ShowAgain(r);
        continue;
      case 'k':
      case 'K':
        bookmark_key(r);
        continue;
      case 'h':
      case 'H':
      case '?':
        ClearForList(r);
        r.HelpScreen();
        ShowAgain(r);
        continue;
      case 'r':
      case 'R':
        ClearForList(r);
        show_ruby(r);
        ShowAgain(r);
        continue;
      case 'p':
      case 'P':
        ClearForList(r);
        image_list(r.image, r, r, r.plat);
        ShowAgain(r);
        continue;
      case 'c':
      case 'C':
        ClearForList(r);
        if (r.ChangeWork()) return Outcome::kRestart;
        if (r.StopRequested()) continue;  // the page on screen is the one to save
        if (r.fit.on) {
          // The same work again: its page on screen, laid out anew.
          fitted_relayout(r);
          return Outcome::kRestart;
        }
        return Outcome::kAdvance;
      case 'i':
      case 'I':
        ClearForList(r);
        show_rinfo(r);
        ShowAgain(r);
        continue;
      case 'm':
      case 'M':
        ClearForList(r);
        mm_select(r.music, r, r.plat);
        ShowAgain(r);
        continue;
      default:
        return Outcome::kAdvance;
    }
  }
}

}  // namespace shiori
