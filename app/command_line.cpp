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

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine cl;
  bool options_end = false;
  for (const std::string& a : args) {
    if (!options_end && a.size() >= 2 && a[0] == '-' && (a[1] < '0' || a[1] > '9')) {
      if (a == "--") {
        options_end = true;
        continue;
      }
      if (a == "--help" || a == "-h") {
        cl.action = CommandLine::Action::kHelp;
      } else if (a == "--version" || a == "-V") {
        cl.action = CommandLine::Action::kVersion;
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
         "At a prompt, Enter answers; the rest of the line is not kept, and\n"
         "the end of input (Ctrl-D; Ctrl-Z, Enter on Windows) cancels.\n"
         "\n"
         "Files in the working directory\n"
         "  001036_info.ini  reading positions, one key (the work's file name) each\n"
         "  mmsys.ini        the music playlist\n"
         "  shiori_marks.ini the bookmarks, one line each: the work's key and a row count\n"
         "  ruby.txt, rinfo.txt  listings saved with S in the r and i views\n"
         "Lists longer than the screen show a screenful at a time (q leaves).\n";
}

std::string_view VersionText() { return "shiori Ver 0.02 (1.0.0.1)\n"; }

}  // namespace shiori
