// Builds small little-endian TIFF/EXIF files with a maker note, so decoder tests state exactly
// the bytes a camera would have written.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace mnb {

struct Entry {
    uint16_t tag = 0;
    uint16_t type = 0;
    uint32_t count = 0;
    std::string data;  // the value bytes, little-endian
};

inline std::string u16(uint16_t v) { return std::string{char(v & 0xFF), char(v >> 8)}; }
inline std::string u32(uint32_t v) {
    return std::string{char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24)};
}
inline Entry ascii(uint16_t tag, const std::string& s) { return {tag, 2, uint32_t(s.size() + 1), s + std::string(1, '\0')}; }
inline Entry shorts(uint16_t tag, const std::vector<int>& v) {
    std::string d;
    for (int x : v) d += u16(uint16_t(x));
    return {tag, 3, uint32_t(v.size()), d};
}
inline Entry short1(uint16_t tag, int v) { return shorts(tag, {v}); }
inline Entry long1(uint16_t tag, uint32_t v) { return {tag, 4, 1, u32(v)}; }
inline Entry rational(uint16_t tag, uint32_t n, uint32_t d) { return {tag, 5, 1, u32(n) + u32(d)}; }
inline Entry srational(uint16_t tag, int32_t n, int32_t d) { return {tag, 10, 1, u32(uint32_t(n)) + u32(uint32_t(d))}; }
inline Entry undefined(uint16_t tag, const std::string& bytes) { return {tag, 7, uint32_t(bytes.size()), bytes}; }
inline Entry bytes(uint16_t tag, const std::vector<int>& v, uint16_t type = 7) {
    std::string d;
    for (int x : v) d += char(x);
    return {tag, type, uint32_t(v.size()), d};
}
inline Entry sshorts(uint16_t tag, const std::vector<int>& v) {
    Entry e = shorts(tag, v);
    e.type = 8;
    return e;
}
inline Entry rationals(uint16_t tag, const std::vector<std::pair<uint32_t, uint32_t>>& v) {
    std::string d;
    for (auto& r : v) d += u32(r.first) + u32(r.second);
    return {tag, 5, uint32_t(v.size()), d};
}

// An IFD placed at absolute position pos of a TIFF whose base is base: the entries (sorted by the
// caller), a zero next pointer, then the values that do not fit inline.
inline std::string ifd(std::vector<Entry> entries, uint32_t pos, uint32_t base = 0) {
    std::string head = u16(uint16_t(entries.size()));
    uint32_t dataPos = pos + 2 + 12 * uint32_t(entries.size()) + 4;
    std::string data;
    for (const Entry& e : entries) {
        head += u16(e.tag) + u16(e.type) + u32(e.count);
        if (e.data.size() <= 4) {
            std::string v = e.data;
            v.resize(4, '\0');
            head += v;
        } else {
            head += u32(dataPos + uint32_t(data.size()) - base);
            data += e.data;
            if (data.size() & 1) data += '\0';
        }
    }
    return head + u32(0) + data;
}

// A TIFF with IFD0 (Make, Model, Orientation, EXIF pointer) and an EXIF IFD holding exif plus a
// MakerNote whose bytes makeNote returns for the absolute position it will occupy.
inline std::string tiff(const std::string& make, const std::string& model, int orientation,
                        std::vector<Entry> exif, const std::function<std::string(uint32_t pos)>& makeNote) {
    std::string out = "II" + u16(42) + u32(8);
    // IFD0 has four entries; its size is fixed before the EXIF IFD position is known.
    std::vector<Entry> ifd0 = {ascii(0x010F, make), ascii(0x0110, model), short1(0x0112, orientation), long1(0x8769, 0)};
    uint32_t ifd0Size = uint32_t(ifd(ifd0, 8).size());
    uint32_t exifPos = 8 + ifd0Size;
    exifPos += exifPos & 1;
    ifd0[3] = long1(0x8769, exifPos);
    out += ifd(ifd0, 8);
    out.resize(exifPos, '\0');
    // The maker note is the last entry, so its value lands after every other out-of-line value.
    uint32_t notePos = exifPos + 2 + 12 * uint32_t(exif.size() + 1) + 4;
    for (const Entry& x : exif)
        if (x.data.size() > 4) notePos += uint32_t(x.data.size() + (x.data.size() & 1));
    std::string note = makeNote ? makeNote(notePos) : std::string();
    if (!note.empty()) exif.push_back(undefined(0x927C, note));
    out += ifd(exif, exifPos);
    return out;
}

}  // namespace mnb
