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
  /// The file could not be read at start: it is left as it is this run.
  bool left_alone = false;
};

/// Parses the text of a position file, appending its entries to |list| in
/// file order. True when an entry has the key |key|; then |number| holds the
/// number of the last such entry. Any bytes give a list: every key cut to 79
/// bytes, a missing or non-numeric number 0, numbers clamped to an int.
bool ParsePositions(std::string_view text, std::string_view key, PositionList* list,
                    int* number);
/// The text of a position file holding |list|, lines ended by |eol|; it
/// parses back to the same entries.
std::string FormatPositions(const PositionList& list, const std::string& eol);
/// Writes the default content when the file does not exist.
void positions_create_default(Reader& r);
/// Reads the whole file, looks the current key up; sets r.page.lline.
void positions_load(Reader& r);
/// Looks the new key up in the list in memory (change of work).
void positions_lookup_again(Reader& r);
/// Saves |value| as the current work's number: the file as it is now, read
/// again under the data-file lock, with only this work's entries changed,
/// becomes the list in memory. False (and one line on the screen) when it
/// cannot be written, is read-only, or could not be read at start (said
/// then, and nothing is written this run).
bool positions_save(Reader& r, int value);
/// Releases the list.
void positions_release(Reader& r);
/// The lines of the list view of the 'i' key.
std::vector<std::string> positions_list_lines(const Reader& r);
/// The work key: the file-name part of |resource_name| without extension,
/// control bytes written %XX, at most 79 bytes (as long as a key in the
/// file may be).
std::string WorkKey(const std::string& resource_name);

}  // namespace shiori
