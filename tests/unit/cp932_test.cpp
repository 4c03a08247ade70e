// The layer's code page 932 conversion: where characters start and end, the
// code points of the characters where code page 932 departs from plain
// Shift-JIS, bytes outside the code page, agreement with the C library's
// iconv for every byte and pair, and the cut of a font's face name.
#include "gdi/cp932.h"

#include <windows.h>

#include <gtest/gtest.h>
#include <iconv.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

TEST(Cp932, FitCutsOnlyBetweenCharacters) {
    const struct { const char* s; size_t max, fit; } cases[] = {
        {"abc", 2, 2},
        {"\x82\xa0" "a", 1, 0},          // half a character is no character
        {"a\x82\xa0", 2, 1},
        {"a\x82\xa0", 3, 3},
        {"\x82\xa0\x82\xa0", 3, 2},
        {"ab\x82", 3, 3},                // a lead byte at the very end stands alone
        {"", 5, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.s);
        EXPECT_EQ(plat::cp932_fit(c.s, std::char_traits<char>::length(c.s), c.max), c.fit);
    }
}

TEST(Cp932, DecodesCodePointsAndMarksDoubleByteCharacters) {
    const struct { const char* s; std::vector<plat::Char932> want; } cases[] = {
        {"A~", {{'A', false}, {'~', false}}},
        {"\x82\xa0", {{0x3042, true}}},                  // hiragana a
        {"\x81\x5c\x81\x60", {{0x2015, true}, {0xFF5E, true}}},  // where code page 932 is not Shift-JIS
        {"\x87\x40", {{0x2460, true}}},                  // the NEC row: circled one
        {"\xb1" "a", {{0xFF71, false}, {'a', false}}},   // half-width katakana, one byte
        {"\x81\x20z", {{'?', true}, {'z', false}}},      // a lead byte with a trail byte out of range
        {"\xa0", {{'?', false}}},                        // a byte the code page leaves unassigned
        {"a\x82", {{'a', false}, {'?', false}}},         // a lead byte at the end, alone
    };
    std::vector<plat::Char932> got;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.s);
        plat::decode_cp932(c.s, int(std::char_traits<char>::length(c.s)), got);
        ASSERT_EQ(got.size(), c.want.size());
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].cp, c.want[i].cp) << i;
            EXPECT_EQ(got[i].wide, c.want[i].wide) << i;
        }
    }
    plat::decode_cp932("abc", -1, got);
    EXPECT_TRUE(got.empty()) << "a negative length is no text";
}

// The code point glibc's iconv gives the n bytes at s as one character, or
// '?' where it takes them for no character of the code page.
uint32_t iconv_code_point(iconv_t cd, const char* s, size_t n) {
    char in[2];
    std::memcpy(in, s, n);
    char out[8];
    char* pin = in;
    char* pout = out;
    size_t inleft = n, outleft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &pin, &inleft, &pout, &outleft) == size_t(-1) || inleft != 0 || outleft != 4) return '?';
    uint32_t cp;
    std::memcpy(&cp, out, 4);
    return cp;
}

TEST(Cp932, AgreesWithIconvForEveryByteAndPair) {
    iconv_t cd = iconv_open("UTF-32LE", "CP932");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1)) << "the C library's iconv has no CP932";
    std::vector<plat::Char932> got;
    int checked = 0, wrong = 0;
    auto check = [&](const char* s, size_t n) {
        plat::decode_cp932(s, int(n), got);
        const uint32_t want = iconv_code_point(cd, s, n);
        ++checked;
        if (got.size() == 1 && got[0].cp == want && got[0].wide == (n == 2)) return;
        if (++wrong <= 10)
            ADD_FAILURE() << "bytes " << std::hex << (unsigned(s[0]) & 0xFF) << " "
                          << (n == 2 ? unsigned(s[1]) & 0xFF : 0) << ": iconv gives U+" << want << ", the layer "
                          << (got.size() == 1 ? got[0].cp : 0) << " in " << std::dec << got.size() << " characters";
    };
    for (int b = 0x80; b <= 0xFF; ++b) {
        const char one[1] = {char(b)};
        check(one, 1);
        if (!plat::cp932_lead(static_cast<unsigned char>(b))) continue;
        for (int t = 0; t <= 0xFF; ++t) {
            const char two[2] = {char(b), char(t)};
            check(two, 2);
        }
    }
    iconv_close(cd);
    EXPECT_EQ(checked, 128 + 60 * 256);
    EXPECT_EQ(wrong, 0) << "of " << checked;
}

TEST(Cp932, ConvertsToUtf8) {
    EXPECT_EQ(plat::cp932_to_utf8("\x83\x5e\x83\x43\x83\x67\x83\x8b\x82\xc5\x82\xb7 1"),
              reinterpret_cast<const char*>(u8"タイトルです 1"));
    EXPECT_EQ(plat::cp932_to_utf8("\xb1\x81\x5c"), reinterpret_cast<const char*>(u8"ｱ―"));
    EXPECT_EQ(plat::cp932_to_utf8(""), "");
}

TEST(Cp932, FaceNamesAreCutToThirtyOneBytesOnACharacterBoundary) {
    std::string wide;  // sixteen double-byte characters, 32 bytes
    for (int i = 0; i < 16; ++i) wide += "\x8a\xbf";
    const struct { std::string asked; size_t kept; } cases[] = {
        {wide, 30},        // the sixteenth character would end past byte 31
        {"a" + wide, 31},
        {"Short", 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.asked);
        HFONT f = CreateFontA(16, 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, 0, c.asked.c_str());
        ASSERT_TRUE(f);
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, f);
        char face[LF_FACESIZE + 8] = {};
        GetTextFaceA(dc, sizeof face, face);
        EXPECT_EQ(std::string(face), c.asked.substr(0, c.kept));
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(f);
    }
}

}  // namespace
