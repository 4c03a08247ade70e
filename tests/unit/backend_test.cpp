// The choice of backend where no one can see the windows: with SDL's
// offscreen driver named on purpose, a message box cannot be answered, so it
// says its text on standard error and fails at once instead of waiting.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

TEST(Backend, ABoxNobodyCanAnswerSaysItsTextAndFails) {
    // The death test's child process starts afresh and chooses its backend
    // with this in its environment: the desktop's, on SDL's offscreen driver.
    const char* headless = std::getenv("QX_HEADLESS");
    const std::string was = headless ? headless : "";
    setenv("QX_HEADLESS", "0", 1);
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    EXPECT_EXIT(
        {
            alarm(10);  // a box that waits for an answer fails the test, not hangs it
            int answer = MessageBoxA(nullptr, "the text", "the caption", MB_YESNO | MB_ICONQUESTION);
            std::fflush(stderr);
            _exit(answer == 0 ? 3 : 4);
        },
        testing::ExitedWithCode(3), "the caption: the text");
    unsetenv("SDL_VIDEODRIVER");
    if (headless) setenv("QX_HEADLESS", was.c_str(), 1);
    else unsetenv("QX_HEADLESS");
}

}  // namespace
