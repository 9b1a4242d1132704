// The Windows test programs' entry point: the run's result is returned with _Exit once every
// stream is flushed. Under Wine the ordinary exit of a process whose threads used the image
// decoder can stall for minutes after the last test; nothing is left to clean up by then.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    int rc = RUN_ALL_TESTS();
    std::fflush(nullptr);
    std::_Exit(rc);
}
