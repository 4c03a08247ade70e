// The key script's parser: what each line becomes, and the first mistake of
// a script named with its line.
#include "backend/headless/script.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using plat::backend::headless::parse_script;
using plat::backend::headless::ScriptEvent;
using Action = ScriptEvent::Action;

TEST(KeyScript, EachLineIsOneEventInOrder) {
    const std::string text =
        "# a comment line, then a blank one\n"
        "\n"
        "0 down A\n"
        "  16\tup A   # a comment after the event\r\n"
        "16 down NUMPAD5\n"
        "2500 shot out/rate.PNG\n"
        "3000 click 10 -20\n"
        "4294967295 close";  // no newline at the end
    std::vector<ScriptEvent> events;
    std::string error;
    ASSERT_TRUE(parse_script(text, &events, &error)) << error;
    const struct { uint32_t ms; Action action; int line, vk, x, y; const char* file; } want[] = {
        {0, Action::down, 3, 'A', 0, 0, ""},
        {16, Action::up, 4, 'A', 0, 0, ""},
        {16, Action::down, 5, VK_NUMPAD0 + 5, 0, 0, ""},
        {2500, Action::shot, 6, 0, 0, 0, "out/rate.PNG"},
        {3000, Action::click, 7, 0, 10, -20, ""},
        {4294967295u, Action::close, 8, 0, 0, 0, ""},
    };
    ASSERT_EQ(events.size(), std::size(want));
    for (size_t i = 0; i < events.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(events[i].ms, want[i].ms);
        EXPECT_EQ(events[i].action, want[i].action);
        EXPECT_EQ(events[i].line, want[i].line);
        EXPECT_EQ(events[i].vk, want[i].vk);
        EXPECT_EQ(events[i].x, want[i].x);
        EXPECT_EQ(events[i].y, want[i].y);
        EXPECT_EQ(events[i].file, want[i].file);
    }
    ASSERT_TRUE(parse_script("", &events, &error));
    EXPECT_TRUE(events.empty());
}

TEST(KeyScript, TheFirstMistakeIsNamedWithItsLine) {
    const struct { const char* text; const char* error; } cases[] = {
        {"100 down FOO\n", "line 1: unknown key \"FOO\""},
        {"100 down a\n", "line 1: unknown key \"a\""},
        {"0 down A\n# fine\n100 jump\n", "line 3: unknown action \"jump\""},
        {"100 down A\n50 up A\n", "line 2: the time 50 goes back before 100 (line 1)"},
        {"1.5 close\n", "line 1: the time \"1.5\" is not a whole number"},
        {"-5 close\n", "line 1: the time \"-5\" is not a whole number"},
        {"+5 close\n", "line 1: the time \"+5\" is not a whole number"},
        {"4294967296 close\n", "line 1: the time \"4294967296\" is not a whole number"},
        {"down A\n", "line 1: the time \"down\" is not a whole number"},
        {"100\n", "line 1: no action after the time"},
        {"100 down\n", "line 1: too few arguments: down KEY"},
        {"100 up A B\n", "line 1: too many arguments: up KEY"},
        {"100 close now\n", "line 1: too many arguments: close"},
        {"100 click 10\n", "line 1: too few arguments: click X Y"},
        {"100 click 10 y\n", "line 1: click 10 y: X and Y are whole numbers"},
        {"100 click 40000 0\n", "line 1: click 40000 0: X and Y are whole numbers"},
        {"100 shot\n", "line 1: too few arguments: shot FILE.png"},
        {"100 shot rate.ppm\n", "line 1: shot \"rate.ppm\": shots are PNG files"},
        {"100 shot .png\n", "line 1: shot \".png\": shots are PNG files"},
        {"100 Down A\n", "line 1: unknown action \"Down\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<ScriptEvent> events;
        std::string error;
        EXPECT_FALSE(parse_script(c.text, &events, &error));
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
    }
}

}  // namespace
