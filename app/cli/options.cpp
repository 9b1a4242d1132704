#include "options.h"

#include <cstdlib>

namespace lv::cli {

bool ParsedArgs::has(const char* name) const {
    for (const auto& o : options)
        if (o.first == name) return true;
    return false;
}

std::string ParsedArgs::value(const char* name, const std::string& def) const {
    std::string v = def;
    for (const auto& o : options)
        if (o.first == name) v = o.second;
    return v;
}

bool parseSize(const std::string& text, int maxSide, int* w, int* h) {
    char* end = nullptr;
    long a = std::strtol(text.c_str(), &end, 10);
    if (!end || (*end != 'x' && *end != 'X')) return false;
    long b = std::strtol(end + 1, &end, 10);
    if (*end || a < 1 || b < 1 || a > maxSide || b > maxSide) return false;
    *w = int(a);
    *h = int(b);
    return true;
}

bool parseArgs(const char* command, const Args& args, std::initializer_list<OptionRow> rows, ParsedArgs* out,
               int* rc) {
    *out = ParsedArgs();
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); i++) {
        const std::string& a = args[i];
        if (optionsEnded || a.size() < 2 || a[0] != '-') {
            out->operands.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
            continue;
        }
        size_t eq = a.rfind("--", 0) == 0 ? a.find('=') : std::string::npos;
        std::string name = a.substr(0, eq);
        const OptionRow* opt = nullptr;
        for (const OptionRow& s : rows)
            if (name == s.name) opt = &s;
        if (!opt) {
            *rc = usageError(command, "unknown option \"" + name + "\" (a file named like an option goes after --)");
            return false;
        }
        if (!opt->valueName) {
            if (eq != std::string::npos) {
                *rc = usageError(command, name + " takes no value");
                return false;
            }
            out->options.push_back({name, ""});
        } else if (eq != std::string::npos) {
            out->options.push_back({name, a.substr(eq + 1)});
        } else if (i + 1 < args.size()) {
            out->options.push_back({name, args[++i]});
        } else {
            *rc = usageError(command, name + " needs a value (" + opt->valueName + ")");
            return false;
        }
    }
    return true;
}

}  // namespace lv::cli
