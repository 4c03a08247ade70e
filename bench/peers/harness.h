// What the four programs of the peer benchmark share: the frame's geometry
// and colours, the checks each program makes of its own pixels before it is
// timed, and the timing.
//
// A program wraps its library in a type G with, in logical coordinates
// (320 x 200, each logical point 2 x 2 device pixels on a 640 x 400 screen):
//   using Colour = ...;   Colour colour(uint32_t rgb);     // rgb: 0xRRGGBB
//   static constexpr bool kTextOnScreen;  // text goes on the screen after the flip
//   void clear(Colour);  void pset(int x, int y, Colour);  void line(Segment, Colour);
//   void circle(int cx, int cy, int r, Colour);  void sprite(int x, int y);  // 16 x 16 doubled, keyed
//   void text(Colour);   // "FPS:60" at logical (10, 10)
//   void flip();         // the 640 x 400 back buffer onto the screen
//   void read(bool screen, Image&);  // the back buffer's or the screen's 640 x 400 pixels, 0xRRGGBB
// and main calls peers::run(g). A program prints what its pixels were and
// whether every check passed, then times the rows its standard input names,
// one a line (frame, clear, pset, line, circle, sprite, text, flip; all),
// until that ends, and answers each with the median time per call:
//   pixels <TAB> piece <TAB> count <TAB> hash
//   checks <TAB> ok                      (or: check <TAB> FAILED <TAB> what, and no times)
//   clock <TAB> cpu                      (or monotonic, in a browser, which has no CPU clock)
//   time <TAB> row <TAB> nanoseconds per call (CPU time of the process, or that clock's time)
//        <TAB> nanoseconds per call in wall-clock time (the monotonic clock)
// PEERS_ROW=row times that row alone, for a few seconds, to run under a
// profiler; with PEERS_CALLS=n it makes exactly n calls of it instead,
// untimed, so that two runs under callgrind with different n give the
// instructions per call (bench/count.sh).
#pragma once

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace peers {

constexpr int kWidth = 640, kHeight = 400;  // device pixels
constexpr int kSprites = 200, kLines = 50, kCircles = 10, kRadius = 50, kSpriteSize = 16;
constexpr double kPi = 3.14159265358979323846;
constexpr uint32_t kClear = 0x0000AA, kKey = 0xFF00FF, kText = 0xFFFFFF, kDot = 0xFFFF55;

using Image = std::vector<uint32_t>;  // kWidth x kHeight, row after row, 0xRRGGBB
struct Point { int x, y; };
struct Segment { int x1, y1, x2, y2; };

// The sprite: a key-coloured border two pixels wide and a key-coloured
// diagonal, around and across a pattern of opaque colours.
inline uint32_t sprite_pixel(int x, int y) {
    if (x < 2 || y < 2 || x >= kSpriteSize - 2 || y >= kSpriteSize - 2 || x == y) return kKey;
    return 0x800000u | uint32_t(y * 16) << 8 | uint32_t(x * 16);
}

// Where sprite s goes in frame number `frame`: it moves one logical pixel a frame.
inline Point sprite_at(int s, long frame) { return {int((s * 37 + frame) % 300), (s * 53) % 180}; }

// Line l: 160 logical points, shallow, every other one drawn right to left.
inline Segment line_of(int l) {
    const int x1 = l * 3, y1 = 45 + l * 2, x2 = x1 + 159, y2 = y1 + (l * 13) % 81 - 40;
    return l % 2 ? Segment{x2, y2, x1, y1} : Segment{x1, y1, x2, y2};
}
inline Point circle_at(int c) { return {55 + c * 23, 60 + c % 3 * 20}; }
inline uint32_t line_rgb(int l) { return 0x20C040u + uint32_t(l) * 0x040003u; }
inline uint32_t circle_rgb(int c) { return 0xF06020u + uint32_t(c) * 0x000A10u; }

// ---- Checks

struct Checks {
    std::vector<std::string> failed;
    void expect(bool ok, const std::string& what) {
        if (!ok) failed.push_back(what);
    }
};

// The pixels the clear colour no longer holds, in order.
struct Pixel {
    int at;  // y * kWidth + x
    uint32_t rgb;
    bool operator==(const Pixel& o) const { return at == o.at && rgb == o.rgb; }
};
using Piece = std::vector<Pixel>;
inline Piece changed(const Image& img) {
    Piece piece;
    for (int i = 0; i < kWidth * kHeight; ++i)
        if (img[size_t(i)] != kClear) piece.push_back({i, img[size_t(i)]});
    return piece;
}

// What a sprite alone at logical (x, y) changes: the same for every library,
// since keying and doubling have one answer.
inline Piece expected_sprite(Point p) {
    Piece piece;
    for (int y = 0; y < 2 * kSpriteSize; ++y)
        for (int x = 0; x < 2 * kSpriteSize; ++x) {
            const uint32_t c = sprite_pixel(x / 2, y / 2);
            if (c != kKey) piece.push_back({(2 * p.y + y) * kWidth + 2 * p.x + x, c});
        }
    return piece;
}

// Lines and circles are each library's own algorithm (where a line's minor
// step falls, which points a circle visits, a 2 x 2 block or a two-pixel-wide
// stroke), so they are checked against the ideal curve, in device pixels:
// every pixel changed has the curve's colour and lies near it, and no stretch
// of the curve is left without a pixel.
template <class Distance>
std::string curve_fault(const Image& img, uint32_t colour, Distance distance,
                        const std::vector<std::pair<double, double>>& along) {
    constexpr double kNear = 3.5;   // a point off by up to a logical pixel, plus its block
    constexpr double kCover = 2.0;  // every point of the curve has a pixel this close
    char why[120] = "";
    for (auto [i, rgb] : changed(img)) {
        const double x = i % kWidth + 0.5, y = i / kWidth + 0.5;
        if (rgb != colour)
            std::snprintf(why, sizeof why, "pixel (%d, %d) is %06X, not %06X", i % kWidth, i / kWidth,
                          unsigned(rgb), unsigned(colour));
        else if (distance(x, y) > kNear)
            std::snprintf(why, sizeof why, "pixel (%d, %d) is %.1f from the curve", i % kWidth, i / kWidth,
                          distance(x, y));
        if (*why) return why;
    }
    for (auto [sx, sy] : along) {
        bool covered = false;
        for (int y = int(sy - kCover); y <= int(sy + kCover) && !covered; ++y)
            for (int x = int(sx - kCover); x <= int(sx + kCover) && !covered; ++x)
                covered = x >= 0 && y >= 0 && x < kWidth && y < kHeight && img[size_t(y * kWidth + x)] == colour &&
                          std::hypot(x + 0.5 - sx, y + 0.5 - sy) <= kCover;
        if (!covered) {
            std::snprintf(why, sizeof why, "nothing drawn near (%.1f, %.1f)", sx, sy);
            return why;
        }
    }
    return "";
}

// A logical point's centre in device pixels.
inline double centre(int v) { return 2.0 * v + 1.0; }

inline std::string line_fault(const Image& img, Segment s, uint32_t colour) {
    const double ax = centre(s.x1), ay = centre(s.y1), bx = centre(s.x2), by = centre(s.y2);
    const double dx = bx - ax, dy = by - ay, length = std::hypot(dx, dy);
    auto distance = [&](double x, double y) {
        const double t = std::clamp(((x - ax) * dx + (y - ay) * dy) / (length * length), 0.0, 1.0);
        return std::hypot(x - ax - t * dx, y - ay - t * dy);
    };
    std::vector<std::pair<double, double>> along;
    for (double t = 0; t <= length; t += 1.0) along.push_back({ax + dx * t / length, ay + dy * t / length});
    return curve_fault(img, colour, distance, along);
}

inline std::string circle_fault(const Image& img, Point c, int r, uint32_t colour) {
    const double cx = centre(c.x), cy = centre(c.y), radius = 2.0 * r;
    auto distance = [&](double x, double y) { return std::fabs(std::hypot(x - cx, y - cy) - radius); };
    std::vector<std::pair<double, double>> along;
    const int n = int(2 * kPi * radius);
    for (int i = 0; i < n; ++i)
        along.push_back({cx + radius * std::cos(2 * kPi * i / n), cy + radius * std::sin(2 * kPi * i / n)});
    return curve_fault(img, colour, distance, along);
}

// Text is each library's own font; "FPS:60" at logical (10, 10) must leave
// a fair number of pixels, as wide as six glyphs, and none far from there.
inline std::string text_fault(const Image& img) {
    const Piece at = changed(img);
    int left = kWidth, right = -1;
    for (auto [i, rgb] : at) {
        const int x = i % kWidth, y = i / kWidth;
        if (x < 16 || x >= 20 + 6 * 16 + 8 || y < 16 || y >= 20 + 16 + 8) return "text drawn far from (20, 20)";
        left = std::min(left, x), right = std::max(right, x);
    }
    if (at.size() < 30 || right - left < 40) return "too little text drawn for \"FPS:60\"";
    return "";
}

inline uint64_t hash(const Image& img) {
    uint64_t h = 1469598103934665603ull;  // FNV-1a
    for (uint32_t p : img)
        for (int b = 0; b < 24; b += 8) h = (h ^ (p >> b & 0xFF)) * 1099511628211ull;
    return h;
}

// ---- The frame

template <class G>
struct Colours {
    typename G::Colour clear, text, dot, line[kLines], circle[kCircles];
    explicit Colours(G& g) : clear(g.colour(kClear)), text(g.colour(kText)), dot(g.colour(kDot)) {
        for (int l = 0; l < kLines; ++l) line[l] = g.colour(line_rgb(l));
        for (int c = 0; c < kCircles; ++c) circle[c] = g.colour(circle_rgb(c));
    }
};

template <class G>
void text_and_flip(G& g, const Colours<G>& k) {
    if (G::kTextOnScreen) {
        g.flip();
        g.text(k.text);
    } else {
        g.text(k.text);
        g.flip();
    }
}

// A typical frame: clear; 200 keyed sprites, doubled; 50 lines and 10
// circles of doubled points; the frame rate; the flip.
template <class G>
void frame(G& g, const Colours<G>& k, long number) {
    g.clear(k.clear);
    for (int s = 0; s < kSprites; ++s) {
        Point p = sprite_at(s, number);
        g.sprite(p.x, p.y);
    }
    for (int l = 0; l < kLines; ++l) g.line(line_of(l), k.line[l]);
    for (int c = 0; c < kCircles; ++c) g.circle(circle_at(c).x, circle_at(c).y, kRadius, k.circle[c]);
    text_and_flip(g, k);
}

// Each operation alone on a cleared screen is checked, and the frame must be
// those screens laid over one another in order: nothing skipped, nothing
// drawn twice where the second time shows.
template <class G>
Checks check(G& g, const Colours<G>& k) {
    Checks checks;
    Image back(size_t(kWidth * kHeight)), screen(back);
    auto alone = [&](auto draw) {
        g.clear(k.clear);
        draw();
        g.flip();
        g.read(true, screen);
    };
    auto report = [](const char* piece, const Piece& pixels) {
        uint64_t h = 1469598103934665603ull;  // FNV-1a of where each pixel is and what it became
        for (auto [at, rgb] : pixels)
            for (uint64_t v : {uint64_t(at), uint64_t(rgb)}) h = (h ^ v) * 1099511628211ull;
        std::printf("pixels\t%s\t%zu\t%016llx\n", piece, pixels.size(), (unsigned long long)h);
    };

    g.sprite(100, 100);
    g.clear(k.clear);
    g.read(false, back);
    checks.expect(changed(back).empty(), "clear: the back buffer is not all cleared");

    g.clear(k.clear);
    g.pset(101, 57, k.dot);
    g.read(false, back);
    const Piece dot{{114 * kWidth + 202, kDot}, {114 * kWidth + 203, kDot}, {115 * kWidth + 202, kDot},
                    {115 * kWidth + 203, kDot}};
    checks.expect(changed(back) == dot, "pset: not the one 2 x 2 block at (202, 114)");

    g.clear(k.clear);
    g.flip();
    g.sprite(60, 30);
    g.line(line_of(0), k.line[0]);
    g.flip();
    g.read(false, back);
    g.read(true, screen);
    checks.expect(!changed(screen).empty() && screen == back, "flip: the screen is not the back buffer");

    // The frame's pieces, in the order the frame draws them.
    const long number = 7;
    std::vector<Piece> pieces;
    for (int s = 0; s < kSprites; ++s) {
        Point p = sprite_at(s, number);
        alone([&] { g.sprite(p.x, p.y); });
        pieces.push_back(changed(screen));
        checks.expect(pieces.back() == expected_sprite(p),
                      "sprite " + std::to_string(s) + ": not the keyed sprite doubled");
    }
    report("sprite", pieces[0]);
    for (int l = 0; l < kLines; ++l) {
        alone([&] { g.line(line_of(l), k.line[l]); });
        pieces.push_back(changed(screen));
        std::string fault = line_fault(screen, line_of(l), line_rgb(l));
        checks.expect(fault.empty(), "line " + std::to_string(l) + ": " + fault);
    }
    report("line", pieces[kSprites]);
    for (int c = 0; c < kCircles; ++c) {
        alone([&] { g.circle(circle_at(c).x, circle_at(c).y, kRadius, k.circle[c]); });
        pieces.push_back(changed(screen));
        std::string fault = circle_fault(screen, circle_at(c), kRadius, circle_rgb(c));
        checks.expect(fault.empty(), "circle " + std::to_string(c) + ": " + fault);
    }
    report("circle", pieces[kSprites + kLines]);
    g.clear(k.clear);
    text_and_flip(g, k);
    g.read(true, screen);
    pieces.push_back(changed(screen));
    checks.expect(text_fault(screen).empty(), "text: " + text_fault(screen));
    report("text", pieces.back());

    Image expected(screen.size(), kClear);
    for (const Piece& piece : pieces)
        for (auto [i, rgb] : piece) expected[size_t(i)] = rgb;
    frame(g, k, number);
    g.read(true, screen);
    int wrong = 0;
    for (size_t i = 0; i < screen.size(); ++i) wrong += screen[i] != expected[i];
    checks.expect(wrong == 0, "frame: " + std::to_string(wrong) + " pixels are not its pieces laid over one another");
    std::printf("pixels\tframe\t%zu\t%016llx\n", changed(screen).size(), (unsigned long long)hash(screen));
    return checks;
}

// ---- Timing

// The process's CPU time where the system keeps it; in a browser, which
// keeps none (the call fails), the page's monotonic clock instead.
inline bool has_cpu_clock() {
    timespec t;
    static const bool has = clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t) == 0;
    return has;
}

inline double cpu_ns() {
    timespec t{};
    clock_gettime(has_cpu_clock() ? CLOCK_PROCESS_CPUTIME_ID : CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) * 1e9 + double(t.tv_nsec);
}

// A program whose standard input may have nothing yet without having ended
// (a page's, which the benchmark fills as it goes: the read fails with
// EAGAIN) gives G a wait(), which lets the input come; the read is then
// made again. Any other failure ends the input.
template <class G, class = void>
struct can_wait : std::false_type {};
template <class G>
struct can_wait<G, std::void_t<decltype(std::declval<G&>().wait())>> : std::true_type {};

template <class G>
bool next_line(G& g, char* line, int size) {
    for (;;) {
        errno = 0;
        if (std::fgets(line, size, stdin)) return true;
        if constexpr (can_wait<G>::value) {
            if (std::ferror(stdin) && !std::feof(stdin) && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                std::clearerr(stdin);
                g.wait();
                continue;
            }
        }
        return false;
    }
}

inline double wall_ns() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) * 1e9 + double(t.tv_nsec);
}

// The median time per call over a few batches, each at least a millisecond
// of CPU time so that the clock's own cost and resolution do not count; and
// the median of the same batches' wall-clock time (in a browser, the same).
struct Times {
    double cpu, wall;
};
template <class F>
Times median_ns(F call) {
    long n = 1, i = 0;
    for (;;) {
        const double t0 = cpu_ns();
        for (long j = 0; j < n; ++j) call(i++);
        if (cpu_ns() - t0 > 1e6 || n >= (1L << 26)) break;
        n *= 2;
    }
    std::vector<double> cpu, wall;
    for (int batch = 0; batch < 5; ++batch) {
        const double c0 = cpu_ns(), w0 = wall_ns();
        for (long j = 0; j < n; ++j) call(i++);
        const double w1 = wall_ns(), c1 = cpu_ns();
        cpu.push_back((c1 - c0) / double(n));
        wall.push_back((w1 - w0) / double(n));
    }
    std::nth_element(cpu.begin(), cpu.begin() + 2, cpu.end());
    std::nth_element(wall.begin(), wall.begin() + 2, wall.end());
    return {cpu[2], wall[2]};
}

template <class G>
int run(G& g) {
    const Colours<G> k(g);
    Checks checks = check(g, k);
    for (const std::string& what : checks.failed) std::printf("check\tFAILED\t%s\n", what.c_str());
    if (!checks.failed.empty()) return 3;
    std::printf("checks\tok\n");
    std::printf("clock\t%s\n", has_cpu_clock() ? "cpu" : "monotonic");
    std::fflush(stdout);

    // PEERS_ROW=name times that row alone, for three seconds, for a profiler.
    const char* only = std::getenv("PEERS_ROW");
    const char* calls = std::getenv("PEERS_CALLS");
    auto measure = [only, calls](const char* name, auto call) {
        if (only && calls) {
            const long n = std::atol(calls);
            for (long i = 0; i < n; ++i) call(i);
            std::printf("calls\t%s\t%ld\n", name, n);
            return;
        }
        Times ns = median_ns(call);
        for (const double t0 = cpu_ns(); only && cpu_ns() - t0 < 3e9;) ns = median_ns(call);
        std::printf("time\t%s\t%.1f\t%.1f\n", name, ns.cpu, ns.wall);
        std::fflush(stdout);
    };
    auto time_row = [&](const std::string& name) {
        if (name == "frame") measure("frame", [&](long i) { frame(g, k, i); });
        else if (name == "clear") measure("clear", [&](long) { g.clear(k.clear); });
        else if (name == "pset") measure("pset", [&](long i) { g.pset(int(i & 255), int(i >> 8) % 200, k.dot); });
        else if (name == "line")
            measure("line", [&](long i) { g.line(line_of(int(i % kLines)), k.line[i % kLines]); });
        else if (name == "circle")
            measure("circle", [&](long i) {
                const Point c = circle_at(int(i % kCircles));
                g.circle(c.x, c.y, kRadius, k.circle[i % kCircles]);
            });
        else if (name == "sprite")
            measure("sprite", [&](long i) {
                const Point p = sprite_at(int(i % kSprites), i / kSprites);
                g.sprite(p.x, p.y);
            });
        else if (name == "text") measure("text", [&](long) { g.text(k.text); });
        else if (name == "flip") measure("flip", [&](long) { g.flip(); });
        else std::printf("time\t%s\tunknown\n", name.c_str()), std::fflush(stdout);
    };
    if (only) {
        time_row(only);
        return 0;
    }
    // The rows to time, one a line; "all" is every row.
    for (char line[64]; next_line(g, line, sizeof line);) {
        std::string name(line, std::strcspn(line, "\r\n"));
        if (name != "all") time_row(name);
        else
            for (const char* r : {"frame", "clear", "pset", "line", "circle", "sprite", "text", "flip"}) time_row(r);
    }
    return 0;
}

}  // namespace peers
