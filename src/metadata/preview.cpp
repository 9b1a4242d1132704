#include "metadata/preview.h"

namespace lv {

// First publication: the interface only; the container rules follow.
const std::vector<ContainerFormat>& containerFormats() {
    static const std::vector<ContainerFormat> table;
    return table;
}
int containerCount() { return int(containerFormats().size()); }
const char* containerLabel(int i) { return i >= 0 && i < containerCount() ? containerFormats()[size_t(i)].label : ""; }
int identifyContainer(ByteView) { return -1; }
int64_t locateTiff(ByteView, int) { return -1; }
void locateSecondaryBlocks(ByteView, int, int64_t* e, int64_t* m) { *e = *m = -1; }
int64_t locateOrientationTiff(ByteView, int) { return 0; }
bool isTiffRaw(ByteView) { return false; }
WinErr photoOpen(std::string_view, PhotoFile*) { return kErrNotSupported; }
PhotoFile photoFromMemory(ByteView b) { PhotoFile f; f.memory = b; f.size = b.size; return f; }
void photoClose(PhotoFile*) {}
bool readRange(PhotoFile&, ByteView, uint64_t, uint64_t, Bytes* out) { out->clear(); return false; }
void addMainPreviewHook(PreviewHook) {}
void addThumbnailHook(PreviewHook) {}
std::vector<PreviewHook> mainPreviewHooks() { return {}; }
std::vector<PreviewHook> thumbnailHooks() { return {}; }
PreviewResult extractPreview(std::string_view) { return {}; }
PreviewResult extractPreviewFrom(PhotoFile&) { return {}; }
bool readHead(PhotoFile&, Bytes*) { return false; }
Bytes extractThumbnail(std::string_view) { return {}; }
Bytes extractThumbnailFrom(PhotoFile&) { return {}; }
std::vector<EmbeddedImage> listEmbeddedImages(PhotoFile&, ByteView, int) { return {}; }
Bytes rgbStripTiff(PhotoFile&, ByteView, int) { return {}; }
Bytes synthesiseRgbTiff(ByteView, int, int, int) { return {}; }
Bytes fallbackScan(PhotoFile&) { return {}; }

}  // namespace lv
