// The option handling every command shares: "--name value", "--name=value", short "-o value",
// "--" ending the options (what follows is an operand even when it starts with "-"), "-" alone
// as an operand (standard output), a missing value or an unknown option named in the message.
#pragma once
#include <initializer_list>
#include <string>
#include <vector>

#include "commands.h"

namespace lv::cli {

struct OptionRow {
    const char* name;       // "--size", "-o"
    const char* valueName;  // "WxH" when the option takes a value, nullptr for a switch
};

struct ParsedArgs {
    std::vector<std::string> operands;
    std::vector<std::pair<std::string, std::string>> options;  // name (as in its OptionRow), value ("" for switches)
    bool has(const char* name) const;
    // The last value given for the option, or def.
    std::string value(const char* name, const std::string& def = {}) const;
};

// "WxH" with each side from 1 to maxSide.
bool parseSize(const std::string& text, int maxSide, int* w, int* h);

// False with *rc set to the usage exit code (message printed) when the arguments do not fit.
bool parseArgs(const char* command, const Args& args, std::initializer_list<OptionRow> rows, ParsedArgs* out,
               int* rc);

}  // namespace lv::cli
