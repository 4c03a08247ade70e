// Key scripts: what a headless run plays, one event a line,
// "<ms> <action> [args]", at ms virtual milliseconds from the start of the
// run, in order of time. A '#' that begins a word begins a comment. Actions:
//   down KEY, up KEY   hold or let go of a key (its virtual-key name, as
//                      backend/keynames.h spells it)
//   close              the close button of the window in front
//   click X Y          a left click at client (X, Y) of the window in front
//   shot FILE.png      the program's window as it shows now
// A script is text: words are separated by spaces and tabs, lines end with
// LF or CR LF, and a UTF-8 byte-order mark may begin it. Any other control
// byte (NUL included) makes its line a mistake. A script has at most
// kMaxLines lines (blank and comment lines count) of at most kMaxLineBytes
// bytes each, so that what it costs to read and to hold is bounded whatever
// file or pipe it comes from.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace plat::backend::headless {

constexpr int kMaxLines = 1000000;
constexpr size_t kMaxLineBytes = 4096;  // without the line's end

// One event, small: a script of a million events takes 20 MB.
struct ScriptEvent {
    enum class Action : uint8_t { down, up, close, click, shot };
    uint32_t ms = 0;
    int line = 0;                  // in the script, from 1
    Action action = Action::close;
    uint8_t vk = 0;                // down, up
    int16_t x = 0, y = 0;          // click
    uint32_t file = 0;             // shot: its index in Script::files
};

struct Script {
    std::vector<ScriptEvent> events;  // in the script's order
    std::vector<std::string> files;   // the shots' files
};

// Reads a script as it arrives, a piece at a time. Each byte is checked as it
// comes and each line once it is whole, so the first mistake (a control
// byte, a line too long, one line too many, a malformed event) stops the
// reading there: feed and finish return false and error() says
// "line N: what is wrong". Memory is the events' and one line's.
class ScriptReader {
public:
    bool feed(std::string_view bytes);
    bool finish();  // the end of the input: its last line needs no line end
    const std::string& error() const { return error_; }
    Script take() { return std::move(script_); }

private:
    bool fail(std::string what);
    bool end_line();

    Script script_;
    std::string line_;  // the line so far
    int line_no_ = 1;   // of line_
    std::string error_;
};

// A whole script in memory, read as ScriptReader reads it.
bool parse_script(std::string_view text, Script* script, std::string* error);

// Text from outside (a script's word, a file name) as a message shows it:
// control bytes, '"' and '\' escaped, and cut after max_bytes (never inside a
// UTF-8 character) with "..." after it.
std::string shown(std::string_view text, size_t max_bytes = 60);

}  // namespace plat::backend::headless
