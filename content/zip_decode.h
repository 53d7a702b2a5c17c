// Extraction of a work's text from its ZIP archive.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "content/catalog.h"
#include "deczip/streams.h"
#include "deczip/ziputil.h"
#include "platform/resources.h"

namespace shiori {

/// Outcome of one extraction.
enum class ZipStatus {
  kOk,              ///< the member's text was appended to ssout
  kNoText,          ///< no member name contains ".txt": ssout unchanged
  kMissing,         ///< the work's resource does not exist: ssout unchanged
  kDamaged,         ///< sizes or data run past the archive: ssout unchanged
  kOutOfMemory,     ///< a buffer could not be allocated
  kTooLarge,        ///< the text is larger than kMaxZipText: ssout unchanged
};

/// The largest member the reader extracts into memory.
inline constexpr std::uint32_t kMaxZipText = 256u << 20;

/// One line describing a status other than kOk, for the screen.
std::string ZipStatusMessage(ZipStatus status, const std::string& name);

/// Checks a member's sizes before anything is allocated: kDamaged when the
/// data would run past the |available| bytes after the header, when a stored
/// member's sizes differ, or when |uncompsize| is more than deflate can make of
/// |compsize| bytes; kTooLarge above kMaxZipText; else kOk.
ZipStatus CheckZipMemberSizes(const ZipHeader& header, std::size_t available);

/// Decodes one member's data: stored (method 0) is copied, anything else is
/// inflated as raw deflate. |out| is filled from its start; bytes past what
/// the data yields stay as they were. True when the data reached its end.
/// Sets *out_of_memory when zlib could not get its state.
bool DecodeZipMember(std::span<const std::uint8_t> data, std::uint16_t method,
                     std::span<std::uint8_t> out, bool* out_of_memory);

/// Appends the text of the archive |archive| to streams->ssout, walking its
/// local headers through streams->ssin from the point where the archive is
/// written. The first bytes not being a local header give kNoText. Sizes in
/// headers are never trusted beyond the bytes that exist; on any status
/// other than kOk, ssout is unchanged.
ZipStatus zip_decode_bytes(std::span<const std::uint8_t> archive, Streams* streams);

/// Looks up work |res_id| of |catalog| (resource of type "WAVE", or the
/// archive a work from disk carries) and extracts it as above.
ZipStatus zip_decode(int res_id, const Catalog& catalog, const ResourceStore& resources,
                     Streams* streams);

}  // namespace shiori
