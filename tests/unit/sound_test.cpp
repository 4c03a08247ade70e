// The runtime's sound: the WAV decoder's table of files, good and crafted
// (what it converts them to, and that everything else fails cleanly), the
// load-error box, and the routines on whatever device there is (on Wine
// without audio, the silent path: every routine returns and nothing breaks).
#include "sound.h"
#include "bmp_files.h"
#include "support.h"

#include <layer_seams.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

void put16(std::vector<uint8_t>& b, unsigned v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void put32(std::vector<uint8_t>& b, uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}
void tag(std::vector<uint8_t>& b, const char* t) { b.insert(b.end(), t, t + 4); }

struct WavForm {
    unsigned format = 1, channels = 1, rate = 44100, bits = 16;
    int align = -1;  // -1: channels * bits / 8
};

// A WAV file of this form with these sample bytes; extra chunks go before
// the data chunk. data_size < 0 gives the data chunk its true size.
std::vector<uint8_t> wav(const WavForm& f, const std::vector<uint8_t>& samples, int64_t data_size = -1,
                         const std::vector<uint8_t>& extra = {}) {
    std::vector<uint8_t> b;
    tag(b, "RIFF");
    put32(b, 0);
    tag(b, "WAVE");
    tag(b, "fmt ");
    put32(b, 16);
    put16(b, f.format);
    put16(b, f.channels);
    put32(b, f.rate);
    const unsigned align = f.align >= 0 ? unsigned(f.align) : f.channels * f.bits / 8;
    put32(b, f.rate * align);
    put16(b, align);
    put16(b, f.bits);
    b.insert(b.end(), extra.begin(), extra.end());
    tag(b, "data");
    put32(b, data_size < 0 ? uint32_t(samples.size()) : uint32_t(data_size));
    b.insert(b.end(), samples.begin(), samples.end());
    const uint32_t riff = uint32_t(b.size() - 8);
    std::memcpy(&b[4], &riff, 4);
    return b;
}

std::vector<uint8_t> s16(std::initializer_list<int> v) {
    std::vector<uint8_t> b;
    for (int s : v) put16(b, unsigned(uint16_t(int16_t(s))));
    return b;
}

std::vector<int16_t> decode(const std::vector<uint8_t>& file, bool* ok) {
    std::vector<int16_t> out;
    *ok = qx_decode_wav(file.data(), file.size(), &out);
    return out;
}

TEST(SoundTest, WavFilesConvertOnceToStereoAt44100) {
    std::vector<uint8_t> odd_chunk = {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0};  // odd: padded to even
    const struct {
        const char* what;
        std::vector<uint8_t> file;
        std::vector<int16_t> expected;  // interleaved left, right
    } cases[] = {
        {"16-bit mono", wav({}, s16({1000, -2000})), {1000, 1000, -2000, -2000}},
        {"16-bit stereo", wav({1, 2}, s16({1, 2, -3, -4})), {1, 2, -3, -4}},
        {"8-bit mono: 128 is silence", wav({1, 1, 44100, 8}, {128, 255, 0}), {0, 0, 127 * 256, 127 * 256, -32768, -32768}},
        {"8-bit stereo", wav({1, 2, 44100, 8}, {0, 255}), {-32768, 127 * 256}},
        {"22050 Hz: twice as many frames, interpolated", wav({1, 1, 22050}, s16({0, 1000})), {0, 0, 500, 500, 1000, 1000, 1000, 1000}},
        {"88200 Hz: every other frame", wav({1, 1, 88200}, s16({10, 20, 30, 40})), {10, 10, 30, 30}},
        {"an odd chunk before the data", wav({}, s16({7}), -1, odd_chunk), {7, 7}},
        {"a partial frame at the end is dropped", wav({1, 2}, s16({5, 6, 7})), {5, 6}},
        {"no samples", wav({}, {}), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        bool ok = false;
        EXPECT_EQ(decode(c.file, &ok), c.expected);
        EXPECT_TRUE(ok);
    }
}

TEST(SoundTest, CraftedWavFilesFailCleanly) {
    const std::vector<uint8_t> good = wav({}, s16({1, 2, 3, 4}));
    std::vector<uint8_t> not_riff = good, not_wave = good, short_fmt = good, riff_only = good;
    not_riff[0] = 'X';
    not_wave[8] = 'X';
    short_fmt[16] = 14;  // a fmt chunk too short for a PCM format
    riff_only.resize(12);
    std::vector<uint8_t> truncated = good;
    truncated.resize(truncated.size() - 3);  // the data chunk now runs past the end
    std::vector<uint8_t> no_data = good;
    no_data.resize(36);
    std::vector<uint8_t> huge_chunk = {'J', 'U', 'N', 'K', 0xFF, 0xFF, 0xFF, 0xFF};
    const struct { const char* what; std::vector<uint8_t> file; } cases[] = {
        {"empty", {}},
        {"RIFF header only", riff_only},
        {"not RIFF", not_riff},
        {"not WAVE", not_wave},
        {"a short fmt chunk", short_fmt},
        {"no data chunk", no_data},
        {"a data chunk past the end", truncated},
        {"a data size of 4 GiB", wav({}, s16({1}), 0xFFFFFFFF)},
        {"a chunk of 4 GiB before the data", wav({}, s16({1}), -1, huge_chunk)},
        {"zero channels", wav({1, 0}, s16({1}))},
        {"three channels", wav({1, 3}, s16({1, 2, 3}))},
        {"24 bits", wav({1, 1, 44100, 24}, {1, 2, 3})},
        {"0 bits", wav({1, 1, 44100, 0}, {1})},
        {"not PCM (float)", wav({3, 1, 44100, 16}, s16({1}))},
        {"rate 0", wav({1, 1, 0}, s16({1}))},
        {"rate 1 Hz (ten minutes of output per frame or so)", wav({1, 1, 1}, s16({1, 2}))},
        {"rate 4 GHz", wav({1, 1, 0xFFFFFFFF}, s16({1}))},
        {"a block align that does not add up", wav({1, 2, 44100, 16, 3}, s16({1, 2}))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        bool ok = true;
        EXPECT_TRUE(decode(c.file, &ok).empty());
        EXPECT_FALSE(ok);
    }
    std::vector<int16_t> out{1};
    EXPECT_FALSE(qx_decode_wav(nullptr, 0, &out));
}

int report_box(HWND, const char* text, const char* caption, UINT type) {
    std::fprintf(stderr, "[%s|%s|%x]", text, caption, type);
    std::fflush(stderr);
    return IDOK;
}

TEST(SoundDeathTest, FilesThatDoNotLoadEndTheProcessThroughTheErrorBox) {
    runtime_window();
    std::vector<uint8_t> truncated = wav({}, s16({1, 2, 3}));
    truncated.pop_back();
    const std::string long_name = "おと" + std::string(70, 'n') + ".wav";
    const struct { const char* what; std::string file; const std::vector<uint8_t>* bytes; std::string shown; } cases[] = {
        {"missing", "no-such-file.wav", nullptr, "no-such-file.wav"},
        {"truncated", "truncated.wav", &truncated, "truncated.wav"},
        {"a folder", ".", nullptr, "."},
        {"over-long name", long_name, nullptr, long_name.substr(0, 60)},
    };
    plat::seam::answer_message_boxes(report_box);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.bytes) write_file(c.file, *c.bytes);
        const std::string expected = "[WAVロードエラー:" + c.shown + "|エラー|10]";
        EXPECT_EXIT(qx_loadwav(c.file.c_str()), testing::ExitedWithCode(1), testing::HasSubstr(expected));
        if (c.bytes) std::remove(c.file.c_str());
    }
    plat::seam::answer_message_boxes(nullptr);
}

// Whatever the device (none, on a machine without audio), the routines
// return, ids count from 1, and ids not loaded or deleted are ignored.
TEST(SoundTest, RoutinesWorkWithOrWithoutADevice) {
    if (waveOutGetNumDevs() == 0) {
        // No device (Wine here, a desktop with no sound card): no identifier is in range.
        const WAVEFORMATEX f = qx_device_format();
        HWAVEOUT h = nullptr;
        EXPECT_EQ(waveOutOpen(&h, WAVE_MAPPER, &f, 0, 0, CALLBACK_NULL), MMSYSERR_BADDEVICEID);
        EXPECT_EQ(waveOutOpen(&h, 0, &f, 0, 0, CALLBACK_NULL), MMSYSERR_BADDEVICEID);
        std::printf("  no audio device: the silent path\n");
    }
    const std::string a = write_file("a.wav", wav({}, s16({1000, -1000, 1000, -1000})));
    const std::string b = write_file("b.wav", wav({1, 2, 22050, 8}, {0, 255, 255, 0}));
    const int ida = qx_loadwav(a.c_str()), idb = qx_loadwav(b.c_str());
    EXPECT_GE(ida, 1);
    EXPECT_NE(ida, idb);
    EXPECT_GE(idb, 1);
    qx_sound(440);
    qx_sound(880);
    qx_sound(0);
    qx_nosound();
    qx_nosound();
    for (int i = 0; i < 20; ++i) qx_playwav(i % 2 ? ida : idb, i % 3 == 0);
    qx_playwav(0, 0);
    qx_playwav(-1, 1);
    qx_playwav(idb + 100, 0);
    qx_stopwav(ida);
    qx_stopwav(12345);
    qx_deletewav(ida);
    qx_playwav(ida, 0);  // deleted: nothing
    qx_deletewav(ida);
    qx_deletewav(idb);
    EXPECT_EQ(qx_wav_samples(ida), nullptr);
    EXPECT_EQ(qx_wav_samples(idb), nullptr);
    std::remove(a.c_str());
    std::remove(b.c_str());
}

}  // namespace
