// Frame pacing: the period, the stamps of the current frame, and the count
// of frames since the last rate report.
#include "FPS.h"

#include <cstdio>
#include <cstdlib>

namespace {

DWORD frameTime = 16;
DWORD startTime = 0;
DWORD endTime = 0;
DWORD frameCount = 0;
DWORD lastTime = 0;

// The module's checks report the expression, the file FPS and the line the
// check has always been known by.
[[noreturn]] void fps_assert_failed(const char* expr, int line) {
    std::fprintf(stderr, "Assertion failed: %s, file FPS, line %d\n", expr, line);
    std::fflush(stderr);
    std::abort();
}
#define FPS_ASSERT(expr, line) ((expr) ? (void)0 : fps_assert_failed(#expr, line))

}  // namespace

void fpsInit(DWORD fps) { frameTime = 1000 / (fps ? fps : 1); }

void fpsBegin(void) { startTime = timeGetTime(); }

void fpsEnd(void) { endTime = timeGetTime(); }

int fpsGetWaitTime(DWORD* waitTime) {
    FPS_ASSERT(waitTime != NULL, 70);
    DWORD elapsed = endTime - startTime;
    if (elapsed < frameTime) {
        *waitTime = frameTime - elapsed;
        return 1;
    }
    return 0;
}

int fpsGetValue(DWORD* fpsValue) {
    ++frameCount;
    // The first frame reports at once: lastTime starts at 0, far behind the clock.
    if (endTime - lastTime <= 1000) return 0;
    FPS_ASSERT(fpsValue != NULL, 102);
    lastTime = endTime;
    *fpsValue = frameCount;
    frameCount = 0;
    return 1;
}
