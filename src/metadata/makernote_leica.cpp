// Leica's own bodies: rangefinders focus by hand and estimate the aperture, fixed-lens bodies
// name their lens, and the maker note may carry the main preview (tag 0x0300).
#include "core/pathname.h"
#include "metadata/makernote.h"

namespace lv {

int panasonicMakerNote(ByteView b, const ExifSummary& s, MakerNoteIfd* m);

// Lens codes an M body writes for the lenses it recognises by their 6-bit coding.
static const CodeText kLensCode[] = {
    {23, "Summicron-M 1:2/50"},
    {43, "Summilux-M 1:1.4/50 ASPH."},
};

static const struct {
    const char* model;
    const char* lens;
} kFixedLens[] = {{"LEICA X2", "Elmarit 1:2.8/24 ASPH."},
                  {"LEICA Q (TYP 116)", "Summilux 1:1.7/28 ASPH."},
                  {"LEICA Q2", "Summilux 1:1.7/28 ASPH."}};

// "LEICA M10", "LEICA M-P", "LEICA M (Typ 240)", "LEICA M9": an M after "LEICA ".
static bool rangefinder(const std::string& modelUpper) {
    if (modelUpper.rfind("LEICA M", 0) != 0 || modelUpper.size() < 8) return modelUpper == "LEICA M";
    char c = modelUpper[7];
    return c == ' ' || c == '-' || (c >= '0' && c <= '9');
}

static bool leicaAccepts(ByteView b, const ExifSummary& s, MakerNoteIfd* m, bool* hasNote) {
    std::string make = upperAscii(makeOf(b, s)), model = upperAscii(modelOf(b, s));
    bool leica = make == "LEICA CAMERA AG";
    *hasNote = panasonicMakerNote(b, s, m) == 2;
    if (rangefinder(model) && make.rfind("LEICA", 0) == 0) return true;
    return leica && *hasNote;
}

bool decodeLeica(ByteView b, const ExifSummary& s, ShotInfo* out) {
    MakerNoteIfd m;
    bool hasNote = false;
    if (!leicaAccepts(b, s, &m, &hasNote)) return false;
    std::string model = upperAscii(modelOf(b, s));
    for (const auto& f : kFixedLens)
        if (model == f.model) {
            out->fixedLens = true;
            if (out->lensModel.empty()) out->lensModel = f.lens;
        }
    std::string lensText = hasNote ? tagText(b, m, 0x0303) : std::string();
    if (rangefinder(model)) {
        out->focusMode = "MF (rangefinder)";
        if (out->lensModel.empty()) {
            // Older M bodies store the lens's 6-bit code shifted past two frame-selector bits.
            TagData t = hasNote ? tagData(b, m, 0x0303) : TagData();
            int64_t code = t.found() && t.size != 1 ? tagInt(b, m, t, 0) >> 2 : -1;
            if (code > 0)
                out->lensModel = lookup(kLensCode, code).empty() ? "Unrecognised lens" : lookup(kLensCode, code);
            else if (!lensText.empty())
                out->lensModel = lensText;
            else
                out->lensModel = "Not recorded (manual or adapted lens)";
        }
    } else if (out->lensModel.empty()) {
        out->lensModel = lensText;
    }
    return true;
}

bool quickLeica(ByteView b, const ExifSummary& s, PhotoMeta* out) {
    MakerNoteIfd m;
    bool hasNote = false;
    if (!leicaAccepts(b, s, &m, &hasNote)) return false;
    std::string model = upperAscii(modelOf(b, s));
    if (rangefinder(model)) out->focusClass = 2;
    for (const auto& f : kFixedLens)
        if (model == f.model && out->lens.empty()) out->lens = f.lens;
    return true;
}

// The JPEG a Leica note carries in tag 0x0300; the note may lie beyond the head.
Bytes previewLeica(PhotoFile& f, ByteView head) {
    ExifSummary s;
    if (!summaryOfHead(head, &s) || upperAscii(makeOf(head, s)) != "LEICA CAMERA AG" || s.makerNotePos <= 0) return {};
    MakerNoteIfd m;
    if (panasonicMakerNote(head, s, &m) != 2) return {};
    Bytes ifdBytes;
    ByteView ifd = head;
    int64_t pos = m.ifdPos;
    if (!head.has(pos, 2)) {
        if (pos < 0 || !readRange(f, head, uint64_t(pos), 2 + 12 * 64, &ifdBytes)) return {};
        ifd = ByteView(ifdBytes);
        pos = 0;
    }
    int count = readU16(ifd, pos, m.le);
    if (count < 1 || count > 64) return {};
    for (int i = 0; i < count; i++) {
        int64_t e = ifdEntryPos(ifd, pos, i);
        if (!e) break;
        if (readU16(ifd, e, m.le) != 0x0300) continue;
        uint32_t length = readU32(ifd, e + 4, m.le);
        int64_t offset = m.base + int64_t(readU32(ifd, e + 8, m.le));
        if (offset <= 0) return {};
        return readJpegFromFile(f, head, uint64_t(offset), length, 16, kMaxPreview64);
    }
    return {};
}

}  // namespace lv
