// Ricoh maker notes (the Ricoh-branded bodies; Ricoh-made PENTAX models go to Pentax): the GR
// bodies' fixed lens, firmware, and the maker-note thumbnail.
#include "core/pathname.h"
#include "metadata/makernote.h"

namespace lv {

static bool ricohIfd(ByteView b, const ExifSummary& s, MakerNoteIfd* m, bool* pentaxStyle) {
    *pentaxStyle = false;
    std::string make = upperAscii(makeOf(b, s)), model = upperAscii(modelOf(b, s));
    if (make.rfind("RICOH", 0) != 0 || model.rfind("PENTAX", 0) == 0) return false;
    int64_t base = 0;
    bool le = s.littleEndian;
    int64_t start = makerNoteStart(b, s, &base, &le);
    if (start <= 0) return false;
    // "RICOH" NUL and a byte order: the Pentax tag set, offsets from the note's start.
    if (bytesAt(b, start, std::string_view("RICOH\0", 6)) && (bytesAt(b, start + 6, "II") || bytesAt(b, start + 6, "MM"))) {
        bool ole = bytesAt(b, start + 6, "II");
        *m = {start, start + 8, start, ole};
        if (ifdEntryCount(b, m->ifdPos, ole) == 0) m->ifdPos = 0;
        *pentaxStyle = true;
        return true;
    }
    // Older notes ("RICOH" NUL, "Ricoh") put their own IFD 8 bytes in, in the TIFF's order.
    if (bytesAt(b, start, std::string_view("RICOH\0", 6)) || bytesAt(b, start, "Ricoh")) {
        *m = {start, start + 8, base, le};
        if (ifdEntryCount(b, m->ifdPos, le) == 0) m->ifdPos = 0;
        return true;
    }
    *m = {start, 0, base, le};
    return true;
}

// [SECTION] Ricoh's own tag set (GR Digital, GR, GR II, GXR and the compacts)
struct RicohFocus {
    int code;
    const char* focus;
    const char* area;
};
// Tag 0x1006 names both how and where the camera focused.
static const RicohFocus kFocus[] = {
    {1, "MF", ""},         {2, "AF-S", "Auto-area"}, {3, "AF-S", "Select"},   {4, "MF (Snap)", ""},
    {5, "MF (Infinity)", ""}, {7, "AF-S", ""},        {8, "AF-C", "Tracking"}, {9, "AF-S", "Pinpoint"},
};
static const CodeText kWhiteBalance[] = {
    {0, "Auto"},     {1, "Multi Auto"}, {2, "Daylight"}, {3, "Cloudy"}, {4, "Tungsten"}, {5, "Tungsten"},
    {6, "Daylight Fluorescent"}, {7, "Day White Fluorescent"}, {8, "White Fluorescent"},
    {9, "Warm White Fluorescent"}, {10, "Manual"}, {11, "Kelvin"}, {12, "Shade"},
};
static const CodeText kEffects[] = {
    {0, "Standard"}, {1, "Vivid"}, {3, "Monotone"}, {9, "Hi-Contrast B&W"}, {10, "Cross Processing"},
    {11, "Positive Film"}, {12, "Bleach Bypass"}, {13, "Retro"},
};

// A SHORT value of the note; the compacts reuse some numbers with other types and meanings.
static int64_t shortTag(ByteView b, const MakerNoteIfd& m, uint16_t tag) {
    TagData t = tagData(b, m, tag);
    return t.found() && t.type == 3 ? tagInt(b, m, t, 0) : -1;
}

static void ricohTags(ByteView b, const MakerNoteIfd& m, ShotInfo* out) {
    int64_t focus = shortTag(b, m, 0x1006);
    for (const RicohFocus& f : kFocus)
        if (f.code == focus) {
            out->focusMode = f.focus;
            out->afArea = f.area;
        }
    out->whiteBalance = lookup(kWhiteBalance, shortTag(b, m, 0x1003));
    int64_t kelvin = shortTag(b, m, 0x1003) == 11 ? tagFirst(b, m, 0x1307) : -1;
    if (!out->whiteBalance.empty() && kelvin >= 2000 && kelvin <= 20000)
        out->whiteBalance += " (" + std::to_string(kelvin) + " K)";
    out->effects = lookup(kEffects, shortTag(b, m, 0x1010));
    if (shortTag(b, m, 0x1019) == 1) out->adjustment = "ND filter";
    // 1 continuous, 8 continuous with focus before each frame.
    int64_t drive = shortTag(b, m, 0x1002);
    if (drive == 1 || drive == 8) out->driveMode = "Continuous";
}

// Highlight correction (0x0069: on/off, then 2 for auto) and shadow correction (0x0079: on/off
// and strength) of the GR III, shown together.
static std::string correctionText(ByteView b, const MakerNoteIfd& m) {
    std::string highlight, shadow;
    TagData h = tagData(b, m, 0x0069);
    if (h.found() && h.size == 1 && h.count >= 2) {
        int on = readByte(b, h.pos), mode = readByte(b, h.pos + 1);
        highlight = mode == 2 ? "Highlight auto" : on == 0 ? "Highlight off" : on == 1 ? "Highlight on" : "";
    }
    TagData sh = tagData(b, m, 0x0079);
    if (sh.found() && sh.size == 1 && sh.count >= 2) {
        static const CodeText kShadow[] = {{0x0000, "shadow off"}, {0x0102, "shadow normal"},
                                           {0x0103, "shadow strong"}, {0x0204, "shadow auto"}};
        shadow = lookup(kShadow, readByte(b, sh.pos) << 8 | readByte(b, sh.pos + 1));
    }
    if (highlight.empty()) return shadow;
    return shadow.empty() ? highlight : highlight + ", " + shadow;
}

// GR bodies: the lens is part of the camera.
static const char* grLens(const std::string& modelUpper) {
    if (modelUpper.find("GR IIIX") != std::string::npos) return "GR 26.1mm F2.8";
    if (modelUpper == "GR" || modelUpper == "RICOH GR" || modelUpper.find("GR II") != std::string::npos)
        return "GR 18.3mm F2.8";
    return nullptr;
}

bool decodeRicoh(ByteView b, const ExifSummary& s, ShotInfo* out) {
    MakerNoteIfd m;
    bool pentaxStyle = false;
    if (!ricohIfd(b, s, &m, &pentaxStyle)) return false;
    std::string model = upperAscii(modelOf(b, s));
    if (const char* lens = grLens(model)) {
        out->fixedLens = true;
        if (out->lensModel.empty()) out->lensModel = lens;
    } else if (model.rfind("CAPLIO", 0) == 0 || model.rfind("RICOH CX", 0) == 0 || model.rfind("GR DIGITAL", 0) == 0) {
        out->fixedLens = true;
    }
    // After the fixed lens is known, so the lens code cannot call the built-in lens manual.
    if (pentaxStyle && m.ifdPos > 0) {
        pentaxTags(b, m, true, out);
        if (out->dynamicRange.empty()) out->dynamicRange = correctionText(b, m);
        // The GR III's ND filter (tag 0x0088): first value 1 when it was in.
        TagData nd = tagData(b, m, 0x0088);
        if (nd.found() && tagInt(b, m, nd, 0) == 1) out->adjustment = "ND filter";
    } else if (m.ifdPos > 0) {
        ricohTags(b, m, out);
    }
    // Firmware: "GR III Ver 1.50" in Software, else the note's own "Rev..." text.
    std::string sw = trimText(refText(b, s.software));
    size_t ver = upperAscii(sw).find(" VER ");
    if (ver != std::string::npos)
        out->cameraFirmware = trimText(sw.substr(ver + 5));
    else if (m.ifdPos > 0)
        out->cameraFirmware = tagText(b, m, 0x0002);
    return true;
}

bool quickRicoh(ByteView b, const ExifSummary& s, PhotoMeta* out) {
    MakerNoteIfd m;
    bool pentaxStyle = false;
    if (!ricohIfd(b, s, &m, &pentaxStyle)) return false;
    if (pentaxStyle && m.ifdPos > 0) {
        out->focusClass = focusClassOf(pentaxFocusText(b, m, true));
        out->continuousDrive = !pentaxDriveText(b, m).empty();
    } else if (m.ifdPos > 0) {
        ShotInfo own;
        ricohTags(b, m, &own);
        out->focusClass = focusClassOf(own.focusMode);
        out->continuousDrive = !own.driveMode.empty();
    }
    if (const char* lens = grLens(upperAscii(modelOf(b, s))))
        if (out->lens.empty()) out->lens = lens;
    return true;
}

Bytes thumbRicoh(PhotoFile& f, ByteView head) {
    ExifSummary s;
    MakerNoteIfd m;
    bool pentaxStyle = false;
    if (!summaryOfHead(head, &s) || !ricohIfd(head, s, &m, &pentaxStyle) || m.ifdPos <= 0) return {};
    int64_t start = tagFirst(head, m, 0x0004, -1), length = tagFirst(head, m, 0x0003, -1);
    if (start <= 0 || length <= 0) return {};
    return readJpegFromFile(f, head, uint64_t(m.base + start), uint64_t(length), 1024, 2097152);
}

}  // namespace lv
