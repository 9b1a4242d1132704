// Ricoh maker notes.
#include "metadata/makernote.h"

namespace lv {

bool decodeRicoh(ByteView, const ExifSummary&, ShotInfo*) { return false; }
bool quickRicoh(ByteView, const ExifSummary&, PhotoMeta*) { return false; }

}  // namespace lv
namespace lv { Bytes thumbRicoh(PhotoFile&, ByteView) { return {}; } }
