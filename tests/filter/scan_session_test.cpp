// The metadata scan and the filter commands of the main window on an in-memory folder.
#include <gtest/gtest.h>

#include <map>

#include "core/ini.h"
#include "filter/saved_filters.h"
#include "filter/scan.h"
#include "test_support.h"

using namespace lv;

namespace {

std::map<std::string, PhotoMeta>& metas() {
    static std::map<std::string, PhotoMeta> m;
    return m;
}
PhotoMeta fakeReader(const std::string& path) {
    auto it = metas().find(path);
    return it == metas().end() ? PhotoMeta() : it->second;
}

struct Shoot {
    FolderState folder;
    FilterSession session;
    ScanState scan;
    Lock lock;
    lvtest::TempDir dir;

    // name: lens (empty: a file without EXIF), rating.
    Shoot(std::initializer_list<std::pair<const char*, int>> photos, std::initializer_list<const char*> lenses) {
        folder.folder = "/shoot/";
        resetPhotoList(folder.photos, int(photos.size()));
        auto lens = lenses.begin();
        int i = 0;
        for (auto [name, rating] : photos) {
            std::string path = folder.folder + name;
            folder.photos.path[size_t(i)] = path;
            folder.photos.rating[size_t(i++)] = rating;
            PhotoMeta m;
            m.lens = *lens++;
            m.valid = !m.lens.empty();
            metas()[path] = m;
        }
        scan.reader = fakeReader;
        session.factsLock = &lock;
        session.settingsPath = dir.file("Lumivore.ini");
        attachFilter(folder, session);
        rebuildVisibleList(folder);
    }
    std::vector<int> shown() const {
        std::vector<int> v;
        for (int p = 0; p < visibleLength(folder); p++) v.push_back(visibleToPhoto(folder, p));
        return v;
    }
};

// Answers questions from a script and remembers what was asked.
struct Script {
    std::vector<Answer> answers;
    std::vector<Prompt> asked;
    static Answer answer(const Prompt& p, void* self) {
        Script& s = *static_cast<Script*>(self);
        s.asked.push_back(p);
        if (s.answers.empty()) return Answer::Cancel;
        Answer a = s.answers.front();
        s.answers.erase(s.answers.begin());
        return a;
    }
    Asker asker() { return {answer, this}; }
};

}  // namespace

TEST(MetadataScan, FilesWithoutExifCompleteTheScan) {
    Shoot s({{"A.JPG", 0}, {"B.JPG", 0}, {"C.JPG", 0}}, {"", "", ""});
    EXPECT_EQ(scanProgress(s.folder, s.lock).read, 0);
    int steps = 0;
    while (metadataScanStep(s.folder, s.scan, s.lock)) steps++;
    EXPECT_EQ(steps, 3);
    EXPECT_TRUE(s.scan.complete);
    EXPECT_TRUE(scanFinished(s.folder, &s.lock));
    ScanProgress p = scanProgress(s.folder, s.lock);
    EXPECT_EQ(p.read, 3);
    EXPECT_EQ(p.total, 3);
    Filter lens;
    addTokenText(lens, "lens|0|0|||EF50mm");
    EXPECT_EQ(countMatches(lens.tokens, factsOf(s.folder, s.session)), 0);

    // Reopening restarts at the first photo; photos already read are skipped.
    resetScan(s.scan);
    EXPECT_FALSE(metadataScanStep(s.folder, s.scan, s.lock));
}

TEST(MetadataScan, SavedLensFilterWaitsForTheScan) {
    Shoot s({{"A.CR3", 0}, {"B.CR3", 0}, {"C.CR3", 0}}, {"EF50mm", "RF35mm", "EF50mm"});
    ASSERT_EQ(putSavedFilter(s.session.saved, "Fifty", "lens|0|0|||ef50MM", ""), 0);
    Script script;
    ASSERT_TRUE(metadataScanStep(s.folder, s.scan, s.lock));

    FilterOutcome o = applySavedFilter(s.folder, s.session, 0, script.asker());
    EXPECT_EQ(s.session.saved.pending, "Fifty");
    EXPECT_FALSE(s.folder.filterActive);
    EXPECT_FALSE(o.rebuilt);
    EXPECT_EQ(filterStatusChips(s.folder, s.session), std::vector<std::string>{"Filter waiting"});
    EXPECT_FALSE(onScanFinishedTick(s.folder, s.session, s.scan, script.asker()).rebuilt);

    runMetadataScan(s.folder, s.scan, s.lock);
    o = onScanFinishedTick(s.folder, s.session, s.scan, script.asker());
    EXPECT_TRUE(o.rebuilt);
    EXPECT_TRUE(s.folder.filterActive);
    EXPECT_EQ(s.shown(), (std::vector<int>{0, 2}));
    EXPECT_TRUE(s.session.saved.pending.empty());
    EXPECT_EQ(filterStatusChips(s.folder, s.session), std::vector<std::string>{"Filtered"});
    EXPECT_EQ(iniGet(lvtest::readFile(s.session.settingsPath), "Filter", "Token1", ""), "lens|0|0|||ef50MM");
    EXPECT_FALSE(onScanFinishedTick(s.folder, s.session, s.scan, script.asker()).rebuilt);  // once per finish
    EXPECT_TRUE(script.asked.empty());
}

TEST(FilterCommands, ToggleAndReapply) {
    Shoot s({{"A.JPG", 0}, {"B.JPG", 0}, {"C.JPG", 0}}, {"", "", ""});
    s.folder.currentPosition = 1;
    FilterOutcome o = toggleFilter(s.folder, s.session);  // default filter: five stars, none has them
    EXPECT_FALSE(s.folder.filterActive);
    EXPECT_EQ(s.folder.currentPosition, 1);
    EXPECT_EQ(o.message.kind, PromptKind::Information);
    EXPECT_EQ(o.message.title, "Lumivore");
    EXPECT_EQ(o.message.text, "No images matching the filter found.\r\n\r\nActive filter:\r\n   -  Rating: 5\r\n");

    for (int i = 0; i < 3; i++) s.folder.photos.rating[size_t(i)] = 5;
    o = toggleFilter(s.folder, s.session);
    EXPECT_TRUE(s.folder.filterActive);
    EXPECT_EQ(o.message.kind, PromptKind::None);
    EXPECT_EQ(s.folder.currentPosition, 1);

    // The shown photo loses its stars: the next one takes its place, then the list shrinks.
    s.folder.photos.rating[1] = 2;
    reapplyFilter(s.folder, s.session);
    EXPECT_EQ(s.shown(), (std::vector<int>{0, 2}));
    EXPECT_EQ(visibleToPhoto(s.folder, s.folder.currentPosition), 2);
    s.folder.photos.rating[2] = 0;
    reapplyFilter(s.folder, s.session);
    EXPECT_EQ(visibleToPhoto(s.folder, s.folder.currentPosition), 0);
}

TEST(FilterCommands, DialogApplyWhileTheScanRuns) {
    Shoot s({{"A.CR3", 4}, {"B.CR3", 4}, {"C.CR3", 1}}, {"EF50mm", "RF35mm", "EF50mm"});
    FilterDialog d;
    openFilterDialog(d, s.folder, s.session);
    d.edit.tokens.clear();
    addTokenText(d.edit, "rating|0|16|||");
    addTokenText(d.edit, "lens|0|0|||EF50mm");

    Script yes{{Answer::Yes}, {}};
    DialogApplyOutcome o = applyFromDialog(d, s.folder, s.session, yes.asker());
    ASSERT_EQ(yes.asked.size(), 1u);
    EXPECT_EQ(yes.asked[0].kind, PromptKind::YesNoCancel);
    EXPECT_EQ(yes.asked[0].text,
              "This filter uses settings that need the metadata scan, which is still running:\r\n\r\n"
              "   -  Lens\r\n\r\nYes: apply it when the scan finishes\r\n"
              "No: apply it now, photos not yet read are hidden\r\nCancel: keep the filter without applying it");
    EXPECT_FALSE(o.closeDialog);
    EXPECT_FALSE(s.folder.filterActive);
    EXPECT_EQ(filterDialogStatus(d, s.folder, s.session), "Reading metadata  0 / 3, applies when done");

    runMetadataScan(s.folder, s.scan, s.lock);
    DialogTick t = filterDialogTick(d, s.folder, s.session);
    EXPECT_TRUE(t.recounted && t.applyNow);
    EXPECT_EQ(t.status, "1 / 3 images match");
    EXPECT_EQ(d.edit.tokens[1].matchCount, 2);
    o = applyFromDialog(d, s.folder, s.session, yes.asker());
    EXPECT_TRUE(o.closeDialog);
    EXPECT_EQ(s.shown(), std::vector<int>{0});

    // Nothing matches: the warning, and the dialog stays open.
    addTokenText(d.edit, "lens|0|0|||none such");
    o = applyFromDialog(d, s.folder, s.session, yes.asker());
    EXPECT_FALSE(o.closeDialog);
    EXPECT_EQ(o.view.message.kind, PromptKind::Warning);
    EXPECT_EQ(o.view.message.text.rfind("No images match this filter. Adjust the criteria and try again.\r\n", 0), 0u);
}

TEST(FilterCommands, DialogCancelAndRatingOnlyFilters) {
    Shoot s({{"A.CR3", 4}, {"B.CR3", 3}}, {"EF50mm", "RF35mm"});
    FilterDialog d;
    openFilterDialog(d, s.folder, s.session);
    d.edit.tokens.clear();
    addTokenText(d.edit, "iso|0|0|100||");
    Script cancel{{Answer::Cancel}, {}};
    DialogApplyOutcome o = applyFromDialog(d, s.folder, s.session, cancel.asker());
    EXPECT_TRUE(o.closeDialog);
    EXPECT_FALSE(s.folder.filterActive);
    EXPECT_EQ(iniGet(lvtest::readFile(s.session.settingsPath), "Filter", "Token1", ""), "iso|0|0|100||");

    // Rating and colour need no scan: applied at once without a question.
    d.edit.tokens.clear();
    addTokenText(d.edit, "rating|0|16|||");
    Script none;
    o = applyFromDialog(d, s.folder, s.session, none.asker());
    EXPECT_TRUE(none.asked.empty());
    EXPECT_TRUE(o.closeDialog);
    EXPECT_EQ(s.shown(), std::vector<int>{0});
}

namespace {
struct Race {
    Shoot* shoot;
    static void run(void* arg) {
        Race& r = *static_cast<Race*>(arg);
        runMetadataScan(r.shoot->folder, r.shoot->scan, r.shoot->lock);
    }
};
}  // namespace

TEST(MetadataScan, EvaluationBesideTheBuilderThread) {
    const int n = 2000;
    Shoot s({}, {});
    resetPhotoList(s.folder.photos, n);
    for (int i = 0; i < n; i++) {
        std::string path = "/shoot/P" + std::to_string(i) + ".CR3";
        s.folder.photos.path[size_t(i)] = path;
        PhotoMeta m;
        m.lens = i % 2 ? "A lens name long enough to live on the heap" : "Another lens name that is just as long";
        metas()[path] = m;
    }
    Filter f;
    addTokenText(f, "lens|0|0|||A lens name long enough to live on the heap");
    Race race{&s};
    Thread t;
    ASSERT_EQ(threadStart(&t, 1 << 20, Race::run, &race), 0u);
    int last = 0;
    while (!s.scan.complete) {
        int now = countMatches(f.tokens, factsOf(s.folder, s.session));
        EXPECT_GE(now, last);  // records only ever arrive whole
        last = now;
    }
    threadJoin(&t);
    EXPECT_EQ(countMatches(f.tokens, factsOf(s.folder, s.session)), n / 2);
}
