#include "app/reading_lists.h"

#include <algorithm>
#include <string>
#include <vector>

#include "app/fitted_view.h"
#include "app/reader.h"
#include "platform/data_file.h"
#include "text/views.h"

namespace shiori {

namespace {

// Writes the listing of |records| in the platform's line ends.
void WriteListing(Reader& r, const char* name, ReadingCollection& records) {
  std::string content = ListingText(records, r.plat.text_line_end);
  // Listings are for reading: in the character set the screen is in.
  content = r.plat.codec->Cp932ToReadable(content);
  // A listing that cannot be written whole leaves the previous one as it was.
  std::string err;
  if (!ReplaceDataFile(r.DataPath(name), content, InPlace::kWhenFolderRefuses, &err))
    r.Printf("cannot write %s: %s\n", name, err.c_str());
}

bool IsSaveKey(int key) { return key == 'S' || key == 's'; }

}  // namespace

void show_ruby(Reader& r) {
  r.CatchUpReadings();
  // The page text: the shown rows joined without separators.
  std::string text;
  const std::vector<std::string>& rows = r.page.page_buff[r.page.pg];
  if (r.fit.on) {
    text = fitted_page_text(r);
  } else {
    for (int i = 0; i < r.page.pline_num && i < static_cast<int>(rows.size()); ++i) text += rows[i];
  }

  const std::vector<ruby_info> found = ReadingsOnPage(std::move(text), r.ruby);
  for (std::size_t k = 0; k < found.size(); ++k) {
    r.Printf("%s(%s)\t", found[k].moto.c_str(), found[k].yomi.c_str());
    if ((k + 1) % 4 == 0 || k + 1 == found.size()) r.Print("\n");
  }
  r.Print("touch anykey , return page\n");
  if (IsSaveKey(r.GetKey())) {
    std::sort(r.ruby.begin(), r.ruby.end(),
              [](const auto& a, const auto& b) { return compID(a.get(), b.get()) < 0; });
    WriteListing(r, "ruby.txt", r.ruby);
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
  if (IsSaveKey(r.GetKey())) WriteListing(r, "rinfo.txt", r.rinfo);
}

}  // namespace shiori
