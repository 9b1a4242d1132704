// Every input a fuzzer ever found, kept under fuzz/regressions/<target>/, runs through its
// target in the ordinary test run, so a mended fault stays mended. A target aborts or trips the
// sanitizers on a fault; returning is a pass.
#include <gtest/gtest.h>

#include <string>

#include "fuzz_targets.h"
#include "platform/platform.h"
#include "test_support.h"

namespace {

TEST(FuzzRegressions, EveryKeptInputRunsCleanly) {
    const std::string root = std::string(LV_SOURCE_DIR) + "/fuzz/regressions";
    int replayed = 0;
    for (const FuzzTarget& t : kFuzzTargets) {
        std::vector<lv::DirEntry> entries;
        if (lv::listFolder(root + "/" + t.name, &entries) != lv::kErrOk) continue;
        for (const lv::DirEntry& e : entries) {
            if (e.isFolder) continue;
            std::string bytes = lvtest::readFile(root + "/" + t.name + "/" + e.name);
            SCOPED_TRACE(std::string(t.name) + "/" + e.name);
            EXPECT_EQ(t.run(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), 0);
            replayed++;
        }
    }
    // The folder ships with inputs; finding none means the path or the listing broke.
    EXPECT_GT(replayed, 0);
}

}  // namespace
