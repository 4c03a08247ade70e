// The key script's parser: bytes checked as they come, each line checked
// whole once it ends, so that a mistake stops the run before it starts and
// names its line.
#include "backend/headless/script.h"

#include "backend/keynames.h"

#include <charconv>
#include <cstdio>
#include <limits>

namespace plat::backend::headless {

namespace {

bool blank(char c) { return c == ' ' || c == '\t'; }

// A byte that text has no business holding: C0 controls and DEL. Tabs
// separate words; a CR ending a line was taken off with it.
bool control(unsigned char c) { return (c < 0x20 && c != '\t') || c == 0x7F; }

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

std::string quoted(std::string_view s) { return "\"" + shown(s) + "\""; }

// One line's event; false with error set on a mistake.
bool parse_line(const std::vector<std::string_view>& w, ScriptEvent* e, Script* script, std::string* error) {
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
        const int vk = vk_named(w[2]);
        if (vk <= 0 || vk > 255) {
            *error = "unknown key " + quoted(w[2]) + " (keys are named A-Z, 0-9, SPACE, RETURN, ESCAPE, UP, DOWN, "
                                                     "LEFT, RIGHT, SHIFT, NUMPAD0-NUMPAD9, F1-F12, ...)";
            return false;
        }
        e->vk = uint8_t(vk);
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
            *error = "click " + shown(w[2]) + " " + shown(w[3]) +
                     ": X and Y are whole numbers of pixels (-32768 to 32767)";
            return false;
        }
        e->x = int16_t(x);
        e->y = int16_t(y);
        return true;
    }
    if (action == "shot") {
        e->action = ScriptEvent::Action::shot;
        if (!want(1, "shot FILE.png")) return false;
        if (!ends_with_png(w[2])) {
            *error = "shot " + quoted(w[2]) + ": shots are PNG files, named FILE.png";
            return false;
        }
        e->file = uint32_t(script->files.size());
        script->files.emplace_back(w[2]);
        return true;
    }
    *error = "unknown action " + quoted(action) + " (actions: down, up, close, click, shot)";
    return false;
}

}  // namespace

std::string shown(std::string_view text, size_t max_bytes) {
    std::string out;
    size_t n = text.size();
    if (n > max_bytes) {
        n = max_bytes;
        while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;  // not inside a character
    }
    for (size_t i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (control(c) || c == '\t') {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += char(c);
        }
    }
    if (n < text.size()) out += "...";
    return out;
}

bool ScriptReader::fail(std::string what) {
    error_ = "line " + std::to_string(line_no_) + ": " + what;
    return false;
}

bool ScriptReader::feed(std::string_view bytes) {
    if (!error_.empty()) return false;
    for (size_t i = 0; i < bytes.size();) {
        if (line_no_ > kMaxLines) return fail("one line too many: a key script has at most " + std::to_string(kMaxLines) + " lines");
        const size_t nl = bytes.find('\n', i);
        const std::string_view piece = bytes.substr(i, nl == std::string_view::npos ? std::string_view::npos : nl - i);
        // A control byte ends the reading where it stands, however long the
        // line it is in; a CR is one unless it ends the line.
        for (size_t k = 0; k < piece.size(); ++k) {
            const unsigned char c = static_cast<unsigned char>(piece[k]);
            const bool line_end_cr = c == '\r' && k + 1 == piece.size();
            if (control(c) && !line_end_cr)
                return fail("byte " + std::to_string(line_.size() + k + 1) + " is the control byte " + shown(piece.substr(k, 1)) +
                            "; a key script is text, its words separated by spaces and tabs");
        }
        if (line_.size() + piece.size() > kMaxLineBytes + 1)  // room for the CR of a CR LF
            return fail("longer than " + std::to_string(kMaxLineBytes) + " bytes");
        line_.append(piece);
        if (nl == std::string_view::npos) break;
        if (!end_line()) return false;
        i = nl + 1;
    }
    return true;
}

bool ScriptReader::finish() {
    if (!error_.empty()) return false;
    return line_.empty() || end_line();
}

bool ScriptReader::end_line() {
    std::string_view line = line_;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    // A CR met earlier, when it looked like the line's last byte.
    if (const size_t cr = line.find('\r'); cr != std::string_view::npos)
        return fail("byte " + std::to_string(cr + 1) + " is the control byte \\x0D; a key script is text, its words "
                    "separated by spaces and tabs");
    if (line.size() > kMaxLineBytes) return fail("longer than " + std::to_string(kMaxLineBytes) + " bytes");
    // A byte-order mark, as editors on Windows begin UTF-8 files.
    if (line_no_ == 1 && line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
    const std::vector<std::string_view> w = words(line);
    if (!w.empty()) {
        ScriptEvent e;
        e.line = line_no_;
        std::string what;
        std::vector<ScriptEvent>& events = script_.events;
        if (!parse_line(w, &e, &script_, &what)) return fail(what);
        if (!events.empty() && e.ms < events.back().ms)
            return fail("the time " + std::to_string(e.ms) + " goes back before " + std::to_string(events.back().ms) +
                        " (line " + std::to_string(events.back().line) + "); events come in order of time");
        events.push_back(e);
    }
    line_.clear();
    ++line_no_;
    return true;
}

bool parse_script(std::string_view text, Script* script, std::string* error) {
    ScriptReader reader;
    if (!reader.feed(text) || !reader.finish()) {
        *error = reader.error();
        return false;
    }
    *script = reader.take();
    return true;
}

}  // namespace plat::backend::headless
