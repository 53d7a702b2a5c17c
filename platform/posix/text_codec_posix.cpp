// The POSIX conversions: iconv, and the locale's character set as the
// machine's own.
#include <iconv.h>

#include <cerrno>
#include <memory>
#include <string>

#include "platform/posix/charset.h"
#include "platform/text_codec.h"
#include "text/utf8.h"

namespace shiori {

namespace {

const iconv_t kNoConversion = reinterpret_cast<iconv_t>(-1);

class PosixTextCodec : public TextCodec {
 public:
  // The machine's character set is the locale's when the codec is made: a
  // playlist of many thousand paths is listed path by path, and finding the
  // locale's character set or opening a conversion costs far more than
  // converting a path.
  PosixTextCodec()
      : charset_(TerminalCharset()), native_(std::make_unique<TerminalToCp932>(charset_)) {}

  bool Utf8ToCp932(std::string_view utf8, std::string* cp932) const override {
    cp932->clear();
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == kNoConversion) return false;
    cp932->reserve(utf8.size());
    char* in = const_cast<char*>(utf8.data());
    std::size_t in_left = utf8.size();
    while (in_left > 0) {
      const std::size_t old = cp932->size();
      const std::size_t room = in_left + 16;  // CP932 is never longer than UTF-8
      cp932->resize(old + room);
      char* out = cp932->data() + old;
      std::size_t out_left = room;
      const std::size_t r = iconv(cd, &in, &in_left, &out, &out_left);
      const int err = errno;
      cp932->resize(old + room - out_left);
      if (r != static_cast<std::size_t>(-1) || err == E2BIG) continue;
      // A character code page 932 cannot hold (the text is well-formed, so
      // nothing else stops the conversion): the geta mark in its place.
      std::size_t skip = Utf8SequenceLength(static_cast<unsigned char>(*in));
      if (skip > in_left) skip = in_left;
      cp932->append("〓");
      in += skip;
      in_left -= skip;
    }
    iconv_close(cd);
    return true;
  }

  std::string Cp932ToUtf8(std::string_view cp932) const override {
    // The terminal's own conversion, aimed at UTF-8: it replaces what is no
    // character, and shows control bytes as marks, which text never holds.
    Cp932ToTerminal to_utf8("UTF-8");
    std::string out;
    to_utf8.Convert(cp932, &out);
    to_utf8.Finish(&out);
    return out;
  }

  std::string NativeToCp932(std::string_view native) const override {
    std::string out;
    native_->Convert(native, &out);
    return out;
  }

  std::string Cp932ToReadable(std::string_view cp932) const override {
    // As the screen shows it, since the terminal is where it will be read.
    Cp932ToTerminal to_terminal(charset_);
    std::string out;
    to_terminal.Convert(cp932, &out);
    to_terminal.Finish(&out);
    return out;
  }

  std::string NativeFileStem(std::string_view path) const override {
    std::size_t slash = path.rfind('/');
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    std::size_t dot = name.rfind('.');
    return std::string(dot == std::string_view::npos ? name : name.substr(0, dot));
  }

 private:
  const std::string charset_;
  // Keeps no state from one path to the next.
  const std::unique_ptr<TerminalToCp932> native_;
};

}  // namespace

std::unique_ptr<TextCodec> MakeTextCodec() { return std::make_unique<PosixTextCodec>(); }

}  // namespace shiori
