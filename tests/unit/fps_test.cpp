// Frame pacing on an injected clock. The module's state lives for the whole
// process, as in the sample, so each test runs in a process of its own.
#include "support.h"

#include "FPS.h"

#include <gtest/gtest.h>

namespace {

// One frame whose measured work takes `elapsed` ms, starting at `start`.
int frame_wait(DWORD start, DWORD elapsed, DWORD* wait_ms) {
    set_clock(start);
    fpsBegin();
    set_clock(start + elapsed);
    fpsEnd();
    return fpsGetWaitTime(wait_ms);
}

TEST(Fps, SleepsForTheRestOfThePeriod) {
    fpsInit(60);
    const struct { DWORD elapsed; int sleeps; DWORD ms; } cases[] = {
        {0, 1, 16}, {3, 1, 13}, {15, 1, 1}, {16, 0, 0}, {17, 0, 0}, {5000, 0, 0},
    };
    for (const auto& c : cases) {
        DWORD ms = 0;
        EXPECT_EQ(frame_wait(100000, c.elapsed, &ms), c.sleeps) << c.elapsed;
        if (c.sleeps) {
            EXPECT_EQ(ms, c.ms) << c.elapsed;
        }
    }
    // Across the clock's wrap-around the elapsed time is still 3 ms.
    DWORD ms = 0;
    EXPECT_EQ(frame_wait(0xFFFFFFFEu, 3, &ms), 1);
    EXPECT_EQ(ms, 13u);
}

TEST(Fps, PeriodFromRate) {
    const struct { DWORD fps, period; } cases[] = {{60, 16}, {30, 33}, {1000, 1}, {1, 1000}, {0, 1000}};
    for (const auto& c : cases) {
        fpsInit(c.fps);
        DWORD ms = 0;
        EXPECT_EQ(frame_wait(5000, 0, &ms), c.period ? 1 : 0) << c.fps;
        EXPECT_EQ(ms, c.period) << c.fps;
    }
    // 2000 frames per second is a period of 0: no frame ever sleeps.
    fpsInit(2000);
    DWORD ms = 77;
    EXPECT_EQ(frame_wait(5000, 0, &ms), 0);
    fpsInit(60);
}

TEST(Fps, ReportsOncePerSecond) {
    DWORD value = 0;
    auto frame_ending_at = [](DWORD t) {
        set_clock(t);
        fpsBegin();
        fpsEnd();
    };
    // The first frame reports at once, with a count of 1.
    frame_ending_at(500000);
    ASSERT_EQ(fpsGetValue(&value), 1);
    EXPECT_EQ(value, 1u);
    // Frames up to exactly 1000 ms later count but do not report ...
    for (DWORD t = 500016; t <= 501000; t += 16) {
        frame_ending_at(t);
        ASSERT_EQ(fpsGetValue(&value), 0) << t;
    }
    frame_ending_at(501000);
    EXPECT_EQ(fpsGetValue(&value), 0);
    // ... the first one after 1000 ms does, counting itself.
    frame_ending_at(501001);
    ASSERT_EQ(fpsGetValue(&value), 1);
    EXPECT_EQ(value, 64u);  // 62 frames of 16 ms, the frame at 1000 ms and this one
    // The next report follows 1001 ms after this one, across the clock's wrap.
    frame_ending_at(0xFFFFFFF0u);
    ASSERT_EQ(fpsGetValue(&value), 1);
    frame_ending_at(0xFFFFFFF0u + 1000u);
    EXPECT_EQ(fpsGetValue(&value), 0);
    frame_ending_at(0xFFFFFFF0u + 1001u);
    ASSERT_EQ(fpsGetValue(&value), 1);
    EXPECT_EQ(value, 2u);
}

TEST(FpsDeathTest, NullOutParametersAreCaught) {
    EXPECT_DEATH(fpsGetWaitTime(nullptr), "waitTime != NULL, file FPS, line 70");
    set_clock(0x7000000u);
    fpsBegin();
    fpsEnd();
    EXPECT_DEATH(fpsGetValue(nullptr), "fpsValue != NULL, file FPS, line 102");
}

}  // namespace
