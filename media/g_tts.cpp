#include <string>
#include <vector>

#include "media/speech.h"
#include "text/sjis.h"

namespace shiori {

void G_TTS(Platform& plat, std::string_view text) {
  // The text is cut at every CR and LF; empty lines are skipped, and a line
  // goes to the engine in statements of at most 255 bytes.
  constexpr std::size_t kStatementMax = 255;
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    // A longer line becomes several statements, cut between characters.
    for (std::size_t at = 0; at < line.size();) {
      std::size_t take = CharBoundaryPrefix(line.substr(at), kStatementMax);
      if (take == 0) take = 1;
      lines.emplace_back(line.substr(at, take));
      at += take;
    }
    start = end + 1;
  }
  plat.console->Flush();
  plat.speech->Speak(lines);
}

}  // namespace shiori
