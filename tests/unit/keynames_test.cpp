// The virtual-key name table that key scripts spell keys with.
#include "backend/keynames.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(KeyNames, NameEveryScriptKeyAndBackAgain) {
    const struct { const char* name; int vk; } cases[] = {
        {"A", 'A'}, {"Z", 'Z'}, {"0", '0'}, {"9", '9'}, {"SPACE", VK_SPACE}, {"RETURN", VK_RETURN},
        {"ESCAPE", VK_ESCAPE}, {"UP", VK_UP}, {"DOWN", VK_DOWN}, {"LEFT", VK_LEFT}, {"RIGHT", VK_RIGHT},
        {"SHIFT", VK_SHIFT}, {"NUMPAD0", VK_NUMPAD0}, {"NUMPAD9", VK_NUMPAD9}, {"F1", VK_F1}, {"F12", VK_F12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(plat::backend::vk_named(c.name), c.vk);
        ASSERT_NE(plat::backend::vk_name(c.vk), nullptr);
        EXPECT_STREQ(plat::backend::vk_name(c.vk), c.name);
    }
    // Every letter, digit, keypad digit and function key has its name.
    int named = 0;
    for (int vk = 0; vk < 256; ++vk) {
        const char* name = plat::backend::vk_name(vk);
        if (!name) continue;
        ++named;
        EXPECT_EQ(plat::backend::vk_named(name), vk) << name;
    }
    EXPECT_GE(named, 26 + 10 + 10 + 12 + 8);
}

TEST(KeyNames, UnknownNamesAndCodesHaveNone) {
    for (const char* name : {"", "a", "F13", "F0", "NUMPAD10", "ENTER", "SPACE ", "VK_SPACE", "AA"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(plat::backend::vk_named(name), 0);
    }
    for (int vk : {0, -1, 256, 0x07, 0xFF}) EXPECT_EQ(plat::backend::vk_name(vk), nullptr) << vk;
}

}  // namespace
