// The plasma: a game that writes every one of the 320 x 200 pixels with
// qx_pset each frame, on a back buffer in mode 1, and flips it onto the
// window; a frame yields once (Sleep(0)), as a game's frame loop would.
// It prints, after a second of warm-up, the median time of one qx_pset over
// 15 whole frames of them, and the frames per second over the next 3 s:
//
//   qx_pset ns 21.7
//   plasma fps 183.2
//
// bench/no_build_type.sh builds it with no build type and with the presets,
// and compares.
#include <qx.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point t0) {
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

short shade[1024];  // palette colours along the plasma's waves

void frame(HDC bb, int t) {
    for (int y = 0; y < 200; ++y) {
        const int row = shade[(y * 3 + t) & 1023];
        for (int x = 0; x < 320; ++x) qx_pset(bb, x, y, short((row + shade[(x * 5 - t * 2) & 1023]) & 255));
    }
}

}  // namespace

int Main(void) {
    for (int i = 0; i < 1024; ++i) shade[i] = short(i < 512 ? i / 4 : (1023 - i) / 4);
    HDC bb = qx_createBB();
    int t = 0;
    auto show = [&] {
        qx_flip(gvram, bb);
        ML();
        Sleep(0);
        ++t;
    };
    for (auto t0 = Clock::now(); seconds_since(t0) < 1.0;) {
        frame(bb, t);
        show();
    }
    std::vector<double> per_pset;
    for (int i = 0; i < 15; ++i) {
        auto t0 = Clock::now();
        frame(bb, t);
        per_pset.push_back(seconds_since(t0) * 1e9 / (320 * 200));
        show();
    }
    std::sort(per_pset.begin(), per_pset.end());
    std::printf("qx_pset ns %.1f\n", per_pset[per_pset.size() / 2]);
    int frames = 0;
    auto t0 = Clock::now();
    while (seconds_since(t0) < 3.0) {
        frame(bb, t);
        show();
        ++frames;
    }
    std::printf("plasma fps %.1f\n", frames / seconds_since(t0));
    std::fflush(stdout);
    qx_deleteBB(bb);
    return 0;
}
