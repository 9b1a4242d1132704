// The XMP sidecar beside a photo: reading its rating and label (or those of a JPEG's own XMP
// packet when there is no sidecar) and replacing it safely through a temporary file of its own
// ("<sidecar>.tmp" when free, see tempCreate). Which file is the sidecar is decided by sidecarOf
// (sidecar_path.h); the calls taking a photo path decide it themselves, the others work on the
// sidecar they are given.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "sidecar/sidecar_path.h"

namespace lv {

struct RatingLabel {
    int rating = 0;     // -1 rejected, 0 none, 1..5 stars
    std::string label;  // "" when none
};

// Error code of a refused write: the sidecar has no rdf:Description to write into.
inline constexpr WinErr kSidecarNoDescription = 13;
// Error code of a temporary file that came out shorter or longer than the text.
inline constexpr WinErr kSidecarShortWrite = kErrWriteFault;
// Sidecars are small; anything bigger is not ours to load whole (and never gets overwritten).
inline constexpr uint64_t kSidecarMaxBytes = 16u << 20;
// How much of a JPEG is searched for its own XMP packet.
inline constexpr size_t kJpegXmpSearchBytes = 131072;

// [SECTION] reading
// The whole sidecar, or "" when it is missing or cannot be read.
std::string readSidecarText(const SidecarPath& sidecar);
std::string readSidecarText(std::string_view photoPath);
// The same with the reason: 0 with the text, 2/3 when there is no sidecar, another code when
// one exists but could not be read (that one must not be replaced by a new file).
WinErr readSidecarFile(const SidecarPath& sidecar, std::string* text);
WinErr readSidecarFile(std::string_view photoPath, std::string* text);
// The XMP packet of a JPEG's first APP1 XMP segment within its first 128 KiB, or "".
std::string jpegOwnXmp(std::string_view jpegPath);
RatingLabel ratingLabelFromText(std::string_view text);
// From the sidecar, or for a JPEG without one from its own packet. Used at folder load.
RatingLabel readRatingLabel(std::string_view photoPath, const SidecarPath& sidecar);
RatingLabel readRatingLabel(std::string_view photoPath);
// From the sidecar only (what travels with an exported photo).
RatingLabel readSidecarRatingLabel(std::string_view photoPath);

// [SECTION] writing
// Replaces the sidecar with text through a temporary file created for this write alone; the old
// sidecar stays untouched until the final replace, and a failed write leaves no temporary file.
// Sets the last sidecar error code.
bool writeSidecarText(const SidecarPath& sidecar, std::string_view text);
bool writeSidecarText(std::string_view photoPath, std::string_view text);
// Change one property, creating the sidecar (with both properties) when there is none. Setting
// the value already stored touches nothing.
bool writeRating(const SidecarPath& sidecar, int rating, std::string_view currentLabel);
bool writeLabel(const SidecarPath& sidecar, std::string_view label, int currentRating);
bool writeRating(std::string_view photoPath, int rating, std::string_view currentLabel);
bool writeLabel(std::string_view photoPath, std::string_view label, int currentRating);
// The code of the last write: 0 after success, see the constants above otherwise.
WinErr lastSidecarError();

// [SECTION] test hook
// The platform calls the replacement goes through, so tests can fail each step on systems
// where permissions do not stop the process (root, Wine).
struct SidecarFileOps {
    WinErr (*create)(std::string_view target, TempFile* out);
    WinErr (*write)(FileHandle f, const void* buf, size_t len);
    WinErr (*size)(FileHandle f, uint64_t* size);
    WinErr (*commit)(TempFile* t, std::string_view target);
};
const SidecarFileOps& platformSidecarFileOps();
// nullptr restores the platform calls. Not thread-safe: for tests only.
void setSidecarFileOps(const SidecarFileOps* ops);

}  // namespace lv
