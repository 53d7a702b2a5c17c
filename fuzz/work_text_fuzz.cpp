// A text file named on the command line, made ready for the reader: any
// bytes are either refused with a reason or become code page 932 text
// (converted from UTF-8 or EUC-JP where they are that), and the title taken from its
// first line as the page shows it is at most 255 bytes, one line, never cut
// inside a character.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "content/disk_work.h"
#include "fuzz/fuzz_check.h"
#include "platform/text_codec.h"
#include "text/filter.h"
#include "text/sjis.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::unique_ptr<shiori::TextCodec> codec = shiori::MakeTextCodec();
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::string text;
  std::string err;
  if (!shiori::PrepareWorkText(bytes, codec.get(), &text, &err)) {
    FUZZ_CHECK(!err.empty() && err.find('\n') == std::string::npos);
    return 0;
  }
  FUZZ_CHECK(shiori::IsCp932Text(text));
  // The title is the first line (ended by CR LF, LF or a lone CR) as the
  // page shows it: its markup filtered away.
  const std::string_view line = std::string_view(text).substr(0, text.find_first_of("\r\n"));
  shiori::FilterLines lines;
  const std::string_view shown = shiori::filter_line(line, 0, &lines, nullptr);
  const std::string title = shiori::WorkTitle(text, "fallback");
  if (shown.empty()) {
    FUZZ_CHECK(title == "fallback");
    return 0;
  }
  // That line whole, or as much of it as 255 bytes hold without cutting a
  // character; one line.
  FUZZ_CHECK(shown.starts_with(title));
  FUZZ_CHECK(title.size() == shown.size() || (title.size() >= 254 && title.size() <= 255));
  FUZZ_CHECK(shiori::CharBoundaryPrefix(shown, title.size()) == title.size());
  FUZZ_CHECK(title.find_first_of("\r\n") == std::string::npos);
  return 0;
}
