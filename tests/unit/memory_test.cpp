// Running out of memory: the Win32 calls that allocate fail with their
// failure values, as on Windows, and the game goes on; a back buffer whose
// bitmap could not be made draws nothing.
#include "support.h"

#include "bmp_files.h"

#include <gtest/gtest.h>
#include <layer_seams.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace {

// What qx_createBB does, at a size no system gives: CreateCompatibleBitmap
// fails (as it does when memory runs out) and the memory DC keeps its stock
// 1 x 1 bitmap. Every routine still takes it; none draws on the screen, and
// a flip copies at most the one pixel the DC has.
TEST(Memory, ABackBufferWithoutItsBitmapDrawsNothing) {
    HDC window = GetDC(runtime_window());
    HDC bb = CreateCompatibleDC(nullptr);
    HBITMAP none = CreateCompatibleBitmap(window, 100000, 100000);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(SelectObject(bb, none), nullptr);
    PatBlt(bb, 0, 0, 1280, 1024, WHITENESS);
    ReleaseDC(runtime_window(), window);
    Canvas picture(16, 16, RGB(0, 200, 0));
    for (int mode : {0, 1}) {
        SCOPED_TRACE(mode);
        bai = mode;
        Canvas screen(64, 48, RGB(7, 7, 7));
        qx_gcls(bb, 4);
        qx_pset(bb, 5, 5, 2);
        qx_line(bb, 0, 0, 40, 30, 14);
        qx_box(bb, 3, 3, 20, 10, 0, 9);
        qx_circle(bb, 20, 20, 10, 12);
        qx_drawbmp3(bb, 2, 2, 16, 16, picture.dc(), 0, 0, 0xFF00FF);
        qx_flip(screen.dc(), bb);
        int changed = 0;
        for (int y = 0; y < screen.height(); ++y)
            for (int x = 0; x < screen.width(); ++x) changed += (x || y) && screen.at(x, y) != RGB(7, 7, 7);
        EXPECT_EQ(changed, 0);
    }
    bai = 1;
    DeleteDC(bb);
}

#if !defined(_WIN32) && !defined(__SANITIZE_ADDRESS__)
// (The address sanitizer reserves terabytes of address space, so a limit on
// it cannot be tried there.)

// The process's address space now, in bytes.
size_t address_space() {
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    unsigned long pages = 0;
    if (f) {
        if (std::fscanf(f, "%lu", &pages) != 1) pages = 0;
        std::fclose(f);
    }
    return size_t(pages) * 4096;
}

// Under a limit on its memory, a game that leaks a back buffer per frame
// keeps running: once the limit is reached its back buffers have no bitmap
// and draw nothing. With memory all but gone, every call that allocates
// fails or works, and none throws (which would end the process). Once memory
// is given back, back buffers work again.
TEST(MemoryDeathTest, AGameThatLeaksBackBuffersGoesOnWhenMemoryRunsOut) {
    runtime_window();
    const std::string file = write_file(testing::TempDir() + "memory-test.bmp",
                                        encode_bmp({"", BmpHeader::info, 24, BmpCoding::rgb}, test_image(8)));
    auto game = [&file] {
        Canvas screen(640, 400);
        HDC window = GetDC(runtime_window());
        const rlim_t limit = address_space() + (rlim_t(320) << 20);
        // Only the soft limit, so that it can be raised again unprivileged.
        rlimit lim{};
        getrlimit(RLIMIT_AS, &lim);
        const rlim_t hard = lim.rlim_max;
        lim.rlim_cur = limit;
        setrlimit(RLIMIT_AS, &lim);
        int without_bitmap = 0;
        for (int frame = 0; frame < 200; ++frame) {
            HDC bb = qx_createBB();  // never deleted
            BITMAP bm{};
            GetObjectA(GetCurrentObject(bb, OBJ_BITMAP), sizeof bm, &bm);
            without_bitmap += bm.bmWidth != 1280;
            qx_gcls(bb, 1);
            qx_box(bb, 10, 10, 50, 50, 1, 4);
            qx_circle(bb, 100, 100, 30, 14);
            qx_flip(screen.dc(), bb);
        }
        std::string kanji;
        for (int i = 0; i < 40; ++i) kanji += {char(0x8A), char(0x40 + i)};
        const std::string title(100, 't');
        // Take what memory is left, down to small blocks; the large blocks
        // come first in the list.
        static void* blocks[1 << 20];
        size_t n = 0, large = 0;
        for (size_t size = size_t(1) << 20; size >= 64; size /= 4) {
            while (n < std::size(blocks) && (blocks[n] = std::malloc(size))) ++n;
            if (size >= (64u << 10)) large = n;
        }
        HBRUSH brush = CreateSolidBrush(0x123456);
        HDC dc = CreateCompatibleDC(nullptr);
        HBITMAP bitmap = CreateCompatibleBitmap(window, 300, 300);
        HFONT font = CreateFontA(64, 32, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, PROOF_QUALITY,
                                 FIXED_PITCH | FF_MODERN, "ＭＳ ゴシック");
        HGDIOBJ old_font = SelectObject(screen.dc(), font);
        TextOutA(screen.dc(), 0, 0, kanji.data(), int(kanji.size()));
        SelectObject(screen.dc(), old_font);
        HANDLE picture = LoadImageA(nullptr, file.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION);
        StretchBlt(screen.dc(), 5, 7, 300, 300, screen.dc(), 0, 0, 200, 200, SRCCOPY);  // within one surface
        TransparentBlt(screen.dc(), 5, 7, 100, 100, screen.dc(), 0, 0, 100, 100, 0);
        // Windows talk to the X server, whose library cannot live without
        // small allocations: they get the memory a leaking game still has,
        // where small blocks come and only large ones fail.
        while (n > large) std::free(blocks[--n]);
        PostMessageA(runtime_window(), WM_USER, 0, 0);
        MSG m;
        // Bounded: a window not yet painted has WM_PAINT pending until its
        // procedure validates it.
        for (int i = 0; i < 50 && PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE); ++i) DispatchMessageA(&m);
        SetWindowTextA(runtime_window(), title.c_str());
        SetWindowPos(runtime_window(), HWND_TOPMOST, 0, 0, 3000, 3000, 0);
        HWND other = CreateWindowExA(0, "WCNAME", "other", WS_OVERLAPPEDWINDOW, 0, 0, 4000, 4000, nullptr, nullptr,
                                     nullptr, nullptr);
        std::fprintf(stderr, "with memory gone: brush %d dc %d bitmap %d font %d picture %d window %d\n",
                     brush != nullptr, dc != nullptr, bitmap != nullptr, font != nullptr, picture != nullptr,
                     other != nullptr);
        while (n) std::free(blocks[--n]);
        lim.rlim_cur = hard;
        setrlimit(RLIMIT_AS, &lim);
        HDC again = qx_createBB();
        BITMAP bm{};
        GetObjectA(GetCurrentObject(again, OBJ_BITMAP), sizeof bm, &bm);
        std::fprintf(stderr, "back buffers without a bitmap: %d of 200; afterwards %ld wide\n", without_bitmap,
                     long(bm.bmWidth));
        std::exit(0);
    };
    // About 60 back buffers fit under the limit; the rest fail, and a later
    // one, made with memory back, is whole again.
    EXPECT_EXIT(game(), testing::ExitedWithCode(0),
                "back buffers without a bitmap: (1[0-9][0-9]) of 200; afterwards 1280 wide");
    std::remove(file.c_str());
}
#endif

}  // namespace
