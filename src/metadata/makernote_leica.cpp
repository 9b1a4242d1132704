// Leica maker notes.
#include "metadata/makernote.h"

namespace lv {

bool decodeLeica(ByteView, const ExifSummary&, ShotInfo*) { return false; }
bool quickLeica(ByteView, const ExifSummary&, PhotoMeta*) { return false; }

}  // namespace lv
namespace lv { Bytes previewLeica(PhotoFile&, ByteView) { return {}; } }
