// Second-look tests of the settings store, the text table and the diagnostics log: rules that
// the first round of tests left open.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "core/settings.h"
#include "core/texts.h"
#include "test_support.h"

namespace {

// [SECTION] cache size line
TEST(ReviewSettingsDialog, CacheSizeRoundsHalvesAwayFromZero) {
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

}  // namespace
