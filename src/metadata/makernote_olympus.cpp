// Olympus maker notes.
#include "metadata/makernote.h"

namespace lv {

bool decodeOlympus(ByteView, const ExifSummary&, ShotInfo*) { return false; }
bool quickOlympus(ByteView, const ExifSummary&, PhotoMeta*) { return false; }

}  // namespace lv
namespace lv { Bytes thumbOlympus(PhotoFile&, ByteView) { return {}; } }
