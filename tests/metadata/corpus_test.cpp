// Every real camera file of the corpus against what ExifTool read from it: the container, the
// EXIF numbers, the capture time, the orientation, and the preview and thumbnail sizes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>

#include "test_json.h"
#include "metadata/preview.h"
#include "metadata/tiff.h"
#include "platform/platform.h"
#include "test_support.h"

using namespace lv;
using lvtest::field;
using lvtest::Json;
using lvtest::number;

namespace {

struct Expect {
    const char* fileType;  // ExifTool's FileType
    const char* label;     // our container ("" = none: not a camera container)
};
const Expect kContainers[] = {
    {"ARW", "ARW/ARQ"}, {"CR2", "CR2"}, {"CR3", "CR3"}, {"DNG", "DNG"},     {"JPEG", "JPEG"}, {"NEF", "NEF/NRW"},
    {"ORF", "ORF"},     {"PEF", "PEF"}, {"RAF", "RAF"}, {"RW2", "RW2/RWL"}, {"X3F", "X3F"},
};

// Where the rules pick another image than the manifest's largest usable one, or none at all.
struct Known {
    const char* name;
    const char* why;
};
const Known kNoPreview[] = {
    {"filetype_fixture-sony-zv-e10.arw", "cut off at 100 KB before its IFD0 preview (the reconstructed copy has it)"},
    {"exiftool_CanonRaw.cr2", "stripped: the IFD0 strip is a 26-byte stand-in"},
    {"exiftool_CanonRaw.cr3", "stripped: PRVW holds a 26-byte stand-in"},
    {"filetype_fixture.cr3", "cut off at 128 KB before PRVW (the reconstructed copy has it)"},
    {"exiftool_DNG.dng", "stripped: its only usable image is an 8x8 uncompressed TIFF thumbnail"},
    {"exiv2_IMG_1361.dng", "cut off before its JPEG IFDs (the reconstructed copy has them)"},
    {"filetype_fixture-Leica-M10.dng", "cut off before its JPEG IFDs (the reconstructed copy has them)"},
    {"bep_sample.nef", "no JPEG in the file: IFD0 holds an uncompressed 160x120 TIFF thumbnail only"},
    {"exiftool_Nikon.nef", "stripped: its JPEGs are stand-ins shorter than 1024 bytes"},
    {"filetype_fixture.orf", "128-byte signature fixture with no maker note"},
    {"exiftool_Sigma.x3f", "stripped: its IMAG/IMA2 sections are 48-byte stubs, below the 1052-byte minimum"},
};
const Known kOtherPreview[] = {
    {"bep_jolstravatnet.pef", "the chain's 6016x4000 JPEG lies beyond the cut; the chain's 160x120 IFD1 JPEG is the "
                              "longest that fits (the 720x480 maker-note preview is not a chain IFD)"},
    {"exiftool_FujiFilm.raf", "stripped: the header JPEG is an 8x8 stand-in, smaller than the EXIF thumbnail inside it"},
    {"exiv2_Canon-R6-pruned.CR3", "PRVW (1620x1080) is the rule's image; the full-size JPEG of track 1 is not read"},
    {"filetype_fixture.cr3", "PRVW (1620x1080) is the rule's image; the full-size JPEG of track 1 is not read"},
};

const char* known(const Known* list, size_t n, const std::string& name) {
    for (size_t i = 0; i < n; i++)
        if (name == list[i].name) return list[i].why;
    return nullptr;
}

// The first value of a manifest field from the stored groups (not ExifTool's composites).
const Json* coreValue(const Json& core, const char* key) {
    for (const Json& v : field(core, key)) {
        std::string g = lvtest::text(field(v, "group"));
        if (g == "ExifIFD" || g == "IFD0") return &field(v, "num");
    }
    return nullptr;
}

struct Row {
    int files = 0, recognised = 0, preview = 0, fieldsOk = 0;
};

bool loadJson(const std::string& path, Json* out) {
    *out = lvtest::parseJson(lvtest::readFile(path));
    return !out->is_discarded();
}

struct Img {
    int w, h;
    std::string tag;
};

std::vector<Img> usableImages(const Json& images) {
    std::vector<Img> out;
    for (const Json& i : images)
        if (field(i, "usable") == true && field(i, "width").is_number())
            out.push_back({int(number(field(i, "width"))), int(number(field(i, "height"))), lvtest::text(field(i, "tag"))});
    return out;
}

}  // namespace

TEST(Corpus, EveryFileAgainstTheManifest) {
    std::string dir = lvtest::corpusDir();
    if (dir.empty()) GTEST_SKIP() << "no corpus";
    Json manifest, rec, exvj;
    ASSERT_TRUE(loadJson(dir + "/manifest.json", &manifest));
    ASSERT_TRUE(loadJson(dir + "/derived/manifest-reconstructed.json", &rec));
    ASSERT_TRUE(loadJson(dir + "/derived/manifest-exvjpeg.json", &exvj));

    // (path, entry with core fields, embedded images, group name for the table)
    struct Case {
        std::string path, name, group, fileType;
        const Json* core;
        const Json* images;
    };
    std::vector<Case> cases;
    std::map<std::string, const Json*> byFile;
    for (const Json& f : field(manifest, "files")) {
        byFile[lvtest::text(field(f, "file"))] = &f;
        if (lvtest::text(field(f, "exiftool_file_type")) == "XMP") continue;
        cases.push_back({lvtest::text(field(f, "file")), lvtest::text(field(f, "name")), lvtest::text(field(f, "container_dir")), lvtest::text(field(f, "exiftool_file_type")), &field(f, "core"),
                         &field(f, "embedded_images")});
    }
    for (const Json& f : field(rec, "files")) {
        const Json* src = byFile.count(lvtest::text(field(f, "source"))) ? byFile[lvtest::text(field(f, "source"))] : &lvtest::jsonNull();
        cases.push_back({lvtest::text(field(f, "output")), "", "reconstructed " + lvtest::text(field(*src, "container_dir")), lvtest::text(field(f, "exiftool_file_type")),
                         &field(*src, "core"), &field(f, "embedded_images_after")});
    }
    for (const Json& f : field(exvj, "files"))
        cases.push_back({lvtest::text(field(f, "file")), lvtest::text(field(f, "name")), "exvjpeg", lvtest::text(field(f, "exiftool_file_type")), &field(f, "core"), &field(f, "embedded_images")});
    ASSERT_GT(cases.size(), 60u);

    std::map<std::string, Row> table;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        Row& row = table[c.group];
        row.files++;
        std::string full = dir + "/" + c.path;
        PreviewResult r = extractPreview(full);
        ASSERT_EQ(r.error, 0u);
        ASSERT_FALSE(r.head.empty());

        // Container.
        std::string want;
        for (const Expect& e : kContainers)
            if (c.fileType == e.fileType) want = e.label;
        if (c.group == "exv") want = "";  // exiv2's own metadata format, not a camera container
        EXPECT_EQ(containerLabel(r.formatIndex), want);
        if (std::string(containerLabel(r.formatIndex)) == want && !want.empty()) row.recognised++;

        // EXIF fields and the capture time.
        bool fieldsOk = true;
        auto check = [&](bool ok, const std::string& what) {
            EXPECT_TRUE(ok) << what;
            fieldsOk = fieldsOk && ok;
        };
        ExifSummary s;
        bool ok = readExifSummary(r.head, r.formatIndex, &s);
        // exiv2's own files are not photos; their metadata is checked through derived/exvjpeg.
        const Json& core = c.group == "exv" ? lvtest::jsonNull() : *c.core;
        ByteView h(r.head);
        if (!want.empty() && coreValue(core, "Make")) check(ok, "summary");
        if (const Json* v = coreValue(core, "Make")) check(refText(h, s.make) == lvtest::text(*v), "Make " + refText(h, s.make));
        if (const Json* v = coreValue(core, "Model")) check(refText(h, s.model) == lvtest::text(*v), "Model " + refText(h, s.model));
        if (const Json* v = coreValue(core, "DateTimeOriginal")) {
            check(refText(h, s.dateTimeOriginal) == lvtest::text(*v), "DateTimeOriginal " + refText(h, s.dateTimeOriginal));
            const Json* sub = coreValue(core, "SubSecTimeOriginal");
            double expect = captureSerial(lvtest::text(*v), sub ? lvtest::text(*sub) : "");
            check(std::fabs(captureSerialOf(h, s) - expect) < 1e-6, "capture serial");
        }
        if (const Json* v = coreValue(core, "Orientation")) check(readOrientation(h, r.formatIndex) == int(number(*v)), "Orientation");
        if (const Json* v = coreValue(core, "ISO")) check(s.iso == int(number(*v)), "ISO " + std::to_string(s.iso));
        auto ratio = [](uint32_t n, uint32_t d) { return d ? double(n) / d : -1.0; };
        if (const Json* v = coreValue(core, "FNumber")) check(std::fabs(ratio(s.fNumberNum, s.fNumberDen) - number(*v)) < 0.051, "FNumber");
        if (const Json* v = coreValue(core, "ExposureTime"))
            check(std::fabs(ratio(s.exposureTimeNum, s.exposureTimeDen) / number(*v) - 1) < 1e-6, "ExposureTime");
        if (const Json* v = coreValue(core, "FocalLength"))
            check(std::fabs(ratio(s.focalLengthNum, s.focalLengthDen) - number(*v)) < 0.051, "FocalLength");
        if (const Json* v = coreValue(core, "ExposureCompensation")) {
            double ev = s.exposureBiasDen ? double(s.exposureBiasNum) / s.exposureBiasDen : 0;
            check(std::fabs(ev - number(*v)) < 0.01, "ExposureCompensation");
        }
        if (const Json* v = coreValue(core, "LensModel")) check(refText(h, s.lensModel) == lvtest::text(*v), "LensModel");
        if (fieldsOk && c.group != "exv") row.fieldsOk++;

        // The preview: a real JPEG (or, for a JPEG file, the file itself) of a size the manifest lists.
        std::vector<Img> usable = usableImages(*c.images);
        std::string name = c.name.empty() ? c.path.substr(c.path.rfind('/') + 1) : c.name;
        if (r.preview.empty()) {
            EXPECT_TRUE(c.group == "exv" || known(kNoPreview, std::size(kNoPreview), name)) << "no preview found";
            continue;
        }
        row.preview++;
        int w = 0, hgt = 0;
        ASSERT_EQ(jpegSize(r.preview.data(), r.preview.size(), &w, &hgt), 0u);
        if (want == "JPEG") {
            EXPECT_EQ(r.preview.size(), uint64_t(lvtest::readFile(full).size()));
            continue;
        }
        Bgra px;
        EXPECT_EQ(jpegDecode(r.preview.data(), r.preview.size(), &px), 0u) << "preview does not decode";
        bool listed = false;
        int largest = 0;
        for (const Img& i : usable) {
            listed = listed || (i.w == w && i.h == hgt);
            largest = std::max(largest, i.w * i.h);
        }
        EXPECT_TRUE(listed) << w << "x" << hgt << " is not an image the manifest lists";
        if (w * hgt < largest) {
            EXPECT_TRUE(known(kOtherPreview, std::size(kOtherPreview), name)) << "a smaller image was picked";
        }

        // The embedded thumbnail, where one is found, is one the manifest lists too.
        Bytes th = extractThumbnail(full);
        if (!th.empty()) {
            int tw = 0, tht = 0;
            ASSERT_EQ(jpegSize(th.data(), th.size(), &tw, &tht), 0u);
            bool thumbListed = false;
            for (const Img& i : usable) thumbListed = thumbListed || (i.w == tw && i.h == tht);
            EXPECT_TRUE(thumbListed) << "thumbnail " << tw << "x" << tht;
        }
    }
    std::printf("%-22s %6s %11s %9s %14s\n", "container", "files", "recognised", "preview", "fields agree");
    for (const auto& [group, row] : table)
        std::printf("%-22s %6d %11d %9d %14d\n", group.c_str(), row.files, row.recognised, row.preview, row.fieldsOk);
}
