// The in-memory streams of the current work: ssin (raw archive bytes) and
// ssout (the decompressed text, read line by line).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace shiori {

/// A growable byte stream with one read position and an end-of-data state.
class ByteStream {
 public:
  void Write(const void* data, std::size_t size);
  void Put(char c) { data_.push_back(c); }
  /// Reads up to |size| bytes; returns how many were read. Reading past the
  /// end sets the end state.
  std::size_t Read(void* out, std::size_t size);
  /// Reads one text line up to its line feed (dropped), or up to and with a
  /// CR that no LF follows (a lone CR ends a line as CR LF does); false and
  /// the end state when nothing is left. Lines of any length are read whole.
  bool GetLine(std::string* line);
  /// As above, without a copy: |line| views the stream's own bytes and is
  /// valid until the stream is next written or emptied.
  bool GetLine(std::string_view* line);
  bool eof() const { return eof_; }
  /// Empties the stream (data and positions); the end state stays until
  /// clear() as with a C++ stream.
  void Empty() { data_.clear(); pos_ = 0; }
  void clear() { eof_ = false; }
  void Rewind() { pos_ = 0; eof_ = false; }
  /// Reads on from |pos| (a position tell() gave).
  void Seek(std::size_t pos) {
    pos_ = pos < data_.size() ? pos : data_.size();
    eof_ = false;
  }
  std::size_t size() const { return data_.size(); }
  std::size_t tell() const { return pos_; }
  std::string_view view() const { return data_; }

 private:
  std::string data_;
  std::size_t pos_ = 0;
  bool eof_ = false;
};

/// Both streams; emptied together before every extraction after the first.
struct Streams {
  ByteStream ssin;
  ByteStream ssout;
  /// ssout emptied, ssin emptied, then their end states cleared.
  void Reset() {
    ssout.Empty();
    ssin.Empty();
    ssout.clear();
    ssin.clear();
  }
};

}  // namespace shiori
