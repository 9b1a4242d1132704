// Writes small but valid TIFF structures for the metadata tests: IFD chains, SubIFDs, EXIF
// IFDs, out-of-line values and embedded blobs, in either byte order.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace lvtest {

struct TEntry {
    uint16_t tag = 0, type = 0;
    uint32_t count = 0;
    std::string raw;           // value bytes in the TIFF's byte order (inline when <= 4)
    std::vector<int> ifdRefs;  // LONG values: offsets of these IFDs (relative to the TIFF start)
    int blobRef = -1;          // LONG value: offset of this blob
    bool rawOffset = false;    // raw holds a 4-byte value offset written as is
};

inline TEntry makeEntry(uint16_t tag, uint16_t type, uint32_t count) {
    TEntry e;
    e.tag = tag, e.type = type, e.count = count;
    return e;
}

struct TIfd {
    std::vector<TEntry> entries;
    int next = -1;  // index of the next IFD of the chain
};

struct Tiff {
    bool le = true;
    uint16_t magic = 42;
    std::string afterHeader;  // bytes right after the 8-byte header ("CR\x02\0..." for CR2)
    std::string customHeader;  // replaces the standard header; IFD0 follows it directly
    std::vector<TIfd> ifds;
    std::vector<std::string> blobs;
    std::vector<uint64_t> blobAt;  // filled by build(): offset of each blob
    uint64_t padBeforeBlobs = 0;   // zero bytes between the IFDs and the blobs

    int addIfd() {
        ifds.emplace_back();
        return int(ifds.size()) - 1;
    }
    int addBlob(std::string b) {
        blobs.push_back(std::move(b));
        return int(blobs.size()) - 1;
    }

    std::string u16(uint32_t v) const {
        std::string s(2, '\0');
        s[le ? 0 : 1] = char(v & 0xFF);
        s[le ? 1 : 0] = char((v >> 8) & 0xFF);
        return s;
    }
    std::string u32(uint32_t v) const {
        std::string s(4, '\0');
        for (int i = 0; i < 4; i++) s[size_t(le ? i : 3 - i)] = char((v >> (8 * i)) & 0xFF);
        return s;
    }

    // [SECTION] entry helpers
    void shorts(int ifd, uint16_t tag, std::initializer_list<uint32_t> v) {
        TEntry e = makeEntry(tag, 3, uint32_t(v.size()));
        for (uint32_t x : v) e.raw += u16(x);
        ifds[size_t(ifd)].entries.push_back(e);
    }
    void longs(int ifd, uint16_t tag, std::initializer_list<uint32_t> v) {
        TEntry e = makeEntry(tag, 4, uint32_t(v.size()));
        for (uint32_t x : v) e.raw += u32(x);
        ifds[size_t(ifd)].entries.push_back(e);
    }
    void ascii(int ifd, uint16_t tag, const std::string& text) {
        TEntry e = makeEntry(tag, 2, uint32_t(text.size() + 1));
        e.raw = text + '\0';
        ifds[size_t(ifd)].entries.push_back(e);
    }
    void undefined(int ifd, uint16_t tag, const std::string& bytes) {
        TEntry e = makeEntry(tag, 7, uint32_t(bytes.size()));
        e.raw = bytes;
        ifds[size_t(ifd)].entries.push_back(e);
    }
    void rational(int ifd, uint16_t tag, std::initializer_list<std::pair<uint32_t, uint32_t>> v, uint16_t type = 5) {
        TEntry e = makeEntry(tag, type, uint32_t(v.size()));
        for (auto [n, d] : v) e.raw += u32(n) + u32(d);
        ifds[size_t(ifd)].entries.push_back(e);
    }
    void ifdPointer(int ifd, uint16_t tag, std::vector<int> targets) {
        TEntry e = makeEntry(tag, 4, uint32_t(targets.size()));
        e.ifdRefs = std::move(targets);
        ifds[size_t(ifd)].entries.push_back(e);
    }
    void blobOffset(int ifd, uint16_t tag, int blob) {
        TEntry e = makeEntry(tag, 4, 1);
        e.blobRef = blob;
        ifds[size_t(ifd)].entries.push_back(e);
    }
    // A raw entry: tag, type, count and the 4 value bytes exactly as given.
    void rawEntry(int ifd, uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
        TEntry e = makeEntry(tag, type, count);
        e.raw = u32(value);
        e.rawOffset = true;
        ifds[size_t(ifd)].entries.push_back(e);
    }
    // JPEGInterchangeFormat/Length of a blob.
    void jpegTags(int ifd, int blob) {
        blobOffset(ifd, 0x0201, blob);
        longs(ifd, 0x0202, {uint32_t(blobs[size_t(blob)].size())});
    }

    // [SECTION] layout
    std::string build() {
        std::string head = customHeader;
        if (head.empty()) head = std::string(le ? "II" : "MM") + u16(magic) + u32(0) + afterHeader;
        std::vector<uint64_t> ifdAt(ifds.size()), dataAt(ifds.size());
        uint64_t pos = head.size();
        for (size_t i = 0; i < ifds.size(); i++) {
            ifdAt[i] = pos;
            pos += 2 + 12 * ifds[i].entries.size() + 4;
            dataAt[i] = pos;
            for (const TEntry& e : ifds[i].entries) pos += outOfLine(e);
        }
        pos += padBeforeBlobs;
        blobAt.assign(blobs.size(), 0);
        for (size_t i = 0; i < blobs.size(); i++) {
            blobAt[i] = pos;
            pos += blobs[i].size();
        }
        std::string out = head;
        if (customHeader.empty() && !ifds.empty()) out.replace(4, 4, u32(uint32_t(ifdAt[0])));
        for (size_t i = 0; i < ifds.size(); i++) {
            std::string data;
            out += u16(uint32_t(ifds[i].entries.size()));
            for (const TEntry& e : ifds[i].entries) {
                std::string value = valueBytes(e, ifdAt);
                out += u16(e.tag) + u16(e.type) + u32(e.count);
                if (e.rawOffset || value.size() <= 4) {
                    value.resize(4, '\0');
                    out += value;
                } else {
                    out += u32(uint32_t(dataAt[i] + data.size()));
                    data += value;
                }
            }
            out += u32(ifds[i].next >= 0 ? uint32_t(ifdAt[size_t(ifds[i].next)]) : 0);
            out += data;
        }
        out.append(size_t(padBeforeBlobs), '\0');
        for (const std::string& b : blobs) out += b;
        return out;
    }

private:
    uint64_t outOfLine(const TEntry& e) const {
        if (e.rawOffset) return 0;
        uint64_t n = e.ifdRefs.empty() ? e.raw.size() : 4 * e.ifdRefs.size();
        if (e.blobRef >= 0) n = 4;
        return n > 4 ? n : 0;
    }
    std::string valueBytes(const TEntry& e, const std::vector<uint64_t>& ifdAt) const {
        if (e.blobRef >= 0) return u32(uint32_t(blobAt[size_t(e.blobRef)]));
        if (!e.ifdRefs.empty()) {
            std::string s;
            for (int r : e.ifdRefs) s += u32(uint32_t(ifdAt[size_t(r)]));
            return s;
        }
        return e.raw;
    }
};

// A JPEG that carries only what the locators look at: SOI, a frame header of the given size and
// marker, filler, EOI; exactly totalBytes long (at least 24).
inline std::string fakeJpeg(int width, int height, size_t totalBytes = 2048, int sof = 0xC0) {
    std::string s = "\xFF\xD8\xFF";
    s += char(sof);
    s += std::string("\x00\x11\x08", 3);
    s += char(height >> 8), s += char(height & 0xFF), s += char(width >> 8), s += char(width & 0xFF);
    s += std::string("\x03\x01\x22\x00\x02\x11\x01\x03\x11\x01", 10);
    if (totalBytes < s.size() + 2) totalBytes = s.size() + 2;
    s.append(totalBytes - s.size() - 2, '\x55');
    s += "\xFF\xD9";
    return s;
}

inline std::string be32(uint32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; i++) s[size_t(i)] = char((v >> (8 * (3 - i))) & 0xFF);
    return s;
}
inline std::string le32(uint32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; i++) s[size_t(i)] = char((v >> (8 * i)) & 0xFF);
    return s;
}

}  // namespace lvtest
