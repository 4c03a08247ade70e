// The headless backend as a program meets it, each case in a process of its
// own that chooses it: timeGetTime starts far above 1000 and moves on only
// when the program sleeps (by exactly the sleep) or polls (a microsecond a
// poll), the script's keys are held at their times, even for a program that
// only spins on the keys; a message box nobody is left to answer, or a getch
// past the script's last event, ends the run with status 3; the time limit
// ends it with status 5.
#include "support.h"

#include <gmock/gmock.h>
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
    explicit HeadlessRun(const char* script, const char* time_limit = nullptr)
        // The process's own name: other runs of the suite may share the folder.
        : path_(testing::TempDir() + "headless-keys-" + std::to_string(getpid()) + ".txt") {
        std::FILE* f = std::fopen(path_.c_str(), "w");
        if (f) {
            std::fputs(script, f);
            std::fclose(f);
        }
        setenv("QX_HEADLESS", "1", 1);
        if (*script) setenv("QX_SCRIPT", path_.c_str(), 1);
        if (time_limit) setenv("QX_TIME_LIMIT", time_limit, 1);
    }
    ~HeadlessRun() {
        unsetenv("QX_HEADLESS");
        unsetenv("QX_SCRIPT");
        unsetenv("QX_TIME_LIMIT");
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
                MessageBoxA(nullptr, "the text\r\nits second line", "the caption", MB_OK);
                _exit(0);
            },
            testing::ExitedWithCode(3),
            testing::AllOf(
                // What the box says, for the log, and why the run ends.
                testing::HasSubstr("qx: a message box, \"the caption\": the text / its second line\n"),
                testing::HasSubstr(*script
                                       ? "in \"the caption\" at 5 ms of virtual time, and the key script has no events left"
                                       : "in \"the caption\" at 0 ms of virtual time, and there is no key script")));
    }
}

// A program that polls the keys a million and a half times (1.5 s of
// virtual time), doing between the polls what the case says; a program that
// does nothing else is waiting for a key.
TEST(HeadlessDeathTest, AProgramThatOnlyPollsTheKeysPastTheScriptWaitsForAKey) {
    enum class Between { nothing, drawing, clock, sleep, messages, getch };
    const struct { Between between; int status; const char* says; } cases[] = {
        {Between::nothing, 3, "waits for a key at 1005 ms of virtual time, and the key script has no events left"},
        {Between::getch, 3, "waits for a key at 1005 ms of virtual time, and the key script has no events left"},
        {Between::drawing, 0, "polled"},
        {Between::clock, 0, "polled"},
        {Between::sleep, 0, "polled"},
        {Between::messages, 0, "polled"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.between));
        HeadlessRun run("5 up A\n");
        auto body = [&] {
            alarm(10);
            HDC dc = GetDC(runtime_window());
            if (c.between == Between::getch) getch();
            for (int i = 0; i < 1500000; ++i) {
                held('A');
                switch (c.between) {
                    case Between::drawing: SetPixel(dc, i % 64, 0, COLORREF(i)); break;
                    case Between::clock: timeGetTime(); break;
                    case Between::sleep: if (i % 1000 == 0) Sleep(0); break;
                    case Between::messages: {
                        MSG m;
                        if (i % 1000 == 0) PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE);
                        break;
                    }
                    default: break;
                }
            }
            std::fprintf(stderr, "polled\n");
            _exit(0);
        };
        EXPECT_EXIT(body(), testing::ExitedWithCode(c.status), testing::HasSubstr(c.says));
    }
    HeadlessRun none("");
    EXPECT_EXIT(
        {
            alarm(10);
            getch();
            _exit(0);
        },
        testing::ExitedWithCode(3), testing::HasSubstr("waits for a key at 1000 ms of virtual time, and there is no key script"));
}

// The limit ends a run that sleeps, or spins on the clock, at that virtual
// time; the events due by then are played.
TEST(HeadlessDeathTest, TheTimeLimitEndsTheRunThere) {
    for (bool sleeps : {true, false}) {
        SCOPED_TRACE(sleeps);
        HeadlessRun run("2500 down A\n", "2500");
        EXPECT_EXIT(
            {
                alarm(10);
                for (;;) {
                    if (held('A')) _exit(0);
                    if (sleeps) Sleep(300);
                    else timeGetTime();
                }
            },
            testing::ExitedWithCode(5),
            testing::HasSubstr("the run reached its time limit, QX_TIME_LIMIT=2500 ms of virtual time; ending it with "
                               "status 5"));
    }
}

}  // namespace

namespace {

std::vector<unsigned char> read_all(const std::string& path) {
    std::vector<unsigned char> bytes;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        for (int c; (c = std::fgetc(f)) != EOF;) bytes.push_back(static_cast<unsigned char>(c));
        std::fclose(f);
    }
    return bytes;
}

int16_t left_sample(const std::vector<unsigned char>& wav, size_t frame) {
    const size_t at = 44 + frame * 4;
    return int16_t(uint16_t(wav[at] | wav[at + 1] << 8));
}

}  // namespace

// The run's sound in virtual time: a tone started at 1000 ms starts at
// sample 44,100 of the recording and stops at 1010 ms, sample 44,541; the
// file is the same, byte for byte, on a second run.
TEST(HeadlessDeathTest, TheRecordingIsSampleExactAndTheSameOnEveryRun) {
    // Named after the parent's process: the death tests' children run this
    // again, and keep the name they inherit.
    setenv("QX_TEST_SOUND", (testing::TempDir() + "headless-sound-" + std::to_string(getpid())).c_str(), 0);
    const std::string base = std::getenv("QX_TEST_SOUND");
    HeadlessRun run("");
    auto body = [] {
        alarm(10);
        Sleep(1000);
        qx_sound(1000);
        Sleep(10);
        qx_nosound();
        Sleep(5);
        std::exit(0);  // the recording is put in place as the process ends
    };
    const std::string paths[] = {base + "-1.wav", base + "-2.wav"};
    for (const std::string& path : paths) {
        setenv("QX_AUDIO_SHOT", path.c_str(), 1);
        EXPECT_EXIT(body(), testing::ExitedWithCode(0), "");
    }
    unsetenv("QX_AUDIO_SHOT");
    const std::vector<unsigned char> wav = read_all(paths[0]);
    EXPECT_TRUE(wav == read_all(paths[1])) << "two runs recorded different bytes";
    for (const std::string& path : paths) std::remove(path.c_str());
    ASSERT_EQ(wav.size(), 44u + 4u * 44761u) << "1015 ms of 16-bit stereo at 44,100 Hz";
    EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
    EXPECT_EQ(std::string(wav.begin() + 8, wav.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(std::string(wav.begin() + 36, wav.begin() + 40), "data");
    EXPECT_EQ(left_sample(wav, 44099), 0);
    EXPECT_EQ(left_sample(wav, 44100), 8000);
    EXPECT_EQ(left_sample(wav, 44122), 8000) << "1000 Hz: high for the first half period, 22.05 samples";
    EXPECT_EQ(left_sample(wav, 44123), -8000);
    EXPECT_EQ(left_sample(wav, 44540), -8000);
    EXPECT_EQ(left_sample(wav, 44541), 0);
}
