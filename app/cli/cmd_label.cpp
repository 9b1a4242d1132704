#include <cstdio>
#include <string>

#include "commands.h"
#include "options.h"
#include "library/filekinds.h"
#include "platform/platform.h"
#include "sidecar/rating_commands.h"
#include "sidecar/sidecar_file.h"

namespace lv::cli {

// Sets the colour label of each photo through the same command as the label keys.
int runLabel(const Args& allArgs) {
    ParsedArgs p;
    int parseRc = kExitOk;
    if (!parseArgs("label", allArgs, {}, &p, &parseRc)) return parseRc;
    const Args& args = p.operands;
    if (args.size() < 2) return usageError("label", "give one or more photos and a label");
    std::string label;
    if (!labelFromWord(args.back(), &label))
        return usageError("label", "the label must be red, yellow, green or none, not \"" + args.back() + "\"");

    int rc = kExitOk;
    for (size_t i = 0; i + 1 < args.size(); i++) {
        const std::string& path = args[i];
        if (!photoArgUsable("label", path)) {
            rc = kExitFailed;
            continue;
        }
        SidecarPath sidecar = sidecarOf(path);  // read and written: the same file
        RatingLabel current = readRatingLabel(path, sidecar);
        RatedPhoto photo{path, &current.rating, &current.label, sidecar.path};
        SidecarCommandResult r = setLabel(photo, label);
        if (!r.ok) {
            std::fprintf(stderr, "lumivore label: %s: the colour label could not be written: %s\n", shownPath(path).c_str(),
                         sidecarFailureReason(r.code).c_str());
            rc = kExitFailed;
            continue;
        }
        std::printf("%s: label %s -> %s\n", shownPath(path).c_str(), label.empty() ? "none" : label.c_str(),
                    shownPath(sidecar.path).c_str());
    }
    return rc;
}

}  // namespace lv::cli
