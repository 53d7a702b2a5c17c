// The answer to a prompt: one typed line, held to a bounded size, from which
// a number or a word is taken and the rest thrown away.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace shiori {

/// Bytes of a prompt line that are kept; the rest of a longer line is read
/// and dropped, so an endless line costs no more memory than this.
inline constexpr std::size_t kPromptLineMax = 1024;

/// Collects one line from pieces of input as they arrive.
class PromptLine {
 public:
  /// Takes |chunk| up to and including its first line feed; returns how many
  /// bytes were taken (all of them when there is none). Bytes past
  /// kPromptLineMax are taken but not kept.
  std::size_t Take(std::string_view chunk);
  /// True once the line feed has been taken.
  bool complete() const { return complete_; }
  /// True when anything at all (a lone line feed included) was taken.
  bool started() const { return started_; }
  /// The line without its line feed (and without the CR before it).
  const std::string& text() const { return text_; }
  /// True when the line holds nothing but blanks (an Enter alone).
  bool blank() const;
  void Reset() { *this = PromptLine(); }

 private:
  std::string text_;
  bool complete_ = false;
  bool started_ = false;
};

/// The leading whole number of a code page 932 line, as the C library's
/// "%d" takes it (blanks, an optional sign, digits), with the full-width
/// digits ０-９, signs and space an input method types counted as their
/// ASCII forms. A value beyond int stays at its limit. False when the line
/// does not start with a number.
bool ParsePromptInt(std::string_view cp932_line, int* value);

/// The first blank-delimited word of a code page 932 line, cut to at most
/// |max_bytes| at a character boundary. False when the line has no word.
bool ParsePromptWord(std::string_view cp932_line, std::size_t max_bytes, std::string* word);

/// The same for a UTF-8 line: the word cut at a UTF-8 character boundary.
bool ParsePromptWordUtf8(std::string_view utf8_line, std::size_t max_bytes, std::string* word);

}  // namespace shiori
