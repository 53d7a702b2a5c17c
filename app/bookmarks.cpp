#include "app/bookmarks.h"

#include <algorithm>
#include <filesystem>
#include <optional>

#include "app/reader.h"
#include "platform/data_file.h"

namespace shiori {

bool ParseBookmarks(std::string_view text, std::vector<BookmarkEntry>* entries, int* bad_line) {
  int number = 0;
  for (std::size_t pos = 0; pos < text.size();) {
    std::size_t nl = text.find('\n', pos);
    if (nl == std::string_view::npos) nl = text.size();
    std::string_view line = text.substr(pos, nl - pos);
    pos = nl + 1;
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    const std::size_t tab = line.rfind('\t');
    const std::string_view digits =
        tab == std::string_view::npos ? std::string_view() : line.substr(tab + 1);
    // A row count is what a reading of a work can reach: an int, no sign.
    long long rows = 0;
    bool ok = tab != std::string_view::npos && tab > 0 && !digits.empty() && digits.size() <= 10;
    for (const char c : digits) {
      if (c < '0' || c > '9') ok = false;
      rows = rows * 10 + (c - '0');
    }
    if (!ok || rows > 2147483647LL) {
      *bad_line = number;
      return false;
    }
    entries->emplace_back(std::string(line.substr(0, tab)), static_cast<int>(rows));
  }
  return true;
}

std::string FormatBookmarks(const std::vector<BookmarkEntry>& entries, const std::string& eol) {
  std::string out;
  for (const BookmarkEntry& e : entries) out += e.first + "\t" + std::to_string(e.second) + eol;
  return out;
}

void bookmarks_for_work(Reader& r) {
  Bookmarks& m = r.nav.marks;
  if (m.loaded && m.key == r.fname) return;
  const bool said = m.left_alone;
  m.key = r.fname;
  m.loaded = true;
  m.rows.clear();
  const std::string path = r.DataPath(kBookmarkFile);
  std::string text, err;
  std::vector<BookmarkEntry> entries;
  int bad = 0;
  std::error_code ec;
  if (ReadDataFile(path, &text, &err) == DataFileRead::kUnreadable &&
      !std::filesystem::is_directory(path, ec)) {
    m.left_alone = true;
    if (!said)
      say_line(r, std::string("cannot read ") + kBookmarkFile + ": " + err +
                      ": bookmarks will not be saved this run");
  } else if (!ParseBookmarks(text, &entries, &bad)) {
    m.left_alone = true;
    if (!said)
      say_line(r, std::string(kBookmarkFile) + " is damaged at line " + std::to_string(bad) +
                      ": bookmarks will not be saved this run");
  }
  for (const BookmarkEntry& e : entries)
    if (e.first == m.key) m.rows.push_back(e.second);
  std::sort(m.rows.begin(), m.rows.end());
  m.rows.erase(std::unique(m.rows.begin(), m.rows.end()), m.rows.end());
}

bool bookmarks_toggle(Reader& r, int rows, bool* saved) {
  bookmarks_for_work(r);
  Bookmarks& m = r.nav.marks;
  const auto at = std::lower_bound(m.rows.begin(), m.rows.end(), rows);
  const bool set = at == m.rows.end() || *at != rows;
  if (set) {
    m.rows.insert(at, rows);
  } else {
    m.rows.erase(at);
  }
  *saved = false;
  if (m.left_alone) return set;
  // The file as it is now, with only this work's marks changed: another
  // reader may have marked its own work since.
  bool damaged = false;
  const DataFileEdit edit = [&](DataFileRead, const std::string& current)
      -> std::optional<std::string> {
    std::vector<BookmarkEntry> entries, kept;
    int bad = 0;
    if (!ParseBookmarks(current, &entries, &bad)) {
      damaged = true;
      return std::nullopt;
    }
    for (BookmarkEntry& e : entries)
      if (e.first != m.key) kept.push_back(std::move(e));
    for (const int row : m.rows) kept.emplace_back(m.key, row);
    return FormatBookmarks(kept, r.plat.text_line_end);
  };
  std::string err;
  const DataFileSave status =
      UpdateDataFile(r.DataPath(kBookmarkFile), edit, InPlace::kNever, &err);
  if (damaged) {
    m.left_alone = true;
    say_line(r, std::string(kBookmarkFile) + " is damaged: bookmarks will not be saved this run");
  } else if (status == DataFileSave::kReadOnly) {
    say_line(r, std::string(kBookmarkFile) + " is read-only: the bookmark was not saved");
  } else if (status != DataFileSave::kSaved) {
    // A file that can no longer be read is left alone from now on.
    if (status == DataFileSave::kUnreadable) m.left_alone = true;
    say_line(r, std::string("cannot write ") + kBookmarkFile + ": " + err);
  } else {
    *saved = true;
  }
  return set;
}

}  // namespace shiori
