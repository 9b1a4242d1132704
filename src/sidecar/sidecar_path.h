// Which file is a photo's sidecar. Decided once per command and photo, then handed to the
// reading and the writing, so both always work on the same file.
#pragma once
#include <string>
#include <string_view>

#include "core/pathname.h"

namespace lv {

struct SidecarPath {
    std::string path;
};

// The photo's own sidecar name (sidecarPathFor) when that file exists or when no other tool's
// sidecar belongs to the photo. Otherwise the stem-named ".xmp" other photo tools write beside a
// RAW (IMG_0002.xmp beside IMG_0002.CR2), when the file-kind ownership rule gives it to this photo:
// a RAW before a JPEG of the same stem, among photos of one kind the first in listing order. A
// photo without any sidecar gets its own name, so a new sidecar keeps that name.
SidecarPath sidecarOf(std::string_view photoPath, PathStyle s = kNativeStyle);

}  // namespace lv
