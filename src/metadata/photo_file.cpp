// Reading a photo: the head, its growth where IFD0 or the EXIF IFD lies beyond it, and the
// single reads of embedded images. Every byte that comes from the file is counted.
#include <cstring>

#include "metadata/file_ifd.h"
#include "metadata/preview.h"

namespace lv {

// [SECTION] files
WinErr photoOpen(std::string_view path, PhotoFile* out) {
    *out = PhotoFile();
    WinErr e = fileOpenRead(path, &out->handle);
    if (e) return e;
    e = fileSize(out->handle, &out->size);
    if (e) fileClose(&out->handle);
    return e;
}

PhotoFile photoFromMemory(ByteView bytes) {
    PhotoFile f;
    f.memory = bytes;
    f.size = bytes.size;
    return f;
}

void photoClose(PhotoFile* f) {
    if (f->handle.valid()) fileClose(&f->handle);
}

namespace {

// One read of the file itself (never from the head); false unless all len bytes arrived.
bool readFile(PhotoFile& f, uint64_t offset, uint64_t len, uint8_t* dst) {
    if (len == 0) return true;
    f.stats.calls++;
    if (!f.handle.valid()) {
        if (offset > f.memory.size || len > f.memory.size - offset) return false;
        std::memcpy(dst, f.memory.data + offset, size_t(len));
        f.stats.bytes += len;
        return true;
    }
    size_t got = 0;
    WinErr e = fileReadAt(f.handle, offset, dst, size_t(len), &got);
    f.stats.bytes += got;
    return e == 0 && got == len;
}

}  // namespace

bool readRange(PhotoFile& f, ByteView head, uint64_t offset, uint64_t length, Bytes* out) {
    out->clear();
    if (offset >= f.size) return false;
    if (length > f.size - offset) length = f.size - offset;
    if (length == 0 || length > kMaxReadBytes) return false;
    uint64_t own = f.headFileBytes < head.size ? f.headFileBytes : head.size;
    if (offset + length <= own) {
        out->assign(head.data + offset, head.data + offset + length);
        return true;
    }
    out->resize(size_t(length));
    if (!readFile(f, offset, length, out->data())) {
        out->clear();
        return false;
    }
    return true;
}

// [SECTION] head growth
namespace {

constexpr uint64_t kMaxIfdBytes = 2 + 12 * 1024 + 4;

void put32(Bytes& b, uint64_t pos, uint32_t v, bool le) {
    for (int i = 0; i < 4; i++) b[size_t(pos) + size_t(i)] = uint8_t(le ? v >> (8 * i) : v >> (8 * (3 - i)));
}

// True when the IFD at pos does not lie wholly inside the head.
bool ifdBeyondHead(ByteView head, uint64_t pos, bool le) {
    if (pos + 2 > head.size) return true;
    int n = readU16(head, int64_t(pos), le);
    return n <= kMaxIfdEntries && pos + 6 + 12 * uint64_t(n) > head.size;
}

// Appends the IFD at file offset pos to the head; returns its head position, 0 on failure.
// Out-of-line values that came with the same read are appended after it and re-pointed; the
// others are pointed past any buffer, so that no offset beyond the original head can land in
// the appended bytes and read them as something they are not.
uint64_t appendIfd(PhotoFile& f, Bytes* head, uint64_t pos, bool le) {
    uint64_t want = f.size - pos < kMaxIfdBytes ? f.size - pos : kMaxIfdBytes;
    Bytes ifd(static_cast<size_t>(want));
    if (!readFile(f, pos, want, ifd.data())) return 0;
    int n = readU16(ifd, 0, le);
    if (n < 1 || n > kMaxIfdEntries || want < 12 * uint64_t(n) + 6) return 0;
    uint64_t own = f.headFileBytes;
    uint64_t at = head->size();
    head->insert(head->end(), ifd.begin(), ifd.begin() + 12 * n + 6);
    for (int i = 0; i < n; i++) {
        uint64_t e = 2 + 12 * uint64_t(i);
        uint64_t bytes = uint64_t(tiffTypeSize(readU16(ifd, int64_t(e) + 2, le))) * readU32(ifd, int64_t(e) + 4, le);
        if (bytes <= 4) continue;
        uint64_t off = readU32(ifd, int64_t(e) + 8, le);
        if (off + bytes <= own) continue;  // the file's own bytes, already in the head
        uint32_t moved = 0xFFFFFFFFu;
        if (off >= pos && off + bytes <= pos + want && head->size() + bytes < 0x7FFFFFFFu) {
            moved = uint32_t(head->size());
            head->insert(head->end(), ifd.begin() + (off - pos), ifd.begin() + (off - pos + bytes));
        }
        put32(*head, at + e + 8, moved, le);
    }
    if (f.relocations < 2) {
        f.relocHead[f.relocations] = at;
        f.relocFile[f.relocations] = pos;
        f.relocations++;
    }
    return at;
}

// The EXIF IFD of a TIFF head, when it lies beyond the head: appended and re-pointed.
void growExifIfd(PhotoFile& f, Bytes* head, uint64_t ifd0, bool le) {
    int64_t e = findTag(*head, int64_t(ifd0), le, 0x8769);
    if (!e) return;
    uint64_t off = entryValue(*head, e, le);
    if (off <= 8 || off + 6 > f.size || !ifdBeyondHead(*head, off, le)) return;
    uint64_t at = appendIfd(f, head, off, le);
    if (at) put32(*head, uint64_t(e) + 8, uint32_t(at), le);
}

bool growTiffHead(PhotoFile& f, Bytes* head) {
    const Bytes& h = *head;
    if (h.size() < 8 || !((h[0] == 'I' && h[1] == 'I') || (h[0] == 'M' && h[1] == 'M'))) return false;
    bool le = h[0] == 'I';
    uint64_t ifd0 = readU32(h, 4, le);
    if (ifd0 < 8 || ifd0 + 6 > f.size) return false;
    if (!ifdBeyondHead(h, ifd0, le)) {
        // IFD0 is in the head but its EXIF IFD may not be: without it the shot information is lost.
        growExifIfd(f, head, ifd0, le);
        return true;
    }
    uint64_t at = appendIfd(f, head, ifd0, le);
    if (!at) return true;
    put32(*head, 4, uint32_t(at), le);
    growExifIfd(f, head, at, le);
    return true;
}

}  // namespace

bool readHead(PhotoFile& f, Bytes* head) {
    head->clear();
    f.headFileBytes = 0;
    f.relocations = 0;
    uint64_t n = f.size < kHeadSize ? f.size : kHeadSize;
    head->resize(size_t(n));
    if (!readFile(f, 0, n, head->data())) {
        head->clear();
        return false;
    }
    f.headFileBytes = n;
    if (growTiffHead(f, head)) return true;
    for (const ContainerFormat& c : containerFormats())
        if (c.headGrowth && c.signature(*head) && c.headGrowth(f, head)) break;
    return true;
}

// [SECTION] IFDs read from the file
bool readFileIfd(PhotoFile& f, ByteView head, uint64_t base, uint64_t offset, bool le, FileIfd* out) {
    *out = FileIfd();
    uint64_t pos = base + offset;
    if (pos < base || pos + 2 > f.size) return false;
    Bytes countBytes;
    // A copy appended to the head stands for the IFD at its file offset, read from there: the
    // copy's value offsets were re-pointed into the head.
    for (int i = 0; i < f.relocations; i++)
        if (base == 0 && f.relocHead[i] == pos) pos = f.relocFile[i];
    if (!readRange(f, head, pos, 2, &countBytes) || countBytes.size() != 2) return false;
    int n = readU16(countBytes, 0, le);
    if (n < 1 || n > kMaxIfdEntries) return false;
    // The link after the entries may be cut off by the end of the file; the entries may not.
    if (!readRange(f, head, pos, 2 + 12 * uint64_t(n) + 4, &out->bytes) || out->bytes.size() < 2 + 12 * size_t(n)) {
        out->bytes.clear();
        return false;
    }
    out->pos = pos;
    out->le = le;
    out->base = base;
    out->count = n;
    return true;
}

int64_t fileIfdFind(const FileIfd& ifd, uint16_t tag) { return findTag(ifd.bytes, 0, ifd.le, tag); }

int64_t fileIfdValue(const FileIfd& ifd, uint16_t tag, int64_t def) {
    int64_t e = fileIfdFind(ifd, tag);
    return e ? int64_t(entryValue(ifd.bytes, e, ifd.le)) : def;
}

uint32_t fileIfdCount(const FileIfd& ifd, uint16_t tag) {
    int64_t e = fileIfdFind(ifd, tag);
    return e ? entryCount(ifd.bytes, e, ifd.le) : 0;
}

uint32_t fileIfdNext(const FileIfd& ifd) { return readU32(ifd.bytes, 2 + 12 * int64_t(ifd.count), ifd.le); }

std::vector<uint32_t> fileIfdSubIfds(PhotoFile& f, ByteView head, const FileIfd& ifd, int maxCount) {
    std::vector<uint32_t> out;
    int64_t e = fileIfdFind(ifd, 0x014A);
    if (!e) return out;
    uint32_t n = entryCount(ifd.bytes, e, ifd.le);
    if (n < 1 || n > uint32_t(kMaxSubIfds)) return out;
    uint32_t take = n < uint32_t(maxCount) ? n : uint32_t(maxCount);
    if (n == 1) {
        out.push_back(readU32(ifd.bytes, e + 8, ifd.le));
        return out;
    }
    Bytes arr;
    uint64_t at = ifd.base + readU32(ifd.bytes, e + 8, ifd.le);
    if (!readRange(f, head, at, 4 * uint64_t(n), &arr) || arr.size() < 4 * size_t(n)) return out;
    for (uint32_t i = 0; i < take; i++) out.push_back(readU32(arr, 4 * int64_t(i), ifd.le));
    return out;
}

uint32_t fileIfd0Offset(const PhotoFile& f, ByteView head) {
    bool le = tiffLittleEndian(head, 0);
    uint32_t off = readU32(head, 4, le);
    for (int i = 0; i < f.relocations; i++)
        if (f.relocHead[i] == off) return uint32_t(f.relocFile[i]);
    return off;
}

std::vector<WalkedIfd> walkTiffIfds(PhotoFile& f, ByteView head, bool withSubIfds, int maxSubIfds) {
    std::vector<WalkedIfd> out;
    bool le = tiffLittleEndian(head, 0);
    uint64_t off = readU32(head, 4, le);  // may name an appended IFD, which readFileIfd maps back
    for (int chain = 0; chain < kMaxChainIfds && off; chain++) {
        WalkedIfd w;
        if (!readFileIfd(f, head, 0, off, le, &w.ifd)) break;
        w.chainIndex = chain;
        uint64_t here = w.ifd.pos;
        uint64_t next = fileIfdNext(w.ifd);
        std::vector<uint32_t> subs;
        if (withSubIfds) subs = fileIfdSubIfds(f, head, w.ifd, maxSubIfds);
        out.push_back(std::move(w));
        for (size_t i = 0; i < subs.size(); i++) {
            WalkedIfd s;
            if (!subs[i] || !readFileIfd(f, head, 0, subs[i], le, &s.ifd)) continue;
            s.chainIndex = chain;
            s.subIndex = int(i);
            out.push_back(std::move(s));
        }
        // Links only move forward, so a corrupt chain cannot loop.
        if (next <= here || next >= f.size) break;
        off = next;
    }
    return out;
}

bool jpegCandidate(const FileIfd& ifd, uint64_t* offset, uint64_t* length) {
    if (fileIfdValue(ifd, 0x0106) == 32803) return false;
    int64_t comp = fileIfdValue(ifd, 0x0103);
    if (comp != 6 && comp != 7) return false;
    int64_t off = fileIfdValue(ifd, 0x0201), len = fileIfdValue(ifd, 0x0202);
    if (off < 0 || len < 0) {
        if (fileIfdCount(ifd, 0x0111) != 1 || !fileIfdFind(ifd, 0x0117)) return false;
        off = fileIfdValue(ifd, 0x0111);
        len = fileIfdValue(ifd, 0x0117);
    }
    if (off < 1 || len < 1024 || len > int64_t(kMaxPreview64)) return false;
    *offset = ifd.base + uint64_t(off);
    *length = uint64_t(len);
    return true;
}

}  // namespace lv
