// The reading-position file "001036_info.ini": a key and a row count per work.
#pragma once

#include <memory>
#include <string>
#include <string_view>
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

/// Parses the text of a position file, appending its entries to |list| in
/// file order. True when an entry has the key |key|; then |number| holds the
/// number of the last such entry. Any bytes give a list: every key cut to 79
/// bytes, a missing or non-numeric number 0, numbers clamped to an int.
bool ParsePositions(std::string_view text, std::string_view key, PositionList* list,
                    int* number);
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
