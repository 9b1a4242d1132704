#include <cstdio>
#include <string>

#include "commands.h"
#include "core/texts.h"

namespace lv::cli {

// The text table as "key<TAB>text" lines in table order, line breaks inside a text written as
// the four characters \r\n so each entry stays on one line.
int runTexts(const Args& args) {
    if (!args.empty()) return usageError("texts", "takes no arguments");
    buildTextTable("en");
    size_t n = 0;
    const TextRow* rows = builtinTextRows(&n);
    for (size_t i = 0; i < n; i++) {
        std::string t = text(rows[i].key);
        std::string shown;
        for (size_t j = 0; j < t.size(); j++) {
            if (t[j] == '\r' && j + 1 < t.size() && t[j + 1] == '\n') {
                shown += "\\r\\n";
                j++;
            } else {
                shown += t[j];
            }
        }
        std::printf("%s\t%s\n", rows[i].key, shown.c_str());
    }
    return kExitOk;
}

}  // namespace lv::cli
