// Recognising a photo's container by its bytes and finding the JPEG the camera embedded in it.
//
// A file is read as its head (the first 256 KiB, grown where a TIFF directory lies beyond it)
// plus one read of exactly the preview's bytes; a RAW file is never read whole except by the
// last-resort scan. The container table gives, per container, where its TIFF structures lie (for
// readExifSummary in tiff.h) and how its preview is found.
//
// Thread safety: the table is built once (thread-safe static init) and only read afterwards;
// every extraction opens and closes its own file. The vendor hook lists are filled once at
// start-up (addMainPreviewHook / addThumbnailHook) and read under a lock.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "metadata/tiff.h"
#include "platform/platform.h"

namespace lv {

inline constexpr uint64_t kHeadSize = 262144;            // head read for recognition and metadata
inline constexpr uint64_t kThumbHeadSize = 65536;        // first read of extractThumbnail
inline constexpr uint64_t kMinPreviewBytes = 16;         // shorter results count as none
inline constexpr uint64_t kMaxPreview16 = 16u << 20;     // per-container preview limits
inline constexpr uint64_t kMaxPreview64 = 64u << 20;
inline constexpr uint64_t kMaxReadBytes = 256u << 20;    // no single read is ever larger
// How far into a file the last-resort scan looks for a JPEG's start and end. Cameras write their
// previews ahead of the raw data: across the corpus the last embedded preview of a RAW file ends
// by byte 491,626 (a CR3's PRVW box; 456,529 for a CR2) and no scan finds a JPEG start past byte
// 135,960, while the full-size previews of 100-megapixel bodies stay under 16 MB. A broken or
// hostile file of any size (a 30 GB sparse "CR2") costs at most this much reading.
inline constexpr uint64_t kFallbackScanBytes = 64u << 20;

// [SECTION] reading a photo file
// Bytes and read calls against the file itself (head reads included), for the benchmark.
struct ReadStats {
    uint64_t bytes = 0;
    uint32_t calls = 0;
};
// An open photo: a platform file, or a byte buffer standing in for one (tests, fuzzing).
struct PhotoFile {
    FileHandle handle;
    ByteView memory;        // used when handle is not valid
    uint64_t size = 0;
    ReadStats stats;
    // Set by readHead: how many leading head bytes are the file's own (the rest was appended by
    // head growth), and which appended IFDs stand for which file offsets.
    uint64_t headFileBytes = 0;
    int relocations = 0;
    uint64_t relocHead[2] = {0, 0};
    uint64_t relocFile[2] = {0, 0};
};
WinErr photoOpen(std::string_view path, PhotoFile* out);
PhotoFile photoFromMemory(ByteView bytes);
void photoClose(PhotoFile* f);
// Reads (offset, length) clamped to the end of the file: from the head when the bytes lie inside
// it, else with one read of the file. False (and *out empty) when nothing could be read, the
// offset is past the end, or the length exceeds kMaxReadBytes.
bool readRange(PhotoFile& f, ByteView head, uint64_t offset, uint64_t length, Bytes* out);

// [SECTION] container table
// One embedded image as found in a file, for `lumivore info` and the benchmark.
struct EmbeddedImage {
    std::string source;   // "IFD0 JPEGInterchangeFormat", "SubIFD1 strip", "CR3 PRVW" ...
    uint64_t offset = 0;  // in the file
    uint64_t length = 0;
    int width = 0;        // from the JPEG frame header (0 when none; RGB strips: the strip size)
    int height = 0;
    int marker = 0;       // start-of-frame marker, 0 for non-JPEG data
};

struct ContainerFormat {
    const char* label;       // "CR3", "NEF/NRW" ...
    const char* extensions;  // ".NEF;.NRW"
    bool (*signature)(ByteView head);
    // TIFF base in the head, or -1.
    int64_t (*tiffLocator)(ByteView head);
    // The container's own preview rule; *where (may be null) receives what was picked.
    Bytes (*previewLocator)(PhotoFile& f, ByteView head, EmbeddedImage* where);
    // Optional (null: the TIFF at offset 0).
    int64_t (*orientationLocator)(ByteView head);
    // Optional: separate EXIF and maker-note TIFF blocks (each -1 when absent).
    void (*secondaryLocator)(ByteView head, int64_t* exifBlock, int64_t* makerNoteBlock);
    // Optional: the small embedded thumbnail as (offset, length) in the head; false when none.
    bool (*thumbnailLocator)(ByteView head, int64_t* offset, int64_t* length);
    // Optional: grows the head (X3F appends its directory's JPEG head); true when it did.
    bool (*headGrowth)(PhotoFile& f, Bytes* head);
};
// The table in recognition order: 3FR/FFF, DNG, ORF, ARW/ARQ, CR2, CR3, NEF/NRW, PEF, RAF,
// RW2/RWL, X3F, JPEG.
const std::vector<ContainerFormat>& containerFormats();
int containerCount();
// The label of a format index, "" for -1 or out of range.
const char* containerLabel(int formatIndex);
// Index of the first container whose signature accepts the head, or -1.
int identifyContainer(ByteView head);
int64_t locateTiff(ByteView head, int formatIndex);
void locateSecondaryBlocks(ByteView head, int formatIndex, int64_t* exifBlock, int64_t* makerNoteBlock);
int64_t locateOrientationTiff(ByteView head, int formatIndex);
// The TIFF-RAW check: >= 16 bytes, "II"/"MM", 42, IFD0 offset positive.
bool isTiffRaw(ByteView head);

// [SECTION] vendor hooks (filled by the maker-note registry)
// A hook reads what it needs with readRange(file, head, ...) and returns the encoded image
// (beginning 0xFF 0xD8) or nothing. file.size is the file size; head is the (grown) head.
using PreviewHook = Bytes (*)(PhotoFile& file, ByteView head);
// Main-preview hooks run before the container's own locator; thumbnail hooks are tried by the
// thumbnail builder after extractThumbnail. Call once per hook at start-up, in registration order.
void addMainPreviewHook(PreviewHook hook);
void addThumbnailHook(PreviewHook hook);
std::vector<PreviewHook> mainPreviewHooks();
std::vector<PreviewHook> thumbnailHooks();

// [SECTION] extraction
struct PreviewResult {
    Bytes preview;          // the complete encoded image (JPEG or synthesised TIFF), or empty
    Bytes head;             // the (grown) head; empty when the head read came back short
    int formatIndex = -1;
    EmbeddedImage picked;   // where the preview came from (source "hook"/"fallback" for those)
    ReadStats stats;
    WinErr error = 0;       // open/size failure; 0 when the file was read (even with no preview)
    uint64_t headTicks = 0; // perfCounter ticks spent opening the file, reading its head and
                            // recognising the container (the rest locates and reads the preview)
};
PreviewResult extractPreview(std::string_view path);
// The same pipeline on a file already open (or in memory); does not close it.
PreviewResult extractPreviewFrom(PhotoFile& f);
// Reads the head of a file (first min(size, 256 KiB) bytes) and grows it as extractPreview
// does. False when the read came back short.
bool readHead(PhotoFile& f, Bytes* head);

// The small embedded thumbnail (CR3 THMB, DNG small JPEG IFD, else EXIF IFD1), or empty.
Bytes extractThumbnail(std::string_view path);
Bytes extractThumbnailFrom(PhotoFile& f);

// Every embedded image the container rules can see (for `lumivore info`).
std::vector<EmbeddedImage> listEmbeddedImages(PhotoFile& f, ByteView head, int formatIndex);

// [SECTION] helpers shared with the maker-note decoders
// The uncompressed 8-bit RGB strip preview of a 3FR/FFF file, wrapped into a baseline TIFF,
// each pixel the rounded mean of a reduction x reduction block (1 = full size). Empty when none.
Bytes rgbStripTiff(PhotoFile& f, ByteView head, int reduction);
// Wraps width x height x 3 bytes of RGB into a little-endian baseline TIFF, reduced as above.
Bytes synthesiseRgbTiff(ByteView rgb, int width, int height, int reduction);
// The last-resort scan over the first kFallbackScanBytes of the file (see preview.cpp); empty
// when nothing qualifies.
Bytes fallbackScan(PhotoFile& f);

}  // namespace lv
