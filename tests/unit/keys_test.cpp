// Keyboard polling through injected key states, and the delay.
#include "support.h"

#include <gtest/gtest.h>
#include <layer_seams.h>

#include <climits>
#include <vector>

namespace {

struct KeyCase {
    const char* what;
    std::initializer_list<int> held;
    int code;  // what getch returns; -1: kbhit is 0
};

TEST(Keys, PollingOrderAndOverwriteRule) {
    const KeyCase cases[] = {
        {"a letter", {'Q'}, 'q'},
        {"letters: earliest in the alphabet", {'Z', 'A'}, 'a'},
        {"letters stop at the first held", {'M', 'N', 'Z'}, 'm'},
        {"shift does not make upper case", {VK_SHIFT, 'A'}, 'a'},
        {"digits: the lowest", {'9', '5'}, '5'},
        {"a digit over a letter", {'A', '5'}, '5'},
        {"space over a digit", {'0', VK_SPACE}, 32},
        {"up over space", {VK_SPACE, VK_UP}, 72},
        {"up over a digit", {'5', VK_UP}, 72},
        {"down over up", {VK_UP, VK_DOWN}, 80},
        {"left over down", {VK_DOWN, VK_LEFT}, 75},
        {"right over left", {VK_LEFT, VK_RIGHT}, 77},
        {"enter over everything", {'A', '1', VK_SPACE, VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT, VK_RETURN}, 13},
        {"escape is not polled", {VK_ESCAPE}, -1},
        {"shift alone is not polled", {VK_SHIFT}, -1},
        {"function keys are not polled", {VK_F1, VK_F1 + 11}, -1},
        {"keypad digits are not polled", {VK_NUMPAD0, VK_NUMPAD0 + 5, VK_NUMPAD9}, -1},
        {"nothing held", {}, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        HeldKeys keys(c.held);
        EXPECT_EQ(kbhit(), c.code >= 0 ? 1 : 0);
        if (c.code >= 0) {
            EXPECT_EQ(getch(), c.code);
            EXPECT_EQ(getch(), c.code) << "a key still held comes back again";
        }
    }
}

std::vector<DWORD> g_sleeps;

TEST(Wait, CountsInMillisecondsOut) {
    plat::seam::on_sleep([](DWORD ms) { g_sleeps.push_back(ms); });
    const struct { int count; DWORD ms; } cases[] = {
        {250000, 2}, {100000, 1}, {99999, 0}, {0, 0}, {-1, 0}, {-100000, 0}, {INT_MIN, 0}, {INT_MAX, 21474},
    };
    for (const auto& c : cases) {
        g_sleeps.clear();
        wait(c.count);
        ASSERT_EQ(g_sleeps.size(), 1u) << c.count;
        EXPECT_EQ(g_sleeps[0], c.ms) << c.count;
    }
    plat::seam::on_sleep(nullptr);
}

}  // namespace
