// The English texts, in the order the table is built.
#include "core/texts.h"

namespace lv {

namespace {

const TextRow kRows[] = {
    {"FilterSuffix", " [Filter active]"},
    {"GdiplusInitFailed",
     "Failed to initialise graphic subsystem needed for rendering. The application will quit now, apologies.\r\n\r\n"
     "The application needs Windows XP or newer to run.\r\nError code: GDIPLUS"},
    {"NoPreview", "No JPEG preview found."},
};

}  // namespace

const TextRow* builtinTextRows(size_t* count) {
    *count = sizeof kRows / sizeof kRows[0];
    return kRows;
}

}  // namespace lv
