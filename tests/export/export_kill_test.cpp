// An export killed at random moments (SIGKILL, so nothing of ours runs at the end) never leaves a
// file under a final name that differs from its source; the staging files it leaves are named by
// the next run's summary. POSIX only: it forks the exporting process.
#ifndef _WIN32
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>
#include <string>

#include "core/texts.h"
#include "export/copy_engine.h"
#include "export/export_engine.h"
#include "platform/platform.h"
#include "test_support.h"

using namespace lv;

TEST(ExportKilled, NeverLeavesAWrongFileUnderAFinalName) {
    lvtest::TempDir dir;
    std::string src = dir.file("shoot"), dst = dir.file("out");
    ASSERT_EQ(folderCreateAll(src), 0u);
    ASSERT_EQ(folderCreateAll(dst), 0u);
    std::mt19937 rng(20261206);
    std::vector<std::string> files;
    for (int i = 0; i < 16; i++) {
        std::string body(64000 + rng() % 1500000, '\0');
        for (char& c : body) c = char(rng());
        files.push_back(joinPath(src, "IMG_" + std::to_string(i) + ".CR3"));
        ASSERT_TRUE(lvtest::writeFile(files.back(), body));
    }
    auto check = [&](int round) {
        std::vector<DirEntry> entries;
        ASSERT_EQ(listFolder(dst, &entries), 0u);
        for (const DirEntry& e : entries) {
            if (e.name.size() > kStagingSuffix.size() && e.name.compare(e.name.size() - kStagingSuffix.size(),
                                                                        kStagingSuffix.size(), kStagingSuffix) == 0)
                continue;
            ASSERT_EQ(lvtest::readFile(joinPath(dst, e.name)), lvtest::readFile(joinPath(src, e.name)))
                << e.name << " after kill " << round;
        }
    };
    int kills = 0;
    for (int round = 0; round < 20; round++) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ExportJob* job = new ExportJob;
            job->destination = dst;
            job->files = files;
            runExport(*job);
            ::_exit(0);
        }
        sleepMs(rng() % 120);
        if (::kill(pid, SIGKILL) == 0) kills++;
        int status = 0;
        ::waitpid(pid, &status, 0);
        check(round);
        // Some runs start over: the published files of the earlier ones are "already there".
        if (round % 5 == 4) {
            std::vector<DirEntry> entries;
            listFolder(dst, &entries);
            for (const DirEntry& e : entries)
                if (e.name.find(".lumivore-part") == std::string::npos) fileDelete(joinPath(dst, e.name));
        }
    }
    EXPECT_GT(kills, 0);

    ExportJob job;
    job.destination = dst;
    job.files = files;
    runExport(job);
    check(-1);
    EXPECT_EQ(job.counters.failed, 0);
    EXPECT_EQ(job.counters.copied + job.counters.alreadyThere, int(files.size()));
    std::vector<DirEntry> entries;
    listFolder(dst, &entries);
    int parts = 0;
    for (const DirEntry& e : entries) parts += e.name.find(".lumivore-part") != std::string::npos;
    EXPECT_EQ(job.counters.partsLeft, parts);
    if (parts > 0) {
        EXPECT_NE(describeExportResult(job.counters).find(job.counters.firstPart), std::string::npos);
    }
    std::printf("[ info ] %d kills, %d staging files left and named\n", kills, parts);
}
#endif
