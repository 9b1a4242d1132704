// Nikon maker notes.
#include "metadata/makernote.h"

namespace lv {

bool decodeNikon(ByteView, const ExifSummary&, ShotInfo*) { return false; }
bool quickNikon(ByteView, const ExifSummary&, PhotoMeta*) { return false; }

}  // namespace lv
namespace lv { Bytes thumbNikon(PhotoFile&, ByteView) { return {}; } }
