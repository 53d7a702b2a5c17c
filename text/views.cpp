#include "text/views.h"

#include <algorithm>
#include <bitset>
#include <string>
#include <vector>

#include "app/reader.h"
#include "platform/data_file.h"

namespace shiori {

namespace {

// Writes "(%d)%s : %s" lines, one per record, in the platform's line ends.
template <typename Records>
void WriteListing(Reader& r, const char* name, const Records& records) {
  std::string content;
  int n = 0;
  for (const ruby_info* rec : records) {
    content += "(" + std::to_string(n++) + ")" + rec->moto + " : " + rec->yomi +
               r.plat.text_line_end;
  }
  // Listings are for reading: in the character set the screen is in.
  if (r.plat.codec != nullptr) content = r.plat.codec->Cp932ToReadable(content);
  // A listing that cannot be written whole leaves the previous one as it was.
  std::string err;
  if (!ReplaceDataFile(r.DataPath(name), content, InPlace::kWhenFolderRefuses, &err))
    r.Printf("cannot write %s: %s\n", name, err.c_str());
}

std::vector<const ruby_info*> Records(ReadingCollection& c) {
  std::vector<const ruby_info*> out;
  for (auto it = c.begin(); it != c.end(); ++it) out.push_back(it->get());
  return out;
}

bool IsSaveKey(int key) { return key == 'S' || key == 's'; }

}  // namespace

void show_ruby(Reader& r) {
  r.CatchUpReadings();
  // The page text: the shown rows joined without separators.
  std::string text;
  const std::vector<std::string>& rows = r.page.page_buff[r.page.pg];
  for (int i = 0; i < r.page.pline_num && i < static_cast<int>(rows.size()); ++i) text += rows[i];

  // Longer bases claim their text first; the collection keeps this order.
  std::sort(r.ruby.begin(), r.ruby.end(),
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
  for (auto it = r.ruby.begin(); it != r.ruby.end(); ++it) {
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
  for (std::size_t k = 0; k < found.size(); ++k) {
    r.Printf("%s(%s)\t", found[k].moto.c_str(), found[k].yomi.c_str());
    if ((k + 1) % 4 == 0 || k + 1 == found.size()) r.Print("\n");
  }
  r.Print("touch anykey , return page\n");
  if (IsSaveKey(r.GetKey())) {
    std::sort(r.ruby.begin(), r.ruby.end(),
              [](const auto& a, const auto& b) { return compID(a.get(), b.get()) < 0; });
    WriteListing(r, "ruby.txt", Records(r.ruby));
  }
}

void show_rinfo(Reader& r) {
  r.CatchUpReadings();
  positions_list_view(r);
  const int n = r.rinfo.size();
  for (int k = 0; k < n; ++k) {
    r.Printf("%s【%s】\t", r.rinfo[k].moto.c_str(), r.rinfo[k].yomi.c_str());
    if ((k + 1) % 3 == 0 || k + 1 == n) r.Print("\n");
  }
  r.Print("touch anykey , return page\n");
  if (IsSaveKey(r.GetKey())) WriteListing(r, "rinfo.txt", Records(r.rinfo));
}

}  // namespace shiori
