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
  *line = std::string_view(data_).substr(pos_, nl - pos_);
  pos_ = nl < data_.size() ? nl + 1 : nl;
  return true;
}

}  // namespace shiori
