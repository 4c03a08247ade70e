// Pictures: every BMP form loads with the right colour at every pixel; bad
// files end the process through the load-error box; the four copies; the
// back buffer.
#include "support.h"

#include "bmp_files.h"

#include <gtest/gtest.h>
#include <gmock/gmock.h>
#include <layer_seams.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

COLORREF colorref(uint32_t rgb) { return RGB(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF); }

// Forms that Wine loads otherwise than Microsoft documents them, and why.
const char* wine_difference(const BmpForm& f) {
    if (!plat::seam::running_on_wine()) return nullptr;
    if (f.header == BmpHeader::core && f.bpp <= 8)
        return "Wine reads a core header's colour table of RGBTRIPLEs as if it held RGBQUADs";
    if (f.top_down) return "Wine loads a top-down file (negative height) as all black";
    return nullptr;
}

TEST(Pictures, EveryFormLoadsWithTheRightColours) {
    const BmpForm forms[] = {
        {"info 1", BmpHeader::info, 1, BmpCoding::rgb},
        {"info 4", BmpHeader::info, 4, BmpCoding::rgb},
        {"info 8", BmpHeader::info, 8, BmpCoding::rgb},
        {"info 16", BmpHeader::info, 16, BmpCoding::rgb},
        {"info 24", BmpHeader::info, 24, BmpCoding::rgb},
        {"info 32", BmpHeader::info, 32, BmpCoding::rgb},
        {"info 24 top-down", BmpHeader::info, 24, BmpCoding::rgb, true},
        {"info 8 top-down", BmpHeader::info, 8, BmpCoding::rgb, true},
        {"info 16 bit fields 565", BmpHeader::info, 16, BmpCoding::bitfields},
        {"info 32 bit fields", BmpHeader::info, 32, BmpCoding::bitfields},
        {"info rle8", BmpHeader::info, 8, BmpCoding::rle8},
        {"info rle4", BmpHeader::info, 4, BmpCoding::rle4},
        {"info 8, short table", BmpHeader::info, 8, BmpCoding::rgb, false, 6},
        {"info 4, short table", BmpHeader::info, 4, BmpCoding::rgb, false, 5},
        {"core 1", BmpHeader::core, 1, BmpCoding::rgb},
        {"core 4", BmpHeader::core, 4, BmpCoding::rgb},
        {"core 8", BmpHeader::core, 8, BmpCoding::rgb},
        {"core 24", BmpHeader::core, 24, BmpCoding::rgb},
        {"v4 24", BmpHeader::v4, 24, BmpCoding::rgb},
        {"v4 16 bit fields", BmpHeader::v4, 16, BmpCoding::bitfields},
        {"v5 32 bit fields", BmpHeader::v5, 32, BmpCoding::bitfields},
        {"v5 8", BmpHeader::v5, 8, BmpCoding::rgb},
        {"v5 rle4", BmpHeader::v5, 4, BmpCoding::rle4},
    };
    for (const BmpForm& f : forms) {
        SCOPED_TRACE(f.name);
        int colours = f.bpp == 1 ? 2 : f.table ? f.table : 8;
        IndexImage img = test_image(colours);
        std::string file = write_file("form.bmp", encode_bmp(f, img));
        HBITMAP bmp = static_cast<HBITMAP>(
            LoadImageA(GetModuleHandleA(nullptr), file.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
        ASSERT_TRUE(bmp);
        BITMAP bm{};
        ASSERT_EQ(GetObjectA(bmp, sizeof bm, &bm), int(sizeof bm));
        EXPECT_EQ(bm.bmWidth, img.width);
        EXPECT_EQ(bm.bmHeight, img.height);
        EXPECT_EQ(bm.bmBitsPixel, f.bpp) << "the file's own depth";
        HDC dc = CreateCompatibleDC(nullptr);
        SelectObject(dc, bmp);
        const char* differs = wine_difference(f);
        if (differs) std::printf("  known to differ on Wine (%s): %s\n", f.name, differs);
        int wrong = 0;
        for (int y = 0; y < img.height; ++y)
            for (int x = 0; x < img.width; ++x)
                if (!differs && GetPixel(dc, x, y) != colorref(img.rgb(x, y)) && wrong++ < 3)
                    ADD_FAILURE() << x << "," << y << ": " << std::hex << GetPixel(dc, x, y) << " for " << img.rgb(x, y);
        EXPECT_EQ(wrong, 0);
        DeleteDC(dc);
        DeleteObject(bmp);
    }
    std::remove("form.bmp");
}

// RLE streams that move, run or end past the picture, and what each pixel
// becomes (rows top first, as indices). Windows clips a stream to the
// picture: a code that passes a row's end lands nothing there, and the next
// line starts afresh. The last cases are files of 33 to 67 MB, built here,
// at the sizes where 32-bit positions overflow: x passes 2^31, or reaches
// 2^32 and wraps back onto the row, or runs claim 7.9 billion pixels; and
// one that the long fuzzing campaign found slow, absolute runs past the
// row's end.
TEST(Pictures, RunLengthCodesPastThePictureAreClipped) {
    const struct {
        const char* what;
        int width, height;
        const char* codes;
        std::vector<std::string> rows;
        const char* wine = nullptr;  // how Wine differs, if it does
    } cases[] = {
        {"a move past the row's end, then the next line", 4, 2, "r2:5 d10,0 r3:7 e r4:6 E", {"6666", "5500"}},
        {"a move within the row", 4, 2, "r2:5 d1,0 r1:7 E", {"0000", "5507"}},
        {"a move past the top", 4, 2, "r2:5 d0,5 r3:7 E", {"0000", "5500"}},
        {"a run past the row's end does not wrap", 4, 2, "r6:5 r2:7 E", {"0000", "5555"}},
        {"a run past the row's end, then the next line", 4, 2, "r6:5 e r2:7 E", {"7700", "5555"}},
        {"an absolute run past the row's end", 4, 2, "a1,2,3,4,5,6 r2:7 E", {"0000", "1234"}},
        {"lines past the top", 4, 2, "r4:5 e r4:7 e r4:3 E", {"7777", "5555"}},
        {"empty moves", 4, 2, "d0,0*1000 r2:5 E", {"0000", "5500"}},
        {"an end of bitmap at once", 4, 2, "E", {"0000", "0000"}},
        {"no end of bitmap", 4, 2, "r4:5 e r4:7", {"7777", "5555"},
         "Wine loads a stream without an end of bitmap as all index 0"},
        {"a full picture, then a code the file cuts short", 4, 1, "r8:5 x00,03", {"5555"},
         "Wine loads a stream with a code cut short as all index 0"},
        {"1 x 1: 16843009 moves, x at 2^32 - 1", 1, 1, "d255,0*16843009 r1:5 E", {"0"}},
        {"1 x 1: 8421505 moves, x past 2^31", 1, 1, "d255,0*8421505 r1:5 E", {"0"}},
        {"1 x 1: 31 million runs of 255", 1, 1, "r255:1*31000000 E", {"1"}},
        {"1 x 2: x wraps to 0 at 2^32, then the next line", 1, 2, "d255,0*16843009 d1,0 r1:5 e r1:5 E", {"5", "0"}},
        {"1 x 2: x past 2^31, then the next line", 1, 2, "d255,0*8421505 r1:5 e r1:5 E", {"5", "0"}},
        {"1 x 2: 31 million runs of 255, then the next line", 1, 2, "r255:1*31000000 e r1:5 E", {"5", "1"}},
        {"1 x 2: 11 million absolute runs, then the next line", 1, 2, "a1,2,3*11000000 e r1:5 E", {"5", "1"}},
    };
    plat::seam::release_clock();  // times are measured: the real clock, whatever a test before set
    for (bool four_bit : {false, true}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(four_bit ? "RLE4, " : "RLE8, ") + c.what);
            const std::vector<uint8_t> stream = rle_stream(c.codes, four_bit);
            write_file("rle.bmp", encode_rle(c.width, c.height, four_bit, stream));
            const DWORD start = timeGetTime();
            HBITMAP bmp = static_cast<HBITMAP>(
                LoadImageA(GetModuleHandleA(nullptr), "rle.bmp", IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
            const DWORD ms = timeGetTime() - start;
            std::remove("rle.bmp");
            if (stream.size() > 1000000)
                std::printf("  %s, %s: %zu bytes, loaded in %lu ms\n", four_bit ? "RLE4" : "RLE8", c.what,
                            stream.size() + 14 + 40 + (four_bit ? 64 : 1024), static_cast<unsigned long>(ms));
            ASSERT_TRUE(bmp);
            BITMAP bm{};
            GetObjectA(bmp, sizeof bm, &bm);
            EXPECT_EQ(bm.bmWidth, c.width);
            EXPECT_EQ(bm.bmHeight, c.height);
            HDC dc = CreateCompatibleDC(nullptr);
            HGDIOBJ old = SelectObject(dc, bmp);
            if (c.wine && plat::seam::running_on_wine()) {
                std::printf("  known to differ on Wine (%s): %s\n", c.what, c.wine);
            } else {
                for (int y = 0; y < c.height; ++y)
                    for (int x = 0; x < c.width; ++x)
                        EXPECT_EQ(GetPixel(dc, x, y), colorref(rle_colour(c.rows[size_t(y)][size_t(x)] - '0')))
                            << x << "," << y << ": index " << c.rows[size_t(y)][size_t(x)];
            }
            SelectObject(dc, old);
            DeleteDC(dc);
            DeleteObject(bmp);
        }
    }
}

// The answer to the load-error box, in the process that is about to end: the
// box's text and caption go to standard error for the test to read.
int report_box(HWND, const char* text, const char* caption, UINT type) {
    std::fprintf(stderr, "[%s|%s|%x]", text, caption, type);
    std::fflush(stderr);
    return IDOK;
}

std::vector<uint8_t> valid_24bit() { return encode_bmp({"", BmpHeader::info, 24, BmpCoding::rgb}, test_image(8)); }

TEST(PicturesDeathTest, FilesThatDoNotLoadEndTheProcessThroughTheErrorBox) {
    runtime_window();
    std::vector<uint8_t> random(3000);
    for (size_t i = 0; i < random.size(); ++i) random[i] = uint8_t(i * 2654435761u >> 13);
    std::vector<uint8_t> truncated = valid_24bit();
    truncated.resize(truncated.size() - 7);
    std::vector<uint8_t> huge = valid_24bit();
    for (int at : {18, 22}) {  // width and height: 100000
        huge[size_t(at)] = 0xA0, huge[size_t(at) + 1] = 0x86, huge[size_t(at) + 2] = 0x01, huge[size_t(at) + 3] = 0;
    }
    const std::vector<uint8_t> empty;
    std::string long_name = "ファイル" + std::string(70, 'n') + ".bmp";
    const struct { const char* what; std::string file; const std::vector<uint8_t>* bytes; std::string shown; } cases[] = {
        {"missing", "no-such-file.bmp", nullptr, "no-such-file.bmp"},
        {"empty", "empty.bmp", &empty, "empty.bmp"},
        {"random bytes", "random.bmp", &random, "random.bmp"},
        {"truncated", "truncated.bmp", &truncated, "truncated.bmp"},
        {"100000 x 100000", "huge.bmp", &huge, "huge.bmp"},
        // Cut to 60 bytes on a character boundary: the message fits its 80.
        {"over-long name", long_name, nullptr, long_name.substr(0, 60)},
    };
    plat::seam::answer_message_boxes(report_box);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.bytes == &truncated && plat::seam::running_on_wine()) {
            // Microsoft documents no behaviour for a file whose pixel data
            // ends early; Wine loads it, we refuse it.
            std::printf("  known to differ on Wine: a truncated file loads\n");
            continue;
        }
        if (c.bytes) write_file(c.file, *c.bytes);
        std::string expected = "[Bitmapロードエラー:" + c.shown + "|エラー|10]";
        EXPECT_EXIT(qx_loadbmp(c.file.c_str()), testing::ExitedWithCode(1), testing::HasSubstr(expected));
        std::remove(c.file.c_str());
    }
    plat::seam::answer_message_boxes(nullptr);
}

// A 32 x 32 picture: colour (x, y) from a 16-colour pattern, and a frame of
// the key colour around a 16 x 16 centre.
HDC picture() {
    BmpForm f{"", BmpHeader::info, 24, BmpCoding::rgb};
    IndexImage img{32, 32, {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF, 0xFF00FF, 0xFFFFFF}, {}};
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) img.index.push_back(uint8_t(1 + (x / 2 + y / 2) % 7));
    std::string file = write_file("picture.bmp", encode_bmp(f, img));
    HDC pic = qx_loadbmp(file.c_str());
    std::remove(file.c_str());
    return pic;
}

struct Mode {
    explicit Mode(int m) { bai = m; }
    ~Mode() { bai = 1; }
};

TEST(Pictures, DoubledCopyFillsItsDeviceRectangle) {
    Mode mode(1);
    HDC pic = picture();
    Canvas c(80, 80);
    qx_drawbmp(c.dc(), 10, 10, 16, 16, pic);
    for (int y = 18; y < 54; ++y)
        for (int x = 18; x < 54; ++x) {
            bool inside = x >= 20 && x <= 51 && y >= 20 && y <= 51;
            COLORREF want = inside ? GetPixel(pic, (x - 20) / 2, (y - 20) / 2) : 0xFFFFFF;
            ASSERT_EQ(c.at(x, y), want) << x << "," << y;
        }
    // Clipped at the surface's edge, also half-way through a doubled pixel.
    for (int at : {-1, -2, -3}) {
        Canvas edge(80, 40);
        StretchBlt(edge.dc(), at, at, 32, 32, pic, 0, 0, 16, 16, SRCCOPY);
        TransparentBlt(edge.dc(), at + 40, at, 32, 32, pic, 0, 0, 16, 16, 0x999999);
        for (int y = 0; y < 28; ++y)
            for (int x = 0; x < 18; ++x) {
                ASSERT_EQ(edge.at(x, y), GetPixel(pic, (x - at) / 2, (y - at) / 2)) << at << ": " << x << "," << y;
                ASSERT_EQ(edge.at(x + at + 40, y), GetPixel(pic, x / 2, (y - at) / 2)) << at << ": " << x << "," << y;
            }
    }
    // The picture rectangle is never scaled: (3, 5) in the picture's pixels.
    Canvas part(40, 40);
    qx_drawbmp2(part.dc(), 0, 0, 2, 2, pic, 3, 5);
    EXPECT_EQ(part.at(0, 0), GetPixel(pic, 3, 5));
    EXPECT_EQ(part.at(3, 3), GetPixel(pic, 4, 6));
    EXPECT_EQ(part.at(4, 0), 0xFFFFFFu);
    qx_deletebmp(pic);
}

TEST(Pictures, KeyIsAColourValue) {
    Mode mode(0);
    HDC pic = picture();
    const COLORREF red = RGB(0xFF, 0, 0);
    const struct { UINT key; bool red_copied; } cases[] = {
        {red, false},  // the colour value: red pixels let the destination through
        {1, true},     // palette index 1 is not the colour value 0x000001: nothing is transparent
        {coltbl[1], true},
    };
    for (const auto& k : cases) {
        Canvas c(40, 40, RGB(1, 2, 3));
        qx_drawbmp3(c.dc(), 0, 0, 32, 32, pic, 0, 0, k.key);
        int reds = 0, through = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                reds += c.at(x, y) == red;
                through += c.at(x, y) == RGB(1, 2, 3);
            }
        EXPECT_EQ(reds > 0, k.red_copied) << std::hex << k.key;
        EXPECT_EQ(through > 0, !k.red_copied) << std::hex << k.key;
    }
    qx_deletebmp(pic);
}

TEST(Pictures, StretchedKeyedCopyShrinksByTwo) {
    Mode mode(0);
    HDC pic = picture();
    Canvas c(40, 40, RGB(1, 2, 3));
    // The picture's 2 x 2 blocks are one colour each, so halving keeps one
    // pixel of each block whichever pixel it keeps.
    qx_drawbmp4(c.dc(), 0, 0, 16, 16, pic, 0, 0, 32, 32, 0x999999);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) ASSERT_EQ(c.at(x, y), GetPixel(pic, 2 * x, 2 * y)) << x << "," << y;
    EXPECT_EQ(c.at(16, 0), RGB(1, 2, 3));
    qx_deletebmp(pic);
}

TEST(BackBuffer, IsWhiteAndFlipsExactly1280By1024) {
    runtime_window();
    for (int mode : {0, 1, 2}) {
        Mode m(mode);
        HDC bb = qx_createBB();
        EXPECT_EQ(GetPixel(bb, 0, 0), 0xFFFFFFu);
        EXPECT_EQ(GetPixel(bb, 1279, 1023), 0xFFFFFFu);
        EXPECT_EQ(GetPixel(bb, 1280, 0), CLR_INVALID);
        SetPixel(bb, 1279, 1023, RGB(9, 9, 9));
        Canvas screen(1300, 1040, RGB(7, 7, 7));
        {
            GvramOnCanvas on(screen);
            qx_printf(0, 0, 15, "covered");
        }
        qx_flip(screen.dc(), bb);
        EXPECT_EQ(screen.at(0, 0), 0xFFFFFFu) << "the text printed before is covered";
        EXPECT_EQ(screen.at(1279, 1023), RGB(9, 9, 9)) << "unscaled";
        EXPECT_EQ(screen.at(1280, 5), RGB(7, 7, 7)) << "a larger surface keeps what lies beyond";
        EXPECT_EQ(screen.at(5, 1024), RGB(7, 7, 7));
        // Onto a back buffer of its own width, the whole picture moves as
        // one block: every row lands on its own row.
        HDC other = qx_createBB();
        for (int y = 0; y < 1024; y += 73) SetPixel(bb, (y * 7) % 1280, y, RGB(y & 255, 1, 2));
        qx_flip(other, bb);
        for (int y = 0; y < 1024; y += 73) {
            EXPECT_EQ(GetPixel(other, (y * 7) % 1280, y), RGB(y & 255, 1, 2)) << y;
            EXPECT_EQ(GetPixel(other, (y * 7 + 1) % 1280, y), 0xFFFFFFu) << y;
        }
        EXPECT_EQ(GetPixel(other, 1279, 1023), RGB(9, 9, 9));
        qx_deleteBB(other);
        qx_deleteBB(bb);
    }
}

}  // namespace
