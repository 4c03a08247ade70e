// makepics: draws the example game's pictures and writes them as BMP files.
//
//   makepics DIR     writes DIR/sprites.bmp and DIR/title.bmp
//
// It runs on the build machine at build time, also when the game is cross-
// built, so it is plain standard C++ with no use of qx or the platform.
// sprites.bmp is the sprite sheet: 16 x 16 cells on magenta (FF00FF), the
// colour the game copies as transparent. title.bmp is the 320 x 200 title
// backdrop. Both are 24-bit, bottom-up, uncompressed BMP files.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Pixels as 0xRRGGBB, row after row from the top.
struct Picture {
    int w, h;
    std::vector<uint32_t> px;
    Picture(int w_, int h_, uint32_t fill) : w(w_), h(h_), px(size_t(w_) * size_t(h_), fill) {}
    void set(int x, int y, uint32_t c) {
        if (x >= 0 && y >= 0 && x < w && y < h) px[size_t(y) * size_t(w) + size_t(x)] = c;
    }
    void fill(int x, int y, int fw, int fh, uint32_t c) {
        for (int j = 0; j < fh; ++j)
            for (int i = 0; i < fw; ++i) set(x + i, y + j, c);
    }
};

void put16(std::string& out, unsigned v) {
    out += char(v & 0xFF);
    out += char(v >> 8 & 0xFF);
}
void put32(std::string& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

void write_bmp(const std::string& path, const Picture& p) {
    const uint32_t row = (uint32_t(p.w) * 3 + 3) & ~3u;  // rows are padded to 4 bytes
    const uint32_t image = row * uint32_t(p.h);
    std::string out;
    out += "BM";                      // BITMAPFILEHEADER
    put32(out, 14 + 40 + image);      // file size
    put32(out, 0);                    // reserved
    put32(out, 14 + 40);              // offset of the pixels
    put32(out, 40);                   // BITMAPINFOHEADER
    put32(out, uint32_t(p.w));
    put32(out, uint32_t(p.h));        // positive: bottom-up
    put16(out, 1);                    // planes
    put16(out, 24);                   // bits per pixel
    put32(out, 0);                    // BI_RGB
    put32(out, image);
    put32(out, 2835);                 // 72 dpi
    put32(out, 2835);
    put32(out, 0);                    // no colour table
    put32(out, 0);
    for (int y = p.h - 1; y >= 0; --y) {
        for (int x = 0; x < p.w; ++x) {
            uint32_t c = p.px[size_t(y) * size_t(p.w) + size_t(x)];
            out += char(c & 0xFF);    // blue, green, red
            out += char(c >> 8 & 0xFF);
            out += char(c >> 16 & 0xFF);
        }
        out.append(row - uint32_t(p.w) * 3, '\0');
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(out.data(), 1, out.size(), f) != out.size() || std::fclose(f) != 0) {
        std::fprintf(stderr, "makepics: cannot write %s\n", path.c_str());
        std::exit(1);
    }
}

// ---- The sprite sheet ----

constexpr uint32_t kKey = 0xFF00FF;

// One letter a colour, from the VGA palette the game draws with.
uint32_t ink(char c) {
    switch (c) {
        case 'k': return 0x000000;  // black
        case 'b': return 0x0000A8;  // blue
        case 'B': return 0x5454FC;  // light blue
        case 'c': return 0x54FCFC;  // light cyan: the ship's canopy, nowhere else
        case 'G': return 0x54FC54;  // light green
        case 'g': return 0x545454;  // dark grey
        case 'w': return 0xA8A8A8;  // light grey
        case 'W': return 0xFCFCFC;  // white
        case 'r': return 0xA80000;  // red
        case 'R': return 0xFC5454;  // light red
        case 'm': return 0xA800A8;  // magenta
        case 'M': return 0xFC54FC;  // light magenta
        case 'y': return 0xFCFC54;  // yellow
        case 'o': return 0xA85400;  // brown
        default: return kKey;       // '.': transparent
    }
}

void draw_art(Picture& p, int x0, int y0, const std::vector<const char*>& rows) {
    for (size_t y = 0; y < rows.size(); ++y)
        for (size_t x = 0; rows[y][x]; ++x) p.set(x0 + int(x), y0 + int(y), ink(rows[y][x]));
}

// The player's ship has no black pixel: the game tells a bullet on the ship
// from one on the black sky by the colour under it.
const std::vector<const char*> kShip = {
    ".......WW.......",
    "......WccW......",
    "......WccW......",
    ".....WwccwW.....",
    ".....WwBBwW.....",
    "..R..WwwwwW..R..",
    "..W.WwwwwwwW.W..",
    "..WWWwBwwBwWWW..",
    ".WWwwwBwwBwwwWW.",
    "WWwwwwwwwwwwwwWW",
    "WwBBwwwwwwwwBBwW",
    "Ww..gwwwwwwg..wW",
    "W....gwwwwg....W",
    "......RggR......",
    "................",
    "................",
};

// A saucer in two frames: its lights (row 8) run along the rim.
const std::vector<const char*> kSaucer = {
    "................",
    "................",
    "......gggg......",
    ".....gMMMMg.....",
    "....gMMWWMMg....",
    "....gMMMMMMg....",
    "..gggggggggggg..",
    ".gwwwwwwwwwwwwg.",
    "gwyRwwyRwwyRwwyg",
    ".gwwwwwwwwwwwwg.",
    "..gggggggggggg..",
    "....m..mm..m....",
    "...m...mm...m...",
    "................",
    "................",
    "................",
};
// The second frame's lights, one step along.
const std::vector<const char*> kSaucerLights = {"gwRwwyRwwyRwwyRg"};

// A beetle that dives at the ship.
const std::vector<const char*> kBeetle = {
    "..G..........G..",
    "...G........G...",
    "....GGGGGGGG....",
    "...GGGGGGGGGG...",
    "..GGRRGGGGRRGG..",
    "..GGRyGGGGyRGG..",
    ".GGGGGGGGGGGGGG.",
    "GG.GooooooooG.GG",
    "G..GoGGGGGGoG..G",
    "G..GGGooooGGG..G",
    "...GoGGGGGGoG...",
    "...GGGooooGGG...",
    "..G.GGGGGGGG.G..",
    ".G...GG..GG...G.",
    "................",
    "................",
};

const std::vector<const char*> kBullet = {
    ".RR.",
    "RyyR",
    "RyyR",
    ".RR.",
};

// The spare-ship mark of the score band, drawn without a key: black around it.
const std::vector<const char*> kLife = {
    "kkkWWkkk",
    "kkWBBWkk",
    "kkWwwWkk",
    "kWwwwwWk",
    "WWwBBwWW",
    "WwwwwwwW",
    "WkkRRkkW",
    "kkkkkkkk",
};

// Cells: ship 0, saucer 16 and 32, beetle 48, bullet at (64, 0), life mark at (72, 0).
Picture sprite_sheet() {
    Picture p(80, 16, kKey);
    draw_art(p, 0, 0, kShip);
    draw_art(p, 16, 0, kSaucer);
    draw_art(p, 32, 0, kSaucer);
    draw_art(p, 32, 8, kSaucerLights);
    draw_art(p, 48, 0, kBeetle);
    draw_art(p, 64, 0, kBullet);
    draw_art(p, 72, 0, kLife);
    return p;
}

// ---- The title backdrop ----

// 5 x 7 letters of the logo, one string a row, '#' for ink.
const char* letter(char c) {
    switch (c) {
        case 'H': return "#...#" "#...#" "#...#" "#####" "#...#" "#...#" "#...#";
        case 'O': return ".###." "#...#" "#...#" "#...#" "#...#" "#...#" ".###.";
        case 'S': return ".####" "#...." "#...." ".###." "....#" "....#" "####.";
        case 'I': return "#####" "..#.." "..#.." "..#.." "..#.." "..#.." "#####";
        case 'Z': return "#####" "....#" "...#." "..#.." ".#..." "#...." "#####";
        case 'R': return "####." "#...#" "#...#" "####." "#.#.." "#..#." "#...#";
        case 'A': return ".###." "#...#" "#...#" "#####" "#...#" "#...#" "#...#";
        default: return "";
    }
}

// The sky darkens upwards in bands of 8 rows: band k is (3k, k, 40 + 3k).
uint32_t sky(int y) {
    int k = y / 8;
    return uint32_t(3 * k) << 16 | uint32_t(k) << 8 | uint32_t(40 + 3 * k);
}

Picture title_picture() {
    Picture p(320, 200, 0);
    for (int y = 0; y < p.h; ++y) p.fill(0, y, p.w, 1, sky(y));

    // Stars from a fixed sequence, so the picture is the same on every build.
    uint32_t seed = 12345;
    auto next = [&seed](int n) {
        seed = seed * 1103515245u + 12345u;
        return int(seed >> 16) % n;
    };
    for (int i = 0; i < 90; ++i) {
        int x = next(320), y = next(150);
        p.set(x, y, i % 3 ? 0xA8A8A8 : 0xFCFCFC);
    }

    // A banded planet low on the right, lit from its upper left.
    const int pcx = 290, pcy = 200, pr = 70;
    const uint32_t shades[5] = {0xFCC47C, 0xE8A050, 0xC07838, 0x905028, 0x603018};
    for (int y = pcy - pr; y < p.h; ++y)
        for (int x = pcx - pr; x < p.w; ++x) {
            int dx = x - pcx, dy = y - pcy;
            if (dx * dx + dy * dy > pr * pr) continue;
            int lx = x - (pcx - 40), ly = y - (pcy - 40);
            int shade = (lx * lx + ly * ly) / 1600;
            if (y / 6 % 3 == 0) ++shade;  // the cloud bands
            p.set(x, y, shades[shade > 4 ? 4 : shade]);
        }

    // Hills along the bottom, with a lighter rim.
    for (int x = 0; x < p.w; ++x) {
        int top = 178 + std::abs(x % 64 - 32) / 4 - std::abs((x + 20) % 24 - 12) / 3;
        p.fill(x, top, 1, p.h - top, 0x0A1810);
        p.set(x, top, 0x2E6E40);
    }

    // The logo, letters 4 x 4 pixels a dot, with a shadow and a gradient
    // from yellow at the top to orange at the bottom.
    const char* name = "HOSHIZORA";
    const uint32_t ramp[7] = {0xFCFC54, 0xFCF040, 0xFCDC30, 0xFCC820, 0xFCB010, 0xFC9808, 0xFC7C00};
    const int scale = 4, x0 = 54, y0 = 24;
    for (int pass = 0; pass < 2; ++pass)
        for (int i = 0; name[i]; ++i) {
            const char* g = letter(name[i]);
            for (int dot = 0; g[dot]; ++dot) {
                if (g[dot] != '#') continue;
                int gx = dot % 5, gy = dot / 5;
                int x = x0 + i * 24 + gx * scale, y = y0 + gy * scale;
                if (pass == 0)
                    p.fill(x + 2, y + 2, scale, scale, 0x300048);
                else
                    p.fill(x, y, scale, scale, ramp[gy]);
            }
        }

    // A black panel with a light blue edge, where the game prints its
    // Japanese name.
    p.fill(124, 60, 72, 16, 0x5454FC);
    p.fill(125, 61, 70, 14, 0x000000);
    return p;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: makepics DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    write_bmp(dir + "/sprites.bmp", sprite_sheet());
    write_bmp(dir + "/title.bmp", title_picture());
    return 0;
}
