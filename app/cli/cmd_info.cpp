// lumivore info: what the program reads from each photo, as text or JSON.
//
// The report is a list of sections, each filled by one function of kSections from the same
// reading of the file; a new section (say, the shot information) is one function and one row.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"
#include "info_shot.h"
#include "options.h"
#include "report.h"
#include "library/filekinds.h"
#include "metadata/preview.h"
#include "metadata/tiff.h"
#include "platform/platform.h"
#include "sidecar/sidecar_file.h"

namespace lv::cli {

namespace {

// Everything read once per file, handed to every section.
struct InfoInput {
    std::string path;
    PhotoFile* file = nullptr;
    const PreviewResult* preview = nullptr;
    ExifSummary summary;
    bool summaryOk = false;
    int orientation = 1;
};

// [SECTION] sections
void fileSection(const InfoInput& in, ReportSection* s) {
    addPath(s->fields, "file", in.path);
    addText(s->fields, "kind", fileKindText(classifyFile(in.path)));
    addText(s->fields, "container", containerLabel(in.preview->formatIndex));
    addNumber(s->fields, "size", double(in.file->size));
}

void exifSection(const InfoInput& in, ReportSection* s) {
    ByteView b(in.preview->head);
    const ExifSummary& x = in.summary;
    auto& f = s->fields;
    addBool(f, "ok", in.summaryOk);
    addNumber(f, "tiffBase", double(x.tiffBase));
    addBool(f, "littleEndian", x.littleEndian);
    addNumber(f, "makerNotePos", double(x.makerNotePos));
    addNumber(f, "makerNoteBase", double(x.makerNoteBase));
    addText(f, "make", refText(b, x.make));
    addText(f, "model", refText(b, x.model));
    addText(f, "software", refText(b, x.software));
    addText(f, "lensMake", refText(b, x.lensMake));
    addText(f, "lensModel", refText(b, x.lensModel));
    addText(f, "bodySerial", refText(b, x.bodySerial));
    addText(f, "dateTimeOriginal", refText(b, x.dateTimeOriginal));
    addText(f, "subSecTimeOriginal", subSecText(b, x));
    addNumber(f, "exposureTimeNum", x.exposureTimeNum);
    addNumber(f, "exposureTimeDen", x.exposureTimeDen);
    addNumber(f, "fNumberNum", x.fNumberNum);
    addNumber(f, "fNumberDen", x.fNumberDen);
    addNumber(f, "exposureBiasNum", x.exposureBiasNum);
    addNumber(f, "exposureBiasDen", x.exposureBiasDen);
    addNumber(f, "focalLengthNum", x.focalLengthNum);
    addNumber(f, "focalLengthDen", x.focalLengthDen);
    addNumber(f, "iso", x.iso);
    addNumber(f, "meteringMode", x.meteringMode);
    addNumber(f, "focalLength35", x.focalLength35);
    addNumber(f, "pixelWidth", x.pixelWidth);
    addNumber(f, "pixelHeight", x.pixelHeight);
    std::string lensRange = "[";
    for (int i = 0; i < 4; i++) {
        ReportFields tmp;
        addNumber(tmp, "", x.lensSpec[i]);
        lensRange += (i ? "," : "") + tmp[0].text;
    }
    f.push_back({"lensSpec", lensRange + "]", false});
}

void timeSection(const InfoInput& in, ReportSection* s) {
    addNumber(s->fields, "captureSerial", captureSerialOf(in.preview->head, in.summary));
    addNumber(s->fields, "orientation", in.orientation);
}

ReportFields imageFields(const EmbeddedImage& e) {
    ReportFields f;
    addText(f, "source", e.source);
    addNumber(f, "offset", double(e.offset));
    addNumber(f, "length", double(e.length));
    addNumber(f, "width", e.width);
    addNumber(f, "height", e.height);
    return f;
}

void previewSection(const InfoInput& in, ReportSection* s) {
    if (in.preview->preview.empty()) return;
    s->fields = imageFields(in.preview->picked);
    addNumber(s->fields, "bytes", double(in.preview->preview.size()));
}

// Every JPEG the container holds (raw image strips are not pictures to show), marking the one
// the viewer shows.
void imagesSection(const InfoInput& in, ReportSection* s) {
    s->isList = true;
    for (const EmbeddedImage& e : listEmbeddedImages(*in.file, in.preview->head, in.preview->formatIndex)) {
        // Lossless JPEG (SOF3, 7, 11, 15) is how RAW containers store the sensor data.
        if (!e.marker || (e.marker & 0x03) == 0x03) continue;
        s->items.push_back(imageFields(e));
        addBool(s->items.back(), "shown", !in.preview->preview.empty() && e.offset == in.preview->picked.offset &&
                                              e.length == in.preview->picked.length);
    }
}

void sidecarSection(const InfoInput& in, ReportSection* s) {
    SidecarPath sidecar = sidecarOf(in.path);
    RatingLabel rl = readRatingLabel(in.path, sidecar);
    addNumber(s->fields, "rating", rl.rating);
    addText(s->fields, "label", rl.label);
    addPath(s->fields, "sidecar", sidecar.path);
    addBool(s->fields, "sidecarExists", pathExists(sidecar.path));
}

void readsSection(const InfoInput& in, ReportSection* s) {
    addNumber(s->fields, "bytes", double(in.preview->stats.bytes));
    addNumber(s->fields, "calls", in.preview->stats.calls);
}

const struct {
    const char* key;
    void (*fill)(const InfoInput&, ReportSection*);
} kSections[] = {
    {"", fileSection},         {"", sidecarSection},      {"exif", exifSection},  {"", timeSection},
    {"preview", previewSection}, {"images", imagesSection}, {"reads", readsSection},
};

// The panel as the viewer shows it: section titles, then label and value rows.
void printPanel(const ReportSection& panel) {
    std::printf("  panel:\n");
    for (const ReportFields& row : panel.items) {
        auto field = [&](const char* key) -> std::string {
            for (const ReportField& f : row)
                if (f.key == key) return f.text;
            return {};
        };
        std::string kind = field("kind");
        if (kind == "H")
            std::printf("    %s\n", printableText(field("title")).c_str());
        else
            std::printf("      %-18s %s\n", printableText(field("label")).c_str(), printableText(field("value")).c_str());
    }
}

// The default text: what the viewer shows of the photo (its panel, rating and label) and the
// images it holds; --all prints every section.
void printShort(const std::vector<ReportSection>& secs) {
    const ReportSection* images = nullptr;
    for (const ReportSection& s : secs) {
        if (s.key.empty()) {
            for (const ReportField& f : s.fields)
                if (f.key == "kind" || f.key == "container" || f.key == "rating" || f.key == "label")
                    std::printf("  %s: %s\n", f.key.c_str(), f.text.empty() ? "-" : printableText(f.text).c_str());
        } else if (s.key == "panel") {
            printPanel(s);
        } else if (s.key == "images") {
            images = &s;
        }
    }
    if (images) {
        std::printf("  images:%s\n", images->items.empty() ? " none" : "");
        for (const ReportFields& item : images->items) {
            auto field = [&](const char* key) {
                for (const ReportField& f : item)
                    if (f.key == key) return f.text;
                return std::string();
            };
            std::printf("    %sx%s JPEG, %s bytes at %s (%s)%s\n", field("width").c_str(), field("height").c_str(),
                        field("length").c_str(), field("offset").c_str(), printableText(field("source")).c_str(),
                        field("shown") == "true" ? ", shown by the viewer" : "");
        }
    }
}

void printText(const std::vector<ReportSection>& secs) {
    std::vector<ReportSection> rest;
    for (const ReportSection& s : secs) {
        if (s.key == "panel") {
            printReportText(rest);
            rest.clear();
            printPanel(s);
        } else {
            rest.push_back(s);
        }
    }
    printReportText(rest);
}

}  // namespace

int runInfo(const Args& args) {
    ParsedArgs p;
    int parseRc = kExitOk;
    if (!parseArgs("info", args, {{"--json", nullptr}, {"--all", nullptr}}, &p, &parseRc)) return parseRc;
    const bool json = p.has("--json"), all = p.has("--all");
    const std::vector<std::string>& files = p.operands;
    if (files.empty()) return usageError("info", "no file given");
    int rc = kExitOk;
    bool first = true;
    if (json) std::printf("[");
    for (const std::string& path : files) {
        PhotoFile f;
        WinErr e = photoOpen(path, &f);
        if (e) {
            std::fprintf(stderr, "lumivore info: %s: %s\n", shownPath(path).c_str(), describeError(e).c_str());
            rc = kExitFailed;
            continue;
        }
        PreviewResult pr = extractPreviewFrom(f);
        InfoInput in;
        in.path = path;
        in.file = &f;
        in.preview = &pr;
        in.summaryOk = readExifSummary(pr.head, pr.formatIndex, &in.summary);
        in.orientation = readOrientation(pr.head, pr.formatIndex);
        std::vector<ReportSection> secs;
        for (const auto& def : kSections) {
            ReportSection s;
            s.key = def.key;
            def.fill(in, &s);
            secs.push_back(std::move(s));
        }
        appendShotSections(path, pr.head, &secs);
        photoClose(&f);
        if (json) {
            std::printf("%s\n%s", first ? "" : ",", jsonReport(secs).c_str());
        } else {
            std::printf("%s\n", shownPath(path).c_str());
            if (all)
                printText(secs);
            else
                printShort(secs);
        }
        first = false;
    }
    if (json) std::printf("\n]\n");
    return rc;
}

}  // namespace lv::cli
