#include <cstdio>
#include <string>

#include "commands.h"
#include "filter_args.h"
#include "report.h"

namespace lv::cli {

// The summary the message boxes show for a filter, one line per token that selects something.
int runDescribeFilter(const Args& args) {
    bool json = false;
    std::vector<std::string> texts;
    for (const std::string& a : args) {
        if (a == "--json")
            json = true;
        else
            texts.push_back(a);
    }
    if (texts.empty()) return usageError("describe-filter", "no token given");
    Filter filter;
    if (int r = tokensFromArgs("describe-filter", texts, &filter)) return r;
    std::string summary = describeFilter(filter.tokens);
    if (json) {
        std::printf("{\"tokens\": %s, \"summary\": %s}\n", tokensJson(filter).c_str(), jsonString(summary).c_str());
        return kExitOk;
    }
    // The box text ends its lines with CR LF; a terminal wants LF.
    for (char c : summary)
        if (c != '\r') std::putchar(c);
    return kExitOk;
}

}  // namespace lv::cli
