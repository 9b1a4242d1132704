#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "core/diaglog.h"
#include "core/pathname.h"
#include "platform/platform.h"
#include "test_support.h"

namespace {

std::vector<std::string> crlfLines(const std::string& s) {
    std::vector<std::string> out;
    size_t pos = 0;
    while (pos < s.size()) {
        size_t e = s.find("\r\n", pos);
        if (e == std::string::npos) {
            out.push_back(s.substr(pos));  // an unterminated tail shows up as a broken line
            break;
        }
        out.push_back(s.substr(pos, e - pos));
        pos = e + 2;
    }
    return out;
}

bool isClock(const std::string& s) {
    if (s.size() < 8) return false;
    for (int i : {0, 1, 3, 4, 6, 7})
        if (s[i] < '0' || s[i] > '9') return false;
    return s[2] == ':' && s[5] == ':';
}

struct LogFile : ::testing::Test {
    lvtest::TempDir dir;
    void TearDown() override {
        if (lv::logEnabled()) lv::logClose();
    }
};

TEST_F(LogFile, NothingIsWrittenWithoutTheSwitch) {
    ASSERT_FALSE(lv::logEnabled());
    lv::logLine("should go nowhere");
    lv::logClose();
    EXPECT_FALSE(lv::logEnabled());
    EXPECT_EQ(lv::logPath(), "");
    std::vector<lv::DirEntry> entries;
    ASSERT_EQ(lv::listFolder(dir.path, &entries), 0u);
    EXPECT_TRUE(entries.empty());
}

TEST_F(LogFile, HeaderEntriesAndCleanShutdown) {
    std::string path = dir.file("diagnostics.log");
    ASSERT_TRUE(lvtest::writeFile(path, "old log that must be replaced\r\n"));
    lv::logOpenAt(path, "C:\\Program Files\\Lumivore\\Lumivore.exe",
                  "\"C:\\Program Files\\Lumivore\\Lumivore.exe\"   /log D:\\Shoot");
    ASSERT_TRUE(lv::logEnabled());
    // A second open must not truncate what was written.
    lv::logLine("first entry");
    lv::logOpenAt(dir.file("other.log"), "x", "y");
    lv::logLine("second entry");
    lv::logClose();
    EXPECT_FALSE(lv::logEnabled());
    lv::logLine("after close");

    std::string body = lvtest::readFile(path);
    ASSERT_GE(body.size(), 2u);
    EXPECT_EQ(body.substr(body.size() - 2), "\r\n");
    auto lines = crlfLines(body);
    ASSERT_EQ(lines.size(), 6u) << body;
    // "Lumivore 0.9.2 diagnostic log  --  MM-DD-YYYY HH:MM:SS"
    const std::string head = "Lumivore 0.9.2 diagnostic log  --  ";
    ASSERT_EQ(lines[0].substr(0, head.size()), head);
    std::string stamp = lines[0].substr(head.size());
    ASSERT_EQ(stamp.size(), 19u) << stamp;
    EXPECT_EQ(stamp[2], '-');
    EXPECT_EQ(stamp[5], '-');
    EXPECT_EQ(stamp[10], ' ');
    EXPECT_TRUE(isClock(stamp.substr(11)));
    EXPECT_EQ(lines[1], "exe: C:\\Program Files\\Lumivore\\Lumivore.exe");
    EXPECT_EQ(lines[2], "command line: /log D:\\Shoot");
    const char* msgs[] = {"first entry", "second entry", "clean shutdown"};
    for (int i = 0; i < 3; i++) {
        const std::string& l = lines[3 + i];
        EXPECT_TRUE(isClock(l)) << l;
        EXPECT_EQ(l.substr(8), std::string("  ") + msgs[i]);
    }
    EXPECT_FALSE(lv::pathExists(dir.file("other.log")));
}

TEST(LogCommandLine, ProgramPathIsCutOff) {
    EXPECT_EQ(lv::commandLineArguments("\"C:\\a b\\L.exe\" /LOG x"), "/LOG x");
    EXPECT_EQ(lv::commandLineArguments("L.exe   D:\\Shoot /Log"), "D:\\Shoot /Log");
    EXPECT_EQ(lv::commandLineArguments("L.exe"), "");
    EXPECT_EQ(lv::commandLineArguments("\"unclosed quote /LOG"), "");
    EXPECT_EQ(lv::commandLineArguments(""), "");
}

TEST_F(LogFile, ConcurrentWritersGiveWholeLines) {
    std::string path = dir.file("diagnostics.log");
    lv::logOpenAt(path, "exe", "exe /LOG");
    constexpr int kThreads = 6, kEach = 150;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; t++)
        threads.emplace_back([t] {
            // Long messages make a torn write visible as a mixed line.
            std::string msg = "thread " + std::to_string(t) + " " + std::string(200, char('a' + t));
            for (int i = 0; i < kEach; i++) lv::logLine(msg + " #" + std::to_string(i));
        });
    for (auto& th : threads) th.join();
    lv::logClose();

    auto lines = crlfLines(lvtest::readFile(path));
    ASSERT_EQ(lines.size(), size_t(3 + kThreads * kEach + 1));
    std::vector<int> next(kThreads, 0);
    for (size_t i = 3; i + 1 < lines.size(); i++) {
        const std::string& l = lines[i];
        ASSERT_TRUE(isClock(l)) << l;
        ASSERT_EQ(l.substr(8, 9), "  thread ") << l;
        int t = l[17] - '0';
        ASSERT_GE(t, 0);
        ASSERT_LT(t, kThreads);
        std::string want = "  thread " + std::to_string(t) + " " + std::string(200, char('a' + t)) + " #" +
                           std::to_string(next[t]++);
        ASSERT_EQ(l.substr(8), want);  // whole, and in each thread's own order
    }
    for (int t = 0; t < kThreads; t++) EXPECT_EQ(next[t], kEach);
    EXPECT_EQ(lines.back().substr(8), "  clean shutdown");
}

TEST_F(LogFile, UnwritableLogNeverDisturbsTheCaller) {
    // The log's folder does not exist: every write fails, silently.
    std::string path = dir.file("missing-folder") + "/" + "diagnostics.log";
    lv::logOpenAt(path, "exe", "exe /LOG");
    EXPECT_TRUE(lv::logEnabled());
    for (int i = 0; i < 10; i++) lv::logLine("lost entry");
    lv::logClose();
    EXPECT_FALSE(lv::logEnabled());
    EXPECT_FALSE(lv::pathExists(path));
}

TEST_F(LogFile, AnEntryRecreatesADeletedLog) {
    std::string path = dir.file("diagnostics.log");
    lv::logOpenAt(path, "exe", "exe /LOG");
    ASSERT_EQ(lv::fileDelete(path), 0u);
    lv::logLine("after the user removed it");
    lv::logClose();
    auto lines = crlfLines(lvtest::readFile(path));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].substr(8), "  after the user removed it");
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

}  // namespace
