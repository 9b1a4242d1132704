// The camera makers' private maker notes: the vendor registry, the choice of decoder, and the
// reading helpers every vendor decoder shares (one decoder file per maker).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "metadata/photo_meta.h"
#include "metadata/shot_info.h"
#include "metadata/preview.h"
#include "metadata/tiff.h"

namespace lv {

// [SECTION] registry
using FullDecoder = bool (*)(ByteView head, const ExifSummary& s, ShotInfo* out);
using QuickDecoder = bool (*)(ByteView head, const ExifSummary& s, PhotoMeta* out);

struct Vendor {
    const char* name;
    FullDecoder full;
    QuickDecoder quick;
    PreviewHook thumbnail;    // may be null
    PreviewHook mainPreview;  // may be null
};

// The vendors in their order of selection.
const Vendor* vendorTable(size_t* count);
// "Panasonic, Fujifilm, ... and Hasselblad".
std::string vendorListText();
// Index of the first vendor whose full decoder accepts the file (it has filled *out), or -1.
int selectVendor(ByteView head, const ExifSummary& s, ShotInfo* out);
// Index of the first vendor whose quick decoder accepts the file, or -1.
int quickDecode(ByteView head, const ExifSummary& s, PhotoMeta* out);
// The vendors' hooks called directly, in registry order; the first non-empty answer wins. Use
// either these or the registered hook lists, not both, or every hook runs twice.
Bytes vendorMainPreview(FileHandle file, ByteView head, uint64_t fileSize);
Bytes vendorThumbnail(FileHandle file, ByteView head, uint64_t fileSize);
// Hands the vendors' preview and thumbnail hooks to the preview code, in registry order. Call it
// once at start-up before any worker runs; later calls do nothing.
void registerMakerNoteHooks();
// An AF point given as fractions of the displayed image, in the 1000 x 1000 frame.
void setAfPointFraction(ShotInfo* s, double fx, double fy);
// For a JPEG: 0 no Make, 2 no EXIF IFD or no maker note, 3 a maker note another maker's software
// wrote, 1 the camera's own.
int makerNoteCheck(ByteView jpeg);

// [SECTION] shared reading helpers
// Where a maker note's IFD lies and how its offsets and numbers are read.
struct MakerNoteIfd {
    int64_t start = 0;   // first byte of the maker note (its header, when it has one)
    int64_t ifdPos = 0;  // absolute; 0 = not found
    int64_t base = 0;    // value offsets are relative to this
    bool le = true;
};
// The value bytes of one tag: absolute position, element count and element size.
struct TagData {
    int64_t pos = -1;
    uint32_t count = 0;
    int size = 0;
    uint16_t type = 0;
    bool found() const { return pos >= 0; }
};

std::string makeOf(ByteView b, const ExifSummary& s);   // trimmed
std::string modelOf(ByteView b, const ExifSummary& s);
bool startsWithNoCase(const std::string& s, const char* prefix);
bool containsNoCase(const std::string& s, const char* what);

// Where the maker note begins: the EXIF MakerNote, else the maker note a raw converter kept in
// DNGPrivateData. *base receives the TIFF base its offsets were written against, *le the byte
// order of the surrounding TIFF. Returns 0 when there is none.
int64_t makerNoteStart(ByteView b, const ExifSummary& s, int64_t* base, bool* le);

// The bytes of a tag of the maker-note IFD; not found when missing, of unknown type, with a count
// outside 1..maxCount, or running past the buffer.
TagData tagData(ByteView b, const MakerNoteIfd& m, uint16_t tag, uint32_t maxCount = 65535);
// Element i as a number (signed for SSHORT/SLONG/SBYTE); def when i is beyond the count.
int64_t tagInt(ByteView b, const MakerNoteIfd& m, const TagData& t, uint32_t i, int64_t def = -1);
// First value of a tag, or def when it is missing.
int64_t tagFirst(ByteView b, const MakerNoteIfd& m, uint16_t tag, int64_t def = -1);
// An ASCII or UNDEFINED tag as text: cut at the first NUL, trimmed; at most 256 bytes.
std::string tagText(ByteView b, const MakerNoteIfd& m, uint16_t tag);
// A rational tag as a double (0 when absent or the denominator is 0).
double tagRational(ByteView b, const MakerNoteIfd& m, uint16_t tag, uint32_t index = 0);
// A signed 16-bit array element: only when the array has more than i elements.
int tagShort(ByteView b, const MakerNoteIfd& m, const TagData& t, uint32_t i, int def = -1);
// The IFD of a sub-directory tag (an IFD pointer or a block holding an IFD), absolute.
int64_t subIfdPos(ByteView b, const MakerNoteIfd& m, uint16_t tag);

// [SECTION] value tables
struct CodeText {
    int code;
    const char* text;
};
template <size_t N>
std::string lookup(const CodeText (&table)[N], int64_t code) {
    for (const CodeText& c : table)
        if (c.code == code) return c.text;
    return {};
}

// The AF box turned from sensor to the displayed image by EXIF orientation (3, 6, 8).
void turnBox(int orientation, double* u, double* v, double* w, double* h);
// A 1-based point in a w x h sensor frame turned likewise; the frame swaps for 6 and 8.
void turnPoint(int orientation, int* x, int* y, int* w, int* h);
// Stores a pixel AF point with its frame, turned to the displayed image; keeps an earlier one.
void setAfPointPixels(ShotInfo* s, int orientation, int x, int y, int frameW, int frameH);
std::string trimText(const std::string& s);

// [SECTION] the decoders (one file per maker)
bool decodePanasonic(ByteView b, const ExifSummary& s, ShotInfo* out);
bool quickPanasonic(ByteView b, const ExifSummary& s, PhotoMeta* out);
bool decodeFujifilm(ByteView b, const ExifSummary& s, ShotInfo* out);
bool quickFujifilm(ByteView b, const ExifSummary& s, PhotoMeta* out);
bool decodeCanon(ByteView b, const ExifSummary& s, ShotInfo* out);
bool quickCanon(ByteView b, const ExifSummary& s, PhotoMeta* out);
bool decodeRicoh(ByteView b, const ExifSummary& s, ShotInfo* out);
bool quickRicoh(ByteView b, const ExifSummary& s, PhotoMeta* out);
Bytes thumbRicoh(PhotoFile& f, ByteView head);
bool decodeOlympus(ByteView b, const ExifSummary& s, ShotInfo* out);
bool quickOlympus(ByteView b, const ExifSummary& s, PhotoMeta* out);
Bytes thumbOlympus(PhotoFile& f, ByteView head);
// The Olympus / OM System note's IFD (for the ORF preview in sub-IFD 0x2020).
bool olympusMakerNote(ByteView b, const ExifSummary& s, MakerNoteIfd* m);
bool decodeSony(ByteView b, const ExifSummary& s, ShotInfo* out);
bool quickSony(ByteView b, const ExifSummary& s, PhotoMeta* out);
bool decodeNikon(ByteView b, const ExifSummary& s, ShotInfo* out);
bool quickNikon(ByteView b, const ExifSummary& s, PhotoMeta* out);
Bytes thumbNikon(PhotoFile& f, ByteView head);
// The JPEG the Nikon maker note's preview IFD (0x0011) points at, as a file range; the IFD is read
// from file (when given) if it lies past the head. A NEF preview candidate as well as the thumbnail.
bool nikonPreviewRange(ByteView head, const ExifSummary& s, PhotoFile* file, uint64_t* offset, uint64_t* length);
bool decodeSigma(ByteView b, const ExifSummary& s, ShotInfo* out);
bool quickSigma(ByteView b, const ExifSummary& s, PhotoMeta* out);
bool decodePentax(ByteView b, const ExifSummary& s, ShotInfo* out);
bool quickPentax(ByteView b, const ExifSummary& s, PhotoMeta* out);
Bytes thumbPentax(PhotoFile& f, ByteView head);
// The Pentax tag set, which Ricoh's GR bodies share (with their own focus texts).
void pentaxTags(ByteView b, const MakerNoteIfd& m, bool ricoh, ShotInfo* out);
std::string pentaxFocusText(ByteView b, const MakerNoteIfd& m, bool ricoh);
std::string pentaxDriveText(ByteView b, const MakerNoteIfd& m);
bool decodeLeica(ByteView b, const ExifSummary& s, ShotInfo* out);
bool quickLeica(ByteView b, const ExifSummary& s, PhotoMeta* out);
Bytes previewLeica(PhotoFile& f, ByteView head);
bool decodeHasselblad(ByteView b, const ExifSummary& s, ShotInfo* out);
bool quickHasselblad(ByteView b, const ExifSummary& s, PhotoMeta* out);
Bytes thumbHasselblad(PhotoFile& f, ByteView head);

// Reads (offset, length) of the file into bytes, the length bounded before allocation; empty
// when it does not fit in the file, is outside [minLen, maxLen] or does not begin with SOI.
Bytes readJpegFromFile(PhotoFile& f, ByteView head, uint64_t offset, uint64_t length, uint64_t minLen,
                       uint64_t maxLen);
// The EXIF summary of a head as the container table locates it (for the hooks).
bool summaryOfHead(ByteView head, ExifSummary* s);
// Text of a key, or its English default while the table lacks it.
std::string metaText(const char* key, const char* fallback);

}  // namespace lv
