#include "platform/posix/key_decoder.h"

#include <string>

#include "platform/keyboard.h"
#include "text/utf8.h"

namespace shiori {

namespace {

constexpr unsigned char kEsc = 0x1B;
// Parameters beyond this length are dropped (the key is still one code).
constexpr std::size_t kMaxParams = 16;

int CursorKey(unsigned char final_byte) {
  switch (final_byte) {
    case 'A': return kKeyUp;
    case 'B': return kKeyDown;
    case 'C': return kKeyRight;
    case 'D': return kKeyLeft;
    case 'H': return kKeyHome;
    case 'F': return kKeyEnd;
    case 'P': return kKeyF1;
    case 'Q': return kKeyF1 + 1;
    case 'R': return kKeyF1 + 2;
    case 'S': return kKeyF1 + 3;
    default: return kKeyOtherSpecial;
  }
}

// "ESC [ n ~" keys (VT220 and xterm numbering; 7 and 8 are rxvt's Home/End).
int TildeKey(int n) {
  switch (n) {
    case 1: case 7: return kKeyHome;
    case 2: return kKeyInsert;
    case 3: return kKeyDelete;
    case 4: case 8: return kKeyEnd;
    case 5: return kKeyPageUp;
    case 6: return kKeyPageDown;
    default: break;
  }
  if (n >= 11 && n <= 15) return kKeyF1 + (n - 11);
  if (n >= 17 && n <= 21) return kKeyF1 + 5 + (n - 17);
  if (n == 23 || n == 24) return kKeyF1 + 10 + (n - 23);
  return kKeyOtherSpecial;
}

// The number that begins |params| (0 when none). Numbers beyond any key stop
// growing at 10000 instead of overflowing, as atoi would (undefined, and in
// practice cut to 32 bits: "4294967301" became 5, PageUp).
int FirstParam(const std::string& params) {
  int n = 0;
  for (char c : params) {
    if (c < '0' || c > '9') break;
    n = n >= 10000 ? n : n * 10 + (c - '0');
  }
  return n;
}

}  // namespace

void KeyDecoder::Feed(unsigned char byte) {
  switch (state_) {
    case State::kGround:
      if (byte == kEsc) {
        state_ = State::kEscape;
      } else if (utf8_ && byte >= 0xC2 && byte <= 0xF4) {
        state_ = State::kUtf8;
        utf8_left_ = static_cast<int>(Utf8SequenceLength(byte)) - 1;
      } else {
        ready_.push_back(byte);
      }
      return;

    case State::kEscape:
      params_.clear();
      if (byte == '[') {
        state_ = State::kCsi;
      } else if (byte == 'O') {
        state_ = State::kSs3;
      } else if (byte == kEsc) {
        // The first ESC was a key of its own; the second may begin a sequence.
        ready_.push_back(kEsc);
      } else if (utf8_ && byte >= 0xC2 && byte <= 0xF4) {
        // Alt with a character beyond ASCII: one key once the character ends.
        state_ = State::kUtf8;
        utf8_left_ = static_cast<int>(Utf8SequenceLength(byte)) - 1;
      } else {
        // Alt (Meta) with a key: one key press.
        ready_.push_back(kKeyOtherSpecial);
        state_ = State::kGround;
      }
      return;

    case State::kCsi:
      if (byte >= 0x30 && byte <= 0x3F) {
        if (params_.size() < kMaxParams) params_ += static_cast<char>(byte);
      } else if (byte == '$' && !params_.empty()) {
        // rxvt ends shifted "n~" keys with '$'.
        FinishCsi('~');
      } else if (byte >= 0x20 && byte <= 0x2F) {
        // Intermediate bytes change no key we know.
      } else if (byte >= 0x40 && byte <= 0x7E) {
        FinishCsi(byte);
      } else {
        Abort(byte);
      }
      return;

    case State::kSs3:
      if ((byte >= '0' && byte <= '9') || byte == ';') {
        if (params_.size() < kMaxParams) params_ += static_cast<char>(byte);
      } else if (byte >= 0x40 && byte <= 0x7E) {
        FinishSs3(byte);
      } else {
        Abort(byte);
      }
      return;

    case State::kLinuxFunction:
      // The Linux console sends F1..F5 as "ESC [ [ A".."ESC [ [ E".
      if (byte >= 'A' && byte <= 'E') {
        ready_.push_back(kKeyF1 + (byte - 'A'));
        state_ = State::kGround;
      } else if (byte >= 0x40 && byte <= 0x7E) {
        ready_.push_back(kKeyOtherSpecial);
        state_ = State::kGround;
      } else {
        Abort(byte);
      }
      return;

    case State::kUtf8:
      if (byte >= 0x80 && byte <= 0xBF) {
        if (--utf8_left_ == 0) {
          ready_.push_back(kKeyOtherSpecial);
          state_ = State::kGround;
        }
      } else {
        Abort(byte);
      }
      return;
  }
}

void KeyDecoder::FinishCsi(unsigned char final_byte) {
  state_ = State::kGround;
  if (final_byte == '[' && params_.empty()) {
    state_ = State::kLinuxFunction;
    return;
  }
  if (final_byte == '~' || final_byte == '^' || final_byte == '@') {
    // The first parameter names the key; later ones are modifiers.
    ready_.push_back(TildeKey(FirstParam(params_)));
    return;
  }
  // Private sequences ("ESC [ ? ...", "ESC [ < ...") are replies or mouse
  // reports, not keys we name.
  if (!params_.empty() && (params_[0] < '0' || params_[0] > ';')) {
    ready_.push_back(kKeyOtherSpecial);
    return;
  }
  ready_.push_back(CursorKey(final_byte));
}

void KeyDecoder::FinishSs3(unsigned char final_byte) {
  state_ = State::kGround;
  ready_.push_back(CursorKey(final_byte));
}

void KeyDecoder::Abort(unsigned char byte) {
  ready_.push_back(state_ == State::kEscape ? int{kEsc} : int{kKeyOtherSpecial});
  state_ = State::kGround;
  Feed(byte);
}

void KeyDecoder::Timeout() {
  switch (state_) {
    case State::kGround:
      return;
    case State::kEscape:
      ready_.push_back(kEsc);
      break;
    default:
      ready_.push_back(kKeyOtherSpecial);
      break;
  }
  state_ = State::kGround;
}

bool KeyDecoder::Next(int* key) {
  if (ready_.empty()) return false;
  *key = ready_.front();
  ready_.pop_front();
  return true;
}

int KeyDecoder::PendingWaitMs() const {
  switch (state_) {
    case State::kGround: return -1;
    case State::kEscape: return kEscapeWaitMs;
    default: return kSequenceWaitMs;
  }
}

}  // namespace shiori
