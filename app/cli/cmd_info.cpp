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
#include "library/filekinds.h"
#include "metadata/preview.h"
#include "metadata/tiff.h"

namespace lv::cli {

namespace {

// [SECTION] report model
struct InfoField {
    std::string key;
    std::string text;
    bool quoted = true;  // a string (quoted in JSON) rather than a number, bool or raw JSON
};
struct InfoSection {
    std::string key;                             // "" puts the fields at the top level
    std::vector<InfoField> fields;               // an object ...
    std::vector<std::vector<InfoField>> items;   // ... or, when isList, an array of objects
    bool isList = false;
};

// Everything read once per file, handed to every section.
struct InfoInput {
    std::string path;
    PhotoFile* file = nullptr;
    const PreviewResult* preview = nullptr;
    ExifSummary summary;
    bool summaryOk = false;
    int orientation = 1;
};

void str(std::vector<InfoField>& f, const char* key, const std::string& v) { f.push_back({key, v, true}); }
void num(std::vector<InfoField>& f, const char* key, double v) {
    char buf[64];
    if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 1e15)
        std::snprintf(buf, sizeof buf, "%.0f", v);
    else
        std::snprintf(buf, sizeof buf, "%.6g", std::isfinite(v) ? v : 0.0);
    f.push_back({key, buf, false});
}
void boolean(std::vector<InfoField>& f, const char* key, bool v) { f.push_back({key, v ? "true" : "false", false}); }

// [SECTION] sections
void fileSection(const InfoInput& in, InfoSection* s) {
    str(s->fields, "file", in.path);
    str(s->fields, "kind", fileKindText(classifyFile(in.path)));
    str(s->fields, "container", containerLabel(in.preview->formatIndex));
    num(s->fields, "size", double(in.file->size));
}

void exifSection(const InfoInput& in, InfoSection* s) {
    ByteView b(in.preview->head);
    const ExifSummary& x = in.summary;
    auto& f = s->fields;
    boolean(f, "ok", in.summaryOk);
    num(f, "tiffBase", double(x.tiffBase));
    boolean(f, "littleEndian", x.littleEndian);
    num(f, "makerNotePos", double(x.makerNotePos));
    num(f, "makerNoteBase", double(x.makerNoteBase));
    str(f, "make", refText(b, x.make));
    str(f, "model", refText(b, x.model));
    str(f, "software", refText(b, x.software));
    str(f, "lensMake", refText(b, x.lensMake));
    str(f, "lensModel", refText(b, x.lensModel));
    str(f, "bodySerial", refText(b, x.bodySerial));
    str(f, "dateTimeOriginal", refText(b, x.dateTimeOriginal));
    str(f, "subSecTimeOriginal", subSecText(b, x));
    num(f, "exposureTimeNum", x.exposureTimeNum);
    num(f, "exposureTimeDen", x.exposureTimeDen);
    num(f, "fNumberNum", x.fNumberNum);
    num(f, "fNumberDen", x.fNumberDen);
    num(f, "exposureBiasNum", x.exposureBiasNum);
    num(f, "exposureBiasDen", x.exposureBiasDen);
    num(f, "focalLengthNum", x.focalLengthNum);
    num(f, "focalLengthDen", x.focalLengthDen);
    num(f, "iso", x.iso);
    num(f, "meteringMode", x.meteringMode);
    num(f, "focalLength35", x.focalLength35);
    num(f, "pixelWidth", x.pixelWidth);
    num(f, "pixelHeight", x.pixelHeight);
    std::string lensRange = "[";
    for (int i = 0; i < 4; i++) {
        std::vector<InfoField> tmp;
        num(tmp, "", x.lensSpec[i]);
        lensRange += (i ? "," : "") + tmp[0].text;
    }
    f.push_back({"lensSpec", lensRange + "]", false});
}

void timeSection(const InfoInput& in, InfoSection* s) {
    num(s->fields, "captureSerial", captureSerialOf(in.preview->head, in.summary));
    num(s->fields, "orientation", in.orientation);
}

std::vector<InfoField> imageFields(const EmbeddedImage& e) {
    std::vector<InfoField> f;
    str(f, "source", e.source);
    num(f, "offset", double(e.offset));
    num(f, "length", double(e.length));
    num(f, "width", e.width);
    num(f, "height", e.height);
    return f;
}

void previewSection(const InfoInput& in, InfoSection* s) {
    if (in.preview->preview.empty()) return;
    s->fields = imageFields(in.preview->picked);
    num(s->fields, "bytes", double(in.preview->preview.size()));
}

void imagesSection(const InfoInput& in, InfoSection* s) {
    s->isList = true;
    for (const EmbeddedImage& e : listEmbeddedImages(*in.file, in.preview->head, in.preview->formatIndex))
        s->items.push_back(imageFields(e));
}

void readsSection(const InfoInput& in, InfoSection* s) {
    num(s->fields, "bytes", double(in.preview->stats.bytes));
    num(s->fields, "calls", in.preview->stats.calls);
}

const struct {
    const char* key;
    void (*fill)(const InfoInput&, InfoSection*);
} kSections[] = {
    {"", fileSection},         {"exif", exifSection},     {"", timeSection},
    {"preview", previewSection}, {"images", imagesSection}, {"reads", readsSection},
};

// [SECTION] output
std::string jsonQuote(const std::string& s) {
    std::string o = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            o += '\\';
            o += char(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            o += buf;
        } else {
            o += char(c);
        }
    }
    return o + "\"";
}

std::string jsonObject(const std::vector<InfoField>& fields) {
    std::string o = "{";
    for (size_t i = 0; i < fields.size(); i++)
        o += (i ? ", " : "") + jsonQuote(fields[i].key) + ": " + (fields[i].quoted ? jsonQuote(fields[i].text) : fields[i].text);
    return o + "}";
}

std::string jsonReport(const std::vector<InfoSection>& secs) {
    std::vector<InfoField> top;
    for (const InfoSection& s : secs) {
        if (s.key.empty()) {
            top.insert(top.end(), s.fields.begin(), s.fields.end());
        } else if (s.isList) {
            std::string a = "[";
            for (size_t i = 0; i < s.items.size(); i++) a += (i ? ", " : "") + jsonObject(s.items[i]);
            top.push_back({s.key, a + "]", false});
        } else {
            top.push_back({s.key, s.fields.empty() ? "null" : jsonObject(s.fields), false});
        }
    }
    return jsonObject(top);
}

void printText(const std::vector<InfoSection>& secs) {
    for (const InfoSection& s : secs) {
        const char* indent = s.key.empty() ? "  " : "    ";
        if (!s.key.empty()) std::printf("  %s:%s\n", s.key.c_str(), s.isList && s.items.empty() ? " none" : "");
        if (s.isList) {
            for (const auto& item : s.items) {
                std::string line;
                for (const InfoField& f : item) line += (line.empty() ? "" : ", ") + f.key + " " + f.text;
                std::printf("    - %s\n", line.c_str());
            }
            continue;
        }
        if (!s.key.empty() && s.fields.empty()) std::printf("    none\n");
        for (const InfoField& f : s.fields)
            if (f.key != "file") std::printf("%s%s: %s\n", indent, f.key.c_str(), f.text.c_str());
    }
}

}  // namespace

int runInfo(const Args& args) {
    bool json = false;
    std::vector<std::string> files;
    for (const std::string& a : args) {
        if (a == "--json")
            json = true;
        else if (!a.empty() && a[0] == '-')
            return usageError("info", "unknown option \"" + a + "\"");
        else
            files.push_back(a);
    }
    if (files.empty()) return usageError("info", "no file given");
    int rc = kExitOk;
    bool first = true;
    if (json) std::printf("[");
    for (const std::string& path : files) {
        PhotoFile f;
        WinErr e = photoOpen(path, &f);
        if (e) {
            std::fprintf(stderr, "lumivore info: %s: %s\n", path.c_str(), describeError(e).c_str());
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
        std::vector<InfoSection> secs;
        for (const auto& def : kSections) {
            InfoSection s;
            s.key = def.key;
            def.fill(in, &s);
            secs.push_back(std::move(s));
        }
        appendShotSections<InfoSection, InfoField>(path, pr.head, &secs);
        photoClose(&f);
        if (json) {
            std::printf("%s\n%s", first ? "" : ",", jsonReport(secs).c_str());
        } else {
            std::printf("%s\n", path.c_str());
            printText(secs);
        }
        first = false;
    }
    if (json) std::printf("\n]\n");
    return rc;
}

}  // namespace lv::cli
