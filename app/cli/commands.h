// The subcommands of the lumivore command line, one file each (cmd_<name>.cpp).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lv {
struct Bgra;
}

namespace lv::cli {

using Args = std::vector<std::string>;  // arguments after the subcommand name, UTF-8

struct Command {
    const char* name;
    const char* usage;    // "FILE..." etc., after the name
    const char* summary;  // one line for --help
    int (*run)(const Args& args);
    const char* (*details)() = nullptr;  // more for the command's --help
};

// Exit codes: 0 done, 1 the work failed (a file could not be read or written), 2 bad usage.
enum { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

int usageError(const char* command, const std::string& message);
// What went wrong in words, with the Windows error number (and, on Linux, the system's own words
// for the last failed call when it gave that number: "is a folder (error 5)").
std::string describeError(uint32_t winErr);
// A path as text output shows it (printableText: no raw control or invalid bytes).
std::string shownPath(const std::string& path);

// Writes a command's output: "-" is standard output; any other path is written through an
// exclusively created temporary file in its folder, flushed, then renamed into place, replacing an
// existing file only with force and never the command's input (compared as files: links and other
// spellings of the path included). Prints the message and returns the exit code.
int writeOutput(const char* command, const std::string& out, std::string_view bytes, bool force,
                const std::string& input);

// For the sidecar commands: false (with the message printed) when a photo argument is missing,
// a folder or not a supported photo.
bool photoArgUsable(const char* command, const std::string& path);
// Why a sidecar write failed, in words with the error number.
std::string sidecarFailureReason(uint32_t code);

// An RGB PNG of a BGRA picture (the decode command's writer).
std::string encodePng(const Bgra& img);

int runSha256(const Args& args);
int runDecode(const Args& args);
int runSettings(const Args& args);
int runTexts(const Args& args);
int runList(const Args& args);
int runInfo(const Args& args);
int runPreview(const Args& args);
int runThumb(const Args& args);
int runRate(const Args& args);
int runLabel(const Args& args);
int runFilters(const Args& args);
int runDescribeFilter(const Args& args);
int runThumbs(const Args& args);
int runView(const Args& args);
int runExport(const Args& args);
int runImportCmd(const Args& args);

}  // namespace lv::cli
