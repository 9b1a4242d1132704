#include "sidecar/sidecar_file.h"

#include <atomic>
#include <vector>

#include "core/diaglog.h"
#include "core/pathname.h"
#include "library/filekinds.h"
#include "library/folder.h"
#include "metadata/tiff.h"
#include "sidecar/xmp_text.h"

namespace lv {

namespace {

std::atomic<WinErr> g_lastError{0};

const SidecarFileOps kPlatformOps = {tempCreate, fileWrite, fileSize, tempCommit};
const SidecarFileOps* g_ops = &kPlatformOps;

bool isAbsent(WinErr e) { return e == kErrFileNotFound || e == kErrPathNotFound; }

bool isJpegName(std::string_view path) {
    std::string_view ext = extensionOf(path);
    return equalsIgnoreCase(ext, ".JPG") || equalsIgnoreCase(ext, ".JPEG");
}

bool fail(WinErr code, const std::string& logMessage) {
    g_lastError = code;
    logLine(logMessage);
    return false;
}

}  // namespace

const SidecarFileOps& platformSidecarFileOps() { return kPlatformOps; }
void setSidecarFileOps(const SidecarFileOps* ops) { g_ops = ops ? ops : &kPlatformOps; }
WinErr lastSidecarError() { return g_lastError; }

// [SECTION] reading

WinErr readSidecarFile(const SidecarPath& sidecar, std::string* text) {
    text->clear();
    WinErr e = fileReadAll(sidecar.path, text, kSidecarMaxBytes);
    if (e) text->clear();
    return e;
}

WinErr readSidecarFile(std::string_view photoPath, std::string* text) {
    return readSidecarFile(sidecarOf(photoPath), text);
}

std::string readSidecarText(const SidecarPath& sidecar) {
    std::string text;
    readSidecarFile(sidecar, &text);
    return text;
}

std::string readSidecarText(std::string_view photoPath) { return readSidecarText(sidecarOf(photoPath)); }

std::string jpegOwnXmp(std::string_view jpegPath) {
    FileHandle f;
    if (fileOpenRead(jpegPath, &f)) return {};
    std::vector<uint8_t> head(kJpegXmpSearchBytes);
    size_t got = 0;
    WinErr e = fileReadAt(f, 0, head.data(), head.size(), &got);
    fileClose(&f);
    if (e || got < 4 || head[0] != 0xFF || head[1] != 0xD8) return {};
    return findXmpPacket(ByteView(head.data(), got), 0);
}

RatingLabel ratingLabelFromText(std::string_view text) {
    RatingLabel r;
    std::string prefixes = namespacePrefixes(text, kXmpNamespace);
    if (prefixes.empty()) return r;  // an undeclared prefix is not the XMP namespace
    r.rating = parseRatingValue(getProperty(text, "Rating", prefixes));
    r.label = std::string(trimXmlSpace(xmlUnescape(getProperty(text, "Label", prefixes))));
    return r;
}

RatingLabel readSidecarRatingLabel(std::string_view photoPath) {
    return ratingLabelFromText(readSidecarText(photoPath));
}

RatingLabel readRatingLabel(std::string_view photoPath, const SidecarPath& sidecar) {
    bool listed = true;
    std::string text = listedFileExists(sidecar.path, &listed) && !listed ? std::string() : readSidecarText(sidecar);
    if (text.empty() && isJpegName(photoPath)) text = jpegOwnXmp(photoPath);
    return ratingLabelFromText(text);
}

RatingLabel readRatingLabel(std::string_view photoPath) { return readRatingLabel(photoPath, sidecarOf(photoPath)); }

// [SECTION] writing

bool writeSidecarText(const SidecarPath& sidecar, std::string_view text) {
    g_lastError = 0;
    const std::string& target = sidecar.path;
    const SidecarFileOps& io = *g_ops;

    TempFile t;
    WinErr e = io.create(target, &t);
    if (e) return fail(e, "xmp sidecar temp write FAILED (err " + std::to_string(e) + "): " + target + ".tmp");
    uint64_t written = 0;
    e = io.write(t.f, text.data(), text.size());
    if (!e) e = io.size(t.f, &written);
    if (e) {
        tempDiscard(&t);
        return fail(e, "xmp sidecar temp write FAILED (err " + std::to_string(e) + "): " + t.path);
    }
    if (written != text.size()) {
        std::string temp = t.path;
        tempDiscard(&t);
        return fail(kSidecarShortWrite, "xmp sidecar temp SHORT (" + std::to_string(written) + " of " +
                                            std::to_string(text.size()) + " bytes): " + temp);
    }
    e = io.commit(&t, target);
    tempDiscard(&t);  // nothing left to remove after a successful replace
    if (e) return fail(e, "xmp sidecar replace FAILED (last error " + std::to_string(e) + "): " + target);
    return true;
}

bool writeSidecarText(std::string_view photoPath, std::string_view text) {
    return writeSidecarText(sidecarOf(photoPath), text);
}

static bool writeProperty(const SidecarPath& sidecar, const char* name, const std::string& value, int rating,
                          std::string_view label) {
    g_lastError = 0;
    std::string old;
    WinErr e = readSidecarFile(sidecar, &old);
    if (e && !isAbsent(e)) {
        // A sidecar we cannot read may hold another tool's work: never replace it from nothing.
        return fail(e, "xmp " + std::string(name) + " NOT written (sidecar unreadable, err " + std::to_string(e) +
                           "): " + sidecar.path);
    }
    if (old.empty()) return writeSidecarText(sidecar, newSidecarText(rating, label));
    std::string updated = setProperty(old, name, value);
    if (updated.empty())
        return fail(kSidecarNoDescription, "xmp " + std::string(name) + " NOT written (no rdf:Description): " + sidecar.path);
    if (updated == old) return true;
    return writeSidecarText(sidecar, updated);
}

bool writeRating(const SidecarPath& sidecar, int rating, std::string_view currentLabel) {
    return writeProperty(sidecar, "Rating", std::to_string(rating), rating, currentLabel);
}

bool writeLabel(const SidecarPath& sidecar, std::string_view label, int currentRating) {
    return writeProperty(sidecar, "Label", std::string(label), currentRating, label);
}

bool writeRating(std::string_view photoPath, int rating, std::string_view currentLabel) {
    return writeRating(sidecarOf(photoPath), rating, currentLabel);
}

bool writeLabel(std::string_view photoPath, std::string_view label, int currentRating) {
    return writeLabel(sidecarOf(photoPath), label, currentRating);
}

}  // namespace lv
