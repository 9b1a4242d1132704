// Second look at the sidecar reader: values and namespace bindings that other tools write.
#include <gtest/gtest.h>

#include <string>

#include "sidecar/sidecar_file.h"
#include "sidecar/xmp_text.h"

using namespace lv;

// A rating is a number with at most one sign; anything else is not a rating at all.
TEST(ReviewXmpValues, SecondSignIsNotANumber) {
    struct Case {
        const char* text;
        int rating;
    } cases[] = {
        {"--1", 0}, {"+-2", 0}, {"-+3", 0}, {"- 2", 0}, {"-", 0}, {"-1", -1}, {"+4", 4}, {"-.4", 0}, {".6", 1},
        {"4.", 4},  {"4.5", 4}, {"2e-1", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(parseRatingValue(c.text), c.rating) << c.text;
}

