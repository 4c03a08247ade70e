// Pixels, runs, lines, boxes and circles: the exact pixels they set, the
// doubling of mode 1, palette colours, and arguments anywhere in the int range.
#include "support.h"

#include <gtest/gtest.h>
#include <layer_seams.h>

#include <climits>
#include <string>
#include <utility>
#include <vector>

namespace {

using Pixels = std::vector<std::pair<int, int>>;

// The pixels of a canvas that are no longer its white, in row order.
Pixels drawn(const Canvas& c) {
    Pixels p;
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x)
            if (c.at(x, y) != 0xFFFFFF) p.emplace_back(x, y);
    return p;
}

bool has(const Pixels& p, int x, int y) {
    for (auto& q : p)
        if (q.first == x && q.second == y) return true;
    return false;
}

struct ModeGuard {
    explicit ModeGuard(int mode) { bai = mode; }
    ~ModeGuard() { bai = 1; }
};

TEST(Primitives, ExactPixelsOfLinesAndBoxes) {
    ModeGuard mode(0);
    const struct {
        const char* what;
        void (*draw)(HDC);
        Pixels expected;
    } cases[] = {
        {"x-major line", [](HDC d) { qx_line(d, 0, 0, 4, 1, 4); }, {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 1}}},
        {"drawn back", [](HDC d) { qx_line(d, 4, 1, 0, 0, 4); }, {{0, 0}, {1, 1}, {2, 1}, {3, 1}, {4, 1}}},
        {"y-major line", [](HDC d) { qx_line(d, 0, 0, 1, 4, 4); }, {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {1, 4}}},
        {"vertical, upwards", [](HDC d) { qx_line(d, 3, 5, 3, 2, 4); }, {{3, 2}, {3, 3}, {3, 4}, {3, 5}}},
        {"horizontal, leftwards", [](HDC d) { qx_line(d, 7, 1, 5, 1, 4); }, {{5, 1}, {6, 1}, {7, 1}}},
        {"a single point", [](HDC d) { qx_line(d, 5, 5, 5, 5, 4); }, {{5, 5}}},
        {"the diagonal", [](HDC d) { qx_line(d, 0, 0, 3, 3, 4); }, {{0, 0}, {1, 1}, {2, 2}, {3, 3}}},
        {"1 x 1 box", [](HDC d) { qx_box(d, 10, 10, 1, 1, 0, 4); }, {{10, 10}}},
        {"0 x 5 box", [](HDC d) { qx_box(d, 10, 10, 0, 5, 0, 4); },
         {{9, 10}, {10, 10}, {9, 11}, {10, 11}, {9, 12}, {10, 12}, {9, 13}, {10, 13}, {9, 14}, {10, 14}}},
        {"3 x 2 outline", [](HDC d) { qx_box(d, 1, 1, 3, 2, 0, 4); }, {{1, 1}, {2, 1}, {3, 1}, {1, 2}, {2, 2}, {3, 2}}},
        {"zero-length runs", [](HDC d) { qx_xline(d, 1, 1, 0, 4); qx_yline(d, 1, 1, -3, 4); }, {}},
        {"circle of radius 0", [](HDC d) { qx_circle(d, 10, 10, 0, 4); }, {{9, 10}, {10, 10}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Canvas canvas(20, 20);
        c.draw(canvas.dc());
        EXPECT_EQ(drawn(canvas), c.expected);
    }
}

// A line is drawn one way when both its ends are on the surface and another
// when it must be cut to it: the pixels a small canvas keeps of a line are
// the ones a large canvas shows of it in that corner, in both modes.
TEST(Primitives, CutLinesKeepThePixelsOfWholeOnes) {
    for (int mode : {0, 1}) {
        ModeGuard guard(mode);
        const int scale = mode == 1 ? 2 : 1, small = 13;
        unsigned seed = 12345;
        auto next = [&seed](int n) {
            seed = seed * 1103515245u + 12345u;
            return int((seed >> 16) % unsigned(n));
        };
        for (int i = 0; i < 40; ++i) {
            const int x1 = next(30), y1 = next(30), x2 = next(30), y2 = next(30);
            Canvas whole(30 * scale, 30 * scale), cut(small * scale, small * scale);
            qx_line(whole.dc(), x1, y1, x2, y2, 4);
            qx_line(cut.dc(), x1, y1, x2, y2, 4);
            Pixels expected;
            for (auto& q : drawn(whole))
                if (q.first < small * scale && q.second < small * scale) expected.push_back(q);
            EXPECT_EQ(drawn(cut), expected) << "mode " << mode << ": (" << x1 << ", " << y1 << ") to (" << x2 << ", "
                                            << y2 << ")";
        }
    }
}

TEST(Primitives, CirclePassesThroughItsQuarterPoints) {
    ModeGuard mode(0);
    Canvas canvas(200, 200);
    qx_circle(canvas.dc(), 100, 100, 10, 4);
    Pixels p = drawn(canvas);
    EXPECT_TRUE(has(p, 109, 100)) << "start and end, one pixel inside cx + r";
    EXPECT_FALSE(has(p, 110, 100));
    EXPECT_TRUE(has(p, 100, 110)) << "90 degrees: down the screen";
    EXPECT_TRUE(has(p, 90, 100)) << "180 degrees";
    EXPECT_TRUE(has(p, 99, 90)) << "270 degrees: cos is a hair below 0, truncated toward zero";
    // Truncation keeps every point within a pixel and a half of the circle.
    for (auto& q : p) EXPECT_LE((q.first - 100) * (q.first - 100) + (q.second - 100) * (q.second - 100), 12 * 12);
}

// Circles of radius 1 to 15, one cut by the canvas's edges and one of a
// negative radius, pixel for pixel as this picture, which the same test
// checks under Wine too, drawn there by the real GDI: '#' is the circle's
// colour, '.' the canvas's white.
TEST(Primitives, CirclesAsTheirPicture) {
    ModeGuard mode(0);
    const std::string expected =
        "........................................................................\n"
        "..............................................############..............\n"
        "..##...######...............................###..........###............\n"
        "..##...#....#.......########...............##..............##...........\n"
        "...#...#....#......##......##............##..................##.........\n"
        ".......#....#.....##........##..........##....................##........\n"
        ".......#....#....##..........##.........#......................#........\n"
        ".......######....#............#........#........................#.......\n"
        "..........#......#............#.......##........................##......\n"
        ".................#............#.......#..........................#......\n"
        ".................#............#......##..........................##.....\n"
        ".................#............#......#............................#.....\n"
        ".................#............#......#............................#.....\n"
        ".................##..........##......#............................#.....\n"
        "..................##........##.......#............................#.....\n"
        "...................##......##........#............................#.....\n"
        "....................########.........#............................#.....\n"
        "......######............#............#............................#.....\n"
        ".....#......#........................#............................#.....\n"
        "....#........#.......................#............................#.....\n"
        "....#........#.......................#............................#.....\n"
        "....#........##......................##..........................##.....\n"
        "...##........#........................#..........................#......\n"
        "....#........#........................##........................##......\n"
        "....#........#.........................#........................########\n"
        ".....#......#...........................#......................##......#\n"
        "......######............................##....................##........\n"
        ".........#...............................##..................##.........\n"
        "...........................................##..............##.#.........\n"
        "............................................###..........###..#.........\n"
        "..............................................############....#.........\n"
        "....................................................#.........#.........\n";
    Canvas canvas(72, 32);
    const int circles[][3] = {{3, 3, 1}, {10, 5, 3}, {24, 10, 7}, {52, 16, 15}, {68, 30, 6}, {9, 22, -5}};
    for (const auto& c : circles) qx_circle(canvas.dc(), c[0], c[1], c[2], 4);
    std::string picture;
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            const COLORREF c = canvas.at(x, y);
            picture += c == 0xFFFFFF ? '.' : c == coltbl[4] ? '#' : '?';
        }
        picture += '\n';
    }
    EXPECT_EQ(picture, expected) << "drawn:\n" << picture;
}

TEST(Primitives, Mode1DoublesThroughQxPset) {
    ModeGuard mode(1);
    Canvas canvas(40, 40);
    qx_pset(canvas.dc(), 3, 4, 6);
    EXPECT_EQ(drawn(canvas), (Pixels{{6, 8}, {7, 8}, {6, 9}, {7, 9}}));
    EXPECT_EQ(qx_pget(canvas.dc(), 3, 4), coltbl[6]);
    EXPECT_EQ(coltbl[6], RGB(0xA8, 0x54, 0x00)) << "a palette index in, a colour value out";
    SetPixel(canvas.dc(), 7, 9, 0x123456);
    EXPECT_EQ(qx_pget(canvas.dc(), 3, 4), coltbl[6]) << "reads the block's top-left device pixel";
    Canvas box(40, 40);
    qx_box(box.dc(), 1, 2, 3, 4, 1, 9);
    Pixels p = drawn(box);
    ASSERT_EQ(p.size(), 6u * 8u);
    EXPECT_EQ(p.front(), std::make_pair(2, 4));
    EXPECT_EQ(p.back(), std::make_pair(7, 11));
    Canvas line(40, 40);
    qx_xline(line.dc(), 0, 0, 3, 9);
    EXPECT_EQ(drawn(line).size(), 12u) << "every logical pixel of a run is a 2 x 2 block";
}

TEST(Primitives, ClearFillsTheFixedAreaInEveryMode) {
    for (int mode : {0, 1, 2}) {
        ModeGuard m(mode);
        Canvas canvas(1290, 1030);
        qx_gcls(canvas.dc(), 2);
        EXPECT_EQ(canvas.at(0, 0), coltbl[2]) << mode;
        EXPECT_EQ(canvas.at(1279, 1023), coltbl[2]) << mode;
        EXPECT_EQ(canvas.at(1280, 0), 0xFFFFFFu) << mode;
        EXPECT_EQ(canvas.at(0, 1024), 0xFFFFFFu) << mode;
    }
}

TEST(Primitives, ArgumentsAnywhereInTheIntRange) {
    for (int mode : {0, 1}) {
        SCOPED_TRACE(mode);
        ModeGuard m(mode);
        Canvas canvas(30, 20);
        HDC d = canvas.dc();
        qx_pset(d, INT_MAX, INT_MIN, 4);
        qx_pset(d, -1, 0, 4);
        qx_box(d, INT_MAX, INT_MAX, INT_MAX, INT_MAX, 1, 4);
        qx_box(d, INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0, 4);
        qx_circle(d, INT_MAX, INT_MIN, INT_MAX, 4);
        qx_circle(d, 0, 0, INT_MIN, 4);
        qx_xline(d, INT_MAX, 0, INT_MAX, 4);
        EXPECT_EQ(drawn(canvas), Pixels{}) << "nothing of these reaches the surface";
        // Huge runs and lines draw just their visible part, and promptly.
        qx_xline(d, INT_MIN, 1, INT_MAX, 4);
        EXPECT_FALSE(has(drawn(canvas), 0, 1 * (mode + 1))) << "this run ends before x = 0";
        qx_xline(d, -5, 0, INT_MAX, 4);
        EXPECT_TRUE(has(drawn(canvas), 29, 0));
        qx_line(d, INT_MIN, INT_MIN, INT_MAX, INT_MAX, 4);
        EXPECT_TRUE(has(drawn(canvas), 4 * (mode + 1), 4 * (mode + 1)));
        EXPECT_FALSE(has(drawn(canvas), 4, 5 * (mode + 1)));
    }
}

TEST(Primitives, Mode1PixelsLeaveNoObjectsBehind) {
    if (plat::seam::running_on_wine()) GTEST_SKIP() << "Wine's GetGuiResources counts nothing";
    ModeGuard mode(1);
    Canvas canvas(64, 64);
    size_t live = plat::seam::live_objects();
    for (int i = 0; i < 1000000; ++i) qx_pset(canvas.dc(), i & 31, (i >> 5) & 31, short(i & 255));
    EXPECT_EQ(plat::seam::live_objects(), live);
}

}  // namespace
