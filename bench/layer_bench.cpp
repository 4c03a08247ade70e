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

// The layer's hot calls one by one, on a 1280 x 1024 memory surface.
void BM_Layer_BrushMakeSelectDelete(benchmark::State& state) {
    HDC dc = canvas(1280, 1024);
    for (auto _ : state) {
        HBRUSH b = CreateSolidBrush(0x123456);
        HGDIOBJ old = SelectObject(dc, b);
        SelectObject(dc, old);
        DeleteObject(b);
    }
}
void BM_Layer_PatBlt_2x2(benchmark::State& state) {
    HDC dc = canvas(1280, 1024);
    SelectObject(dc, CreateSolidBrush(0x123456));
    for (auto _ : state) PatBlt(dc, 100, 100, 2, 2, PATCOPY);
}
void BM_Layer_SetPixel(benchmark::State& state) {
    HDC dc = canvas(1280, 1024);
    for (auto _ : state) benchmark::DoNotOptimize(SetPixel(dc, 100, 100, 0x123456));
}
void BM_Layer_GetPixel(benchmark::State& state) {
    HDC dc = canvas(1280, 1024);
    for (auto _ : state) benchmark::DoNotOptimize(GetPixel(dc, 100, 100));
}
void BM_Layer_StretchBlt_16to32(benchmark::State& state) {
    HDC dc = canvas(1280, 1024), src = canvas(16, 16);
    for (auto _ : state) StretchBlt(dc, 10, 10, 32, 32, src, 0, 0, 16, 16, SRCCOPY);
}
void BM_Layer_TransparentBlt_16to32(benchmark::State& state) {
    HDC dc = canvas(1280, 1024), src = canvas(16, 16);
    for (auto _ : state) TransparentBlt(dc, 10, 10, 32, 32, src, 0, 0, 16, 16, 0xFF00FF);
}
BENCHMARK(BM_Layer_BrushMakeSelectDelete);
BENCHMARK(BM_Layer_PatBlt_2x2);
BENCHMARK(BM_Layer_SetPixel);
BENCHMARK(BM_Layer_GetPixel);
BENCHMARK(BM_Layer_StretchBlt_16to32);
BENCHMARK(BM_Layer_TransparentBlt_16to32);

// Drawing in a mode, on a 1280 x 1024 memory surface like a back buffer.
template <class F>
void drawing(benchmark::State& state, int mode, F draw) {
    HDC dc = canvas(1280, 1024);
    int saved = bai;
    bai = mode;
    for (auto _ : state) draw(dc);
    bai = saved;
    benchmark::ClobberMemory();
}

void BM_qx_pset_mode0(benchmark::State& s) { drawing(s, 0, [](HDC d) { qx_pset(d, 100, 100, 15); }); }
void BM_qx_pset_mode1(benchmark::State& s) { drawing(s, 1, [](HDC d) { qx_pset(d, 100, 100, 15); }); }
void BM_qx_pget_mode1(benchmark::State& s) {
    drawing(s, 1, [](HDC d) { benchmark::DoNotOptimize(qx_pget(d, 100, 100)); });
}
void BM_qx_line_320_mode1(benchmark::State& s) { drawing(s, 1, [](HDC d) { qx_line(d, 0, 10, 319, 190, 15); }); }
void BM_qx_circle_r50_mode1(benchmark::State& s) { drawing(s, 1, [](HDC d) { qx_circle(d, 160, 100, 50, 15); }); }
void BM_qx_box_filled_100(benchmark::State& s) { drawing(s, 1, [](HDC d) { qx_box(d, 10, 10, 100, 100, 1, 15); }); }
void BM_qx_box_outline_100(benchmark::State& s) { drawing(s, 1, [](HDC d) { qx_box(d, 10, 10, 100, 100, 0, 15); }); }
// A clear in another colour than the last fills all 1280 x 1024 pixels; one
// in the same colour refills only what was drawn since (here one point).
void BM_qx_gcls(benchmark::State& s) {
    short colour = 1;
    drawing(s, 1, [&colour](HDC d) { qx_gcls(d, colour ^= 3); });
    s.SetBytesProcessed(int64_t(s.iterations()) * 1280 * 1024 * 4);
}
void BM_qx_gcls_again_after_a_point(benchmark::State& s) {
    drawing(s, 1, [](HDC d) {
        qx_pset(d, 100, 100, 15);
        qx_gcls(d, 1);
    });
}
BENCHMARK(BM_qx_pset_mode0);
BENCHMARK(BM_qx_pset_mode1);
BENCHMARK(BM_qx_pget_mode1);
BENCHMARK(BM_qx_line_320_mode1);
BENCHMARK(BM_qx_circle_r50_mode1);
BENCHMARK(BM_qx_box_filled_100);
BENCHMARK(BM_qx_box_outline_100);
BENCHMARK(BM_qx_gcls)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_qx_gcls_again_after_a_point);

// A 64 x 64 picture made in memory, as qx_loadbmp would leave it.
HDC sprite() {
    static HDC pic = [] {
        HDC dc = canvas(64, 64);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) SetPixel(dc, x, y, (x ^ y) & 8 ? 0xFF00FF : RGB(x * 4, y * 4, 128));
        return dc;
    }();
    return pic;
}

void BM_qx_drawbmp_16(benchmark::State& s) { drawing(s, 1, [](HDC d) { qx_drawbmp(d, 10, 10, 16, 16, sprite()); }); }
void BM_qx_drawbmp3_16(benchmark::State& s) {
    drawing(s, 1, [](HDC d) { qx_drawbmp3(d, 10, 10, 16, 16, sprite(), 0, 0, 0xFF00FF); });
}
void BM_qx_drawbmp4_64to32(benchmark::State& s) {
    drawing(s, 1, [](HDC d) { qx_drawbmp4(d, 10, 10, 32, 32, sprite(), 0, 0, 64, 64, 0xFF00FF); });
}
void BM_qx_flip(benchmark::State& s) {
    HDC bb = canvas(1280, 1024);
    drawing(s, 1, [bb](HDC d) { qx_flip(d, bb); });
    s.SetBytesProcessed(int64_t(s.iterations()) * 1280 * 1024 * 4);
}
BENCHMARK(BM_qx_drawbmp_16);
BENCHMARK(BM_qx_drawbmp3_16);
BENCHMARK(BM_qx_drawbmp4_64to32);
BENCHMARK(BM_qx_flip)->Unit(benchmark::kMicrosecond);

// The flip onto a 640 x 400 screen, from qx_createBB's 1280 x 1024 back
// buffer and from a 640 x 400 CreateCompatibleBitmap one, whose copy asks
// for more than the surface has.
void flip_onto_640x400(benchmark::State& s, int bb_w, int bb_h) {
    HDC screen = canvas(640, 400), bb = canvas(bb_w, bb_h);
    for (auto _ : s) qx_flip(screen, bb);
    s.SetBytesProcessed(int64_t(s.iterations()) * 640 * 400 * 4);
}
void BM_qx_flip_640x400_from_1280x1024(benchmark::State& s) { flip_onto_640x400(s, 1280, 1024); }
void BM_qx_flip_640x400_from_640x400(benchmark::State& s) { flip_onto_640x400(s, 640, 400); }
BENCHMARK(BM_qx_flip_640x400_from_1280x1024)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_qx_flip_640x400_from_640x400)->Unit(benchmark::kMicrosecond);

// The font set again, as a game that sets it every frame does: the name is
// the runtime's own, in code page 932.
void BM_qx_setfont_again(benchmark::State& s) {
    for (auto _ : s) qx_setfont("\x82\x6c\x82\x72 \x96\xbe\x92\xa9", 8, 16);
}
void BM_qx_setvideomode19_again(benchmark::State& s) {
    for (auto _ : s) qx_setvideomode(19);
}
BENCHMARK(BM_qx_setfont_again)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_qx_setvideomode19_again)->Unit(benchmark::kMicrosecond);

void BM_Memcpy_1280x1024(benchmark::State& state) {
    std::vector<uint32_t> a(1280 * 1024, 1), b(1280 * 1024);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), a.size() * 4);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * 1280 * 1024 * 4);
}
BENCHMARK(BM_Memcpy_1280x1024)->Unit(benchmark::kMicrosecond);

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
