// The key script's parser: what each line becomes, and the first mistake of
// a script named with its line, whether the script comes whole or a byte at
// a time (a pipe); and how messages show the text they quote.
#include "backend/headless/script.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::string_literals;
using plat::backend::headless::parse_script;
using plat::backend::headless::Script;
using plat::backend::headless::ScriptEvent;
using plat::backend::headless::ScriptReader;
using plat::backend::headless::shown;
using Action = ScriptEvent::Action;

// The script fed to a reader a byte at a time; the events, or the error.
bool parse_bytewise(const std::string& text, Script* script, std::string* error) {
    ScriptReader reader;
    bool ok = true;
    for (size_t i = 0; ok && i < text.size(); ++i) ok = reader.feed(std::string_view(text).substr(i, 1));
    ok = ok && reader.finish();
    *error = reader.error();
    *script = reader.take();
    return ok;
}

TEST(KeyScript, EachLineIsOneEventInOrder) {
    const std::string text =
        "\xEF\xBB\xBF# a byte-order mark, a comment line, then a blank one\r\n"
        "\n"
        "0 down A\n"
        "  16\tup A   # a comment after the event\r\n"
        "16 down NUMPAD5\n"
        "2500 shot out/rate.PNG\n"
        "3000 click 10 -20\n"
        "4294967295 close";  // no newline at the end
    Script script;
    std::string error;
    ASSERT_TRUE(parse_script(text, &script, &error)) << error;
    const std::vector<ScriptEvent>& events = script.events;
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
        EXPECT_EQ(events[i].action == Action::shot ? script.files.at(events[i].file) : "", want[i].file);
    }
    Script bytewise;
    ASSERT_TRUE(parse_bytewise(text, &bytewise, &error)) << error;
    EXPECT_EQ(bytewise.events.size(), events.size());
    EXPECT_EQ(bytewise.files, script.files);
    ASSERT_TRUE(parse_script("", &script, &error));
    EXPECT_TRUE(script.events.empty());
    // The bounds: a million lines, of 4096 bytes each without their end.
    const std::string longest = "0 close #" + std::string(4096 - 9, 'x');
    for (const std::string& fits : {longest, longest + "\r\n", longest + "\n", std::string(1000000, '\n'),
                                    std::string(999999, '\n') + "0 close"}) {
        EXPECT_TRUE(parse_script(fits, &script, &error)) << error;
        EXPECT_TRUE(parse_bytewise(fits, &script, &error)) << error;
    }
}

TEST(KeyScript, TheFirstMistakeIsNamedWithItsLine) {
    const std::string k100(100, 'K');
    const struct { std::string text; std::string error; } cases[] = {
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
        // A control byte is a mistake where it stands, NUL and lone CR included.
        {"0 down A\n100 shot a\0.png\n"s, "line 2: byte 11 is the control byte \\x00;"},
        {"100 down A\x01\n", "line 1: byte 11 is the control byte \\x01;"},
        {"100 down\vA\n", "line 1: byte 9 is the control byte \\x0B;"},
        {"100 down A\rB\r\n", "line 1: byte 11 is the control byte \\x0D;"},
        {"100 down \x1b[31mA\n", "line 1: byte 10 is the control byte \\x1B;"},
        {"100 down A\x7f", "line 1: byte 11 is the control byte \\x7F;"},
        // A byte-order mark only begins the script.
        {"0 close\n\xEF\xBB\xBF""5 close\n", "line 2: the time \"\xEF\xBB\xBF""5\" is not a whole number"},
        // Quoted text is cut at 60 bytes; unquoted words too.
        {"100 down " + k100 + "\n", "line 1: unknown key \"" + k100.substr(0, 60) + "...\" (keys are"},
        {"100 click " + k100 + " 1\n", "line 1: click " + k100.substr(0, 60) + "... 1: X and Y"},
        // The bounds.
        {"0 close #" + std::string(4096 - 8, 'x') + "\n", "line 1: longer than 4096 bytes"},
        {"0 close\n" + std::string(4097, 'x'), "line 2: longer than 4096 bytes"},
        {std::string(1000000, '\n') + "0 close\n", "line 1000001: one line too many: a key script has at most 1000000 lines"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(shown(c.text));
        Script script;
        std::string error;
        EXPECT_FALSE(parse_script(c.text, &script, &error));
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
        EXPECT_FALSE(parse_bytewise(c.text, &script, &error));
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << "a byte at a time: " << error;
    }
}

TEST(KeyScript, MessagesShowTextEscapedAndCut) {
    const std::string a59(59, 'a'), a60(60, 'a');
    const struct { std::string text; std::string shown; } cases[] = {
        {"plain.png", "plain.png"},
        {"a\0b\tc\x1b\x7f"s, "a\\x00b\\x09c\\x1B\\x7F"},
        {"say \"hi\" \\", "say \\\"hi\\\" \\\\"},
        {a60, a60},
        {a60 + "b", a60 + "..."},
        {a59 + "\xE6\xBC\xA2", a59 + "..."},  // 漢 would end past byte 60: not cut inside it
        {"\xE6\xBC\xA2\xE5\xAD\x97", "\xE6\xBC\xA2\xE5\xAD\x97"},
    };
    for (const auto& c : cases) EXPECT_EQ(shown(c.text), c.shown);
    EXPECT_EQ(shown(std::string(10000000, 'x')).size(), 63u);
}

}  // namespace
