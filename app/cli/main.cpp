// lumivore: the command line that drives the same code as Lumivore.exe on real files.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "commands.h"
#include "report.h"
#include "core/pathname.h"
#include "filter/token_syntax.h"
#include "import/import_template.h"
#include "library/filekinds.h"
#include "platform/platform.h"

namespace lv::cli {

static const Command kCommands[] = {
    {"list", "FOLDER [--order original|name-az|name-za|time-old|time-new] [--json | --names]",
     "the folder's photos in display order with rating, label, capture time and burst", runList},
    {"list", "FOLDER --filter TOKEN... [--saved NAME] [--settings INI] [--json | --names]",
     "only the photos matching the filter (--json adds each photo's facts)", runList, tokenSyntaxHelp},
    {"filters", "[save NAME TOKEN... [--replace] | rename OLD NEW [--replace] | remove NAME] [--settings INI] [--json]",
     "list the saved filters (usable or not, with their tokens), or change them", runFilters, tokenSyntaxHelp},
    {"describe-filter", "TOKEN... [--json]", "the summary of a filter as the message boxes show it", runDescribeFilter,
     tokenSyntaxHelp},
    {"info", "FILE... [--all] [--json]",
     "what the viewer's panel shows, rating, label and every embedded image (--all: everything read)", runInfo},
    {"preview", "PHOTO -o OUT.jpg|- [--rotate] [--force]", "write the embedded preview the viewer shows (--rotate: upright, losslessly)", runPreview},
    {"thumb", "PHOTO -o OUT.jpg|- [--force]", "write the thumbnail the strip shows", runThumb},
    {"decode", "JPEG [--size WxH [--exact]] [--stored] -o OUT.png|OUT.bmp|- [--force]",
     "decode a JPEG as the viewer does: fitted into WxH, turned upright by its EXIF orientation", runDecode},
    {"rate", "PHOTO... 0-5|reject|unreject", "set the star rating in each photo's XMP sidecar", runRate},
    {"label", "PHOTO... red|yellow|green|none", "set the colour label in each photo's XMP sidecar", runLabel},
    {"thumbs", "FOLDER [--cache-mode disk|ram|none] [--cache-root DIR] [--no-scan] [-o SHEET.png [--force]] [--json]",
     "make the strip's thumbnails as the viewer does; -o writes a contact sheet", runThumbs},
    {"view", "FOLDER --steps N | --bench [-o INI [--force]] [--size WxH] [--rate HZ] [--cache-mode disk|ram|none] [--json]",
     "step through the photos as a held arrow key does and report the latency per step; --bench runs the "
     "benchmark script and writes bench_last.ini", runView},
    {"export",
     "FOLDER --to TEMPLATE [--filter TOKEN]... [--saved NAME] [--settings INI] [--sidecars] [--partners] "
     "[--on-clash skip|keep-both|stop] [--json]",
     "copy the folder's photos to the folder the template names, as the Export dialog does", runExport},
    {"import",
     "CARD --to DEST [--template T] [--exclude .ext,...] [--only photos,video,audio,sidecars,other] "
     "[--saved NAME] [--on-clash skip|keep-both|stop] [--restore yes|no] [--verify] [--second DEST2] [--dry-run] [--json]",
     "copy a card into DEST by the naming template, every copy verified with SHA-256 and journaled", runImportCmd},
    {"settings", "[--json] [--file INI]", "the effective settings, each from the file or its default", runSettings},
    {"texts", "", "the UI text table: key, TAB, text (line breaks as \\r\\n), in table order", runTexts},
    {"sha256", "FILE...", "SHA-256 of each file, as the import verifies copies", runSha256},
};

static const Command* findCommand(const std::string& name) {
    for (const Command& c : kCommands)
        if (name == c.name) return &c;
    return nullptr;
}

static void printHelp(FILE* to) {
    std::fprintf(to, "lumivore 0.9.2: the Lumivore photo-culling engine from the command line\n\n"
                     "usage: lumivore COMMAND [ARGS]\n       lumivore help COMMAND | --help | --version\n\n"
                     "Options may stand anywhere; -- ends them (a file named like an option goes after it).\n"
                     "Exit codes: 0 done, 1 a file could not be read or written, 2 bad usage.\n\ncommands:\n");
    for (const Command& c : kCommands) std::fprintf(to, "  %-8s %s\n           %s\n", c.name, c.usage, c.summary);
    std::fprintf(to, "\n%s", tokenSyntaxHelp());
}

// A command may have more than one row (list with a filter).
static void printCommandHelp(const Command& c) {
    const char* details = nullptr;
    for (const Command& d : kCommands)
        if (std::strcmp(d.name, c.name) == 0) {
            std::printf("usage: lumivore %s %s\n%s\n", d.name, d.usage, d.summary);
            if (d.details) details = d.details();
        }
    if (details) std::printf("\n%s", details);
}

int usageError(const char* command, const std::string& message) {
    std::fprintf(stderr, "lumivore %s: %s\n", command, printableText(message).c_str());
    for (const Command& c : kCommands)
        if (std::strcmp(c.name, command) == 0) std::fprintf(stderr, "usage: lumivore %s %s\n", c.name, c.usage);
    return kExitUsage;
}

std::string describeError(uint32_t e) {
    const char* what = "system error";
    switch (e) {
        case 2: what = "file not found"; break;
        case 3: what = "path not found"; break;
        case 5: what = "access denied"; break;
        case 8: what = "too large"; break;
        case 13: what = "invalid data"; break;
        case 19: what = "write-protected"; break;
        case 29: what = "incomplete write"; break;
        case 32: what = "in use by another program"; break;
        case 80:
        case 183: what = "already exists"; break;
        case 112: what = "disk full"; break;
        case 206: what = "name too long"; break;
        case 1117: what = "I/O error"; break;
        case 1920: what = "not a regular file"; break;
    }
    // On Linux the system's own words say more than the Windows number's ("is a folder" rather
    // than "access denied").
    std::string system = systemErrorText(e);
    return (system.empty() ? std::string(what) : system) + " (error " + std::to_string(e) + ")";
}

std::string shownPath(const std::string& path) { return printableText(path); }

// Everything printed must have arrived: a full disk or a closed pipe behind standard output is a
// failure like any other write.
static int finish(int rc) {
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return rc;
    int err = errno;
    std::fprintf(stderr, "lumivore: standard output: %s\n",
                 (err ? errnoText(err) + " (error " + std::to_string(winErrorFromErrno(err)) + ")"
                      : std::string("write failed"))
                     .c_str());
    return kExitFailed;
}

static int run(const Args& all) {
    registerFileKindSettingsRules();
    registerTemplateSettingsRules();
    if (all.empty()) {
        printHelp(stderr);
        return kExitUsage;
    }
    if (all[0] == "--help" || all[0] == "-h" || (all[0] == "help" && all.size() == 1)) {
        printHelp(stdout);
        return kExitOk;
    }
    if (all[0] == "help") {
        const Command* c = findCommand(all[1]);
        if (!c) {
            std::fprintf(stderr, "lumivore help: unknown command \"%s\" (see lumivore --help)\n",
                         printableText(all[1]).c_str());
            return kExitUsage;
        }
        printCommandHelp(*c);
        return kExitOk;
    }
    if (all[0] == "--version") {
        std::printf("0.9.2\n");
        return kExitOk;
    }
    const Command* c = findCommand(all[0]);
    if (!c) {
        std::fprintf(stderr, "lumivore: unknown command \"%s\" (see lumivore --help)\n", printableText(all[0]).c_str());
        return kExitUsage;
    }
    Args rest(all.begin() + 1, all.end());
    for (const std::string& a : rest) {
        if (a == "--") break;  // after it, "--help" is a file name
        if (a == "--help" || a == "-h") {
            printCommandHelp(*c);
            return kExitOk;
        }
    }
    return c->run(rest);
}

}  // namespace lv::cli

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    lv::cli::Args args;
    for (int i = 1; i < argc; i++) {
        std::u16string w;
        for (const wchar_t* p = argv[i]; *p; p++) w += char16_t(*p);
        args.push_back(lv::utf8FromUtf16(w));
    }
    return lv::cli::finish(lv::cli::run(args));
}
#else
int main(int argc, char** argv) {
    lv::cli::Args args(argv + 1, argv + argc);
    return lv::cli::finish(lv::cli::run(args));
}
#endif
