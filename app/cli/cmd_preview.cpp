// lumivore preview / thumb: write exactly the bytes the viewer would show for a photo.
#include <cstdio>
#include <string>

#include "commands.h"
#include "options.h"
#include "metadata/preview.h"
#include "metadata/tiff.h"
#include "viewer/pipeline.h"

namespace lv::cli {

namespace {

struct InOut {
    std::string in, out;
    bool force = false;
    bool rotate = false;
};

bool parseInOut(const char* cmd, const Args& args, InOut* io, int* rc) {
    ParsedArgs p;
    bool ok = std::string_view(cmd) == "preview"
                  ? parseArgs(cmd, args, {{"-o", "OUT"}, {"--force", nullptr}, {"--rotate", nullptr}}, &p, rc)
                  : parseArgs(cmd, args, {{"-o", "OUT"}, {"--force", nullptr}}, &p, rc);
    if (!ok) return false;
    if (p.operands.size() != 1 || !p.has("-o")) {
        *rc = usageError(cmd, p.operands.size() > 1 ? "one photo at a time" : "a photo and -o OUT are required");
        return false;
    }
    io->in = p.operands[0];
    io->out = p.value("-o");
    io->force = p.has("--force");
    io->rotate = p.has("--rotate");
    return true;
}

// What was written, on standard error when the bytes themselves went to standard output.
void report(const InOut& io, const std::string& what) {
    std::fprintf(io.out == "-" ? stderr : stdout, "%s: %s -> %s\n", shownPath(io.in).c_str(), what.c_str(),
                 io.out == "-" ? "standard output" : shownPath(io.out).c_str());
}

std::string sizeText(ByteView b) {
    FrameSize fs = jpegFrameSize(b, 0);  // the whole image: camera EXIF often runs past 4 KB
    if (fs.marker) return std::to_string(fs.width) + "x" + std::to_string(fs.height) + " JPEG";
    return "TIFF";
}

}  // namespace

int runPreview(const Args& args) {
    InOut io;
    int rc = kExitOk;
    if (!parseInOut("preview", args, &io, &rc)) return rc;
    PreviewResult r = extractPreview(io.in);
    if (r.error) {
        std::fprintf(stderr, "lumivore preview: %s: %s\n", shownPath(io.in).c_str(), describeError(r.error).c_str());
        return kExitFailed;
    }
    if (r.preview.empty()) {
        std::fprintf(stderr, "lumivore preview: %s: No JPEG preview found.\n", shownPath(io.in).c_str());
        return kExitFailed;
    }
    std::string what = sizeText(r.preview) + " from " + r.picked.source + " at " + std::to_string(r.picked.offset);
    Bytes upright;
    if (io.rotate) {
        // Turned as the viewer turns it, by the photo's own orientation; mirrored orientations are
        // shown as stored there too.
        int degrees = rotationForOrientation(readOrientation(r.head, r.formatIndex));
        WinErr e = degrees ? jpegRotateLossless(r.preview.data(), r.preview.size(), degrees, &upright) : kErrOk;
        if (degrees && !e && setJpegOrientation(&upright, 1)) {
            what += ", turned " + std::to_string(degrees) + " degrees losslessly";
        } else if (degrees) {
            upright.clear();
            std::fprintf(stderr, "lumivore preview: %s: cannot turn it losslessly (%s); the stored bytes are written\n",
                         shownPath(io.in).c_str(), e == kErrNotSupported ? "not at this picture size, or not on this system"
                         : e ? describeError(e).c_str() : "its orientation tag cannot be set");
        }
    }
    const Bytes& bytes = upright.empty() ? r.preview : upright;
    rc = writeOutput("preview", io.out, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), io.force,
                     io.in);
    if (rc == kExitOk) report(io, what + ", " + std::to_string(bytes.size()) + " bytes");
    return rc;
}

// The thumbnail the strip shows: the embedded thumbnail, else a maker-note thumbnail, else the preview.
int runThumb(const Args& args) {
    InOut io;
    int rc = kExitOk;
    if (!parseInOut("thumb", args, &io, &rc)) return rc;
    PhotoFile f;
    WinErr e = photoOpen(io.in, &f);
    if (e) {
        std::fprintf(stderr, "lumivore thumb: %s: %s\n", shownPath(io.in).c_str(), describeError(e).c_str());
        return kExitFailed;
    }
    const char* from = "embedded thumbnail";
    Bytes b = extractThumbnailFrom(f);
    if (b.empty()) {
        Bytes head;
        if (readHead(f, &head)) {
            for (PreviewHook h : thumbnailHooks())
                if (b.empty()) b = h(f, head);
        }
        from = "maker-note thumbnail";
    }
    if (b.empty()) {
        PreviewResult r = extractPreviewFrom(f);
        b = std::move(r.preview);
        from = "preview";
    }
    photoClose(&f);
    if (b.empty()) {
        std::fprintf(stderr, "lumivore thumb: %s: No JPEG preview found.\n", shownPath(io.in).c_str());
        return kExitFailed;
    }
    rc = writeOutput("thumb", io.out, std::string_view(reinterpret_cast<const char*>(b.data()), b.size()), io.force, io.in);
    if (rc == kExitOk) report(io, std::string(from) + " " + sizeText(b) + ", " + std::to_string(b.size()) + " bytes");
    return rc;
}

}  // namespace lv::cli
