// Pentax maker notes.
#include "metadata/makernote.h"

namespace lv {

bool decodePentax(ByteView, const ExifSummary&, ShotInfo*) { return false; }
bool quickPentax(ByteView, const ExifSummary&, PhotoMeta*) { return false; }

}  // namespace lv
namespace lv { Bytes thumbPentax(PhotoFile&, ByteView) { return {}; } }
