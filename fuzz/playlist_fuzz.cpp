// The playlist file "mmsys.ini" as a hand (or a broken disk) may have left
// it, loaded by mm_load through a reader on the fake platform. Invariants:
// the count line is never trusted (the entries are the lines after it);
// every entry is a line of at most 511 bytes; an entry in the program's own
// form ("path" in quotes) opens that path through the command interpreter of
// the music device; an entry made of any path gives the path back; and a
// playlist saved at exit loads again as it was, where its entries are lines
// that a 512-byte line buffer reads whole.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/reader.h"
#include "fuzz/fuzz_check.h"
#include "media/music.h"
#include "platform/posix/mci_command.h"
#include "tests/support/fake_platform.h"
#include "text/sjis.h"

namespace {

// The path an entry written with doubled backslashes names (by character,
// as it was written).
std::string Undoubled(std::string_view entry) {
  std::string path;
  for (std::size_t i = 1; i + 1 < entry.size(); ++i) {
    const char c = entry[i];
    path += c;
    if (shiori::IsLeadByte(static_cast<unsigned char>(c)) && i + 2 < entry.size()) {
      path += entry[++i];
    } else if (c == '\\') {
      FUZZ_CHECK(entry[i + 1] == '\\');
      ++i;
    }
  }
  return path;
}

void CheckEntries(const shiori::MusicState& m, const std::vector<std::string>& lines) {
  FUZZ_CHECK(m.mm_num == static_cast<int>(m.mm_name.size()));
  FUZZ_CHECK(m.mm_num == (lines.empty() ? 0 : static_cast<int>(lines.size()) - 1));
  for (int i = 0; i < m.mm_num; ++i) {
    FUZZ_CHECK(m.mm_name[i] == lines[i + 1]);
    FUZZ_CHECK(m.mm_name[i].size() <= 511);
    FUZZ_CHECK(m.mm_name[i].find('\n') == std::string::npos);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // One working directory for the whole run (removed at exit); the file is
  // rewritten each time.
  static shiori::testing::Scenario scenario;
  const std::string content(reinterpret_cast<const char*>(data), size);
  scenario.WriteFile("mmsys.ini", content);

  shiori::Reader reader(scenario.platform, scenario.catalog);
  shiori::mm_load(reader.music, reader, scenario.platform);
  const shiori::MusicState& m = reader.music;
  FUZZ_CHECK(m.mm_loaded);
  CheckEntries(m, shiori::mm_file_lines(content));

  bool whole_lines = true;
  for (const std::string& entry : m.mm_name) {
    // What the device is asked to open for this entry.
    shiori::MciCommand command;
    const bool parsed = shiori::ParseMciCommand("open " + entry + " alias midi", &command);
    const bool own_form = entry.size() >= 3 && entry.front() == '"' && entry.back() == '"' &&
                          entry.find('"', 1) == entry.size() - 1;
    if (own_form) {
      FUZZ_CHECK(parsed && command.verb == shiori::MciVerb::kOpen && command.alias == "midi");
      FUZZ_CHECK(command.file == entry.substr(1, entry.size() - 2));
    }
    // The entry's bytes taken as a path, written in both forms.
    FUZZ_CHECK(shiori::mm_entry(entry, false) == "\"" + entry + "\"");
    FUZZ_CHECK(Undoubled(shiori::mm_entry(entry, true)) == entry);
    if (entry.size() > 510 || (!entry.empty() && entry.back() == '\r')) whole_lines = false;
  }

  // Saved at exit and loaded again.
  const std::vector<std::string> before = m.mm_name;
  shiori::mm_exit(reader.music, reader, scenario.platform);
  shiori::mm_load(reader.music, reader, scenario.platform);
  if (whole_lines) FUZZ_CHECK(reader.music.mm_name == before);
  shiori::mm_exit(reader.music, reader, scenario.platform);
  return 0;
}
