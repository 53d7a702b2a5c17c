// The view in use at the last quit, kept in a small settings file of its own
// beside the position file, whose format stays as it is.
#pragma once

#include <string>
#include <string_view>

namespace shiori {

/// The settings file's name in the data folder.
inline constexpr std::string_view kViewSettingsName = "shiori_view.ini";

enum class ViewKind { kClassic, kFitted };

struct ViewSettings {
  ViewKind view = ViewKind::kClassic;
  /// The file exists but could not be read: it is not written this run.
  bool left_alone = false;
};

/// What a settings file's text says; false when it says nothing this
/// program wrote (*view is then kClassic).
bool ParseViewSettings(std::string_view text, ViewKind* view);
/// The text of a settings file that records |view|, lines ended by |eol|.
std::string FormatViewSettings(ViewKind view, const std::string& eol);

/// Reads |path|. A file missing gives the classic view; one unreadable or
/// damaged gives it too, with the line that says so in *notice.
ViewSettings LoadViewSettings(const std::string& path, std::string* notice);
/// Records |view| in |path| unless it was left alone or is the view it gave;
/// false with the reason in *err when it cannot be written.
bool SaveViewSettings(const std::string& path, const ViewSettings& loaded, ViewKind view,
                      const std::string& eol, std::string* err);

}  // namespace shiori
