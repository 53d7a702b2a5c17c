// A text file named on the command line, made ready for the reader: any
// bytes are either refused with a reason or become code page 932 text
// (converted from UTF-8 or EUC-JP where they are that), and the title taken from its
// first line is at most 255 bytes, one line, never cut inside a character.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "content/disk_work.h"
#include "fuzz/fuzz_check.h"
#include "platform/text_codec.h"
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
  std::string_view line = std::string_view(text).substr(0, text.find('\n'));
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  const std::string title = shiori::WorkTitle(text, "fallback");
  if (line.empty()) {
    FUZZ_CHECK(title == "fallback");
    return 0;
  }
  // The first line whole, or as much of it as 255 bytes hold without cutting
  // a character.
  FUZZ_CHECK(line.starts_with(title));
  FUZZ_CHECK(title.size() == line.size() || (title.size() >= 254 && title.size() <= 255));
  FUZZ_CHECK(shiori::CharBoundaryPrefix(line, title.size()) == title.size());
  return 0;
}
