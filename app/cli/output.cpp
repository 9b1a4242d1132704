// Where the commands that write files put their bytes: standard output for "-", otherwise a new
// file that appears whole or not at all, never over an existing file without --force and never
// over the command's own input.
#include <cerrno>
#include <cstdio>

#include "commands.h"
#include "core/pathname.h"
#include "platform/platform.h"

namespace lv::cli {

namespace {

int failed(const char* command, const std::string& path, const std::string& why) {
    std::fprintf(stderr, "lumivore %s: %s: %s\n", command, shownPath(path).c_str(), why.c_str());
    return kExitFailed;
}

// A temporary name of our own in the destination folder: created exclusively, so it is never a
// file someone else holds (or a link we would write through).
WinErr createTemporary(const std::string& out, std::string* tmp, FileHandle* f) {
    WinErr e = 0;
    for (int i = 0; i < 100; i++) {
        *tmp = out + (i ? "." + std::to_string(i) : std::string()) + ".lumivore-part";
        e = fileCreate(*tmp, CreateMode::CreateNew, f);
        if (e != kErrFileExists && e != kErrAlreadyExists) return e;
    }
    return e;
}

}  // namespace

int writeOutput(const char* command, const std::string& out, std::string_view bytes, bool force,
                const std::string& input) {
    if (out == "-") {
        stdoutSetBinary();
        if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0)
            return failed(command, "standard output", describeError(winErrorFromErrno(errno)));
        return kExitOk;
    }
    if (isFolder(out)) return failed(command, out, "is a folder");
    if (sameFile(out, input) || fullPath(out) == fullPath(input))
        return failed(command, out, "is the photo being read; it is never overwritten");
    if (!force && pathExists(out)) return failed(command, out, "already exists (--force replaces it)");

    std::string tmp;
    FileHandle f;
    WinErr e = createTemporary(out, &tmp, &f);
    if (e) return failed(command, out, describeError(e));
    e = fileWrite(f, bytes.data(), bytes.size());
    if (!e) e = fileFlush(f);
    fileClose(&f);
    // Without --force an output that appeared meanwhile is still not replaced.
    if (!e) e = fileMove(tmp, out, force);
    if (e) {
        fileDelete(tmp);  // our own temporary file, never anything else
        if (e == kErrAlreadyExists || e == kErrFileExists) return failed(command, out, "already exists (--force replaces it)");
        return failed(command, out, describeError(e));
    }
    return kExitOk;
}

}  // namespace lv::cli
