// The literal step (qx-cp932, cmake/cp932_literals.cpp), through its hard
// cases: every literal of this file must hold exactly the bytes written
// beside it. Built with whatever compiler the build uses (GCC, mingw-w64,
// clang), with no execution character set option, and including <chrono>,
// which GCC's -fexec-charset=CP932 cannot compile. (step_test.cmake compares
// the step with -fexec-charset=CP932 itself, on sources without standard
// headers.)
#include "literals_header.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

// The bytes of a literal, its size taken from the array (so an escape that
// swallowed a following character shows as a short string).
#define BYTES_OF(literal) std::string(literal, sizeof(literal) - 1)
#define TITLE "ソフト"
#define STRINGISED(x) #x
#define WIDE(s) L##s
#define UTF8(s) u8##s

namespace {

std::string bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s.push_back(static_cast<char>(v));
    return s;
}

// A digit separator, then a literal on the same line: taken for the start of
// a character literal, the separator would pair with the apostrophe and hide
// the kanji from the step.
constexpr long kThousand = 1'000; constexpr char kAfterSeparator[] = "it's 漢";
// An escaped quote in a character literal, then a literal.
constexpr char kQuote = '\''; constexpr char kAfterQuote[] = "字";
const std::chrono::milliseconds kFrame{16};  // <chrono> compiles

struct Case {
    const char* what;
    std::string got;
    std::string expected;
};

TEST(Cp932Literals, StringLiteralsHoldCodePage932) {
    const Case cases[] = {
        {"kanji and kana", BYTES_OF("漢字かな"), bytes({0x8a, 0xbf, 0x8e, 0x9a, 0x82, 0xa9, 0x82, 0xc8})},
        {"trail bytes 0x5C", BYTES_OF("ソ表能"), bytes({0x83, 0x5c, 0x95, 0x5c, 0x94, 0x5c})},
        {"trail byte 0x5C before the closing quote", BYTES_OF("ソ"), bytes({0x83, 0x5c})},
        {"trail byte 0x5C before an escaped quote", BYTES_OF("ソ\""), bytes({0x83, 0x5c, '"'})},
        {"escaped quotes and backslashes", BYTES_OF("\"漢\\字\""), bytes({'"', 0x8a, 0xbf, '\\', 0x8e, 0x9a, '"'})},
        {"a hex escape before", BYTES_OF("\x41漢"), bytes({'A', 0x8a, 0xbf})},
        {"hex digits after", BYTES_OF("漢ABCdef"), bytes({0x8a, 0xbf, 'A', 'B', 'C', 'd', 'e', 'f'})},
        {"octal digits after", BYTES_OF("漢777"), bytes({0x8a, 0xbf, '7', '7', '7'})},
        {"an octal escape before", BYTES_OF("\101漢"), bytes({'A', 0x8a, 0xbf})},
        {"other escapes around", BYTES_OF("\t漢\n"), bytes({'\t', 0x8a, 0xbf, '\n'})},
        {"universal character names", BYTES_OF("\u6F22\U00005B57\u0041x"), bytes({0x8a, 0xbf, 0x8e, 0x9a, 'A', 'x'})},
        {"half-width katakana", BYTES_OF("ｱｲｳ"), bytes({0xb1, 0xb2, 0xb3})},
        {"code page 932's own mappings", BYTES_OF("？～－①ⅰ"), bytes({0x81, 0x48, 0x81, 0x60, 0x81, 0x7c, 0x87, 0x40, 0xfa, 0x40})},
        {"a comment between two literals", BYTES_OF("漢" /* "字" 'x */ "字"), bytes({0x8a, 0xbf, 0x8e, 0x9a})},
        {"comment markers inside", BYTES_OF("//漢/*"), bytes({'/', '/', 0x8a, 0xbf, '/', '*'})},
        {"a raw string", BYTES_OF(R"(ソ\漢)"), bytes({0x83, 0x5c, '\\', 0x8a, 0xbf})},
        {"a raw string with a delimiter", BYTES_OF(R"x(")漢"()x"), bytes({'"', ')', 0x8a, 0xbf, '"', '('})},
        {"a raw string over lines", BYTES_OF(R"(漢
字)"), bytes({0x8a, 0xbf, '\n', 0x8e, 0x9a})},
        {"after a digit separator", BYTES_OF(kAfterSeparator), bytes({'i', 't', '\'', 's', ' ', 0x8a, 0xbf})},
        {"after a quote character", BYTES_OF(kAfterQuote), bytes({0x8e, 0x9a})},
        {"a macro", BYTES_OF(TITLE), bytes({0x83, 0x5c, 0x83, 0x74, 0x83, 0x67})},
        {"a header included with quotes", header_text(), bytes({0x83, 0x77, 0x83, 0x62, 0x83, 0x5f, 0x95, 0x5c})},
        {"a literal stringised", BYTES_OF(STRINGISED("漢")), bytes({'"', 0x8a, 0xbf, '"'})},
        {"a word stringised", BYTES_OF(STRINGISED(漢字)), bytes({0x8a, 0xbf, 0x8e, 0x9a})},
#if __has_include("漢字.h")
        {"__has_include of a Japanese name", "yes", "yes"},
#else
        {"__has_include of a Japanese name", "no", "yes"},
#endif
        {"a raw string's prefix before a backslash-newline", BYTES_OF(R\
"(漢)"), bytes({0x8a, 0xbf})},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, c.expected) << c.what;
    EXPECT_EQ(kThousand, 1000);
    EXPECT_EQ(kQuote, '\'');
    EXPECT_EQ(kFrame.count(), 16);
}

TEST(Cp932Literals, CharacterLiteralsHoldCodePage932) {
    struct CharCase {
        const char* what;
        int got, expected;
    };
    // Two bytes make a multi-character literal, whose value the compiler
    // forms the same way from the escapes it is compared with.
    const CharCase cases[] = {
        {"kanji", '漢', '\x8a\xbf'},
        {"trail byte 0x5C", 'ソ', '\x83\x5c'},
        {"a universal character name", '\u6F22', '\x8a\xbf'},
        {"half-width katakana", 'ｱ', '\xb1'},
        {"ASCII", 'a', 0x61},
    };
    for (const CharCase& c : cases) EXPECT_EQ(c.got, c.expected) << c.what;
}

// The code units of a wide or UTF-8 literal, as numbers.
template <typename Char, size_t n>
std::vector<long> units(const Char (&s)[n]) {
    std::vector<long> v;
    for (size_t i = 0; i + 1 < n; ++i) v.push_back(static_cast<long>(s[i]));
    return v;
}

TEST(Cp932Literals, PlainLiteralsJoinedToPrefixedOnesTakeTheirMeaning) {
    const std::vector<long> kanji_ji = {0x6f22, 0x5b57};
    const std::vector<long> kanji_ji_utf8 = {0xe6, 0xbc, 0xa2, 0xe5, 0xad, 0x97};
    EXPECT_EQ(units(L"漢" "字"), kanji_ji);
    EXPECT_EQ(units("漢" L"字"), kanji_ji);
    EXPECT_EQ(units(u"漢"
                    "字"), kanji_ji);
    EXPECT_EQ(units(u8"漢" "字"), kanji_ji_utf8);
    EXPECT_EQ(units(WIDE("漢") "字"), kanji_ji);
    EXPECT_EQ(units(UTF8("漢") "字"), kanji_ji_utf8);
    EXPECT_EQ(units(u8\
"漢" "字"), kanji_ji_utf8);
}

TEST(Cp932Literals, OtherEncodingsAreLeftAlone) {
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(u8"漢")), bytes({0xe6, 0xbc, 0xa2}));
    EXPECT_EQ(static_cast<long>(L"漢"[0]), 0x6f22);
    EXPECT_EQ(static_cast<long>(u"漢"[0]), 0x6f22);
    EXPECT_EQ(static_cast<long>(U'字'), 0x5b57);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(u8R"(ソ)")), bytes({0xe3, 0x82, 0xbd}));
}

TEST(Cp932Literals, LinesAndFileNameAreTheOriginals) {
    // The copy keeps every line where it was: a raw string over three lines
    // between two line counts leaves them four apart.
    constexpr int before = __LINE__;
    constexpr const char* over_lines = R"(ソ
表
能)";
    constexpr int after = __LINE__;
    EXPECT_EQ(after - before, 4) << over_lines;
    const char* file = __FILE__;
    const char* tail = "literals/literals_test.cpp";
    ASSERT_GE(std::strlen(file), std::strlen(tail));
    EXPECT_STREQ(file + std::strlen(file) - std::strlen(tail), tail);
    EXPECT_EQ(std::strstr(file, "qx_cp932"), nullptr) << file;
}

}  // namespace
