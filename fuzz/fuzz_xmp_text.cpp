// Sidecars come from other programs and from users' disks: the XMP editor must survive any
// bytes without crashing or hanging, and its splices must stay within what they replace.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "sidecar/xmp_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string prefixes = lv::namespacePrefixes(text, lv::kXmpNamespace);
    int rating = lv::parseRatingValue(lv::getProperty(text, "Rating", prefixes));
    if (rating < -1 || rating > 5) std::abort();
    lv::xmlUnescape(lv::getProperty(text, "Label", prefixes));
    for (size_t p = 0; p < size; p += 1 + size / 8) lv::isInsideCommentOrCdata(text, p);

    // A removal only takes bytes away.
    if (lv::setProperty(text, "Label", "").size() > size) std::abort();
    // A change of a present property keeps the text up to the first value untouched; an
    // insertion where the namespace is declared only adds bytes.
    lv::PropertyLocation first = lv::findProperty(text, "Rating", prefixes, 0);
    std::string changed = lv::setProperty(text, "Rating", "4");
    if (first.found()) {
        if (changed.compare(0, first.valueStart, text.substr(0, first.valueStart)) != 0) std::abort();
    } else if (!prefixes.empty() && !changed.empty() && changed.size() <= size) {
        std::abort();
    }
    lv::setProperty(text, "Label", "Red & \"Co\"");
    return 0;
}
