// The reader: owns every piece of program state and runs start-up, the
// reading loop and the exit sequence on a platform it is handed.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/classic_view.h"
#include "app/fitted_view.h"
#include "app/navigation.h"
#include "app/positions.h"
#include "app/reading_view.h"
#include "app/view_settings.h"
#include "cconsole/cconsole.h"
#include "cconsole/scheme.h"
#include "cconsole/terminal_port.h"
#include "content/catalog.h"
#include "deczip/streams.h"
#include "media/image.h"
#include "media/music.h"
#include "media/speech.h"
#include "platform/platform.h"
#include "text/filter.h"
#include "text/fitted_layout.h"
#include "text/pager.h"
#include "text/search.h"

namespace shiori {

struct CommandLine;

/// What key_dispatch asks of the reading loop.
enum class Outcome { kAdvance, kRestart, kLeave };

class Reader : public TerminalPort, public PictureStore {
 public:
  Reader(Platform& platform, Catalog catalog);
  ~Reader();
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;

  /// Start-up, the reading loop and the exit sequence. |args| are the command
  /// line arguments after the program name. Returns the exit status.
  int Run(const std::vector<std::string>& args);

  // --- the terminal port (all text is code page 932 bytes) ---
  void Print(std::string_view text) override;
  /// Writes an error message to the error stream, not the screen's text.
  void PrintError(std::string_view text);
  void Paint(shiori::Paint paint) override;
  void PrintPainted(shiori::Paint paint, std::string_view text) override;
  int GetKey() override;
  bool ReadInt(int* value) override;
  int CursorRow() override;
  void SetCursorPosition(int x, int y) override;
  /// Title of the current work.
  const std::string& Title() const { return catalog.works[fid].title; }
  std::string DataPath(const std::string& name) const override;
  /// Empties both streams and extracts the current work again.
  void Reextract();
  /// Takes the readings the reading loop has left (see ReadingsBacklog)
  /// into the collections; the lists call it first.
  void CatchUpReadings();
  /// Extracts work |fid| into ssout (appending); reports a failure in one line.
  void Extract();
  /// The PNG bytes of the illustration |name| (without ".png"): the current
  /// work's own picture of that name when it has one, else the resource of
  /// type "WAVE". Names compare without regard to case.
  bool FindImage(const std::string& name, std::span<const std::uint8_t>* bytes) const override;
  /// The view on screen, as the navigation keys see it: the fitted view's
  /// while that view is in use.
  ReadingView& View();
  /// Rows of the screen a list may fill (kListScreenRows when unknown).
  int ScreenRows();
  /// True once the program has been asked to end from outside.
  bool StopRequested() const { return plat.stop_requested && plat.stop_requested(); }
  /// The names the image list offers: the current work's own illustrations
  /// when it has any, else the catalog's first png_num.
  std::vector<std::string> ImageNames() const override;

  // --- state, grouped by the subsystem that owns it ---
  Platform& plat;
  Catalog catalog;
  int kind_num = 0;
  int fid = 0;
  int con_mode = 0;
  int rubyon_mode = 0;
  std::string fname;  ///< key of the current work in the position file
  int key = 0;        ///< last key code; survives from page to page

  Streams streams;
  /// The line being read: a view of ssout, valid until the stream is
  /// emptied (a change of work, the reload after a failed search).
  std::string_view LineStr;
  FilterLines filtered;
  ReadingCollection ruby;
  ReadingCollection rinfo;
  /// The reading loop does not take the readings into the collections: it
  /// notes where the lines it reads for the first time have them, and the
  /// collections take them when a list is asked for. Every reading of a
  /// text starts at its top with the counters at 0, so a line read again
  /// gives nothing new (its readings are already there, the same position
  /// tags included): taking each line's readings once, in text order, fills
  /// the collections exactly as taking them at every reading would.
  struct ReadingsBacklog {
    ReadingNotes pending;     ///< offsets in ssout
    std::size_t read_to = 0;  ///< ssout offset: the end of the furthest line read
    /// The classic rows of every line read, in text order (a line is first
    /// read after those before it): a line the fitted view reads again
    /// (after a resize, a page back, a jump) is not filtered again only
    /// to count them.
    using LineRows = LineClassicRows;
    std::vector<LineRows> line_rows;
    /// The classic rows of the line at |offset| when it has been read.
    bool RowsOf(std::size_t offset, int* rows) const;
  } backlog;
  PageState page;
  /// Lays the lines out in |page|.
  ClassicLayout layout{page};
  /// The fitted view's layout, and what that view keeps between pages.
  FittedLayout fitted{FitOptions{}};
  FittedState fit;
  ViewSettings view_settings;
  /// The layout the reading loop fills: the fitted one while that view is in use.
  Layout& InUse() { return fit.on ? static_cast<Layout&>(fitted) : layout; }
  /// What a position saves for the page on screen: the classic row count,
  /// in the fitted view that of the first row of the line at its top.
  int SavedPosition() const { return fit.on ? fitted.ClassicRowsAtTop() : page.count[kRowsRead]; }
  SearchState search;
  SpeechState speech;
  MusicState music;
  ImageState image;
  PositionList positions;
  NavState nav;
  ClassicView classic_view{*this};
  std::unique_ptr<CConsole> cnsl;

 private:
  /// Reads the named work files into the catalog, after the works it has;
  /// *first is the index of the first. False after one line on a failure.
  bool AddWorkFiles(const std::vector<std::string>& files, int* first);
  void StartUp(const CommandLine& cl, int first_file);
  void SelectWork(const CommandLine& cl, int first_file);
  void PrintMenu(bool pause_always);
  void LoadingNotice(shiori::Paint paint);
  int ReadingLoop();
  /// Shows the complete pages (|complete|: the layout has one) that are to
  /// be shown, each until its key; kAdvance when the layout wants a line.
  Outcome ShowPages(bool complete);
  void ExitSequence();
  void EndOfWork();
  void HelpScreen();
  bool ChangeWork();
  void QuitPartWay();
  /// Asked to end from outside: the position is saved as 'q' saves it, with
  /// nothing printed or spoken (the terminal may be gone).
  void SaveOnStop();
  /// The title as the announcements speak it, at most one row long: a
  /// title taken from a long first line would be synthesised whole.
  std::string_view SpokenTitle() const;
  /// Remembers the view in use for the next run.
  void SaveView();
  FittedView fitted_view_{*this};

  friend Outcome key_dispatch(Reader& r);
};

/// Waits for a key (unless a search is pending) and acts on it.
Outcome key_dispatch(Reader& r);

}  // namespace shiori
