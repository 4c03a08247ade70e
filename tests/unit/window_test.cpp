// The runtime's window procedure, pump and shutdown, with message boxes
// answered through the layer's seam.
#include "support.h"

#include "runtime.h"

#include <gtest/gtest.h>
#include <layer_seams.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct BoxSeen {
    HWND owner;
    std::string text, caption;
    UINT type;
};
std::vector<BoxSeen> g_boxes;
int g_answer = IDNO;

class QuitBox : public testing::Test {
protected:
    void SetUp() override {
        g_boxes.clear();
        plat::seam::answer_message_boxes([](HWND o, const char* t, const char* c, UINT type) {
            g_boxes.push_back({o, t, c, type});
            return g_answer;
        });
    }
    void TearDown() override { plat::seam::answer_message_boxes(nullptr); }
};

TEST_F(QuitBox, EscapeAndCloseAskAndNoKeepsRunning) {
    HWND w = runtime_window();
    const struct { const char* what; UINT msg; WPARAM wp; bool asks; } cases[] = {
        {"escape", WM_KEYDOWN, VK_ESCAPE, true},
        {"close", WM_CLOSE, 0, true},
        {"another key", WM_KEYDOWN, 'A', false},
        {"enter", WM_KEYDOWN, VK_RETURN, false},
    };
    g_answer = IDNO;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        g_boxes.clear();
        EXPECT_EQ(WndProc(w, c.msg, c.wp, 0), 0);
        ASSERT_EQ(g_boxes.size(), c.asks ? 1u : 0u);
        if (c.asks) {
            EXPECT_EQ(g_boxes[0].owner, w);
            EXPECT_EQ(g_boxes[0].text, "本当に終了しますか？");
            EXPECT_EQ(g_boxes[0].caption, "終了確認です");
            EXPECT_EQ(g_boxes[0].type, UINT(MB_YESNO | MB_ICONQUESTION));
        }
        EXPECT_TRUE(IsWindow(w));
    }
    // The close button arrives as SC_CLOSE and is asked about the same way.
    g_boxes.clear();
    PostMessageA(w, WM_SYSCOMMAND, SC_CLOSE, 0);
    ML();
    EXPECT_EQ(g_boxes.size(), 1u);
    EXPECT_TRUE(IsWindow(w));
}

TEST_F(QuitBox, YesEndsTheProcessWithStatus1) {
    HWND w = runtime_window();
    g_answer = IDYES;
    EXPECT_EXIT(WndProc(w, WM_KEYDOWN, VK_ESCAPE, 0), testing::ExitedWithCode(1), "");
    EXPECT_EXIT(WndProc(w, WM_CLOSE, 0, 0), testing::ExitedWithCode(1), "");
}

TEST(Shutdown, TerminateEndsWithStatus1WithoutFlushing) {
    runtime_window();
    // What a stream still holds in its buffer is not flushed: it never
    // reaches the file.
    const char* path = "terminate-flush-check.txt";
    std::remove(path);
    EXPECT_EXIT(
        {
            FILE* f = std::fopen(path, "w");
            std::setvbuf(f, nullptr, _IOFBF, 4096);
            std::fputs("buffered", f);
            std::fputs("said", stderr);
            std::fflush(stderr);
            Terminate();
        },
        testing::ExitedWithCode(1), "said");
    FILE* f = std::fopen(path, "r");
    ASSERT_TRUE(f) << "the file was opened before the end";
    EXPECT_EQ(std::fgetc(f), EOF);
    std::fclose(f);
    std::remove(path);
}

TEST(Pump, PaintErasesToTheClassBrushAndTheQueueEmpties) {
    HWND w = runtime_window();
    ML();
    PatBlt(gvram, 0, 0, 640, 400, WHITENESS);
    EXPECT_EQ(GetPixel(gvram, 5, 5), 0xFFFFFFu);
    InvalidateRect(w, nullptr, TRUE);
    ML();
    EXPECT_EQ(GetPixel(gvram, 5, 5), 0x000000u);
    EXPECT_EQ(GetPixel(gvram, 639, 399), 0x000000u);
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE)) << "ML leaves the queue empty";
}

// A title screen drawn as soon as the program starts, before its first ML():
// the window is first erased inside qx_setscreen, where SetWindowPos places
// and shows it (Wine's SetWindowPos erases the pending update of the window
// it moves, resizes or shows, unless SWP_DEFERERASE), so the paint ML()
// dispatches erases nothing and the drawing stays; on the desktop, the
// window's first exposure erases nothing either. In a process of its own,
// whose window is new.
TEST(PumpDeathTest, DrawingBeforeTheFirstMLSurvivesIt) {
    EXPECT_EXIT(
        {
            runtime_window();
            qx_box(gvram, 0, 0, 320, 200, 1, 15);
            ML();
            // A few frames, for whatever the window system does as it shows the window.
            for (int i = 0; i < 10; ++i) {
                Sleep(16);
                ML();
            }
            const COLORREF corner = GetPixel(gvram, 0, 0);
            const COLORREF opposite = GetPixel(gvram, 639, 399);
            std::fprintf(stderr, "after ML: %06lx %06lx\n", static_cast<unsigned long>(corner),
                         static_cast<unsigned long>(opposite));
            std::fflush(stderr);
            _exit(corner == qx_palette(15) && opposite == qx_palette(15) ? 0 : 1);
        },
        testing::ExitedWithCode(0), "after ML");
}

TEST(Pump, DestroyPostsQuitAndMLDispatchesIt) {
    HWND w = runtime_window();
    EXPECT_EQ(WndProc(w, WM_DESTROY, 0, 0), 0);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
    EXPECT_EQ(m.wParam, 0u);
    ML();  // a quit message gets no special treatment: it is dispatched and gone
    EXPECT_FALSE(PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}

}  // namespace
