#include "app/view_settings.h"

#include "platform/data_file.h"

namespace shiori {

namespace {

constexpr std::string_view kKey = "view=";

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && (s.back() == '\r' || s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  return s;
}

}  // namespace

bool ParseViewSettings(std::string_view text, ViewKind* view) {
  *view = ViewKind::kClassic;
  // The last "view=" line decides; any other line is left for a later
  // version of this program, but a value not known makes the file damaged.
  bool found = false;
  for (std::size_t pos = 0; pos < text.size();) {
    std::size_t nl = text.find('\n', pos);
    if (nl == std::string_view::npos) nl = text.size();
    const std::string_view line = Trimmed(text.substr(pos, nl - pos));
    pos = nl + 1;
    if (line.substr(0, kKey.size()) != kKey) continue;
    const std::string_view value = Trimmed(line.substr(kKey.size()));
    if (value == "fitted") {
      *view = ViewKind::kFitted;
    } else if (value == "classic") {
      *view = ViewKind::kClassic;
    } else {
      *view = ViewKind::kClassic;
      return false;
    }
    found = true;
  }
  return found;
}

std::string FormatViewSettings(ViewKind view, const std::string& eol) {
  return std::string(kKey) + (view == ViewKind::kFitted ? "fitted" : "classic") + eol;
}

ViewSettings LoadViewSettings(const std::string& path, std::string* notice) {
  ViewSettings s;
  std::string text, err;
  switch (ReadDataFile(path, &text, &err)) {
    case DataFileRead::kMissing:
      break;
    case DataFileRead::kUnreadable:
      s.left_alone = true;
      *notice = "cannot read " + std::string(kViewSettingsName) + ": " + err +
                ": the classic view, and the view will not be remembered this run\n";
      break;
    case DataFileRead::kRead:
      if (!ParseViewSettings(text, &s.view))
        *notice = std::string(kViewSettingsName) + " is damaged: the classic view\n";
      break;
  }
  return s;
}

bool SaveViewSettings(const std::string& path, const ViewSettings& loaded, ViewKind view,
                      const std::string& eol, std::string* err) {
  // A run that ends in the view it began with has nothing to record: a
  // reader who never changes views never gets the file (nor its lock).
  if (loaded.left_alone || loaded.view == view) return true;
  const DataFileEdit edit = [&](DataFileRead status,
                                const std::string& current) -> std::optional<std::string> {
    ViewKind now = ViewKind::kClassic;
    // A file that already says so is not rewritten; another reader's later
    // choice, read again under the lock, is replaced by this one's.
    if (status == DataFileRead::kRead && ParseViewSettings(current, &now) && now == view)
      return std::nullopt;
    return FormatViewSettings(view, eol);
  };
  return UpdateDataFile(path, edit, InPlace::kNever, err) == DataFileSave::kSaved;
}

}  // namespace shiori
