// Extraction of a work's text from its ZIP archive.
#pragma once

#include <span>
#include <string>

#include "content/catalog.h"
#include "content/streams.h"
#include "platform/resources.h"

namespace shiori {

/// Outcome of one extraction.
enum class ZipStatus {
  kOk,              ///< the member's text was appended to ssout
  kNoText,          ///< no member name contains ".txt": ssout unchanged
  kMissing,         ///< the work's resource does not exist: ssout unchanged
  kDamaged,         ///< sizes or data run past the archive: ssout unchanged
  kOutOfMemory,     ///< a buffer could not be allocated
};

/// One line describing a status other than kOk, for the screen.
std::string ZipStatusMessage(ZipStatus status, const std::string& name);

/// Appends the text of the archive |archive| to streams->ssout, walking its
/// local headers through streams->ssin. Sizes in headers are never trusted
/// beyond the bytes that exist.
ZipStatus zip_decode_bytes(std::span<const std::uint8_t> archive, Streams* streams);

/// Looks up work |res_id| of |catalog| (resource of type "WAVE", or the
/// archive a work from disk carries) and extracts it as above.
ZipStatus zip_decode(int res_id, const Catalog& catalog, const ResourceStore& resources,
                     Streams* streams);

}  // namespace shiori
