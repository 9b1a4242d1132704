// The vendor registry: which maker-note decoder reads a file, in a fixed order of selection,
// and the preview and thumbnail hooks the makers' notes provide.
#include <cmath>
#include <mutex>

#include "core/pathname.h"
#include "metadata/makernote.h"

namespace lv {

// The order matters: Leica bodies built by Panasonic carry Panasonic notes under a Leica Make
// header, and Hasselblad's Sony-built bodies are read by the Sony decoder before Hasselblad's.
static const Vendor kVendors[] = {
    {"Panasonic", decodePanasonic, quickPanasonic, nullptr, nullptr},
    {"Fujifilm", decodeFujifilm, quickFujifilm, nullptr, nullptr},
    {"Canon", decodeCanon, quickCanon, nullptr, nullptr},
    {"Ricoh", decodeRicoh, quickRicoh, thumbRicoh, nullptr},
    {"OM System / Olympus", decodeOlympus, quickOlympus, thumbOlympus, nullptr},
    {"Sony", decodeSony, quickSony, nullptr, nullptr},
    {"Nikon", decodeNikon, quickNikon, thumbNikon, nullptr},
    {"Sigma", decodeSigma, quickSigma, nullptr, nullptr},
    {"Pentax", decodePentax, quickPentax, thumbPentax, nullptr},
    {"Leica", decodeLeica, quickLeica, nullptr, previewLeica},
    {"Hasselblad", decodeHasselblad, quickHasselblad, thumbHasselblad, nullptr},
};

const Vendor* vendorTable(size_t* count) {
    *count = sizeof kVendors / sizeof kVendors[0];
    return kVendors;
}

std::string vendorListText() {
    size_t n = sizeof kVendors / sizeof kVendors[0];
    std::string s;
    for (size_t i = 0; i < n; i++) {
        if (i) s += i + 1 == n ? " and " : ", ";
        s += kVendors[i].name;
    }
    return s;
}

int selectVendor(ByteView head, const ExifSummary& s, ShotInfo* out) {
    int i = 0;
    for (const Vendor& v : kVendors) {
        if (v.full(head, s, out)) return i;
        i++;
    }
    return -1;
}

int quickDecode(ByteView head, const ExifSummary& s, PhotoMeta* out) {
    int i = 0;
    for (const Vendor& v : kVendors) {
        if (v.quick(head, s, out)) return i;
        i++;
    }
    return -1;
}

static Bytes runHooks(FileHandle file, ByteView head, uint64_t fileSize, bool thumbnails) {
    PhotoFile f;
    f.handle = file;
    f.size = fileSize;
    for (const Vendor& v : kVendors) {
        PreviewHook h = thumbnails ? v.thumbnail : v.mainPreview;
        if (!h) continue;
        Bytes b = h(f, head);
        if (!b.empty()) return b;
    }
    return {};
}

Bytes vendorMainPreview(FileHandle file, ByteView head, uint64_t fileSize) { return runHooks(file, head, fileSize, false); }
Bytes vendorThumbnail(FileHandle file, ByteView head, uint64_t fileSize) { return runHooks(file, head, fileSize, true); }

void registerMakerNoteHooks() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (const Vendor& v : kVendors) {
            if (v.mainPreview) addMainPreviewHook(v.mainPreview);
            if (v.thumbnail) addThumbnailHook(v.thumbnail);
        }
    });
}

void setAfPointFraction(ShotInfo* s, double fx, double fy) {
    auto cell = [](double f) {
        if (!std::isfinite(f)) return 1;
        double v = std::floor(1000.0 * f) + 1;
        return v < 1 ? 1 : v > 1000 ? 1000 : int(v);
    };
    s->afFrameWidth = 1000;
    s->afFrameHeight = 1000;
    s->afPointX = cell(fx);
    s->afPointY = cell(fy);
}

int makerNoteCheck(ByteView jpeg) {
    int64_t t = findExifTiff(jpeg, 0);
    if (t < 0) return 0;
    ByteView tiff(jpeg.data + t, jpeg.size - size_t(t));
    ExifSummary s;
    readExifSummary(tiff, -1, &s);
    std::string make = upperAscii(makeOf(tiff, s));
    if (make.empty()) return 0;
    int64_t base = 0;
    bool le = true;
    int64_t note = makerNoteStart(tiff, s, &base, &le);
    if (s.exifIfdPos <= 0 || note <= 0) return 2;
    std::string headUpper;
    for (int64_t i = 0; i < 12 && tiff.has(note + i, 1); i++) headUpper += char(readByte(tiff, note + i));
    headUpper = upperAscii(headUpper);
    static const struct {
        const char* header;
        const char* word;
    } kForeign[] = {{"PANASONIC", "PANASONIC"}, {"FUJIFILM", "FUJIFILM"}, {"APPLE IOS", "APPLE"},
                    {"NIKON", "NIKON"},         {"SONY", "SONY"},         {"LEICA", "LEICA"},
                    {"SIGMA", "SIGMA"}};
    for (const auto& f : kForeign)
        if (headUpper.rfind(f.header, 0) == 0 && make.find(f.word) == std::string::npos) return 3;
    return 1;
}

}  // namespace lv
