// Terminal key decoding: a terminal sends special keys (arrows, page keys,
// function keys) as escape sequences of several bytes; this turns the byte
// stream into key codes, one per key press.
#pragma once

#include <deque>
#include <string>

namespace shiori {

/// A pure parser, fed one byte at a time. Plain bytes come out as themselves;
/// every escape sequence comes out as one code (a KeyCode from kKeySpecial
/// on, kKeyOtherSpecial for those without a name), never as several letters.
class KeyDecoder {
 public:
  /// Wait after a lone ESC before taking it as the ESC key.
  static constexpr int kEscapeWaitMs = 30;
  /// Wait for the rest of a sequence once it has begun (slow links split them).
  static constexpr int kSequenceWaitMs = 300;

  /// |utf8|: the terminal sends UTF-8, so a character beyond ASCII (several
  /// bytes, one key press) is one code too.
  explicit KeyDecoder(bool utf8 = true) : utf8_(utf8) {}

  /// Takes one byte of input.
  void Feed(unsigned char byte);
  /// No byte came within PendingWaitMs(), or the input ended: what is
  /// pending becomes a key (a lone ESC is the ESC key, 27).
  void Timeout();
  /// Takes the next complete key; false when none is ready.
  bool Next(int* key);
  /// True when a complete key is ready.
  bool HasKey() const { return !ready_.empty(); }
  /// How long to wait for the next byte of a sequence begun, in ms; -1 when
  /// no sequence is pending.
  int PendingWaitMs() const;

 private:
  enum class State { kGround, kEscape, kCsi, kSs3, kLinuxFunction, kUtf8 };

  void FinishCsi(unsigned char final_byte);
  void FinishSs3(unsigned char final_byte);
  /// Ends a sequence that a stray byte broke off: one key for the sequence,
  /// then the byte on its own.
  void Abort(unsigned char byte);

  bool utf8_;
  State state_ = State::kGround;
  std::string params_;
  int utf8_left_ = 0;
  std::deque<int> ready_;
};

}  // namespace shiori
