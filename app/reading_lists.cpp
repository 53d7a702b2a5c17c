#include "app/reading_lists.h"

#include <algorithm>
#include <string>
#include <vector>

#include "app/fitted_view.h"
#include "app/list_pager.h"
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
  // Each piece as %s printed it: up to a NUL byte.
  std::vector<std::string> items;
  for (const ruby_info& f : found)
    items.push_back(std::string(f.moto.c_str()) + "(" + f.yomi.c_str() + ")\t");
  if (!PageList(r, JoinItems(items, 4, ""), r.ScreenRows())) return;
  r.Print("touch anykey , return page\n");
  if (IsSaveKey(r.GetKey())) {
    std::sort(r.ruby.begin(), r.ruby.end(),
              [](const auto& a, const auto& b) { return compID(a.get(), b.get()) < 0; });
    WriteListing(r, "ruby.txt", r.ruby);
  }
}

void show_rinfo(Reader& r) {
  r.CatchUpReadings();
  std::vector<std::string> lines = positions_list_lines(r);
  std::vector<std::string> items;
  for (int k = 0; k < r.rinfo.size(); ++k)
    items.push_back(std::string(r.rinfo[k].moto.c_str()) + "【" + r.rinfo[k].yomi.c_str() + "】\t");
  for (std::string& line : JoinItems(items, 3, "")) lines.push_back(std::move(line));
  if (!PageList(r, lines, r.ScreenRows())) return;
  r.Print("touch anykey , return page\n");
  if (IsSaveKey(r.GetKey())) WriteListing(r, "rinfo.txt", r.rinfo);
}

}  // namespace shiori
