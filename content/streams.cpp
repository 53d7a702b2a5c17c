#include "content/streams.h"

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
  line->clear();
  if (pos_ >= data_.size()) {
    eof_ = true;
    return false;
  }
  std::size_t nl = data_.find('\n', pos_);
  if (nl == std::string::npos) {
    line->assign(data_, pos_, std::string::npos);
    pos_ = data_.size();
    return true;
  }
  line->assign(data_, pos_, nl - pos_);
  pos_ = nl + 1;
  return true;
}

}  // namespace shiori
