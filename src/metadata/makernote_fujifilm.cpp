// Fujifilm maker notes.
#include "metadata/makernote.h"

namespace lv {

bool decodeFujifilm(ByteView, const ExifSummary&, ShotInfo*) { return false; }
bool quickFujifilm(ByteView, const ExifSummary&, PhotoMeta*) { return false; }

}  // namespace lv
