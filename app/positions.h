// The reading-position file "001036_info.ini": a key and a row count per work.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace shiori {

class Reader;

struct f_info {
  std::string fname;
  std::string ext;
  int pnum = 0;
};

struct PositionList {
  std::vector<std::unique_ptr<f_info>> fna;  ///< entries; fna_num used
  int fna_num = 0;
};

/// Writes the default content when the file does not exist.
void positions_create_default(Reader& r);
/// Reads the whole file, looks the current key up; sets r.page.lline.
void positions_load(Reader& r);
/// Looks the new key up in the list in memory (change of work).
void positions_lookup_again(Reader& r);
/// Writes the whole list with the current work's number set to |value|.
/// Written to a temporary file renamed over the old one; false (and one line
/// on the screen) when it cannot be written.
bool positions_save(Reader& r, int value);
/// Releases the list.
void positions_release(Reader& r);
/// The list view of the 'i' key.
void positions_list_view(Reader& r);
/// The work key: the file-name part of |resource_name| without extension,
/// at most 79 bytes (as long as a key in the file may be).
std::string WorkKey(const std::string& resource_name);

}  // namespace shiori
