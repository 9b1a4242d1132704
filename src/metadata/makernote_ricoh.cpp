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
    if (pentaxStyle && m.ifdPos > 0) pentaxTags(b, m, true, out);
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
