// The subcommands of the lumivore command line, one file each (cmd_<name>.cpp).
#pragma once
#include <cstdint>
#include <string>
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
// "text: message" for a failed file operation with its Windows error number.
std::string describeError(uint32_t winErr);

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
