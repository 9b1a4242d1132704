// Leica's own bodies: rangefinders focus by hand and estimate the aperture, fixed-lens bodies
// name their lens, and the maker note may carry the main preview (tag 0x0300).
#include "core/pathname.h"
#include "metadata/makernote.h"

namespace lv {

int panasonicMakerNote(ByteView b, const ExifSummary& s, MakerNoteIfd* m);

// The 6-bit codes an M body reads from a coded lens's mount (the two bits below them are the
// frame-line selector), with the lenses' catalogue names.
static const CodeText kLensCode[] = {
    {1, "Elmarit-M 1:2.8/21"},                {3, "Elmarit-M 1:2.8/28"},
    {4, "Tele-Elmarit-M 1:2.8/90"},           {5, "Summilux-M 1:1.4/50"},
    {6, "Summicron-M 1:2/35"},                {7, "Summicron-M 1:2/90"},
    {9, "Elmarit-M 1:2.8/135"},               {11, "Summaron-M 1:5.6/28"},
    {12, "Thambar-M 1:2.2/90"},               {16, "Tri-Elmar-M 1:4/16-18-21 ASPH."},
    {23, "Summicron-M 1:2/50"},               {24, "Elmarit-M 1:2.8/21 ASPH."},
    {25, "Elmarit-M 1:2.8/24 ASPH."},         {26, "Summicron-M 1:2/28 ASPH."},
    {27, "Elmarit-M 1:2.8/28"},               {28, "Elmarit-M 1:2.8/28 ASPH."},
    {29, "Summilux-M 1:1.4/35 ASPH."},        {30, "Summicron-M 1:2/35 ASPH."},
    {31, "Noctilux-M 1:1/50"},                {32, "Summilux-M 1:1.4/50 ASPH."},
    {33, "Summicron-M 1:2/50"},               {34, "Elmar-M 1:2.8/50"},
    {35, "Summilux-M 1:1.4/75"},              {36, "Apo-Summicron-M 1:2/75 ASPH."},
    {37, "Apo-Summicron-M 1:2/90 ASPH."},     {38, "Elmarit-M 1:2.8/90"},
    {39, "Macro-Elmar-M 1:4/90"},             {40, "Macro-Adapter M"},
    {41, "Apo-Summicron-M 1:2/50 ASPH."},     {42, "Tri-Elmar-M 1:4/28-35-50 ASPH."},
    {43, "Summarit-M 1:2.5/35"},              {44, "Summarit-M 1:2.5/50"},
    {45, "Summarit-M 1:2.5/75"},              {46, "Summarit-M 1:2.5/90"},
    {47, "Summilux-M 1:1.4/21 ASPH."},        {48, "Summilux-M 1:1.4/24 ASPH."},
    {49, "Noctilux-M 1:0.95/50 ASPH."},       {50, "Elmar-M 1:3.8/24 ASPH."},
    {51, "Super-Elmar-M 1:3.4/21 ASPH."},     {52, "Super-Elmar-M 1:3.8/18 ASPH."},
    {53, "Apo-Telyt-M 1:3.4/135"},            {58, "Noctilux-M 1:1.25/75 ASPH."},
};

// Where each note generation keeps the lens: the M8 ("LEICA" and three NULs) as a code in tag
// 0x0310, the M9 and M Monochrom ("LEICA0") in 0x3405, later bodies as text in 0x0303.
enum class LensTag { none, codeM8, codeM9, text };

static LensTag lensTagOf(ByteView b, int64_t start) {
    if (bytesAt(b, start, std::string_view("LEICA\0\0\0", 8))) return LensTag::codeM8;
    if (bytesAt(b, start, "LEICA0")) return LensTag::codeM9;
    return LensTag::text;
}

// The lens an M body recorded: its code's name, "Unrecognised lens" for a code missing from the
// table, "Not recorded ..." for an uncoded lens; empty when the note has no lens record.
static std::string rangefinderLens(ByteView b, const MakerNoteIfd& m) {
    LensTag kind = lensTagOf(b, m.start);
    if (kind == LensTag::text) return tagText(b, m, 0x0303);
    TagData t = tagData(b, m, kind == LensTag::codeM8 ? 0x0310 : 0x3405);
    if (!t.found() || t.size == 1) return {};
    int64_t code = tagInt(b, m, t, 0) >> 2;
    if (code == 0) return "Not recorded (manual or adapted lens)";
    std::string name = lookup(kLensCode, code);
    return name.empty() ? "Unrecognised lens" : name;
}

static const struct {
    const char* model;
    const char* lens;
} kFixedLens[] = {{"LEICA X2", "Elmarit 1:2.8/24 ASPH."},
                  {"LEICA Q (TYP 116)", "Summilux 1:1.7/28 ASPH."},
                  {"LEICA Q2", "Summilux 1:1.7/28 ASPH."}};

// "LEICA M10", "LEICA M-P", "LEICA M (Typ 240)", "LEICA M9": an M after "LEICA ". The M8 and M9
// write only "M8 Digital Camera", so the test runs on the camera's full name.
static bool rangefinder(ByteView b, const ExifSummary& s) {
    std::string modelUpper = upperAscii(cameraName(makeOf(b, s), modelOf(b, s)));
    if (modelUpper.rfind("LEICA M", 0) != 0 || modelUpper.size() < 8) return modelUpper == "LEICA M";
    char c = modelUpper[7];
    return c == ' ' || c == '-' || (c >= '0' && c <= '9');
}

// The M9 and M Monochrom ("LEICA0") and the X, T and X-U notes ("LEICA" NUL, a generation byte, NUL)
// count their value offsets from the note's first byte; the others from the TIFF.
static void leicaBase(ByteView b, MakerNoteIfd* m) {
    static const uint8_t kOwnBase[] = {0x01, 0x04, 0x05, 0x06, 0x07, 0x10, 0x1A};
    if (bytesAt(b, m->start, "LEICA0")) {
        m->base = m->start;
        return;
    }
    if (!bytesAt(b, m->start, std::string_view("LEICA\0", 6)) || readByte(b, m->start + 7) != 0) return;
    for (uint8_t g : kOwnBase)
        if (readByte(b, m->start + 6) == g) m->base = m->start;
}

static bool leicaAccepts(ByteView b, const ExifSummary& s, MakerNoteIfd* m, bool* hasNote) {
    std::string make = upperAscii(makeOf(b, s));
    bool leica = make == "LEICA CAMERA AG";
    *hasNote = panasonicMakerNote(b, s, m) == 2;
    if (*hasNote) leicaBase(b, m);
    if (rangefinder(b, s) && make.rfind("LEICA", 0) == 0) return true;
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
    if (rangefinder(b, s)) {
        out->focusMode = "MF (rangefinder)";
        // The body meters through the lens and only estimates the aperture it was set to.
        out->apertureText = " (estimated)";
        // Without a maker note (a converted or cut-off file) nothing says which lens was on the
        // body; calling it manual or adapted would be a guess shown as fact.
        if (out->lensModel.empty() && hasNote) {
            out->lensModel = rangefinderLens(b, m);
            if (out->lensModel.empty()) out->lensModel = "Not recorded (manual or adapted lens)";
        }
    } else if (out->lensModel.empty() && hasNote) {
        out->lensModel = tagText(b, m, 0x0303);
    }
    return true;
}

bool quickLeica(ByteView b, const ExifSummary& s, PhotoMeta* out) {
    MakerNoteIfd m;
    bool hasNote = false;
    if (!leicaAccepts(b, s, &m, &hasNote)) return false;
    std::string model = upperAscii(modelOf(b, s));
    if (rangefinder(b, s)) out->focusClass = 2;
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
