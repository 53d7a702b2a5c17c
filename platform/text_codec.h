// Conversions between code page 932, the program's own, and the other
// character sets a work file or a command line may come in.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace shiori {

/// Used by one thread at a time: a codec may keep its conversions open.
class TextCodec {
 public:
  virtual ~TextCodec() = default;
  /// Converts well-formed UTF-8 |utf8| to code page 932 in *cp932; each
  /// character code page 932 cannot hold becomes 「〓」. False when this
  /// machine has no such conversion.
  virtual bool Utf8ToCp932(std::string_view utf8, std::string* cp932) const = 0;
  /// Code page 932 text as UTF-8; each byte that is no character, and each
  /// control byte but tab, line feed and carriage return, becomes U+FFFD.
  /// Empty when this machine has no such conversion.
  virtual std::string Cp932ToUtf8(std::string_view cp932) const = 0;
  /// Text in the machine's own character set (a command-line argument, a
  /// file name) as code page 932, for the screen.
  virtual std::string NativeToCp932(std::string_view native) const = 0;
  /// Code page 932 text for a file a person reads (a listing) in the
  /// character set the machine shows text in: the terminal's on POSIX, code
  /// page 932 unchanged on Windows. What cannot be shown becomes a
  /// replacement mark, never a terminal command.
  virtual std::string Cp932ToReadable(std::string_view cp932) const = 0;
  /// The file-name part of a path in the machine's own form, without its
  /// directory and extension (the separators, and the character set that
  /// tells a separator from the second byte of a character, are the
  /// machine's).
  virtual std::string NativeFileStem(std::string_view path) const = 0;
};

/// The conversions of this build's platform.
std::unique_ptr<TextCodec> MakeTextCodec();

}  // namespace shiori
