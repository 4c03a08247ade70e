// Test entry point. Death tests re-run the binary for the one test, because
// the layer keeps threads (the presenter) that a plain fork would not copy.
#include <gtest/gtest.h>

// The runtime's start-up code is linked in on Windows, and wants the game's
// Main; the tests never start the runtime that way.
int Main() { return 0; }

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    return RUN_ALL_TESTS();
}
