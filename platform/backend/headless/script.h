// Key scripts: what a headless run plays, one event a line,
// "<ms> <action> [args]", at ms virtual milliseconds from the start of the
// run, in order of time. A '#' that begins a word begins a comment. Actions:
//   down KEY, up KEY   hold or let go of a key (its virtual-key name, as
//                      backend/keynames.h spells it)
//   close              the close button of the window in front
//   click X Y          a left click at client (X, Y) of the window in front
//   shot FILE.png      the program's window as it shows now
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace plat::backend::headless {

struct ScriptEvent {
    enum class Action { down, up, close, click, shot };
    uint32_t ms = 0;
    Action action = Action::close;
    int line = 0;        // in the script, from 1
    int vk = 0;          // down, up
    int x = 0, y = 0;    // click
    std::string file;    // shot
};

// The events of a script, in its order. At the first mistake returns false
// and sets error to "line N: what is wrong".
bool parse_script(std::string_view text, std::vector<ScriptEvent>* events, std::string* error);

}  // namespace plat::backend::headless
