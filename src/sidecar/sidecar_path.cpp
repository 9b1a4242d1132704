#include "sidecar/sidecar_path.h"

#include <algorithm>
#include <vector>

#include "library/filekinds.h"
#include "library/folder.h"
#include "platform/platform.h"

namespace lv {

namespace {

// Asked of the listing while a folder loads, else of the file system.
bool fileThere(const std::string& path) {
    bool exists = false;
    if (listedFileExists(path, &exists)) return exists;
    return pathExists(path) && !isFolder(path);
}

// The supported photos of the folder that share the stem, in listing order. Probed by name
// rather than listed, so a folder of a thousand such sidecars costs no thousand listings; both
// cases of each extension are tried for file systems that tell them apart.
std::vector<std::string> photosOfStem(const std::string& stem, std::string_view photoPath) {
    std::vector<std::string> out{std::string(photoPath)};
    for (const PhotoFormat& f : photoFormats()) {
        std::string_view exts = f.extensions;
        for (size_t pos = 0; pos < exts.size();) {
            size_t end = std::min(exts.find(';', pos), exts.size());
            std::string ext(exts.substr(pos, end - pos));
            pos = end + 1;
            for (const std::string& name : {stem + ext, stem + lowerAscii(ext)}) {
                bool known = std::any_of(out.begin(), out.end(),
                                         [&](const std::string& p) { return equalsIgnoreCase(p, name); });
                if (!known && fileThere(name)) out.push_back(name);
            }
        }
    }
    std::sort(out.begin(), out.end(), [](const std::string& a, const std::string& b) {
        return compareFileNames(fileNamePart(a), fileNamePart(b)) < 0;
    });
    return out;
}

}  // namespace

SidecarPath sidecarOf(std::string_view photoPath, PathStyle s) {
    std::string own = sidecarPathFor(photoPath, s);
    if (fileThere(own)) return {own};
    std::string stem(withoutExtension(photoPath, s));
    std::string other;
    for (const char* ext : {".xmp", ".XMP"}) {
        std::string candidate = stem + ext;
        if (candidate != own && fileThere(candidate)) {
            other = candidate;
            break;
        }
    }
    if (other.empty()) return {own};
    std::vector<std::string> paths = photosOfStem(stem, photoPath);
    paths.push_back(other);
    int owner = sidecarOwners(paths, s).back();
    if (owner >= 0 && paths[size_t(owner)] == photoPath) return {other};
    return {own};
}

}  // namespace lv
