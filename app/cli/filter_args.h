// The strip filter on the command line: the --filter, --saved and --settings options, typed
// tokens, the saved filters of a settings file, and the metadata pass that feeds the filter.
#pragma once
#include <string>
#include <vector>

#include "commands.h"
#include "filter/filter.h"
#include "library/folder.h"

namespace lv::cli {

struct FilterArgs {
    std::vector<std::string> tokens;  // --filter, in order
    std::string saved;                // --saved NAME
    std::string settingsFile;         // --settings INI ("" = the program's own)
    bool given() const { return !tokens.empty() || !saved.empty(); }
};

// When args[i] is --filter, --saved or --settings (with its value, also as --opt=value): takes
// it, advances i and returns kExitOk; kExitUsage (message printed) when the value is missing;
// -1 when args[i] is none of them.
int takeFilterOption(const char* command, const Args& args, size_t& i, FilterArgs& fa);

// The settings file: the given one, else the program's own.
std::string settingsFileOf(const std::string& given);
// Reads the saved filters of a settings file; kExitFailed (message printed) when it cannot be read.
int loadSavedFiltersFrom(const char* command, const std::string& path, SavedFilters* out);

// Typed tokens (text form or KEY=VALUE) into a filter. kExitUsage with the bad token named; a
// second token of one criterion is refused too.
int tokensFromArgs(const char* command, const std::vector<std::string>& texts, Filter* out);
// The filter of --saved (from the settings file) and --filter (whose tokens replace the saved
// filter's token of the same criterion).
int filterFromArgs(const char* command, const FilterArgs& fa, Filter* out);

// Reads every photo's metadata through the scan step the viewer runs in the background, with a
// progress bar on a terminal for folders of over 200 photos.
void readFolderMetadata(FolderState& folder);
// Turns the filter on for the folder (the next rebuild of the visible list applies it).
void useFilter(FolderState& folder, FilterSession& session, const Filter& filter);
// One photo's facts as a JSON object.
std::string photoFactsJson(const FolderState& folder, int index);
// The tokens' text forms as a JSON array.
std::string tokensJson(const Filter& filter);

}  // namespace lv::cli
