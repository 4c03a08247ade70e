// How the layer's LoadImageA reads picture files, seen from the process:
// a name that is not a regular file fails at once, and a file is read, and
// memory taken, only as far as its picture needs. Linux only: these look at
// the process through /proc.
#include "support.h"

#include "bmp_files.h"

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
        {"a 7 x 5 picture, then 200 MB of zeros", &picture, k200MB, 7},
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

}  // namespace
