// The headless backend as a program meets it, each case in a process of its
// own that chooses it: timeGetTime starts far above 1000 and moves on only
// when the program sleeps (by exactly the sleep) or polls (a microsecond a
// poll), the script's keys are held at their times, even for a program that
// only spins on the keys, and a message box nobody is left to answer ends
// the run with status 3.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

bool held(int vk) { return (GetAsyncKeyState(vk) & 0x8000) != 0; }

// Runs the headless backend with this key script in the death test's child.
class HeadlessRun {
public:
    explicit HeadlessRun(const char* script) : path_(testing::TempDir() + "headless-keys.txt") {
        std::FILE* f = std::fopen(path_.c_str(), "w");
        if (f) {
            std::fputs(script, f);
            std::fclose(f);
        }
        setenv("QX_HEADLESS", "1", 1);
        if (*script) setenv("QX_SCRIPT", path_.c_str(), 1);
    }
    ~HeadlessRun() {
        unsetenv("QX_HEADLESS");
        unsetenv("QX_SCRIPT");
        std::remove(path_.c_str());
    }

private:
    std::string path_;
};

TEST(HeadlessDeathTest, TimeMovesOnlyWithSleepsAndPolls) {
    HeadlessRun run("100 down A\n200 up A\n300 down B\n");
    auto body = [] {
        alarm(10);
        std::string failures;
        auto expect = [&](bool ok, const char* what) {
            if (!ok) failures += std::string(" ") + what + ";";
        };
        const DWORD t0 = timeGetTime();
        expect(t0 > 1000000, "the clock starts far above 1000");
        Sleep(99);
        expect(!held('A'), "A is not yet down at 99 ms");
        Sleep(1);
        expect(held('A'), "A is down at 100 ms");
        expect(timeGetTime() - t0 == 100, "Sleep(99) and Sleep(1) took 100 ms");
        Sleep(100);
        expect(!held('A'), "A is up at 200 ms");
        // From 200 ms to 300 ms by polls alone: a hundred thousand of them.
        long polls = 0;
        while (!held('B')) ++polls;
        expect(polls > 99900 && polls <= 100000, "B came after 1e5 polls");
        expect(timeGetTime() - t0 == 300, "B went down at 300 ms");
        std::fprintf(stderr, "%s\n", failures.empty() ? "all held" : failures.c_str());
        _exit(failures.empty() ? 0 : 1);
    };
    EXPECT_EXIT(body(), testing::ExitedWithCode(0), "all held");
}

TEST(HeadlessDeathTest, ABoxNobodyIsLeftToAnswerEndsTheRun) {
    for (const char* script : {"", "5 up A\n"}) {
        SCOPED_TRACE(script);
        HeadlessRun run(script);
        EXPECT_EXIT(
            {
                alarm(10);
                MessageBoxA(nullptr, "the text", "the caption", MB_OK);
                _exit(0);
            },
            testing::ExitedWithCode(3),
            *script ? "in \"the caption\" at 5 ms of virtual time, and the key script has no events left"
                    : "in \"the caption\" at 0 ms of virtual time, and there is no key script");
    }
}

}  // namespace
