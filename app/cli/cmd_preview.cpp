// lumivore preview / thumb: write exactly the bytes the viewer would show for a photo.
#include <cstdio>
#include <string>

#include "commands.h"
#include "metadata/preview.h"

namespace lv::cli {

namespace {

bool parseInOut(const char* cmd, const Args& args, std::string* in, std::string* out, int* rc) {
    for (size_t i = 0; i < args.size(); i++) {
        if (args[i] == "-o" && i + 1 < args.size()) {
            *out = args[++i];
        } else if (in->empty() && !args[i].empty() && args[i][0] != '-') {
            *in = args[i];
        } else {
            *rc = usageError(cmd, "unexpected argument \"" + args[i] + "\"");
            return false;
        }
    }
    if (in->empty() || out->empty()) {
        *rc = usageError(cmd, "a photo and -o OUT are required");
        return false;
    }
    return true;
}

int writeOut(const char* cmd, const std::string& out, const Bytes& bytes) {
    FileHandle f;
    WinErr e = fileCreate(out, CreateMode::CreateAlways, &f);
    if (!e) {
        e = fileWrite(f, bytes.data(), bytes.size());
        fileClose(&f);
    }
    if (e) {
        std::fprintf(stderr, "lumivore %s: %s: %s\n", cmd, out.c_str(), describeError(e).c_str());
        return kExitFailed;
    }
    return kExitOk;
}

std::string sizeText(ByteView b) {
    FrameSize fs = jpegFrameSize(b, 0);  // the whole image: camera EXIF often runs past 4 KB
    if (fs.marker) return std::to_string(fs.width) + "x" + std::to_string(fs.height) + " JPEG";
    return "TIFF";
}

}  // namespace

int runPreview(const Args& args) {
    std::string in, out;
    int rc = kExitOk;
    if (!parseInOut("preview", args, &in, &out, &rc)) return rc;
    PreviewResult r = extractPreview(in);
    if (r.error) {
        std::fprintf(stderr, "lumivore preview: %s: %s\n", in.c_str(), describeError(r.error).c_str());
        return kExitFailed;
    }
    if (r.preview.empty()) {
        std::fprintf(stderr, "lumivore preview: %s: No JPEG preview found.\n", in.c_str());
        return kExitFailed;
    }
    rc = writeOut("preview", out, r.preview);
    if (rc == kExitOk)
        std::printf("%s: %s from %s at %llu, %zu bytes -> %s\n", in.c_str(), sizeText(r.preview).c_str(),
                    r.picked.source.c_str(), static_cast<unsigned long long>(r.picked.offset), r.preview.size(),
                    out.c_str());
    return rc;
}

// The thumbnail the strip shows: the embedded thumbnail, else a maker-note thumbnail, else the preview.
int runThumb(const Args& args) {
    std::string in, out;
    int rc = kExitOk;
    if (!parseInOut("thumb", args, &in, &out, &rc)) return rc;
    PhotoFile f;
    WinErr e = photoOpen(in, &f);
    if (e) {
        std::fprintf(stderr, "lumivore thumb: %s: %s\n", in.c_str(), describeError(e).c_str());
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
        std::fprintf(stderr, "lumivore thumb: %s: No JPEG preview found.\n", in.c_str());
        return kExitFailed;
    }
    rc = writeOut("thumb", out, b);
    if (rc == kExitOk)
        std::printf("%s: %s %s, %zu bytes -> %s\n", in.c_str(), from, sizeText(b).c_str(), b.size(), out.c_str());
    return rc;
}

}  // namespace lv::cli
