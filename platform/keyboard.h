// Key input and the formatted prompts read from standard input.
#pragma once

#include <cstddef>
#include <string>

#include "platform/prompt_line.h"

namespace shiori {

/// Key codes. Plain keys are their byte value (0..255); a special key is one
/// code from kKeySpecial on, never a prefix followed by a second code.
enum KeyCode : int {
  kKeyEof = -1,  ///< input closed: no key will ever come
  kKeySpecial = 0x100,
  kKeyUp,
  kKeyDown,
  kKeyLeft,
  kKeyRight,
  kKeyPageUp,
  kKeyPageDown,
  kKeyHome,
  kKeyEnd,
  kKeyInsert,
  kKeyDelete,
  kKeyF1,  ///< F1..F12 follow in order
  kKeyF12 = kKeyF1 + 11,
  kKeyOtherSpecial,
  kKeyResize,  ///< the screen changed size (only while ReportResize(true))
};

/// Console input: single keys without echo, and the prompts. A prompt's
/// answer is one typed line (lines holding only blanks are passed over, as
/// the C library's formatted input does); the answer is taken from its start
/// and the rest of that line is discarded, so nothing typed at one prompt
/// answers the next. A line is read to its end but only its first
/// kPromptLineMax bytes are kept.
class Keyboard {
 public:
  virtual ~Keyboard() = default;
  /// Waits for one key press; no echo, no line buffering.
  virtual int GetKey() = 0;
  /// True when a key press is waiting to be read.
  virtual bool KeyWaiting() = 0;
  /// A whole number at the start of the answer (full-width digits count):
  /// true and *value; false leaves *value untouched, when the answer is no
  /// number or at end of input (InputEnded() tells which).
  virtual bool ReadInt(int* value) = 0;
  /// The answer's first blank-delimited word in code page 932, at most
  /// |max_bytes| bytes (cut at a character boundary). False at end of input.
  virtual bool ReadWord(std::string* word, std::size_t max_bytes) = 0;
  /// As ReadWord, but the word in UTF-8, keeping the characters code page
  /// 932 lacks (a gaiji typed for a search), at most |max_bytes| bytes (cut
  /// at a character boundary). What the input cannot give as a character (a
  /// malformed byte) is U+FFFD. False at end of input.
  virtual bool ReadWordUtf8(std::string* word, std::size_t max_bytes) = 0;
  /// While on, GetKey answers kKeyResize when the screen changes size (a
  /// view that fits the screen lays itself out again); off, a change of
  /// size is no key.
  virtual void ReportResize(bool on) { (void)on; }
  /// True when the last prompt met the end of input (Ctrl-D, Ctrl-Z or a
  /// closed input) instead of an answer: the prompt is cancelled.
  virtual bool InputEnded() const = 0;
};

}  // namespace shiori
