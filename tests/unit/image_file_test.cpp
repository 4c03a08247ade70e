// How the layer's LoadImageA reads picture files, seen from the process:
// a name that is not a regular file fails at once, and a file is read, and
// memory taken, only as far as its picture needs; the decoder's work is
// bounded by the pixels and the bytes, counted. Linux only: these look at
// the process through /proc, and at the layer's own decoder.
#include "support.h"

#include "bmp_files.h"

#include "gdi/bmp.h"

#include <gtest/gtest.h>
#include <gmock/gmock.h>
#include <layer_seams.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

HANDLE load(const char* name) {
    return LoadImageA(GetModuleHandleA(nullptr), name, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION);
}

// A number from a /proc/self file's "field: value" line (kB in status,
// bytes in io).
long long proc_number(const char* file, const char* field) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field, 0) == 0) return std::stoll(line.substr(std::strlen(field)));
    ADD_FAILURE() << "no " << field << " in " << file;
    return 0;
}

// What a call costs: the bytes the process reads (read and pread calls),
// and how far its resident memory peaks above what it was before.
struct Cost {
    long long read_bytes;
    long long peak_kib;
};

template <class F>
Cost cost_of(F&& call) {
    // Writing 5 to clear_refs sets the peak (VmHWM) back to what is resident now.
    std::ofstream("/proc/self/clear_refs") << "5";
    const long long rss = proc_number("/proc/self/status", "VmRSS:");
    const long long read = proc_number("/proc/self/io", "rchar:");
    call();
    return {proc_number("/proc/self/io", "rchar:") - read, proc_number("/proc/self/status", "VmHWM:") - rss};
}

// Writes `head`, then makes the file `tail` bytes longer (a hole that reads
// as zeros, so 200 MB cost no disk).
void write_with_tail(const char* name, const std::vector<uint8_t>& head, off_t tail) {
    write_file(name, head);
    ASSERT_EQ(truncate(name, off_t(head.size()) + tail), 0) << std::strerror(errno);
}

void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

int report_box(HWND, const char* text, const char* caption, UINT type) {
    std::fprintf(stderr, "[%s|%s|%x]", text, caption, type);
    std::fflush(stderr);
    return IDOK;
}

TEST(PictureFilesDeathTest, NamesThatAreNotRegularFilesFailAtOnce) {
    runtime_window();
    // The death tests' child runs this again, and finds them made.
    ASSERT_TRUE(mkfifo("fifo.bmp", 0600) == 0 || errno == EEXIST) << std::strerror(errno);
    ASSERT_TRUE(mkdir("folder.bmp", 0700) == 0 || errno == EEXIST) << std::strerror(errno);
    plat::seam::answer_message_boxes(report_box);
    // A FIFO with no writer blocks an ordinary open for ever; a device such
    // as /dev/zero never ends. The alarm ends a load that hangs.
    for (const char* name : {"fifo.bmp", "/dev/zero", "/dev/urandom", "folder.bmp"}) {
        SCOPED_TRACE(name);
        const std::string box = std::string("[Bitmapロードエラー:") + name + "|エラー|10]";
        EXPECT_EXIT(
            {
                alarm(10);
                qx_loadbmp(name);
            },
            testing::ExitedWithCode(1), testing::HasSubstr(box));
    }
    plat::seam::answer_message_boxes(nullptr);
    std::remove("fifo.bmp");
    rmdir("folder.bmp");
}

TEST(PictureFiles, AreReadAndTakeMemoryOnlyAsFarAsThePictureNeeds) {
    // 70 bytes whose header claims 8192 x 8192 at 32 bits per pixel: 256 MiB
    // of pixels that the file cannot hold.
    std::vector<uint8_t> claims_256mib = encode_bmp({"", BmpHeader::info, 32, BmpCoding::rgb}, test_image(8));
    claims_256mib.resize(70);
    put32(claims_256mib, 18, 8192);
    put32(claims_256mib, 22, 8192);
    const std::vector<uint8_t> zeros(64);
    const std::vector<uint8_t> picture = encode_bmp({"", BmpHeader::info, 24, BmpCoding::rgb}, test_image(8));
    // A 4 x 2 RLE8 picture with no end of bitmap: the zeros after it are
    // ends of lines, and the second passes the top.
    const std::vector<uint8_t> rle = encode_rle(4, 2, false, rle_stream("r4:5", false));
    const off_t k200MB = 200'000'000;
    const struct {
        const char* what;
        const std::vector<uint8_t>* head;
        off_t tail;
        int width;  // 0: fails
    } cases[] = {
        {"70 bytes claiming 8192 x 8192 at 32 bpp", &claims_256mib, 0, 0},
        {"200 MB of zeros", &zeros, k200MB, 0},
        {"a 19 x 5 picture, then 200 MB of zeros", &picture, k200MB, 19},
        {"a 4 x 2 RLE8 picture, then 200 MB of zeros", &rle, k200MB, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        write_with_tail("large.bmp", *c.head, c.tail);
        HANDLE h = nullptr;
        const Cost cost = cost_of([&] { h = load("large.bmp"); });
        std::remove("large.bmp");
        std::printf("  %s: read %lld bytes, resident memory peaked %lld KiB above where it was\n", c.what,
                    cost.read_bytes, cost.peak_kib);
        EXPECT_LT(cost.read_bytes, 256 * 1024);
        EXPECT_LT(cost.peak_kib, 8 * 1024);
        if (!c.width) {
            EXPECT_FALSE(h);
            continue;
        }
        ASSERT_TRUE(h);
        BITMAP bm{};
        GetObjectA(h, sizeof bm, &bm);
        EXPECT_EQ(bm.bmWidth, c.width);
        DeleteObject(h);
    }
}

// A file in memory that counts the bytes the decoder reads of it.
class CountedFile final : public plat::BmpFile {
public:
    explicit CountedFile(const std::vector<uint8_t>& bytes) : BmpFile(bytes.size()), bytes_(bytes) {}
    uint64_t bytes_read = 0;
    bool read(uint64_t at, uint8_t* buf, size_t n) override {
        if (at > bytes_.size() || bytes_.size() - at < n) return false;
        std::memcpy(buf, bytes_.data() + at, n);
        bytes_read += n;
        return true;
    }

private:
    const std::vector<uint8_t>& bytes_;
};

// `unit` repeated `times` times.
std::vector<uint8_t> repeated(const std::vector<uint8_t>& unit, size_t times) {
    std::vector<uint8_t> out;
    append_repeated(out, unit, times);
    return out;
}

// The decoder's work is bounded by construction: each RLE code costs the
// pixels it stores and takes at least two bytes, the position only moves on
// (no pixel is stored twice), and no byte is read twice. Counted, not timed:
// the largest pictures, with streams that store every pixel through runs of
// each kind, and the streams of 33 to 67 MB that are stepped over.
TEST(PictureFiles, DecodingWorkIsBoundedByThePixelsAndTheBytes) {
    const int kW = 4096, kH = 16384;  // 64 Mi pixels, the most decoded
    // A row of 16 codes of 255 pixels, one of 16, and an end of line.
    auto row_of = [](const std::vector<uint8_t>& code_255, const std::vector<uint8_t>& code_16) {
        std::vector<uint8_t> row = repeated(code_255, 16);
        row.insert(row.end(), code_16.begin(), code_16.end());
        row.insert(row.end(), {0, 0});
        return row;
    };
    auto absolute = [](size_t n, size_t bytes) {
        std::vector<uint8_t> code = {0, uint8_t(n)};
        for (size_t i = 0; i < bytes; ++i) code.push_back(uint8_t(i * 37));
        if (code.size() % 2) code.push_back(0);
        return code;
    };
    const uint64_t all = uint64_t(kW) * kH, full_codes = 18 * uint64_t(kH) - 1;  // the last end of line is not read
    const struct {
        const char* what;
        std::vector<uint8_t> file;
        uint64_t codes, pixels;
    } cases[] = {
        {"RLE8, every pixel from runs", encode_rle(kW, kH, false, repeated(row_of({255, 7}, {16, 9}), kH)), full_codes, all},
        {"RLE4, every pixel from runs of two nibbles", encode_rle(kW, kH, true, repeated(row_of({255, 0x12}, {16, 0x34}), kH)),
         full_codes, all},
        {"RLE8, every pixel from absolute runs",
         encode_rle(kW, kH, false, repeated(row_of(absolute(255, 255), absolute(16, 16)), kH)), full_codes, all},
        {"RLE4, every pixel from absolute runs",
         encode_rle(kW, kH, true, repeated(row_of(absolute(255, 128), absolute(16, 8)), kH)), full_codes, all},
        {"RLE8, an end of bitmap at once", encode_rle(kW, kH, false, rle_stream("E", false)), 1, 0},
        {"RLE8, 1 x 2: 31 million runs of 255, then the next line", encode_rle(1, 2, false, rle_stream("r255:1*31000000 e r1:5 E", false)),
         31000002, 2},
        {"RLE4, 1 x 2: 11 million absolute runs, then the next line",
         encode_rle(1, 2, true, rle_stream("a1,2,3*11000000 e r1:5 E", true)), 11000002, 2},
        {"RLE8, 1 x 2: 16843009 moves, then the next line", encode_rle(1, 2, false, rle_stream("d255,0*16843009 e r1:5 E", false)),
         16843011, 1},
        {"8 bits a pixel: every pixel once", encode_bmp({"", BmpHeader::info, 8, BmpCoding::rgb}, test_image(8)), 0, 95},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CountedFile file(c.file);
        plat::DecodedBmp bmp;
        ASSERT_TRUE(plat::decode_bmp(file, &bmp));
        std::printf("  %s: %zu bytes, %llu read, %llu codes, %llu pixels stored\n", c.what, c.file.size(),
                    static_cast<unsigned long long>(file.bytes_read), static_cast<unsigned long long>(bmp.work.codes),
                    static_cast<unsigned long long>(bmp.work.pixels));
        EXPECT_TRUE(plat::work_within_bound(bmp, file.bytes_read, c.file.size()));
        EXPECT_EQ(bmp.work.codes, c.codes);
        EXPECT_EQ(bmp.work.pixels, c.pixels);
    }
}

}  // namespace
