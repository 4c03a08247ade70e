// qx-cp932: compiles C and C++ sources so that their ordinary string and
// character literals hold code page 932 (Shift-JIS) while the sources stay
// in UTF-8, with any GCC-compatible compiler (GCC, mingw-w64, clang,
// Emscripten's em++), none of which needs a code page 932 execution
// character set of its own.
//
//     qx-cp932 [--launcher LAUNCHER... --] COMPILER ARGUMENTS...
//
// It runs where a compiler launcher runs (CMake's <LANG>_COMPILER_LAUNCHER,
// set by qx_cp932_literals), or in front of a compiler command typed by hand,
// compile-and-link commands included. For each C or C++ source of the
// command it runs the same compiler with the same flags and -E (keeping the
// dependency flags, so the depfile is written as the command would have
// written it), then rewrites the preprocessed text: in every ordinary literal
// each non-ASCII character, and each \u or \U escape of one, becomes the
// octal escapes of its code page 932 bytes. It then compiles the rewritten
// text with the original flags, less those that only the preprocessor reads.
// A source with nothing to rewrite is compiled by the original command, as
// it stands. With -E in the command, the rewritten text is its output.
//
// The result is the program that a compiler whose execution character set is
// code page 932 makes of the same source (GCC with -fexec-charset=CP932), or
// a message naming file:line and the construct that cannot be made so:
//   - L, u, U and u8 literals keep their meaning, and so does an unprefixed
//     literal joined to one of them ("漢" L"字" is a wide string);
//   - the preprocessor has already run, so token pasting (L ## s), the
//     stringising of Japanese text (#x), __has_include("漢.h"), prefixes
//     split by a backslash-newline, comments, #if 0, CRLF and a byte order
//     mark are the compiler's own business;
//   - literals of system headers (line markers with flag 3) keep the
//     compiler's own execution character set: GCC's <chrono> holds "\u00b5s",
//     which code page 932 cannot hold, and is why -fexec-charset=CP932 cannot
//     build a C++20 program;
//   - as GCC, the strings of asm statements and labels and of GNU
//     __attribute__ arguments are left as they are ([[gnu::section("…")]]
//     is converted, as GCC converts it), and so is a static_assert message;
//   - three-digit octal escapes never take in a following digit, and a second
//     byte 0x5C (ソ, 表, 能) can no longer escape what follows it;
//   - a raw string is split around the characters to convert
//     (R"(漢)" becomes R"()" "\212\277" R"()"), keeping its lines.
// The string of #ident is converted too, as GCC converts it.
// Refused: a character that code page 932 lacks, bytes that are not UTF-8,
// \N{...}, a backslash before a non-ASCII character, a non-ASCII literal among
// an asm statement's operands, a character constant of more than one byte in
// #if (-Werror=multichar on the -E step: the preprocessor reads it in its own
// character set), and __func__ or __FUNCTION__ (in C also
// __PRETTY_FUNCTION__) in a translation unit with non-ASCII names, whose
// text the compiler spells in UTF-8 where GCC's would be code page 932.
//
// The conversion is the C library's iconv(3) (glibc knows CP932, as GCC's
// -fexec-charset uses it). The program is built for the build machine at
// configure time, never for the target, so cross builds use it unchanged.

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <iconv.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr const char* kName = "qx-cp932";

// ---------------------------------------------------------------------------
// Code page 932 conversion.

class Cp932 {
public:
    Cp932() : cd_(iconv_open("CP932", "UTF-8")) {}
    ~Cp932() {
        if (ok()) iconv_close(cd_);
    }
    Cp932(const Cp932&) = delete;
    Cp932& operator=(const Cp932&) = delete;

    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // The code page 932 bytes of the character cp, given also as UTF-8;
    // false when the code page has no such character. The characters of
    // the Basic Multilingual Plane are remembered, as games repeat theirs.
    bool convert(char32_t cp, std::string_view utf8, std::string& out) {
        if (cp < 0x10000) {
            if (known_.empty()) known_.resize(0x10000);
            Known& k = known_[cp];
            if (k.state == 0) {
                std::string bytes;
                k.state = convert_(utf8, bytes) ? 1 : 2;
                k.size = static_cast<unsigned char>(bytes.size());
                std::memcpy(k.bytes, bytes.data(), bytes.size());
            }
            out.assign(k.bytes, k.size);
            return k.state == 1;
        }
        return convert_(utf8, out);
    }

private:
    struct Known {
        unsigned char state = 0;  // 0 not yet asked, 1 converted, 2 none
        unsigned char size = 0;
        char bytes[2] = {};  // code page 932 has one or two bytes a character
    };

    bool convert_(std::string_view utf8, std::string& out) {
        char in_buf[8], out_buf[16];
        std::memcpy(in_buf, utf8.data(), utf8.size());
        char* in = in_buf;
        char* o = out_buf;
        size_t in_left = utf8.size(), out_left = sizeof out_buf;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd_, &in, &in_left, &o, &out_left) == static_cast<size_t>(-1) || in_left != 0) return false;
        if (o - out_buf > 2) return false;
        out.assign(out_buf, o);
        return true;
    }

    iconv_t cd_;
    std::vector<Known> known_;
};

// The length of the UTF-8 character at s (which starts with a byte >= 0x80)
// and its code point; 0 when the bytes are not UTF-8 (overlong forms and
// surrogates included).
size_t decode_utf8(std::string_view s, char32_t& cp) {
    const auto b = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = b(0);
    size_t n;
    char32_t min;
    if (lead >= 0xc2 && lead <= 0xdf) {
        n = 2, cp = lead & 0x1f, min = 0x80;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        n = 3, cp = lead & 0x0f, min = 0x800;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        n = 4, cp = lead & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (s.size() < n) return 0;
    for (size_t i = 1; i < n; ++i) {
        if ((b(i) & 0xc0) != 0x80) return 0;
        cp = (cp << 6) | (b(i) & 0x3f);
    }
    if (cp < min || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)) return 0;
    return n;
}

std::string encode_utf8(char32_t cp) {
    std::string s;
    if (cp < 0x800) {
        s += static_cast<char>(0xc0 | (cp >> 6));
    } else if (cp < 0x10000) {
        s += static_cast<char>(0xe0 | (cp >> 12));
        s += static_cast<char>(0x80 | ((cp >> 6) & 0x3f));
    } else {
        s += static_cast<char>(0xf0 | (cp >> 18));
        s += static_cast<char>(0x80 | ((cp >> 12) & 0x3f));
        s += static_cast<char>(0x80 | ((cp >> 6) & 0x3f));
    }
    s += static_cast<char>(0x80 | (cp & 0x3f));
    return s;
}

void append_octal(std::string& out, std::string_view bytes) {
    for (unsigned char c : bytes) {
        out += '\\';
        out += static_cast<char>('0' + (c >> 6));
        out += static_cast<char>('0' + ((c >> 3) & 7));
        out += static_cast<char>('0' + (c & 7));
    }
}

std::string code_point_name(char32_t cp) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(cp));
    return buf;
}

bool is_hex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_ident_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || is_digit(c) || c == '_' || c == '$' ||
           static_cast<unsigned char>(c) >= 0x80;
}

// ---------------------------------------------------------------------------
// Rewriting preprocessed text.

struct Problem {
    std::string file;
    long line;
    std::string what;
};

// What may surround a literal: the parentheses of an asm statement or label,
// of a GNU attribute, or of a static assertion.
enum class Frame { kAsm, kAttribute, kStaticAssert };

class Rewriter {
public:
    Rewriter(const std::string& text, bool c_language, Cp932& cp932)
        : text_(text), c_(c_language), cp932_(cp932) {}

    // Fills out with the rewritten text; returns false when there are
    // problems (see problems()). changed() tells whether out differs.
    bool run(std::string& out);
    bool changed() const { return changed_; }
    const std::vector<Problem>& problems() const { return problems_; }

private:
    struct Piece {
        size_t begin, end;  // the whole token, prefix and suffix included
        size_t quote;       // its opening quote
        size_t close;       // its closing quote; npos when unterminated
        bool raw, prefixed, system;
        std::string file;
        long line;  // of begin
    };
    struct Open {
        Frame kind;
        int depth;   // the depth of its opening parenthesis
        int groups;  // string groups directly inside so far
    };

    void directive();
    bool skip_literal_body(size_t& i, size_t& close, char quote, bool raw);
    void literal(size_t begin, size_t quote, bool prefixed, bool raw);
    void flush_group(char next);
    void token(std::string_view ident, char punct);
    bool convert_ordinary(const Piece& p, std::string& out);
    bool convert_raw(const Piece& p, std::string& out);
    bool convert_run(const Piece& p, size_t& i, size_t limit, std::string& out, const char* what);
    bool needs_conversion(const Piece& p) const;
    void problem(const Piece& p, size_t at, std::string what) {
        long line = p.line;
        for (size_t k = p.begin; k < at; ++k) line += text_[k] == '\n';
        problems_.push_back({p.file, line, std::move(what)});
    }
    void replace(size_t begin, size_t end, std::string with) {
        edits_.push_back({begin, end, std::move(with)});
    }
    long line_at(size_t pos) const;

    const std::string& text_;
    const bool c_;
    Cp932& cp932_;
    size_t i_ = 0;

    // Where the text comes from, by its line markers.
    std::string file_ = "<stdin>";
    long marker_line_ = 1;
    size_t marker_end_ = 0;  // offset just after the marker's line
    bool system_ = false;
    // Line numbers are counted lazily from the marker: newlines_ counts the
    // newlines before scanned_.
    mutable size_t scanned_ = 0;
    mutable long newlines_ = 0;
    long newlines_at_marker_ = 0;

    std::vector<Piece> group_;  // string literals waiting for their neighbours
    char prev_punct_ = 0;       // the significant token before the group (',' or another)
    std::vector<Open> frames_;
    int depth_ = 0;
    int pending_ = -1;  // a Frame whose keyword was just seen, waiting for '('

    struct Use {
        std::string file;
        long line;
        std::string name;
    };
    std::vector<Use> function_names_;
    bool non_ascii_names_ = false;

    struct Edit {
        size_t begin, end;
        std::string with;
    };
    std::vector<Edit> edits_;
    std::vector<Problem> problems_;
    bool changed_ = false;
};

long Rewriter::line_at(size_t pos) const {
    // Positions are asked for in increasing order, so this is linear overall.
    if (pos < scanned_) {
        scanned_ = 0;
        newlines_ = 0;
    }
    for (; scanned_ < pos; ++scanned_)
        if (text_[scanned_] == '\n') ++newlines_;
    return marker_line_ + (newlines_ - newlines_at_marker_);
}

// A line that starts with '#': a line marker (# N "file" flags), whose
// place and flags are noted, or another directive (#pragma, #ident), which
// stays as it is and ends a run of string literals.
void Rewriter::directive() {
    size_t eol = text_.find('\n', i_);
    if (eol == std::string::npos) eol = text_.size();
    size_t p = i_ + 1;
    while (p < eol && (text_[p] == ' ' || text_[p] == '\t')) ++p;
    if (p < eol && text_[p] == 'l' && text_.compare(p, 4, "line") == 0) p += 4;
    while (p < eol && (text_[p] == ' ' || text_[p] == '\t')) ++p;
    if (p < eol && is_digit(text_[p])) {
        long line = 0;
        while (p < eol && is_digit(text_[p])) line = line * 10 + (text_[p++] - '0');
        while (p < eol && text_[p] == ' ') ++p;
        if (p < eol && text_[p] == '"') {
            std::string name;
            for (++p; p < eol && text_[p] != '"'; ++p) {
                if (text_[p] == '\\' && p + 1 < eol) {
                    ++p;
                    if (text_[p] >= '0' && text_[p] <= '7') {
                        int v = 0;
                        for (int k = 0; k < 3 && p < eol && text_[p] >= '0' && text_[p] <= '7'; ++k) v = v * 8 + (text_[p++] - '0');
                        --p;
                        name += static_cast<char>(v);
                        continue;
                    }
                }
                name += text_[p];
            }
            file_ = name;
            bool system = false;
            for (++p; p < eol; ++p)
                if (text_[p] == '3' && (text_[p - 1] == ' ') && (p + 1 == eol || text_[p + 1] == ' ')) system = true;
            system_ = system;
        }
        // The line after the marker is line N.
        line_at(eol);
        marker_line_ = line - 1;
        newlines_at_marker_ = newlines_;
    } else {
        flush_group(0);
        // #ident "..." (and its old name #sccs) puts its string in the
        // object, converted as a literal is.
        size_t q = p;
        while (q < eol && text_[q] >= 'a' && text_[q] <= 'z') ++q;
        const std::string_view name(text_.data() + p, q - p);
        while (q < eol && (text_[q] == ' ' || text_[q] == '\t')) ++q;
        if (!system_ && (name == "ident" || name == "sccs") && q < eol && text_[q] == '"') {
            size_t end = q, close;
            skip_literal_body(end, close, '"', false);
            const Piece piece{q, end, q, close, false, false, false, file_, line_at(q)};
            std::string with;
            if (needs_conversion(piece) && convert_ordinary(piece, with)) {
                changed_ = true;
                replace(piece.begin, piece.end, std::move(with));
            }
        }
        token({}, '#');
    }
    i_ = eol;
}

// Moves i past the body of a literal whose opening quote is at i, setting
// close to its closing quote; an unterminated one ends at the end of its
// line (the compiler will say), close being npos. Returns whether it was a
// raw string.
bool Rewriter::skip_literal_body(size_t& i, size_t& close, char quote, bool raw) {
    const size_t n = text_.size();
    close = std::string::npos;
    if (raw) {
        size_t open = i + 1;
        while (open < n && open - i <= 17 && text_[open] != '(' && text_[open] != ')' && text_[open] != '\\' &&
               text_[open] != ' ' && text_[open] != '\n' && text_[open] != '"')
            ++open;
        if (open < n && text_[open] == '(') {
            const std::string end_mark = ")" + text_.substr(i + 1, open - i - 1) + "\"";
            const size_t end = text_.find(end_mark, open + 1);
            if (end == std::string::npos) {
                i = n;
            } else {
                i = end + end_mark.size();
                close = i - 1;
            }
            return true;
        }
        // Not a raw string after all: read on as an ordinary one.
    }
    for (++i; i < n && text_[i] != '\n'; ++i) {
        if (text_[i] == '\\') {
            ++i;
            if (i < n && text_[i] == '\n') continue;
        } else if (text_[i] == quote) {
            close = i++;
            return false;
        }
    }
    return false;
}

void Rewriter::literal(size_t begin, size_t quote, bool prefixed, bool raw) {
    const char q = text_[quote];
    size_t i = quote, close;
    const bool was_raw = skip_literal_body(i, close, q, raw && q == '"');
    if (close != std::string::npos)
        while (i < text_.size() && is_ident_char(text_[i])) ++i;  // a user-defined literal's suffix
    Piece p{begin, i, quote, close, was_raw, prefixed, system_, file_, line_at(begin)};
    if (q == '"') {
        // (prev_punct_ stays the token before the run.)
        group_.push_back(std::move(p));
        pending_ = -1;
    } else {
        flush_group(0);
        group_.push_back(std::move(p));
        flush_group(0);  // a character literal stands alone
        token({}, '\'');
    }
    i_ = i;
}

// Whether a piece holds something to convert: a byte above ASCII, or an
// escape \u, \U or \N.
bool Rewriter::needs_conversion(const Piece& p) const {
    if (p.close == std::string::npos) return false;  // the compiler will say
    for (size_t i = p.quote; i < p.end; ++i) {
        const unsigned char c = text_[i];
        if (c >= 0x80) return true;
        if (c == '\\' && !p.raw && i + 1 < p.end) {
            const char e = text_[i + 1];
            if (e == 'u' || e == 'U' || e == 'N') return true;
            ++i;
        }
    }
    return false;
}

// Converts the run of non-ASCII bytes at i (below limit) to octal escapes;
// false, with a problem noted, when it cannot.
bool Rewriter::convert_run(const Piece& p, size_t& i, size_t limit, std::string& out, const char* what) {
    while (i < limit && static_cast<unsigned char>(text_[i]) >= 0x80) {
        char32_t cp = 0;
        const size_t n = decode_utf8(std::string_view(text_).substr(i, limit - i), cp);
        if (n == 0) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", static_cast<unsigned char>(text_[i]));
            problem(p, i, std::string("bytes that are not UTF-8 (") + buf + "...) in " + what);
            return false;
        }
        std::string bytes;
        if (!cp932_.convert(cp, std::string_view(text_).substr(i, n), bytes)) {
            problem(p, i,
                    "\"" + text_.substr(i, n) + "\" (" + code_point_name(cp) + ") in " + what +
                        " has no code page 932 form");
            return false;
        }
        append_octal(out, bytes);
        i += n;
    }
    return true;
}

bool Rewriter::convert_ordinary(const Piece& p, std::string& out) {
    const char* what = text_[p.quote] == '"' ? "a string literal" : "a character literal";
    const size_t close = p.close;
    out.append(text_, p.begin, p.quote + 1 - p.begin);
    size_t i = p.quote + 1;
    while (i < close) {
        const unsigned char c = text_[i];
        if (c >= 0x80) {
            if (!convert_run(p, i, close, out, what)) return false;
            continue;
        }
        if (c != '\\' || i + 1 >= close) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        const char e = text_[i + 1];
        if (static_cast<unsigned char>(e) >= 0x80) {
            problem(p, i, std::string("a backslash before a non-ASCII character in ") + what);
            return false;
        }
        if (e == 'N') {
            problem(p, i,
                    std::string("a named character escape (\\N{...}) in ") + what +
                        ": write the character itself, or its \\u escape");
            return false;
        }
        if (e == 'u' || e == 'U') {
            // \uXXXX, \UXXXXXXXX or \u{X...}.
            size_t digits_begin = i + 2, digits_end;
            bool braced = e == 'u' && digits_begin < close && text_[digits_begin] == '{';
            if (braced) {
                ++digits_begin;
                digits_end = digits_begin;
                while (digits_end < close && is_hex(text_[digits_end])) ++digits_end;
                if (digits_end >= close || text_[digits_end] != '}' || digits_end == digits_begin ||
                    digits_end - digits_begin > 8)
                    digits_end = std::string::npos;
            } else {
                const size_t want = e == 'u' ? 4 : 8;
                digits_end = digits_begin;
                while (digits_end < close && digits_end - digits_begin < want && is_hex(text_[digits_end])) ++digits_end;
                if (digits_end - digits_begin != want) digits_end = std::string::npos;
            }
            if (digits_end != std::string::npos) {
                const char32_t cp = static_cast<char32_t>(
                    std::strtoul(text_.substr(digits_begin, digits_end - digits_begin).c_str(), nullptr, 16));
                const size_t escape_end = digits_end + (braced ? 1 : 0);
                // ASCII, and what names no character, stay for the compiler.
                if (cp >= 0x80 && cp <= 0x10ffff && !(cp >= 0xd800 && cp <= 0xdfff)) {
                    std::string bytes;
                    if (!cp932_.convert(cp, encode_utf8(cp), bytes)) {
                        problem(p, i,
                                text_.substr(i, escape_end - i) + " (" + code_point_name(cp) + ") in " + what +
                                    " has no code page 932 form");
                        return false;
                    }
                    append_octal(out, bytes);
                    i = escape_end;
                    continue;
                }
                out.append(text_, i, escape_end - i);
                i = escape_end;
                continue;
            }
        }
        out += '\\';
        out += e;
        i += 2;
    }
    out.append(text_, close, p.end - close);
    return true;
}

// R"d(...)d": the raw parts stay raw, each run of non-ASCII characters
// becomes an ordinary literal of octal escapes between them.
bool Rewriter::convert_raw(const Piece& p, std::string& out) {
    const size_t open = text_.find('(', p.quote);
    const std::string delimiter = text_.substr(p.quote + 1, open - p.quote - 1);
    const std::string close = ")" + delimiter + "\"";
    const size_t body_end = p.close + 1 - close.size();
    out.append(text_, p.begin, open + 1 - p.begin);
    size_t i = open + 1;
    while (i < body_end) {
        if (static_cast<unsigned char>(text_[i]) < 0x80) {
            out += text_[i++];
            continue;
        }
        out += close;
        out += " \"";
        if (!convert_run(p, i, body_end, out, "a raw string literal")) return false;
        out += "\" R\"" + delimiter + "(";
    }
    out.append(text_, body_end, p.end - body_end);
    return true;
}

// A run of adjacent string literals ends: converts its pieces, unless one
// is prefixed (then the others take its meaning and stay) or the run is
// one the compiler does not translate. next is the token after the run.
void Rewriter::flush_group(char next) {
    if (group_.empty()) return;
    bool prefixed = false, convert_any = false;
    for (Piece& p : group_) {
        prefixed = prefixed || p.prefixed;
        convert_any = convert_any || (!p.system && needs_conversion(p));
    }
    const bool is_string = text_[group_.front().quote] == '"';
    bool leave = prefixed || !convert_any;
    if (!leave) {
        for (const Open& f : frames_) {
            if (f.kind == Frame::kAttribute) leave = true;
        }
    }
    if (!leave && !frames_.empty()) {
        Open& f = frames_.back();
        const bool direct = f.depth == depth_;
        if (f.kind == Frame::kAsm) {
            if (direct && f.groups == 0 && is_string) {
                leave = true;  // the template, or an asm label's name
            } else {
                for (const Piece& p : group_)
                    if (!p.system && needs_conversion(p))
                        problem(p, p.quote, "a non-ASCII literal among an asm statement's operands");
                leave = true;
            }
        } else if (f.kind == Frame::kStaticAssert && direct && is_string && prev_punct_ == ',' && next == ')') {
            leave = true;  // the message, read by no one but the compiler
        }
    }
    if (!frames_.empty() && frames_.back().depth == depth_ && is_string) ++frames_.back().groups;
    if (!leave) {
        for (const Piece& p : group_) {
            if (p.system || !needs_conversion(p)) continue;
            std::string with;
            const bool ok = p.raw ? convert_raw(p, with) : convert_ordinary(p, with);
            if (ok) {
                changed_ = true;
                replace(p.begin, p.end, std::move(with));
            }
        }
    }
    group_.clear();
}

// A token other than a literal: an identifier (ident) or a punctuator.
void Rewriter::token(std::string_view ident, char punct) {
    if (!ident.empty()) {
        if (ident == "asm" || ident == "__asm" || ident == "__asm__") {
            pending_ = static_cast<int>(Frame::kAsm);
        } else if (ident == "__attribute__" || ident == "__attribute") {
            pending_ = static_cast<int>(Frame::kAttribute);
        } else if (ident == "static_assert" || ident == "_Static_assert") {
            pending_ = static_cast<int>(Frame::kStaticAssert);
        } else if (pending_ == static_cast<int>(Frame::kAsm) &&
                   (ident == "volatile" || ident == "__volatile" || ident == "__volatile__" || ident == "inline" ||
                    ident == "__inline" || ident == "__inline__" || ident == "goto")) {
            // asm's qualifiers
        } else {
            pending_ = -1;
        }
        if (!system_) {
            if (ident == "__func__" || ident == "__FUNCTION__" || (c_ && ident == "__PRETTY_FUNCTION__"))
                function_names_.push_back({file_, line_at(i_), std::string(ident)});
            for (char c : ident)
                if (c == '\\' || static_cast<unsigned char>(c) >= 0x80) non_ascii_names_ = true;
        }
        prev_punct_ = 0;
        return;
    }
    if (punct == '(') {
        ++depth_;
        if (pending_ >= 0) frames_.push_back({static_cast<Frame>(pending_), depth_, 0});
    } else if (punct == ')') {
        if (!frames_.empty() && frames_.back().depth == depth_) frames_.pop_back();
        if (depth_ > 0) --depth_;
    }
    pending_ = -1;
    prev_punct_ = punct;
}

bool Rewriter::run(std::string& out) {
    const std::string& t = text_;
    const size_t n = t.size();
    bool line_start = true;
    while (i_ < n) {
        const char c = t[i_];
        if (c == '\n') {
            line_start = true;
            ++i_;
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
            ++i_;
            continue;
        }
        if (line_start && c == '#') {
            directive();
            continue;
        }
        line_start = false;
        const char next = i_ + 1 < n ? t[i_ + 1] : '\0';
        if (c == '/' && next == '/') {  // comments are there with -C
            i_ = t.find('\n', i_);
            if (i_ == std::string::npos) i_ = n;
            continue;
        }
        if (c == '/' && next == '*') {
            const size_t end = t.find("*/", i_ + 2);
            i_ = end == std::string::npos ? n : end + 2;
            continue;
        }
        if (is_digit(c) || (c == '.' && is_digit(next))) {  // a pp-number, digit separators included
            flush_group(0);
            ++i_;
            while (i_ < n) {
                const char d = t[i_];
                if ((d == '+' || d == '-') && (t[i_ - 1] == 'e' || t[i_ - 1] == 'E' || t[i_ - 1] == 'p' || t[i_ - 1] == 'P'))
                    ++i_;
                else if (d == '\'' && i_ + 1 < n && is_ident_char(t[i_ + 1]) && static_cast<unsigned char>(t[i_ + 1]) < 0x80)
                    i_ += 2;
                else if (is_ident_char(d) || d == '.')
                    ++i_;
                else
                    break;
            }
            token({}, '0');
            continue;
        }
        if (is_ident_char(c) || (c == '\\' && (next == 'u' || next == 'U'))) {
            const size_t begin = i_;
            while (i_ < n && (is_ident_char(t[i_]) || (t[i_] == '\\' && i_ + 1 < n && (t[i_ + 1] == 'u' || t[i_ + 1] == 'U'))))
                i_ += t[i_] == '\\' ? 2 : 1;
            const std::string_view ident(t.data() + begin, i_ - begin);
            if (i_ < n && (t[i_] == '"' || t[i_] == '\'')) {
                const bool string = t[i_] == '"';
                if (ident == "L" || ident == "u" || ident == "U" || ident == "u8") {
                    literal(begin, i_, true, false);
                    continue;
                }
                if (string && (ident == "LR" || ident == "uR" || ident == "UR" || ident == "u8R")) {
                    literal(begin, i_, true, true);
                    continue;
                }
                if (string && ident == "R") {
                    literal(begin, i_, false, true);
                    continue;
                }
            }
            flush_group(0);
            token(ident, 0);
            continue;
        }
        if (c == '"' || c == '\'') {
            literal(i_, i_, false, false);
            continue;
        }
        flush_group(c);
        token({}, c);
        ++i_;
    }
    flush_group(0);
    if (non_ascii_names_) {
        for (const Use& u : function_names_)
            problems_.push_back({u.file, u.line,
                    u.name + " in a translation unit with non-ASCII names: its text would be UTF-8 here, code page "
                             "932 with a code page 932 compiler; name the function in ASCII"});
    }
    if (!problems_.empty()) return false;
    out.clear();
    out.reserve(t.size() + t.size() / 8);
    size_t at = 0;
    for (const Edit& e : edits_) {
        out.append(t, at, e.begin - at);
        out += e.with;
        at = e.end;
    }
    out.append(t, at, n - at);
    return true;
}

// ---------------------------------------------------------------------------
// Files and processes.

bool read_file(const std::string& path, std::string& text) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    text.clear();
    char buf[1 << 16];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool write_all(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t w = ::write(fd, text.data() + done, text.size() - done);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(w);
    }
    return true;
}

// Writes text to path: a regular file (or a new name) through a temporary
// file beside it, renamed into place when whole; anything else that exists
// (/dev/null, a terminal) is written to as it is, never replaced.
bool write_output(const std::string& path, const std::string& text) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        const int fd = ::open(path.c_str(), O_WRONLY);
        if (fd < 0) return false;
        const bool ok = write_all(fd, text);
        return ::close(fd) == 0 && ok;
    }
    std::string tmp = path + ".qx-cp932-XXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0) return false;
    bool ok = write_all(fd, text);
    ok = ::close(fd) == 0 && ok;
    if (ok) ok = ::rename(tmp.c_str(), path.c_str()) == 0;
    if (!ok) ::unlink(tmp.c_str());
    return ok;
}

bool write_scratch(const std::string& path, const std::string& text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC);
    if (fd < 0) return false;
    const bool ok = write_all(fd, text);
    return ::close(fd) == 0 && ok;
}

// The scratch folder for the preprocessed texts, removed at exit and on the
// signals that end a build.
char g_scratch[4096];
std::vector<std::string> g_scratch_files;

void remove_scratch() {
    for (const std::string& f : g_scratch_files) ::unlink(f.c_str());
    if (g_scratch[0]) ::rmdir(g_scratch);
}

void on_signal(int sig) {
    // Only unlink and rmdir here, on names made before the signal could come.
    for (const std::string& f : g_scratch_files) ::unlink(f.c_str());
    if (g_scratch[0]) ::rmdir(g_scratch);
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

bool make_scratch() {
    const char* tmp = std::getenv("TMPDIR");
    std::string base = (tmp && *tmp ? std::string(tmp) : std::string("/tmp")) + "/qx-cp932-XXXXXX";
    if (base.size() >= sizeof g_scratch) return false;
    std::memcpy(g_scratch, base.c_str(), base.size() + 1);
    if (!::mkdtemp(g_scratch)) {
        g_scratch[0] = 0;
        return false;
    }
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) ::signal(sig, on_signal);
    std::atexit(remove_scratch);
    return true;
}

// Runs a command, its output and errors going where ours go; returns its
// exit status (128 + the signal that ended it).
int run(const std::vector<std::string>& command) {
    std::vector<char*> argv;
    for (const std::string& a : command) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid;
    const int rc = ::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
    if (rc != 0) {
        std::fprintf(stderr, "%s: error: cannot run %s: %s\n", kName, argv[0], std::strerror(rc));
        return 127;
    }
    int status;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return 127;
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return 1;
}

// ---------------------------------------------------------------------------
// The compiler's command line.

bool one_of(std::string_view s, std::initializer_list<std::string_view> list) {
    for (std::string_view x : list)
        if (s == x) return true;
    return false;
}
bool starts_with(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// Options whose value is the next argument.
bool takes_value(std::string_view a, bool emscripten) {
    if (one_of(a, {"-o", "-x", "-I", "-D", "-U", "-include", "-imacros", "-isystem", "-idirafter", "-iquote",
                   "-iprefix", "-iwithprefix", "-iwithprefixbefore", "-isysroot", "-imultilib", "-imultiarch",
                   "-MF", "-MT", "-MQ", "-L", "-l", "-T", "-u", "-z", "-e", "-Xlinker", "-Xassembler",
                   "-Xpreprocessor", "-Xclang", "-mllvm", "-aux-info", "--param", "-wrapper", "-A", "-B",
                   "--sysroot", "-target", "-arch", "-include-pch", "-iframework", "-cxx-isystem", "-MJ",
                   "-serialize-diagnostics", "-dumpbase", "-dumpdir", "-dumpbase-ext", "--output"}))
        return true;
    return emscripten && one_of(a, {"-s", "--preload-file", "--embed-file", "--exclude-file", "--shell-file",
                                    "--pre-js", "--post-js", "--extern-pre-js", "--extern-post-js",
                                    "--js-library", "--closure", "--js-transform", "--source-map-base",
                                    "--memory-init-file", "--embind-emit-tsd"});
}

// What the linker alone reads, which the -E step leaves out.
bool link_only(std::string_view a) {
    return starts_with(a, "-l") || starts_with(a, "-L") || starts_with(a, "-Wl,") || starts_with(a, "-Wa,") ||
           one_of(a, {"-static", "-static-libgcc", "-static-libstdc++", "-shared", "-rdynamic", "-pie", "-s",
                      "-Xlinker", "-Xassembler", "-T", "-u", "-z", "-e"}) ||
           starts_with(a, "--preload-file") || starts_with(a, "--embed-file") || starts_with(a, "--shell-file") ||
           starts_with(a, "--pre-js") || starts_with(a, "--post-js") || starts_with(a, "--js-library");
}

// What the preprocessor alone reads, which the compilation of preprocessed
// text leaves out (clang warns of include folders it did not use).
bool preprocessor_only(std::string_view a) {
    return one_of(a, {"-M", "-MM", "-MD", "-MMD", "-MG", "-MP", "-Xpreprocessor", "-fdirectives-only",
                      "-fpch-preprocess", "-P", "-nostdinc", "-nostdinc++"}) ||
           starts_with(a, "-Wp,") || starts_with(a, "-finput-charset=") || starts_with(a, "-MF") ||
           starts_with(a, "-MT") || starts_with(a, "-MQ") || starts_with(a, "-include") || starts_with(a, "-imacros") ||
           starts_with(a, "-I") || starts_with(a, "-D") || starts_with(a, "-U") || starts_with(a, "-isystem") ||
           starts_with(a, "-iquote") || starts_with(a, "-idirafter") || starts_with(a, "-iprefix") ||
           starts_with(a, "-iwithprefix") || starts_with(a, "-cxx-isystem") || starts_with(a, "-iframework");
}

enum class Lang { kNone, kC, kCxx, kOther };

Lang lang_of_extension(std::string_view path) {
    const size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || path.find('/', dot) != std::string_view::npos) return Lang::kNone;
    const std::string_view ext = path.substr(dot + 1);
    if (ext == "c") return Lang::kC;
    if (one_of(ext, {"cc", "cp", "cxx", "cpp", "CPP", "c++", "C"})) return Lang::kCxx;
    return Lang::kNone;
}

Lang lang_of_x(std::string_view x) {
    if (x == "none") return Lang::kNone;
    if (x == "c") return Lang::kC;
    if (x == "c++") return Lang::kCxx;
    return Lang::kOther;  // headers, assembler, preprocessed text: compiled as they are
}

struct Arg {
    std::string text;
    enum Kind { kOption, kValue, kSource, kInput } kind;
    Lang lang;  // for sources
    Lang x;     // the -x in force where it stands
};

std::string base_name(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string without_extension(const std::string& path) {
    const size_t dot = path.rfind('.');
    const size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path;
    return path.substr(0, dot);
}

int usage() {
    std::fprintf(stderr,
                 "usage: %s [--launcher LAUNCHER... --] COMPILER ARGUMENTS...\n"
                 "Compiles C and C++ sources with their ordinary literals in code page 932.\n",
                 kName);
    return 2;
}

int print_problems(const std::vector<Problem>& problems) {
    size_t shown = 0;
    for (const Problem& p : problems) {
        if (++shown > 20) {
            std::fprintf(stderr, "%s: and %zu more\n", kName, problems.size() - 20);
            break;
        }
        std::fprintf(stderr, "%s:%ld: error: %s\n", p.file.c_str(), p.line, p.what.c_str());
    }
    return 1;
}

int main_(int argc, char** argv) {
    std::vector<std::string> launcher;
    int first = 1;
    if (argc >= 2 && std::strcmp(argv[1], "--version") == 0) {
        Cp932 cp932;
        if (!cp932.ok()) {
            std::fprintf(stderr, "%s: error: the C library's iconv cannot convert UTF-8 to CP932\n", kName);
            return 1;
        }
        std::printf("%s: ordinary literals in code page 932\n", kName);
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "--launcher") == 0) {
        for (first = 2; first < argc && std::strcmp(argv[first], "--") != 0; ++first) launcher.push_back(argv[first]);
        if (first == argc) return usage();
        ++first;
    }
    if (first >= argc) return usage();

    const std::string compiler = argv[first];
    const bool emscripten = base_name(compiler).find("em") == 0;
    std::vector<Arg> args;
    std::vector<std::string> original = launcher;
    original.push_back(compiler);
    bool preprocess_only = false, deps_only = false, deps = false, has_mf = false, has_mt = false, compile_only = false,
         has_x = false;
    std::string output;
    Lang x = Lang::kNone;
    for (int i = first + 1; i < argc; ++i) {
        const std::string a = argv[i];
        original.push_back(a);
        if (a.size() > 1 && a[0] == '@') {  // a response file (include folders, say): for both steps
            args.push_back({a, Arg::kOption, Lang::kNone, x});
            continue;
        }
        if (a.size() > 1 && a[0] == '-') {
            args.push_back({a, Arg::kOption, Lang::kNone, x});
            if (a == "-E") preprocess_only = true;
            if (a == "-M" || a == "-MM") deps_only = true;
            if (a == "-MD" || a == "-MMD") deps = true;
            if (starts_with(a, "-MF")) has_mf = true;
            if (starts_with(a, "-MT") || starts_with(a, "-MQ")) has_mt = true;
            if (a == "-c" || a == "-S" || a == "-fsyntax-only") compile_only = true;
            if (starts_with(a, "-o") && a.size() > 2) output = a.substr(2);
            if (starts_with(a, "-x")) {
                has_x = true;
                std::string value = a.size() > 2 ? a.substr(2) : (i + 1 < argc ? argv[i + 1] : "");
                x = lang_of_x(value);
            }
            if (takes_value(a, emscripten) && i + 1 < argc) {
                ++i;
                original.push_back(argv[i]);
                args.push_back({argv[i], Arg::kValue, Lang::kNone, x});
                if (a == "-o" || a == "--output") output = argv[i];
            }
            continue;
        }
        Lang lang = x != Lang::kNone ? x : lang_of_extension(a);
        if (lang == Lang::kC || lang == Lang::kCxx)
            args.push_back({a, Arg::kSource, lang, x});
        else
            args.push_back({a, Arg::kInput, Lang::kNone, x});
    }

    std::vector<const Arg*> sources;
    for (const Arg& a : args)
        if (a.kind == Arg::kSource) sources.push_back(&a);
    // Nothing of ours to do: link commands, headers to precompile,
    // dependency listings, preprocessed or assembler inputs alone.
    if (sources.empty() || deps_only) return run(original);

    Cp932 cp932;
    if (!cp932.ok()) {
        std::fprintf(stderr, "%s: error: the C library's iconv cannot convert UTF-8 to CP932\n", kName);
        return 1;
    }
    if (!make_scratch()) {
        std::fprintf(stderr, "%s: error: cannot make a scratch folder: %s\n", kName, std::strerror(errno));
        return 1;
    }

    // The -E command for each source: the command's flags, less what only
    // the linker reads, other inputs and the output; dependency output as
    // the command would have written it.
    g_scratch_files.reserve(sources.size());  // never moved while a signal may read it
    std::vector<std::string> rewritten(sources.size());
    std::vector<bool> changed(sources.size());
    std::string preprocessed_all;
    bool any_changed = false;
    std::vector<Problem> problems;
    for (size_t s = 0; s < sources.size(); ++s) {
        const Arg& source = *sources[s];
        std::vector<std::string> e = launcher;
        e.push_back(compiler);
        for (size_t k = 0; k < args.size(); ++k) {
            const Arg& a = args[k];
            if (a.kind == Arg::kSource || a.kind == Arg::kInput) continue;
            if (a.kind == Arg::kValue) continue;  // taken with its option
            const bool has_value = k + 1 < args.size() && args[k + 1].kind == Arg::kValue;
            const std::string_view t = a.text;
            const bool drop = t == "-c" || t == "-S" || t == "-E" || t == "-fsyntax-only" ||
                              starts_with(t, "-o") || starts_with(t, "--output") || link_only(t) || t == "-P" ||
                              t == "-fdirectives-only" || t == "-fpreprocessed" || starts_with(t, "-save-temps") ||
                              starts_with(t, "-x") ||
                              (sources.size() > 1 && (starts_with(t, "-M") || starts_with(t, "-Wp,-M")));
            if (!drop) {
                e.push_back(a.text);
                if (has_value) e.push_back(args[k + 1].text);
            }
        }
        if (has_x) {
            e.push_back("-x");
            e.push_back(source.lang == Lang::kC ? "c" : "c++");
        }
        if (deps && sources.size() == 1 && !preprocess_only) {
            // As the compiler names them when the command does not.
            const std::string target =
                !output.empty() ? output : without_extension(base_name(source.text)) + (compile_only ? ".o" : "");
            if (!has_mf) {
                e.push_back("-MF");
                e.push_back(without_extension(!output.empty() ? output : base_name(source.text)) + ".d");
            }
            if (!has_mt) {
                e.push_back("-MT");
                e.push_back(target);
            }
        }
        e.push_back("-Werror=multichar");
        e.push_back("-E");
        e.push_back(source.text);
        const std::string ii = std::string(g_scratch) + "/" + std::to_string(s) + "-" +
                               without_extension(base_name(source.text)) + (source.lang == Lang::kC ? ".i" : ".ii");
        g_scratch_files.push_back(ii);
        e.push_back("-o");
        e.push_back(ii);
        if (const int rc = run(e); rc != 0) return rc;

        std::string text;
        if (!read_file(ii, text)) {
            std::fprintf(stderr, "%s: error: cannot read %s: %s\n", kName, ii.c_str(), std::strerror(errno));
            return 1;
        }
        Rewriter rewriter(text, source.lang == Lang::kC, cp932);
        std::string out;
        if (!rewriter.run(out)) {
            problems.insert(problems.end(), rewriter.problems().begin(), rewriter.problems().end());
            continue;
        }
        changed[s] = rewriter.changed();
        any_changed = any_changed || changed[s];
        if (preprocess_only) {
            preprocessed_all += out;
        } else if (changed[s]) {
            if (!write_scratch(ii, out)) {
                std::fprintf(stderr, "%s: error: cannot write %s: %s\n", kName, ii.c_str(), std::strerror(errno));
                return 1;
            }
        }
        rewritten[s] = ii;
    }
    if (!problems.empty()) return print_problems(problems);

    if (preprocess_only) {
        if (output.empty() || output == "-") return write_all(STDOUT_FILENO, preprocessed_all) ? 0 : 1;
        if (!write_output(output, preprocessed_all)) {
            std::fprintf(stderr, "%s: error: cannot write %s: %s\n", kName, output.c_str(), std::strerror(errno));
            return 1;
        }
        return 0;
    }
    if (!any_changed) return run(original);
    if (deps && sources.size() > 1) {
        std::fprintf(stderr,
                     "%s: error: -MD or -MMD with several sources in one command: compile them one at a time\n",
                     kName);
        return 1;
    }

    // The command again, each source replaced by its rewritten text, less
    // what only the preprocessor reads.
    std::vector<std::string> c = launcher;
    c.push_back(compiler);
    size_t s = 0;
    for (size_t k = 0; k < args.size(); ++k) {
        const Arg& a = args[k];
        if (a.kind == Arg::kValue) continue;
        const bool has_value = k + 1 < args.size() && args[k + 1].kind == Arg::kValue;
        if (a.kind == Arg::kSource) {
            if (has_x) {
                c.push_back("-x");
                c.push_back(a.lang == Lang::kC ? "cpp-output" : "c++-cpp-output");
            }
            c.push_back(rewritten[s++]);
            if (has_x) {  // what was in force before, for the arguments after
                c.push_back("-x");
                c.push_back(a.x == Lang::kC ? "c" : a.x == Lang::kCxx ? "c++" : "none");
            }
            continue;
        }
        if (a.kind == Arg::kOption && preprocessor_only(a.text)) continue;
        c.push_back(a.text);
        if (has_value) c.push_back(args[k + 1].text);
    }
    return run(c);
}

}  // namespace

int main(int argc, char** argv) { return main_(argc, argv); }
