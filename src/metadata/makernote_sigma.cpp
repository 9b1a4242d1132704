// Sigma maker notes.
#include "metadata/makernote.h"

namespace lv {

bool decodeSigma(ByteView, const ExifSummary&, ShotInfo*) { return false; }
bool quickSigma(ByteView, const ExifSummary&, PhotoMeta*) { return false; }

}  // namespace lv
