#include "text/views.h"

#include <algorithm>
#include <bitset>

namespace shiori {

std::vector<ruby_info> ReadingsOnPage(std::string text, ReadingCollection& ruby) {
  // Longer bases claim their text first; the collection keeps this order.
  std::sort(ruby.begin(), ruby.end(),
            [](const auto& a, const auto& b) { return comp01(a.get(), b.get()) < 0; });
  // Every pair of adjacent bytes in the page text: a base whose first two
  // bytes never stand together there is not looked for. Claiming a base
  // only writes '*', so a pair without '*' in the text as it is now was
  // there from the start.
  std::bitset<65536> pairs;
  for (std::size_t i = 0; i + 1 < text.size(); ++i)
    pairs.set(static_cast<unsigned char>(text[i]) << 8 | static_cast<unsigned char>(text[i + 1]));
  const auto may_stand = [&pairs](const std::string& moto) {
    if (moto.size() < 2 || moto[0] == '*' || moto[1] == '*') return true;
    return pairs.test(static_cast<unsigned char>(moto[0]) << 8 |
                      static_cast<unsigned char>(moto[1]));
  };
  std::vector<ruby_info> found;
  for (auto it = ruby.begin(); it != ruby.end(); ++it) {
    const ruby_info& e = **it;
    if (!may_stand(e.moto)) continue;
    std::size_t at = text.find(e.moto);
    if (e.moto.empty() || at == std::string::npos) continue;
    ruby_info copy = e;
    copy.id = static_cast<int>(at);
    found.push_back(copy);
    std::fill_n(text.begin() + at, std::min<std::size_t>(e.moto.size(), text.size() - at), '*');
  }
  std::sort(found.begin(), found.end(),
            [](const ruby_info& a, const ruby_info& b) { return compID(&a, &b) < 0; });
  return found;
}

std::string ListingText(ReadingCollection& records, std::string_view line_end) {
  std::string content;
  int n = 0;
  for (auto it = records.begin(); it != records.end(); ++it) {
    const ruby_info* rec = it->get();
    content += "(" + std::to_string(n++) + ")" + rec->moto + " : " + rec->yomi;
    content += line_end;
  }
  return content;
}

}  // namespace shiori
