// The few things music, pictures and speech ask of the screen and the keys.
// The reader implements it; media/ sees nothing else of the reader.
#pragma once

#include <string>
#include <string_view>

#include "cconsole/scheme.h"

namespace shiori {

class TerminalPort {
 public:
  virtual ~TerminalPort() = default;

  // All text is code page 932 bytes.
  virtual void Print(std::string_view text) = 0;
  void Printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
  /// Sets the pair for |paint| in the current mode.
  virtual void Paint(shiori::Paint paint) = 0;
  /// Sets the normal colours of the mode.
  void Normal() { Paint(shiori::Paint::kNormal); }
  /// Writes |text| in |paint| and sets the normal colours again.
  virtual void PrintPainted(shiori::Paint paint, std::string_view text) = 0;
  /// Reads one key without echo (output is flushed first).
  virtual int GetKey() = 0;
  /// Reads a whole number at a prompt; false leaves |value| untouched.
  virtual bool ReadInt(int* value) = 0;
  /// Path of a data file in the working directory.
  virtual std::string DataPath(const std::string& name) const = 0;
  /// The cursor row, and a move of the cursor (the spoken rows are repainted
  /// in place).
  virtual int CursorRow() = 0;
  virtual void SetCursorPosition(int x, int y) = 0;
};

}  // namespace shiori
