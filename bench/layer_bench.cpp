// Micro-benchmarks of what the sample does per frame and per second: the
// keyboard poll, the rate text, and putting the window surface on screen,
// with memcpy of the same bytes as the yardstick for the last.
//
//   build/default/bench/layer_bench            (needs a desktop: DISPLAY)
#include <qx.h>

#include <benchmark/benchmark.h>
#include <layer_seams.h>

#include <cstring>
#include <vector>

namespace {

HDC canvas(int w, int h) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    SelectObject(dc, CreateCompatibleBitmap(screen, w, h));
    ReleaseDC(nullptr, screen);
    return dc;
}

void BM_TextOut_FPS60(benchmark::State& state) {
    HDC dc = canvas(640, 400);
    SetTextColor(dc, 0xFCFCFC);
    SetBkColor(dc, 0);
    for (auto _ : state) benchmark::DoNotOptimize(TextOutA(dc, 20, 20, "FPS:60", 6));
}
BENCHMARK(BM_TextOut_FPS60);

void BM_qx_printf_FPS60(benchmark::State& state) {
    HDC saved = gvram;
    gvram = canvas(640, 400);
    for (auto _ : state) qx_printf(10, 10, 15, "FPS:%d", 60);
    gvram = saved;
}
BENCHMARK(BM_qx_printf_FPS60);

void BM_kbhit(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(kbhit());
}
BENCHMARK(BM_kbhit);

HWND window_640x400() {
    static HWND w = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "BenchWindow";
        RegisterClassA(&wc);
        RECT r{0, 0, 640, 400};
        AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
        return CreateWindowExA(0, "BenchWindow", "bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, r.right - r.left,
                               r.bottom - r.top, nullptr, nullptr, nullptr, nullptr);
    }();
    return w;
}

void BM_Present_640x400(benchmark::State& state) {
    HWND w = window_640x400();
    for (auto _ : state) plat::seam::present_now(w);
    state.SetBytesProcessed(int64_t(state.iterations()) * 640 * 400 * 4);
}
BENCHMARK(BM_Present_640x400)->Unit(benchmark::kMicrosecond);

void BM_Memcpy_640x400(benchmark::State& state) {
    std::vector<uint32_t> a(640 * 400, 1), b(640 * 400);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), a.size() * 4);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * 640 * 400 * 4);
}
BENCHMARK(BM_Memcpy_640x400)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
