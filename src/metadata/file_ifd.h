// TIFF directories read from the file rather than the head: the preview rules follow IFD chains
// and SubIFDs that may lie anywhere in a RAW file. Internal to the preview code.
#pragma once
#include <cstdint>
#include <vector>

#include "metadata/preview.h"

namespace lv {

inline constexpr int kMaxChainIfds = 8;
inline constexpr int kMaxSubIfds = 16;

// One IFD as read from the file: its entries and the link that follows them.
struct FileIfd {
    uint64_t pos = 0;   // file offset of the entry count
    bool le = true;
    uint64_t base = 0;  // offsets stored in it are relative to this file offset
    Bytes bytes;        // count, entries, next-IFD link
    int count = 0;
};
// Reads the IFD at base + offset; false when unreadable or its count is not 1..1024.
bool readFileIfd(PhotoFile& f, ByteView head, uint64_t base, uint64_t offset, bool le, FileIfd* out);
// Entry position inside ifd.bytes of the first entry with this tag, or 0.
int64_t fileIfdFind(const FileIfd& ifd, uint16_t tag);
// First value of a tag (entryValue rules); def when absent.
int64_t fileIfdValue(const FileIfd& ifd, uint16_t tag, int64_t def = -1);
uint32_t fileIfdCount(const FileIfd& ifd, uint16_t tag);
// The next-IFD link (relative to base), 0 when none.
uint32_t fileIfdNext(const FileIfd& ifd);
// SubIFD offsets (0x014A), at most maxCount, 1..16 accepted; empty otherwise.
std::vector<uint32_t> fileIfdSubIfds(PhotoFile& f, ByteView head, const FileIfd& ifd, int maxCount);
// The IFD0 offset of a TIFF at file offset 0 as it lies in the file (the head's copy may have
// been re-pointed to an IFD appended to the head).
uint32_t fileIfd0Offset(const PhotoFile& f, ByteView head);
// IFD0 and the chain that follows it (each link only forwards and inside the file), at most
// kMaxChainIfds, plus each one's SubIFDs when withSubIfds. Order: IFD0, its SubIFDs, IFD1 ...
// chainIndex/subIndex name each for messages ("IFD1", "SubIFD0 of IFD0").
struct WalkedIfd {
    FileIfd ifd;
    int chainIndex = 0;
    int subIndex = -1;  // -1 for a chain IFD
};
std::vector<WalkedIfd> walkTiffIfds(PhotoFile& f, ByteView head, bool withSubIfds, int maxSubIfds = kMaxSubIfds);

// The JPEG candidate test used by NEF, PEF and 3FR: (offset, length) of a JPEG IFD, or false.
bool jpegCandidate(const FileIfd& ifd, uint64_t* offset, uint64_t* length);

}  // namespace lv
