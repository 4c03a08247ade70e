// screentext: reads what the end-to-end tests need out of a screenshot, and
// sends the one X request xdotool cannot.
//
//   screentext read FILE X Y N       decode N cells of the built-in 8x16 font
//                                    at (X,Y): ink is #FCFCFC, anything else
//                                    background; prints the text, '~' for a
//                                    cell that matches no glyph
//   screentext find FILE TEXT        find TEXT drawn in the built-in font (ink
//                                    #FCFCFC on black); prints "X Y"
//   screentext findrendered FILE FACE HEIGHT TEXT [BG]
//                                    render UTF-8 TEXT with the Win32 layer the
//                                    way its message box does (black,
//                                    antialiased, over BG, default FFFFFF) and
//                                    find exactly those pixels; prints "X Y"
//   screentext colors FILE X Y W H   distinct colours in a rectangle, one
//                                    "RRGGBB COUNT" a line
//   screentext bounds FILE RRGGBB... the smallest rectangle holding every pixel
//                                    of those colours; prints "X Y W H"
//   screentext close WINDOW          ask WINDOW to close (WM_DELETE_WINDOW)
//
// FILE is a binary PPM (P6, maxval 255 or 65535) or a PNG. Exit status: 0
// done or found, 1 not found, 2 bad arguments or unreadable input.
#include <windows.h>

#include "gdi/font_bitmap.h"

#include <X11/Xlib.h>
#include <iconv.h>
#include <png.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kInk = 0xFCFCFC, kBlack = 0x000000;

// Pixels as 0xRRGGBB, row after row.
struct Image {
    int w = 0, h = 0;
    std::vector<uint32_t> px;
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h; }
    uint32_t at(int x, int y) const { return px[size_t(y) * size_t(w) + size_t(x)]; }
};

[[noreturn]] void die(const std::string& why) {
    std::fprintf(stderr, "screentext: %s\n", why.c_str());
    std::exit(2);
}

// Next header number of a PPM, skipping white space and '#' comments.
int header_number(std::istream& in) {
    int c;
    while ((c = in.get()) != EOF) {
        if (c == '#') while ((c = in.get()) != EOF && c != '\n') {}
        else if (!std::isspace(c)) break;
    }
    if (c == EOF || !std::isdigit(c)) die("bad PPM header");
    int v = c - '0';
    while (std::isdigit(in.peek())) v = v * 10 + (in.get() - '0');
    return v;
}

Image load_png(const char* path) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path)) die(std::string(path) + ": " + image.message);
    image.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> raw(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, raw.data(), 0, nullptr)) die(std::string(path) + ": " + image.message);
    Image img;
    img.w = int(image.width);
    img.h = int(image.height);
    img.px.resize(size_t(img.w) * size_t(img.h));
    for (size_t i = 0; i < img.px.size(); ++i)
        img.px[i] = uint32_t(raw[3 * i]) << 16 | uint32_t(raw[3 * i + 1]) << 8 | raw[3 * i + 2];
    return img;
}

Image load_image(const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) die(std::string("cannot open ") + path);
    const int first = in.get();
    if (first == 0x89) {
        in.close();
        return load_png(path);
    }
    if (first != 'P' || in.get() != '6') die(std::string(path) + " is neither a binary PPM (P6) nor a PNG");
    Image img;
    img.w = header_number(in);
    img.h = header_number(in);
    // 16-bit samples (maxval 65535, big-endian) are 8-bit ones times 257:
    // their high byte is the 8-bit value.
    const int maxval = header_number(in);
    if (maxval != 255 && maxval != 65535) die("only PPM files with maxval 255 or 65535 are read");
    const size_t bytes = maxval == 255 ? 1 : 2;
    in.get();  // the single white space character before the pixels
    std::vector<unsigned char> raw(size_t(img.w) * size_t(img.h) * 3 * bytes);
    if (!in.read(reinterpret_cast<char*>(raw.data()), std::streamsize(raw.size()))) die("truncated PPM");
    img.px.resize(size_t(img.w) * size_t(img.h));
    for (size_t i = 0; i < img.px.size(); ++i) {
        const unsigned char* s = &raw[3 * bytes * i];
        img.px[i] = uint32_t(s[0]) << 16 | uint32_t(s[bytes]) << 8 | s[2 * bytes];
    }
    return img;
}

// A pattern to look for: pixels at offsets from the text's origin (the point
// it was drawn at), each with the colour it must have.
struct Probe {
    int dx, dy;
    uint32_t rgb;
};

// Origin of the first place (row by row) where every probe matches.
std::optional<std::pair<int, int>> search(const Image& img, const std::vector<Probe>& pattern) {
    int min_dx = 0, min_dy = 0, max_dx = 0, max_dy = 0;
    for (const Probe& p : pattern) {
        min_dx = std::min(min_dx, p.dx), max_dx = std::max(max_dx, p.dx);
        min_dy = std::min(min_dy, p.dy), max_dy = std::max(max_dy, p.dy);
    }
    for (int y = -min_dy; y + max_dy < img.h; ++y)
        for (int x = -min_dx; x + max_dx < img.w; ++x) {
            bool all = true;
            for (const Probe& p : pattern)
                if (img.at(x + p.dx, y + p.dy) != p.rgb) { all = false; break; }
            if (all) return std::pair{x, y};
        }
    return std::nullopt;
}

int report(const std::optional<std::pair<int, int>>& at) {
    if (!at) return 1;
    std::printf("%d %d\n", at->first, at->second);
    return 0;
}

// The built-in font's cells decoded left to right from (x, y).
std::string read_cells(const Image& img, int x, int y, int n) {
    using plat::kBuiltinCellW, plat::kBuiltinCellH;
    std::string out;
    for (int i = 0; i < n; ++i) {
        unsigned char rows[kBuiltinCellH] = {};
        bool whole = true;
        for (int r = 0; r < kBuiltinCellH; ++r)
            for (int c = 0; c < kBuiltinCellW; ++c) {
                int px = x + i * kBuiltinCellW + c, py = y + r;
                if (!img.inside(px, py)) whole = false;
                else if (img.at(px, py) == kInk) rows[r] |= 0x80 >> c;
            }
        char found = '~';
        for (int ch = 0x20; whole && ch <= 0x7E && found == '~'; ++ch)
            if (std::memcmp(plat::builtin_glyph(static_cast<unsigned char>(ch)), rows, sizeof rows) == 0)
                found = char(ch);
        out += found;
    }
    return out;
}

// Every pixel of TEXT's cells in the built-in font, ink or black.
std::vector<Probe> builtin_pattern(const std::string& text) {
    std::vector<Probe> pattern;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char* rows = plat::builtin_glyph(static_cast<unsigned char>(text[i]));
        for (int r = 0; r < plat::kBuiltinCellH; ++r)
            for (int c = 0; c < plat::kBuiltinCellW; ++c)
                pattern.push_back({int(i) * plat::kBuiltinCellW + c, r, (rows[r] & (0x80 >> c)) ? kInk : kBlack});
    }
    return pattern;
}

std::string utf8_to_cp932(const std::string& utf8) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) die("iconv cannot convert UTF-8 to CP932");
    std::string out(utf8.size() * 2 + 4, '\0');
    char* in = const_cast<char*>(utf8.data());
    char* o = out.data();
    size_t inleft = utf8.size(), outleft = out.size();
    if (iconv(cd, &in, &inleft, &o, &outleft) == size_t(-1)) die("text has no CP932 form: " + utf8);
    iconv_close(cd);
    out.resize(out.size() - outleft);
    return out;
}

// TEXT drawn by the layer as the message box draws it: black, transparent
// background, over bg. The pattern is the pixels the text changed, relative
// to the point handed to TextOutA; a margin catches glyphs that overhang.
std::vector<Probe> rendered_pattern(const char* face, int height, const std::string& utf8, COLORREF bg) {
    const std::string text = utf8_to_cp932(utf8);
    const int n = int(text.size()), pad = height;
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font = CreateFontA(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, DEFAULT_QUALITY, 0, face);
    HGDIOBJ old_font = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32A(dc, text.data(), n, &size);
    const int w = int(size.cx) + 2 * pad, h = int(size.cy) + 2 * pad;
    HBITMAP bmp = CreateCompatibleBitmap(GetDC(nullptr), w, h);
    HGDIOBJ old_bmp = SelectObject(dc, bmp);
    HBRUSH brush = CreateSolidBrush(bg);
    HGDIOBJ old_brush = SelectObject(dc, brush);
    PatBlt(dc, 0, 0, w, h, PATCOPY);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, 0x000000);
    TextOutA(dc, pad, pad, text.data(), n);
    std::vector<Probe> pattern;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            COLORREF c = GetPixel(dc, x, y);
            if (c != bg) pattern.push_back({x - pad, y - pad, uint32_t(GetRValue(c)) << 16 | GetGValue(c) << 8 | GetBValue(c)});
        }
    SelectObject(dc, old_brush);
    SelectObject(dc, old_bmp);
    SelectObject(dc, old_font);
    DeleteObject(brush);
    DeleteObject(bmp);
    DeleteObject(font);
    DeleteDC(dc);
    if (pattern.empty()) die("the layer drew nothing for: " + utf8);
    return pattern;
}

int send_close(const char* window) {
    Display* d = XOpenDisplay(nullptr);
    if (!d) die("cannot open the X display (is DISPLAY set?)");
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = ::Window(std::strtoul(window, nullptr, 0));
    ev.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = long(XInternAtom(d, "WM_DELETE_WINDOW", False));
    ev.xclient.data.l[1] = CurrentTime;
    Status ok = XSendEvent(d, ev.xclient.window, False, NoEventMask, &ev);
    XSync(d, False);
    XCloseDisplay(d);
    return ok ? 0 : 2;
}

int number(const char* s) {
    char* end = nullptr;
    long v = std::strtol(s, &end, 0);
    if (!*s || *end) die(std::string("not a number: ") + s);
    return int(v);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string cmd = argc > 1 ? argv[1] : "";
    if (cmd == "read" && argc == 6) {
        Image img = load_image(argv[2]);
        std::printf("%s\n", read_cells(img, number(argv[3]), number(argv[4]), number(argv[5])).c_str());
        return 0;
    }
    if (cmd == "find" && argc == 4) return report(search(load_image(argv[2]), builtin_pattern(argv[3])));
    if (cmd == "findrendered" && (argc == 6 || argc == 7)) {
        COLORREF bg = 0xFFFFFF;
        if (argc == 7) {
            unsigned long rgb = std::strtoul(argv[6], nullptr, 16);
            bg = RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
        }
        return report(search(load_image(argv[2]), rendered_pattern(argv[3], number(argv[4]), argv[5], bg)));
    }
    if (cmd == "colors" && argc == 7) {
        Image img = load_image(argv[2]);
        int x0 = number(argv[3]), y0 = number(argv[4]), w = number(argv[5]), h = number(argv[6]);
        std::map<uint32_t, long> counts;
        for (int y = y0; y < y0 + h; ++y)
            for (int x = x0; x < x0 + w; ++x)
                if (img.inside(x, y)) ++counts[img.at(x, y)];
        for (auto [rgb, count] : counts) std::printf("%06X %ld\n", unsigned(rgb), count);
        return 0;
    }
    if (cmd == "bounds" && argc >= 4) {
        Image img = load_image(argv[2]);
        std::vector<uint32_t> wanted;
        for (int i = 3; i < argc; ++i) wanted.push_back(uint32_t(std::strtoul(argv[i], nullptr, 16)));
        int x0 = img.w, y0 = img.h, x1 = -1, y1 = -1;
        for (int y = 0; y < img.h; ++y)
            for (int x = 0; x < img.w; ++x)
                if (std::find(wanted.begin(), wanted.end(), img.at(x, y)) != wanted.end()) {
                    x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
                }
        if (x1 < 0) return 1;
        std::printf("%d %d %d %d\n", x0, y0, x1 - x0 + 1, y1 - y0 + 1);
        return 0;
    }
    if (cmd == "close" && argc == 3) return send_close(argv[2]);
    std::fprintf(stderr,
                 "usage: screentext read FILE X Y N | find FILE TEXT | findrendered FILE FACE HEIGHT TEXT [BG]\n"
                 "       | colors FILE X Y W H | bounds FILE RRGGBB... | close WINDOW\n");
    return 2;
}
