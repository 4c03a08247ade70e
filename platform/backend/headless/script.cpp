// The key script's parser: a line at a time, each checked whole, so that a
// mistake stops the run before it starts and names its line.
#include "backend/headless/script.h"

#include "backend/keynames.h"

#include <charconv>
#include <limits>

namespace plat::backend::headless {

namespace {

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// The words of a line, up to a '#' that begins one.
std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> out;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && blank(line[i])) ++i;
        if (i == line.size() || line[i] == '#') break;
        size_t start = i;
        while (i < line.size() && !blank(line[i])) ++i;
        out.push_back(line.substr(start, i - start));
    }
    return out;
}

// A whole number in [lo, hi], written with decimal digits and, where lo < 0,
// an optional minus sign.
bool number(std::string_view word, int64_t lo, int64_t hi, int64_t* out) {
    if (word.empty() || word.front() == '+') return false;
    int64_t v = 0;
    auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), v);
    if (ec != std::errc() || end != word.data() + word.size() || v < lo || v > hi) return false;
    *out = v;
    return true;
}

bool ends_with_png(std::string_view file) {
    if (file.size() < 5) return false;
    std::string_view ext = file.substr(file.size() - 4);
    for (size_t i = 0; i < 4; ++i)
        if ((ext[i] | 0x20) != ".png"[i]) return false;
    return true;
}

std::string quoted(std::string_view s) { return "\"" + std::string(s) + "\""; }

// One line's event; false with error set on a mistake.
bool parse_line(const std::vector<std::string_view>& w, ScriptEvent* e, std::string* error) {
    int64_t ms = 0;
    if (!number(w[0], 0, std::numeric_limits<uint32_t>::max(), &ms)) {
        *error = "the time " + quoted(w[0]) + " is not a whole number of milliseconds (0 to 4294967295)";
        return false;
    }
    e->ms = uint32_t(ms);
    if (w.size() < 2) {
        *error = "no action after the time";
        return false;
    }
    const std::string_view action = w[1];
    const size_t args = w.size() - 2;
    auto want = [&](size_t n, const char* form) {
        if (args == n) return true;
        *error = std::string(args < n ? "too few" : "too many") + " arguments: " + form;
        return false;
    };
    if (action == "down" || action == "up") {
        e->action = action == "down" ? ScriptEvent::Action::down : ScriptEvent::Action::up;
        if (!want(1, action == "down" ? "down KEY" : "up KEY")) return false;
        e->vk = vk_named(w[2]);
        if (!e->vk) {
            *error = "unknown key " + quoted(w[2]) + " (keys are named A-Z, 0-9, SPACE, RETURN, ESCAPE, UP, DOWN, "
                                                     "LEFT, RIGHT, SHIFT, NUMPAD0-NUMPAD9, F1-F12, ...)";
            return false;
        }
        return true;
    }
    if (action == "close") {
        e->action = ScriptEvent::Action::close;
        return want(0, "close");
    }
    if (action == "click") {
        e->action = ScriptEvent::Action::click;
        if (!want(2, "click X Y")) return false;
        // Client coordinates travel in 16 bits each (a mouse message's lParam).
        int64_t x = 0, y = 0;
        if (!number(w[2], -32768, 32767, &x) || !number(w[3], -32768, 32767, &y)) {
            *error = "click " + std::string(w[2]) + " " + std::string(w[3]) +
                     ": X and Y are whole numbers of pixels (-32768 to 32767)";
            return false;
        }
        e->x = int(x);
        e->y = int(y);
        return true;
    }
    if (action == "shot") {
        e->action = ScriptEvent::Action::shot;
        if (!want(1, "shot FILE.png")) return false;
        if (!ends_with_png(w[2])) {
            *error = "shot " + quoted(w[2]) + ": shots are PNG files, named FILE.png";
            return false;
        }
        e->file = std::string(w[2]);
        return true;
    }
    *error = "unknown action " + quoted(action) + " (actions: down, up, close, click, shot)";
    return false;
}

}  // namespace

bool parse_script(std::string_view text, std::vector<ScriptEvent>* events, std::string* error) {
    events->clear();
    int line_no = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t nl = text.find('\n', start);
        std::string_view line = text.substr(start, nl == std::string_view::npos ? std::string_view::npos : nl - start);
        start = nl == std::string_view::npos ? text.size() : nl + 1;
        ++line_no;
        const std::vector<std::string_view> w = words(line);
        if (w.empty()) continue;
        ScriptEvent e;
        e.line = line_no;
        std::string what;
        if (!parse_line(w, &e, &what)) {
            *error = "line " + std::to_string(line_no) + ": " + what;
            return false;
        }
        if (!events->empty() && e.ms < events->back().ms) {
            *error = "line " + std::to_string(line_no) + ": the time " + std::to_string(e.ms) +
                     " goes back before " + std::to_string(events->back().ms) + " (line " +
                     std::to_string(events->back().line) + "); events come in order of time";
            return false;
        }
        events->push_back(std::move(e));
    }
    return true;
}

}  // namespace plat::backend::headless
