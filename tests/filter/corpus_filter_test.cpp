// End to end on real camera files: a shoot folder is copied, some photos are rated and labelled
// through their sidecars, the folder is loaded and scanned, and what each filter shows is
// checked against what ExifTool reads from the same files. Skipped without the corpus or
// ExifTool (and on Windows, where the tests run without it).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <set>

#include "core/pathname.h"
#include "filter/saved_filters.h"
#include "filter/scan.h"
#include "filter/token_syntax.h"
#include "test_json.h"
#include "library/bursts.h"
#include "library/filekinds.h"
#include "metadata/shot_info.h"
#include "sidecar/sidecar_file.h"
#include "test_support.h"

using namespace lv;

#ifndef _WIN32
namespace {

struct Oracle {
    std::string camera, lens, label;
    int rating = 0;
};

std::string run(const std::string& cmd) {
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
    return out;
}

void readRating(std::string_view path, int* rating, std::string* label) {
    RatingLabel rl = readRatingLabel(path);
    *rating = rl.rating;
    *label = rl.label;
}

// A copy of the corpus photos in one folder, as a card would hold them.
int copyShoot(const std::string& corpus, const std::string& to) {
    int n = 0;
    for (const char* sub : {"files/arw", "files/cr2", "files/cr3", "files/dng", "files/jpeg", "files/nef", "files/orf",
                            "files/pef", "files/raf", "files/rw2", "files/x3f", "derived/exvjpeg"}) {
        std::string from = corpus + "/" + sub;
        std::vector<DirEntry> entries;
        if (listFolder(from, &entries) != 0) continue;
        for (const DirEntry& e : entries)
            if (!e.isFolder && isSupportedPhoto(e.name) && fileCopy(joinPath(from, e.name), joinPath(to, e.name), true) == 0)
                n++;
    }
    return n;
}

}  // namespace

TEST(FilterCorpus, SelectionsAgreeWithExiftool) {
    if (std::system("exiftool -ver > /dev/null 2>&1") != 0) GTEST_SKIP() << "exiftool not on PATH";
    std::string corpus = lvtest::corpusDir();
    if (corpus.empty()) GTEST_SKIP() << "corpus not present";
    lvtest::TempDir dir;
    ASSERT_GE(copyShoot(corpus, dir.path), 20);

    FolderState st;
    ASSERT_GT(loadFolder(st, dir.path, "", readRating), 0);
    // Rate and label some photos as the viewer does; one label is another tool's word.
    const int ratings[] = {4, 5, -1, 2, 4, 0, 1};
    const char* labels[] = {"Red", "", "Green", "Select", "Red", "Purple", ""};
    for (int i = 0; i < 7; i++) {
        ASSERT_TRUE(writeRating(st.photos.path[size_t(i * 3)], ratings[i], ""));
        ASSERT_TRUE(writeLabel(st.photos.path[size_t(i * 3)], labels[i], ratings[i]));
    }
    ASSERT_GT(loadFolder(st, dir.path, "", readRating), 0);
    Lock lock;
    ScanState scan;
    runMetadataScan(st, scan, lock);
    computeBursts(st);

    std::string json = run("exiftool -j -q -m -n -IFD0:Make -IFD0:Model -ExifIFD:LensMake -ExifIFD:LensModel -XMP-xmp:Rating "
                           "-XMP-xmp:Label '" + dir.path + "' 2>/dev/null");
    lvtest::Json all = lvtest::parseJson(json);
    ASSERT_TRUE(all.is_array()) << json.substr(0, 200);
    std::map<std::string, const lvtest::Json*> byName;
    for (const lvtest::Json& e : all) byName[std::string(fileNamePart(lvtest::text(lvtest::field(e, "SourceFile"))))] = &e;

    // What each photo is, by ExifTool: the rating and label from its sidecar when it has one,
    // else from the photo's own XMP; camera (IFD0, where the reader looks) and lens named by the
    // rules of the panel.
    std::vector<Oracle> oracle(size_t(st.photos.count));
    for (int i = 0; i < st.photos.count; i++) {
        const std::string& path = st.photos.path[size_t(i)];
        const lvtest::Json* e = byName[std::string(fileNamePart(path))];
        ASSERT_TRUE(e) << path;
        auto sc = byName.find(std::string(fileNamePart(sidecarPathFor(path))));
        const lvtest::Json& xmp = sc != byName.end() ? *sc->second : *e;
        Oracle& o = oracle[size_t(i)];
        o.rating = int(lvtest::number(lvtest::field(xmp, "Rating")));
        o.label = lvtest::text(lvtest::field(xmp, "Label"));
        o.camera = cameraName(lvtest::text(lvtest::field(*e, "Make")), lvtest::text(lvtest::field(*e, "Model")));
        o.lens = lensName(lvtest::text(lvtest::field(*e, "LensMake")), lvtest::text(lvtest::field(*e, "LensModel")));
    }

    auto upper = [](const std::string& s) { return upperAscii(s); };
    struct Case {
        std::string token;
        std::function<bool(const Oracle&)> expect;
    };
    std::vector<Case> cases = {
        {"rating>=4", [](const Oracle& o) { return o.rating >= 4; }},
        {"rating=rejected", [](const Oracle& o) { return o.rating == -1; }},
        {"rating!=rejected", [](const Oracle& o) { return o.rating != -1; }},
        {"colour=red", [&](const Oracle& o) { return upper(o.label) == "RED"; }},
        {"colour=none", [](const Oracle& o) { return o.label.empty(); }},
        {"colour=other",
         [&](const Oracle& o) {
             std::string u = upper(o.label);
             return !u.empty() && u != "RED" && u != "YELLOW" && u != "GREEN" && u != "BLUE" && u != "PURPLE";
         }},
    };
    std::set<std::string> cameras, lenses;
    for (const Oracle& o : oracle) {
        if (!o.camera.empty()) cameras.insert(o.camera);
        if (!o.lens.empty()) lenses.insert(o.lens);
    }
    for (const std::string& c : cameras) cases.push_back({"camera=" + c, [c](const Oracle& o) { return o.camera == c; }});
    for (const std::string& l : lenses) cases.push_back({"lens=" + l, [l](const Oracle& o) { return o.lens == l; }});

    int selective = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.token);
        FilterToken t;
        std::string why;
        ASSERT_TRUE(parseTokenArgument(c.token, &t, &why)) << why;
        std::vector<std::string> got, want, onCard;
        TokenMatcher matcher{"", {t}, nullptr};  // as the import tests files it has not opened
        for (int i = 0; i < st.photos.count; i++) {
            const std::string& path = st.photos.path[size_t(i)];
            std::string name(fileNamePart(path));
            if (photoMatchesFilter(std::span(&t, 1), FactsView{&st, &lock}, i)) got.push_back(name);
            if (c.expect(oracle[size_t(i)])) want.push_back(name);
            if (matcherAcceptsFile(path, &matcher)) onCard.push_back(name);
        }
        EXPECT_EQ(got, want);
        EXPECT_EQ(onCard, want);
        selective += !want.empty() && int(want.size()) < st.photos.count;
    }
    EXPECT_GE(selective, 12);

    // The strip shows exactly the four- and five-star photos once the filter is on.
    FilterSession session;
    session.current.tokens.clear();
    ASSERT_TRUE(addTokenText(session.current, "rating|0|48|||"));
    toggleFilter(st, session);
    ASSERT_TRUE(st.filterActive);
    int shown = visibleLength(st);
    EXPECT_EQ(shown, int(std::count_if(oracle.begin(), oracle.end(), [](const Oracle& o) { return o.rating >= 4; })));
}
#endif
