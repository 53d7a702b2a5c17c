// Works read from disk: an Aozora Bunko ZIP as it is distributed (one text
// member, sometimes PNG illustrations beside it), or a text file.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "content/catalog.h"
#include "platform/text_codec.h"

namespace shiori {

/// The largest work file read, and the most text, or illustrations in all,
/// taken from one.
inline constexpr std::uint64_t kMaxWorkBytes = 256u << 20;

/// True when |path| ends in ".zip" or ".txt", in any case.
bool IsWorkFileName(std::string_view path);

/// The key of a work file: its name without directory and extension.
std::string WorkFileKey(const std::string& path, const TextCodec* codec = nullptr);

/// Takes from the ZIP |zip| the first member whose name ends in ".txt"
/// (directories ignored) into *text, and every member ending in ".png" into
/// *pictures. Members may be stored or deflated, with sizes in the local
/// header or only in the central directory (flag bit 3); each is checked
/// against its CRC-32. A picture's name is taken without its folders and
/// extension; one marked UTF-8 (flag bit 11) is converted with |codec| when
/// given. False with a one-line reason in *err.
bool ReadWorkZip(std::span<const std::uint8_t> zip, std::string* text,
                 std::vector<WorkPicture>* pictures, std::string* err,
                 const TextCodec* codec = nullptr);

/// Makes |bytes| code page 932 text in *text: converted when it is UTF-8
/// beyond ASCII (a leading byte order mark says so and is dropped) or
/// EUC-JP, kept as it is when it is code page 932. False with a one-line
/// reason in *err for anything else.
bool PrepareWorkText(std::string bytes, const TextCodec* codec, std::string* text,
                     std::string* err);

/// The title of a work: the first line of its code page 932 |text| as a page
/// shows it (ruby and notes removed), at most 255 bytes; |fallback| when
/// that leaves nothing.
std::string WorkTitle(std::string_view text, const std::string& fallback);

/// Reads the work file |path| (a ZIP or a text, by its ending) into a
/// catalog entry: the text ready for the reading loop (plain_text), the
/// title, the key as resource name, and the ZIP's illustrations. False with
/// a one-line reason in *err; nothing larger than kMaxWorkBytes is read.
bool LoadDiskWork(const std::string& path, const TextCodec* codec, CatalogWork* work,
                  std::string* err);

}  // namespace shiori
