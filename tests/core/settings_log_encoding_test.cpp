// The settings dialog's cache size line, the diagnostics log at shutdown and the settings file's
// encoding: rounding, ordering and code-page rules.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "core/diaglog.h"
#include "core/ini.h"
#include "core/settings.h"
#include "core/texts.h"
#include "test_support.h"

namespace {

// [SECTION] cache size line
TEST(SettingsDialogCacheLine, CacheSizeRoundsHalvesAwayFromZero) {
    lv::buildTextTable("en");
    const std::string label = "Thumbnail cache on disk: ";
    // Exact halves of a tenth of a megabyte go up, as the "0.0" format does; printf's rounding
    // would show 0.25 MB as 0.2 and 1.25 MB as 1.2.
    EXPECT_EQ(lv::cacheSizeLine(262144), label + "0.3 MB");   // 0.25 MB
    EXPECT_EQ(lv::cacheSizeLine(1310720), label + "1.3 MB");  // 1.25 MB
    EXPECT_EQ(lv::cacheSizeLine(786432), label + "0.8 MB");   // 0.75 MB
    // Just either side of the first tenth.
    EXPECT_EQ(lv::cacheSizeLine(52428), label + "0.0 MB");
    EXPECT_EQ(lv::cacheSizeLine(52429), label + "0.1 MB");
    // 9.96 MB carries into the units.
    EXPECT_EQ(lv::cacheSizeLine(10443817), label + "10.0 MB");
    // The largest count neither overflows nor loses its digits.
    EXPECT_EQ(lv::cacheSizeLine(UINT64_MAX), label + "17592186044416.0 MB");
}

// [SECTION] diagnostics log
// Entries of threads that are still running when the log is closed may be lost, but none may
// land after "clean shutdown": a log that does not end with it reads as a crash.
TEST(DiagLogShutdown, NothingFollowsCleanShutdownWhileOthersStillLog) {
    for (int round = 0; round < 50; round++) {
        lvtest::TempDir dir;
        const std::string path = dir.file("diagnostics.log");
        lv::logOpenAt(path, "lumivore", "lumivore /LOG");
        ASSERT_TRUE(lv::logEnabled());
        std::atomic<bool> go{false}, stop{false};
        std::atomic<int> written{0};
        std::vector<std::thread> writers;
        for (int t = 0; t < 3; t++)
            writers.emplace_back([&] {
                while (!go.load()) std::this_thread::yield();
                while (!stop.load()) {
                    lv::logLine("worker entry");
                    written++;
                }
            });
        go.store(true);
        while (written.load() < 8) std::this_thread::yield();
        // Writers waiting on the log's lock when it closes finish their entry after the stop.
        lv::logClose();
        stop.store(true);
        for (auto& w : writers) w.join();
        const std::string body = lvtest::readFile(path);
        const std::string tail = "  clean shutdown\r\n";
        ASSERT_GE(body.size(), tail.size());
        ASSERT_EQ(body.substr(body.size() - tail.size()), tail) << "round " << round;
        EXPECT_EQ(body.find("clean shutdown"), body.size() - tail.size() + 2) << "round " << round;
    }
}

// [SECTION] settings file encoding
// A file that is not UTF-8 is read in the code page of the system it was saved on; only where
// the system has none does the Western table stand in.
TEST(IniEncodingSystem, NonUtf8FileFollowsTheSystemCodePage) {
    const std::string bytes = "[Import]\r\nDestination=D:\\Zdj\xEA" "cia\r\n";
    ASSERT_FALSE(lv::isValidUtf8(bytes));
    std::string viaSystem;
    if (lv::utf8FromSystemAnsi(bytes, &viaSystem)) {
        EXPECT_TRUE(lv::isValidUtf8(viaSystem));
        EXPECT_EQ(lv::iniTextFromBytes(bytes), viaSystem);
    } else {
        EXPECT_EQ(lv::iniTextFromBytes(bytes), lv::utf8FromAnsi(bytes));
        EXPECT_EQ(lv::iniGet(lv::iniTextFromBytes(bytes), "Import", "Destination", ""), "D:\\Zdj\xC3\xAA" "cia");
    }
}

}  // namespace
