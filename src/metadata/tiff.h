// Reading TIFF/EXIF structures and JPEG marker segments out of an in-memory byte buffer.
//
// Everything here is defensive: a read that falls outside the buffer yields 0 (or "not found",
// or an empty string) instead of failing, so a truncated or corrupt file gives less information,
// never a crash. Nothing here opens files; preview.h reads the file head and says where the TIFF
// structures of each container lie.
//
// Offsets are 0-based byte positions in the buffer (int64_t, so that base + stored offset can
// never wrap). Offsets stored inside a TIFF are relative to its base, the position of its
// "II"/"MM" header; the caller adds the base before calling these functions.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lv {

using Bytes = std::vector<uint8_t>;

// A non-owning view of an immutable byte buffer.
struct ByteView {
    const uint8_t* data = nullptr;
    size_t size = 0;
    ByteView() = default;
    ByteView(const uint8_t* d, size_t n) : data(d), size(n) {}
    ByteView(const Bytes& b) : data(b.data()), size(b.size()) {}
    ByteView(const std::string& s) : data(reinterpret_cast<const uint8_t*>(s.data())), size(s.size()) {}
    ByteView(std::string_view s) : data(reinterpret_cast<const uint8_t*>(s.data())), size(s.size()) {}
    int64_t length() const { return int64_t(size); }
    // True when [pos, pos + len) lies wholly inside the buffer.
    bool has(int64_t pos, int64_t len) const { return pos >= 0 && len >= 0 && pos <= length() && len <= length() - pos; }
};

// [SECTION] integer readers: out-of-range reads return 0
uint8_t readByte(ByteView b, int64_t pos);
uint16_t readU16(ByteView b, int64_t pos, bool littleEndian);
int16_t readI16(ByteView b, int64_t pos, bool littleEndian);
uint32_t readU32(ByteView b, int64_t pos, bool littleEndian);
int32_t readI32(ByteView b, int64_t pos, bool littleEndian);
// True when the bytes at pos equal s (false when they run past the buffer).
bool bytesAt(ByteView b, int64_t pos, std::string_view s);
// The byte order of a TIFF header at pos: true for "II".
inline bool tiffLittleEndian(ByteView b, int64_t pos) { return bytesAt(b, pos, "II"); }

// [SECTION] IFD walking (ifdPos and entryPos absolute in the buffer)
inline constexpr int kMaxIfdEntries = 1024;  // more than this is a corrupt IFD
// Entry count of the IFD at ifdPos; 0 when unreadable or above kMaxIfdEntries.
int ifdEntryCount(ByteView b, int64_t ifdPos, bool littleEndian);
// Position of entry i (ifdPos + 2 + 12 i), or 0 when ifdPos < 0 or the 12 bytes are not all inside.
int64_t ifdEntryPos(ByteView b, int64_t ifdPos, int i);
// Position of the first entry with this tag (walk stops at the first entry outside the buffer); 0 if none.
int64_t findTag(ByteView b, int64_t ifdPos, bool littleEndian, uint16_t tag);
uint16_t entryTag(ByteView b, int64_t entryPos, bool littleEndian);
uint16_t entryType(ByteView b, int64_t entryPos, bool littleEndian);
uint32_t entryCount(ByteView b, int64_t entryPos, bool littleEndian);
// First value by type: BYTE/ASCII/SBYTE/UNDEFINED the byte at +8, SHORT/SSHORT the u16 at +8,
// anything else the u32 at +8 (for RATIONAL and wider types that is the value offset).
// 0 unless the whole entry lies inside the buffer.
uint32_t entryValue(ByteView b, int64_t entryPos, bool littleEndian);
// Byte size of one value of a TIFF type (0 for unknown types).
int tiffTypeSize(uint16_t type);
// Absolute position of an entry's value bytes: inline at +8 when they fit in 4 bytes, else
// base + value offset. -1 for an unknown type or a count whose bytes would exceed 2^31.
int64_t entryDataPos(ByteView b, int64_t base, int64_t entryPos, bool littleEndian);
// The u32 after the last entry (the next IFD offset, relative to the TIFF base); 0 when the count
// is unreadable or above kMaxIfdEntries. An IFD with no entries keeps its link.
uint32_t nextIfd(ByteView b, int64_t ifdPos, bool littleEndian);
// An ASCII entry with count 2..64: inline for count <= 4, else at base + offset; cut at the first
// NUL, trimmed of spaces; empty for any other count or when the bytes run past the buffer.
std::string stringValue(ByteView b, int64_t base, int64_t entryPos, bool littleEndian);
// u32 numerator at pos, u32 denominator at pos + 4; 0 when the denominator is 0 or out of range.
double readRational(ByteView b, int64_t pos, bool littleEndian);

// [SECTION] EXIF summary
// Text stored in the buffer: absolute position and byte count (count 0 = absent).
// Positions are absolute rather than TIFF-relative because the EXIF IFD of some containers lives
// in a separate TIFF block with its own base.
struct StringRef {
    int64_t pos = 0;
    uint32_t count = 0;
};
// The text of a reference: count bytes (only when all lie inside the buffer), cut at the first
// NUL and trimmed of spaces.
std::string refText(ByteView b, StringRef r);

struct ExifSummary {
    int64_t tiffBase = -1;
    bool littleEndian = false;
    int64_t ifd0Pos = 0;          // absolute; 0 when absent
    int64_t exifIfdPos = 0;       // absolute; 0 when absent
    int64_t exifBase = -1;        // base for value offsets of the EXIF IFD (tiffBase or the separate block)
    bool exifLittleEndian = false;
    int64_t makerNotePos = 0;     // absolute position of the maker-note data, 0 when absent
    int64_t makerNoteBase = -1;   // base that maker-note offsets are relative to (initially tiffBase)
    uint32_t makerNoteLength = 0; // byte count of the MakerNote entry (0 for a separate block)
    bool makerNoteLittleEndian = false;  // byte order of the TIFF the maker note sits in
    StringRef make, model, software;
    StringRef lensModel, lensMake, bodySerial;
    StringRef dateTimeOriginal;
    int subSecCount = 0;
    int64_t subSecOffset = 0;     // absolute, when subSecCount > 4
    uint32_t subSecInline = 0;    // the inline bytes in file order (little-endian u32), count 1..4
    uint32_t exposureTimeNum = 0, exposureTimeDen = 0;
    uint32_t fNumberNum = 0, fNumberDen = 0;
    int32_t exposureBiasNum = 0, exposureBiasDen = 0;
    uint32_t focalLengthNum = 0, focalLengthDen = 0;
    int iso = 0;
    int meteringMode = -1;
    int focalLength35 = 0;
    int pixelWidth = 0;
    int pixelHeight = 0;
    double lensSpec[4] = {0, 0, 0, 0};
};

// Fills *out from the TIFF the container (formatIndex, see preview.h) locates in buf, with its
// separate EXIF and maker-note blocks where the container has them. True when a TIFF header was
// found and IFD0 has at least one entry. formatIndex -1 reads a TIFF at offset 0.
bool readExifSummary(ByteView buf, int formatIndex, ExifSummary* out);
// EXIF Orientation (0x0112) from IFD0 of the container's orientation TIFF; 1 when absent or
// unreadable (values outside 1..8 also give 1).
int readOrientation(ByteView buf, int formatIndex);
// Orientation from IFD0 of a TIFF at tiffBase (1 when absent, unreadable or outside 1..8).
int readOrientationAt(ByteView buf, int64_t tiffBase);
// Sets the Orientation of a JPEG's EXIF IFD0 in place (a picture turned upright says 1, or other
// viewers turn it again). True when it was set or the JPEG has none to set.
bool setJpegOrientation(Bytes* jpeg, int value);
// Sub-second text of a summary (inline bytes up to the first NUL, or the referenced text).
std::string subSecText(ByteView buf, const ExifSummary& s);
// Seconds from 2000-01-01 00:00:00 counting real (Gregorian) days; 0 for unknown or invalid dates.
double captureSerial(std::string_view dateText, std::string_view subSecText);
// The serial of a summary (DateTimeOriginal with SubSecTimeOriginal).
double captureSerialOf(ByteView buf, const ExifSummary& s);

// [SECTION] JPEG segments (jpegStart: where the JPEG's SOI lies in buf)
struct Segment {
    int64_t pos = -1;    // payload position after the identifier; -1 when not found
    int64_t length = 0;  // payload length after the identifier (never below 0)
};
// APPn/COM search up to the first other segment; matches marker and identifier bytes.
Segment findJpegSegment(ByteView b, int64_t jpegStart, uint8_t marker, std::string_view identifier);
// TIFF base of the "Exif\0\0" APP1, or -1.
int64_t findExifTiff(ByteView b, int64_t jpegStart);
// The XMP packet of the APP1 named by the XMP namespace; empty when absent or running past the buffer.
std::string findXmpPacket(ByteView b, int64_t jpegStart);
inline constexpr std::string_view kXmpNamespace = "http://ns.adobe.com/xap/1.0/";

struct FrameSize {
    int marker = 0;  // the start-of-frame marker (0xC0 baseline, 0xC2 progressive ...); 0 = not found
    int width = 0;
    int height = 0;
};
// Frame header of the JPEG at start (give it at most the first 4096 bytes of a candidate).
FrameSize jpegFrameSize(ByteView b, int64_t start);

}  // namespace lv
