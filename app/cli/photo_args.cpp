// What the sidecar commands (rate, label) share: checking each photo argument and naming why a
// sidecar could not be written.
#include <cstdio>

#include "commands.h"
#include "library/filekinds.h"
#include "platform/platform.h"
#include "sidecar/sidecar_file.h"

namespace lv::cli {

bool photoArgUsable(const char* command, const std::string& path) {
    if (!pathExists(path) || isFolder(path)) {
        std::fprintf(stderr, "lumivore %s: %s: %s\n", command, shownPath(path).c_str(),
                     isFolder(path) ? "is a folder, not a photo" : describeError(kErrFileNotFound).c_str());
        return false;
    }
    if (!isSupportedPhoto(path)) {
        std::fprintf(stderr, "lumivore %s: %s: not a supported photo (%s)\n", command, shownPath(path).c_str(),
                     formatsPhrase().c_str());
        return false;
    }
    return true;
}

std::string sidecarFailureReason(uint32_t code) {
    if (code == kSidecarNoDescription) return "the sidecar has no rdf:Description to write into (error 13)";
    return describeError(code);
}

}  // namespace lv::cli
