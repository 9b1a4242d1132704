// Hasselblad maker notes.
#include "metadata/makernote.h"

namespace lv {

bool decodeHasselblad(ByteView, const ExifSummary&, ShotInfo*) { return false; }
bool quickHasselblad(ByteView, const ExifSummary&, PhotoMeta*) { return false; }

}  // namespace lv
namespace lv { Bytes thumbHasselblad(PhotoFile&, ByteView) { return {}; } }
