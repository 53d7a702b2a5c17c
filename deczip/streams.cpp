#include "deczip/streams.h"

#include <algorithm>
#include <cstring>

namespace shiori {

void ByteStream::Write(const void* data, std::size_t size) {
  data_.append(static_cast<const char*>(data), size);
}

std::size_t ByteStream::Read(void* out, std::size_t size) {
  std::size_t n = std::min(size, data_.size() - pos_);
  if (n) std::memcpy(out, data_.data() + pos_, n);
  pos_ += n;
  if (n < size) eof_ = true;
  return n;
}

bool ByteStream::GetLine(std::string* line) {
  std::string_view view;
  const bool got = GetLine(&view);
  line->assign(view);
  return got;
}

bool ByteStream::GetLine(std::string_view* line) {
  *line = std::string_view();
  if (pos_ >= data_.size()) {
    eof_ = true;
    return false;
  }
  std::size_t nl = data_.find('\n', pos_);
  if (nl == std::string::npos) nl = data_.size();
  // A CR that is not the one of a CR LF ends a line too (old Mac files).
  // The line keeps it, as a CR LF line keeps its CR, so both count the
  // same bytes.
  const std::size_t before_lf = nl > pos_ && data_[nl - 1] == '\r' ? nl - 1 : nl;
  const void* cr = std::memchr(data_.data() + pos_, '\r', before_lf - pos_);
  if (cr != nullptr) {
    const std::size_t end = static_cast<const char*>(cr) - data_.data() + 1;
    *line = std::string_view(data_).substr(pos_, end - pos_);
    pos_ = end;
    return true;
  }
  *line = std::string_view(data_).substr(pos_, nl - pos_);
  pos_ = nl < data_.size() ? nl + 1 : nl;
  return true;
}

}  // namespace shiori
