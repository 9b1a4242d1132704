// Panasonic maker notes.
#include "metadata/makernote.h"

namespace lv {

bool decodePanasonic(ByteView, const ExifSummary&, ShotInfo*) { return false; }
bool quickPanasonic(ByteView, const ExifSummary&, PhotoMeta*) { return false; }

}  // namespace lv
