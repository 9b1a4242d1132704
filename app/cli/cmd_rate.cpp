#include <cstdio>
#include <string>

#include "commands.h"
#include "options.h"
#include "core/pathname.h"
#include "library/filekinds.h"
#include "platform/platform.h"
#include "sidecar/rating_commands.h"
#include "sidecar/sidecar_file.h"

namespace lv::cli {

namespace {

// The rating words of the command line, as the keys and the menu offer them.
struct RateWord {
    const char* word;
    int rating;  // kUnreject: back to unrated only when rejected
};
constexpr int kUnreject = 100;
constexpr RateWord kRateWords[] = {{"0", 0}, {"1", 1},       {"2", 2},         {"3", 3},
                                   {"4", 4}, {"5", 5},       {"reject", -1},   {"unreject", kUnreject}};

}  // namespace

// Sets the rating of each photo through the same command as the rating keys; the photo files
// themselves are never touched, only their sidecars.
int runRate(const Args& allArgs) {
    ParsedArgs p;
    int parseRc = kExitOk;
    if (!parseArgs("rate", allArgs, {}, &p, &parseRc)) return parseRc;
    const Args& args = p.operands;
    if (args.size() < 2) return usageError("rate", "give one or more photos and a rating");
    const RateWord* value = nullptr;
    for (const RateWord& w : kRateWords)
        if (equalsIgnoreCase(args.back(), w.word)) value = &w;
    if (!value) return usageError("rate", "the rating must be 0-5, reject or unreject, not \"" + args.back() + "\"");

    int rc = kExitOk;
    for (size_t i = 0; i + 1 < args.size(); i++) {
        const std::string& path = args[i];
        if (!photoArgUsable("rate", path)) {
            rc = kExitFailed;
            continue;
        }
        SidecarPath sidecar = sidecarOf(path);  // read and written: the same file
        RatingLabel current = readRatingLabel(path, sidecar);
        RatedPhoto photo{path, &current.rating, &current.label, sidecar.path};
        if (value->rating == kUnreject && current.rating != -1) {
            std::printf("%s: rating %d, not rejected: unchanged\n", shownPath(path).c_str(), current.rating);
            continue;
        }
        SidecarCommandResult r = setRating(photo, value->rating == kUnreject ? 0 : value->rating);
        if (!r.ok) {
            std::fprintf(stderr, "lumivore rate: %s: the rating could not be written: %s\n", shownPath(path).c_str(),
                         sidecarFailureReason(r.code).c_str());
            rc = kExitFailed;
            continue;
        }
        std::printf("%s: rating %d -> %s\n", shownPath(path).c_str(), current.rating, shownPath(sidecar.path).c_str());
    }
    return rc;
}

}  // namespace lv::cli
