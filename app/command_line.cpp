#include "app/command_line.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "content/disk_work.h"

namespace shiori {

namespace {

void TakeWorkNumber(const std::string& a, CommandLine* cl) {
  errno = 0;
  const long n = std::strtol(a.c_str(), nullptr, 10);
  cl->work_number_outside_int = errno == ERANGE || n < INT_MIN || n > INT_MAX;
  cl->work_number = cl->work_number_outside_int ? 0 : static_cast<int>(n);
}

// A measure in columns: digits only, within the bounds a row can be laid in.
bool TakeMeasure(const std::string& value, CommandLine* cl) {
  if (value.empty() || value.size() > 4) return false;
  int n = 0;
  for (const char c : value) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + (c - '0');
  }
  if (n < kMeasureMin || n > kMeasureMax) return false;
  cl->width = n;
  return true;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine cl;
  bool options_end = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (!options_end && a.size() >= 2 && a[0] == '-' && (a[1] < '0' || a[1] > '9')) {
      if (a == "--") {
        options_end = true;
        continue;
      }
      if (a == "--help" || a == "-h") {
        cl.action = CommandLine::Action::kHelp;
      } else if (a == "--version" || a == "-V") {
        cl.action = CommandLine::Action::kVersion;
      } else if (a == "--fit") {
        cl.fit = true;
        continue;
      } else if (a == "--width" || a.rfind("--width=", 0) == 0) {
        const bool joined = a.size() > 7;
        const std::string value =
            joined ? a.substr(8) : (i + 1 < args.size() ? args[++i] : std::string());
        if (TakeMeasure(value, &cl)) continue;
        // The value is the fault, but the usage that follows names the option.
        cl.action = CommandLine::Action::kBadOption;
        cl.bad_option = joined ? a : a + " " + value;
      } else {
        // A mistyped option must not open a work as if it were a number.
        cl.action = CommandLine::Action::kBadOption;
        cl.bad_option = a;
      }
      return cl;
    }
    // A name ending as a work file does is one even when it does not exist:
    // the loader then says it cannot be read, rather than a mistyped name
    // silently opening work 0.
    if (IsWorkFileName(a)) {
      cl.files.push_back(a);
      continue;
    }
    if (!cl.work_number) TakeWorkNumber(a, &cl);
    if (a.empty()) continue;
    const char last = a.back();
    if (last == 'r' || last == 'R') ++cl.con_mode;
    if (last == 'y' || last == 'Y') ++cl.rubyon_mode;
  }
  return cl;
}

std::string_view UsageText() {
  return "usage: shiori [NUMBER] [FILE.zip | FILE.txt ...] [...r] [...y]\n"
         "       shiori --fit [--width N] [NUMBER] [FILE ...] [...r] [...y]\n"
         "       shiori -h | --help | -V | --version\n"
         "\n"
         "Arguments\n"
         "  NUMBER  the work to open, as numbered in the menu (taken from the first\n"
         "          argument); without any argument the menu is shown\n"
         "  FILE    an Aozora Bunko ZIP as distributed, or a text file (Shift_JIS,\n"
         "          UTF-8 or EUC-JP); named files join the menu after the built-in\n"
         "          works, in the order given, and the first of them opens at once\n"
         "  ...r    any argument ending in r or R: dark text on a white background\n"
         "  ...y    any argument ending in y or Y: the readings in place of the kanji\n"
         "          examples: shiori 1r / shiori 0 y / shiori work.zip r\n"
         "  --fit   open in the fitted view (pages as large as the terminal, gaiji,\n"
         "          ruby, emphasis, headings and indentation as printed); without it\n"
         "          the view in use at the last quit opens\n"
         "  --width N  the fitted view's row width in columns (20-1000, at most the\n"
         "          terminal's); by default the terminal's width, at most 100\n"
         "  --      the arguments after it are numbers or files, never options\n"
         "\n"
         "Keys while a page is shown\n"
         "  n, space, Down, Right, PageDown, any other key   next page\n"
         "  -, PageUp, Up, Left   one page back\n"
         "  s  search for a word     f  search again     c  another work\n"
         "  b  search backward for the word (repeat: further back; f: forward again)\n"
         "  j  contents: headings (or chapter-number lines) and bookmarks with\n"
         "     their pages; a number jumps there\n"
         "  g  go to: a page number, N% of the text, ^ the start, $ the end\n"
         "  k  bookmark the page shown (again: remove it)\n"
         "  r  readings on the page  i  positions and annotations\n"
         "     (in these two lists S saves them to ruby.txt / rinfo.txt)\n"
         "  p  illustrations         m  background music  t  speech on/off\n"
         "  h, ?  help               q  quit (the position is saved)\n"
         "  v  the classic view / the fitted view, on the same place\n"
         "  u  (fitted view) ruby shown / hidden\n"
         "At a prompt, Enter answers; the rest of the line is not kept, and\n"
         "the end of input (Ctrl-D; Ctrl-Z, Enter on Windows) cancels.\n"
         "\n"
         "Files in the working directory\n"
         "  001036_info.ini  reading positions, one key (the work's file name) each\n"
         "  shiori_view.ini  the view in use at the last quit\n"
         "  mmsys.ini        the music playlist\n"
         "  shiori_marks.ini the bookmarks, one line each: the work's key and a row count\n"
         "  ruby.txt, rinfo.txt  listings saved with S in the r and i views\n"
         "Lists longer than the screen show a screenful at a time (q leaves).\n";
}

std::string_view VersionText() { return "shiori Ver 0.02 (1.0.0.1)\n"; }

}  // namespace shiori
