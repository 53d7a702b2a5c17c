// The catalog of works and illustrations that travel with the program.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace shiori {

/// Built-in tables, exactly as the program carries them.
extern const char* const tname[];       ///< resource names, null-terminated
extern const char* const jkname[][3];   ///< title, reading, resource name
extern const char* const pngname[];     ///< illustration names, null-terminated
extern const int png_num;
extern const int def_num;
extern const char* const init_name;

/// An illustration that came with a work from disk (a PNG member of its ZIP).
struct WorkPicture {
  std::string name;  ///< the member's file name without directory and ".png"
  std::vector<std::uint8_t> png;
};

/// One work the reader can open.
struct CatalogWork {
  std::string resource_name;  ///< key of the work and its resource name
  std::string title;          ///< shown in menus, status line, messages
  std::string reading;
  /// A work from disk: the archive (or plain text) bytes, owned here.
  std::shared_ptr<const std::vector<std::uint8_t>> archive;
  bool plain_text = false;  ///< archive holds the text itself, not a ZIP
  /// The work's own illustrations, in archive order (none for the built-in
  /// works, whose pictures are the catalog's).
  std::shared_ptr<const std::vector<WorkPicture>> pictures;
};

/// The catalog the reader runs on: the built-in tables, or any other in tests.
struct Catalog {
  std::vector<CatalogWork> works;
  std::vector<std::string> pngname;  ///< illustrations (first png_num offered)
  int png_num = 0;
  int def_num = 0;
  std::string init_name;
};

/// The catalog built from the tables above.
Catalog BuiltinCatalog();

}  // namespace shiori
