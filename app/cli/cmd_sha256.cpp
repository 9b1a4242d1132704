#include <cstdio>

#include "commands.h"
#include "options.h"
#include "platform/platform.h"

namespace lv::cli {

// Prints "HEX  NAME" per file like sha256sum (but upper case, as the import journal stores it).
int runSha256(const Args& allArgs) {
    ParsedArgs p;
    int parseRc = kExitOk;
    if (!parseArgs("sha256", allArgs, {}, &p, &parseRc)) return parseRc;
    const Args& args = p.operands;
    if (args.empty()) return usageError("sha256", "no file given");
    int rc = kExitOk;
    for (const std::string& path : args) {
        std::string hex;
        WinErr e = sha256File(path, &hex);
        if (e) {
            std::fprintf(stderr, "lumivore sha256: %s: %s\n", shownPath(path).c_str(), describeError(e).c_str());
            rc = kExitFailed;
            continue;
        }
        std::printf("%s  %s\n", hex.c_str(), shownPath(path).c_str());
    }
    return rc;
}

}  // namespace lv::cli
