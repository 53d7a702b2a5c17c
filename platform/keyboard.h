// Key input and the formatted prompts read from standard input.
#pragma once

#include <cstddef>
#include <string>

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
};

/// Console input: single keys without echo, and the prompts, which follow C
/// scanf rules (leading white space skipped; what is not taken stays for the
/// next prompt).
class Keyboard {
 public:
  virtual ~Keyboard() = default;
  /// Waits for one key press; no echo, no line buffering.
  virtual int GetKey() = 0;
  /// True when a key press is waiting to be read.
  virtual bool KeyWaiting() = 0;
  /// scanf("%d"): true and *value when a number was read; false leaves the
  /// offending input unread (and *value untouched). False at end of input too.
  virtual bool ReadInt(int* value) = 0;
  /// scanf("%s"): one blank-delimited word in code page 932, at most
  /// |max_bytes| bytes (cut at a character boundary; the rest of the word is
  /// discarded). False at end of input.
  virtual bool ReadWord(std::string* word, std::size_t max_bytes) = 0;
};

}  // namespace shiori
