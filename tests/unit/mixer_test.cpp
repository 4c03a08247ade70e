// The layer's waveOut and its mixer, on the samples it renders (the test
// takes the mix in place of the device): the tone's period at several
// pitches, eight loud sounds clipped and never wrapped, and the waveOut
// calls' documented results, flags and loops.
#include "sound.h"
#include "bmp_files.h"

#include <layer_seams.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The test takes the mix for its life.
class Capture {
public:
    Capture() { plat::seam::capture_audio(true); }
    ~Capture() { plat::seam::capture_audio(false); }
};

std::vector<int16_t> render(int frames) {
    std::vector<int16_t> out(size_t(frames) * 2);
    plat::seam::render_audio(out.data(), frames);
    return out;
}

TEST(MixerTest, TheToneHasItsPeriodExactly) {
    Capture capture;
    for (int hz : {50, 440, 523, 1000, 4410, 15000, 22050}) {
        SCOPED_TRACE(hz);
        qx_sound(hz);
        const std::vector<int16_t> s = render(44100 * 2);
        qx_nosound();
        // Rising edges in each second: exactly hz; the distance between two
        // is the period, 44100 / hz, rounded one way or the other.
        int rising = 0, last = -1, shortest = 1 << 30, longest = 0;
        bool left_equals_right = true;
        for (int i = 1; i < 44100 * 2; ++i) {
            left_equals_right = left_equals_right && s[2 * size_t(i)] == s[2 * size_t(i) + 1];
            if (!(s[2 * size_t(i) - 2] < 0 && s[2 * size_t(i)] > 0)) continue;
            if (i <= 44100) ++rising;
            if (last >= 0) shortest = std::min(shortest, i - last), longest = std::max(longest, i - last);
            last = i;
        }
        EXPECT_TRUE(left_equals_right);
        EXPECT_EQ(s[0], 8000) << "a tone starts high at once";
        EXPECT_EQ(rising, hz);
        EXPECT_EQ(shortest, 44100 / hz);
        EXPECT_EQ(longest, (44100 + hz - 1) / hz);
        EXPECT_EQ(render(10), std::vector<int16_t>(20, 0)) << "qx_nosound stops it at once";
    }
    qx_sound(100000);  // above half the rate: no tone
    EXPECT_EQ(render(100), std::vector<int16_t>(200, 0));
}

// 8 sounds near full scale, together: every sample held at the limit, of
// the sign of the sum; none wraps round to the other sign.
TEST(MixerTest, EightLoudSoundsClipAndNeverWrap) {
    Capture capture;
    std::vector<uint8_t> file = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,
                                 1, 0, 1, 0, 0x44, 0xAC, 0, 0, 0x88, 0x58, 1, 0, 2, 0, 16, 0, 'd', 'a', 't', 'a', 8, 0, 0, 0};
    for (int s : {30000, -30000, 5000, -4000}) file.push_back(uint8_t(s)), file.push_back(uint8_t(s >> 8));
    const std::string name = write_file("loud.wav", file);
    const int id = qx_loadwav(name.c_str());
    std::remove(name.c_str());
    for (int n : {1, 2, 8}) {
        SCOPED_TRACE(n);
        for (int i = 0; i < n; ++i) qx_playwav(id, 0);
        const std::vector<int16_t> s = render(6);
        const int sums[] = {30000 * n, -30000 * n, 5000 * n, -4000 * n};
        for (int f = 0; f < 4; ++f) {
            const int expected = std::clamp(sums[f], -32768, 32767);
            EXPECT_EQ(s[2 * f], expected) << "frame " << f;
            EXPECT_EQ(s[2 * f + 1], expected) << "frame " << f;
        }
        EXPECT_EQ(s[8], 0) << "the sounds end with their samples";
    }
    qx_deletewav(id);
}

// A one-frame 16-bit mono sound of level v, loaded.
int one_frame(int v) {
    std::vector<uint8_t> file = {'R', 'I', 'F', 'F', 38, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,
                                 1, 0, 1, 0, 0x44, 0xAC, 0, 0, 0x88, 0x58, 1, 0, 2, 0, 16, 0, 'd', 'a', 't', 'a', 2, 0, 0, 0,
                                 uint8_t(v), uint8_t(v >> 8)};
    const std::string name = write_file("one.wav", file);
    const int id = qx_loadwav(name.c_str());
    std::remove(name.c_str());
    return id;
}

// Looped sounds play until stopped; a 17th sound stops the one that started
// first; a deleted sound stops at once. Sound i is one frame of level i + 1,
// looped, so the mix is the sum of the levels of those playing.
TEST(MixerTest, VoicesLoopStopAndGiveWay) {
    Capture capture;
    std::vector<int> ids;
    for (int i = 0; i < 17; ++i) ids.push_back(one_frame(i + 1));
    auto level = [] { return render(1)[0]; };
    for (int i = 0; i < 16; ++i) qx_playwav(ids[size_t(i)], 1);
    EXPECT_EQ(level(), 136) << "1 + 2 + ... + 16";
    EXPECT_EQ(level(), 136) << "looped";
    qx_stopwav(ids[15]);
    EXPECT_EQ(level(), 120);
    qx_stopwav(ids[14]);
    EXPECT_EQ(level(), 105);
    qx_playwav(ids[16], 1);  // in a voice set free
    EXPECT_EQ(level(), 122);
    qx_playwav(ids[14], 1);  // the last free voice
    EXPECT_EQ(level(), 137);
    qx_playwav(ids[15], 1);  // a 17th: sound 0, started first, gives way
    EXPECT_EQ(level(), 137 - 1 + 16);
    qx_stopwav(ids[15]);
    EXPECT_EQ(level(), 136);
    qx_deletewav(ids[16]);
    EXPECT_EQ(level(), 119);
    qx_playwav(ids[16], 1);  // deleted: nothing
    EXPECT_EQ(level(), 119);
    for (int id : ids) qx_deletewav(id);
    EXPECT_EQ(level(), 0);
}

// The waveOut calls as Microsoft documents them.
TEST(MixerTest, WaveOutResultsFlagsAndLoops) {
    Capture capture;
    WAVEFORMATEX f = qx_device_format();
    HWAVEOUT h = nullptr;
    EXPECT_EQ(waveOutGetNumDevs(), 1u);
    EXPECT_EQ(waveOutOpen(nullptr, WAVE_MAPPER, &f, 0, 0, CALLBACK_NULL), MMSYSERR_INVALPARAM);
    EXPECT_EQ(waveOutOpen(nullptr, WAVE_MAPPER, &f, 0, 0, WAVE_FORMAT_QUERY), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutOpen(&h, 7, &f, 0, 0, CALLBACK_NULL), MMSYSERR_BADDEVICEID);
    WAVEFORMATEX bad = f;
    bad.nSamplesPerSec = 22050;
    EXPECT_EQ(waveOutOpen(&h, WAVE_MAPPER, &bad, 0, 0, CALLBACK_NULL), WAVERR_BADFORMAT);
    bad = f;
    bad.nBlockAlign = 3;
    EXPECT_EQ(waveOutOpen(&h, WAVE_MAPPER, &bad, 0, 0, CALLBACK_NULL), WAVERR_BADFORMAT);
    EXPECT_EQ(waveOutReset(reinterpret_cast<HWAVEOUT>(&f)), MMSYSERR_INVALHANDLE);

    // 8-bit mono: 3 frames, a loop of two headers played twice, then one more.
    WAVEFORMATEX mono8 = f;
    mono8.nChannels = 1;
    mono8.wBitsPerSample = 8;
    mono8.nBlockAlign = 1;
    ASSERT_EQ(waveOutOpen(&h, WAVE_MAPPER, &mono8, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    char a[] = {char(129), char(130)}, b[] = {char(131)}, c[] = {char(127)};
    WAVEHDR ha{}, hb{}, hc{};
    ha.lpData = a, ha.dwBufferLength = 2, ha.dwFlags = WHDR_BEGINLOOP, ha.dwLoops = 2;
    hb.lpData = b, hb.dwBufferLength = 1, hb.dwFlags = WHDR_ENDLOOP;
    hc.lpData = c, hc.dwBufferLength = 1;
    EXPECT_EQ(waveOutWrite(h, &ha, sizeof ha), WAVERR_UNPREPARED);
    for (WAVEHDR* x : {&ha, &hb, &hc}) EXPECT_EQ(waveOutPrepareHeader(h, x, sizeof *x), MMSYSERR_NOERROR);
    EXPECT_EQ(ha.dwFlags, DWORD(WHDR_BEGINLOOP | WHDR_PREPARED));
    EXPECT_EQ(waveOutPrepareHeader(h, &ha, sizeof ha - 1), MMSYSERR_INVALPARAM);
    for (WAVEHDR* x : {&ha, &hb, &hc}) EXPECT_EQ(waveOutWrite(h, x, sizeof *x), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutWrite(h, &ha, sizeof ha), WAVERR_STILLPLAYING);
    EXPECT_EQ(ha.dwFlags, DWORD(WHDR_BEGINLOOP | WHDR_PREPARED | WHDR_INQUEUE));
    EXPECT_EQ(waveOutUnprepareHeader(h, &hc, sizeof hc), WAVERR_STILLPLAYING);
    EXPECT_EQ(waveOutClose(h), WAVERR_STILLPLAYING);
    std::vector<int16_t> s = render(8);
    const int expected[] = {1, 2, 3, 1, 2, 3, -1, 0};  // in 1/256ths of full scale
    for (int i = 0; i < 8; ++i) EXPECT_EQ(s[2 * size_t(i)], expected[i] * 256) << "frame " << i;
    for (WAVEHDR* x : {&ha, &hb, &hc}) {
        EXPECT_EQ(x->dwFlags & (WHDR_DONE | WHDR_INQUEUE), DWORD(WHDR_DONE));
        EXPECT_EQ(waveOutUnprepareHeader(h, x, sizeof *x), MMSYSERR_NOERROR);
        EXPECT_FALSE(x->dwFlags & WHDR_PREPARED);
    }

    // A looped header played until the reset, which marks it done at once.
    WAVEHDR hl{};
    hl.lpData = a, hl.dwBufferLength = 2, hl.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP, hl.dwLoops = 0xFFFFFFFF;
    ASSERT_EQ(waveOutPrepareHeader(h, &hl, sizeof hl), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutWrite(h, &hl, sizeof hl), MMSYSERR_NOERROR);
    s = render(1000);
    EXPECT_EQ(s[2 * 999], 2 * 256);
    EXPECT_EQ(waveOutReset(h), MMSYSERR_NOERROR);
    EXPECT_EQ(hl.dwFlags & (WHDR_DONE | WHDR_INQUEUE), DWORD(WHDR_DONE));
    EXPECT_EQ(render(4), std::vector<int16_t>(8, 0));
    // An empty loop played "forever" ends at once rather than spin.
    hl.dwBufferLength = 0;
    ASSERT_EQ(waveOutWrite(h, &hl, sizeof hl), MMSYSERR_NOERROR);
    EXPECT_EQ(render(4), std::vector<int16_t>(8, 0));
    EXPECT_TRUE(hl.dwFlags & WHDR_DONE);
    EXPECT_EQ(waveOutUnprepareHeader(h, &hl, sizeof hl), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutClose(h), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutClose(h), MMSYSERR_INVALHANDLE);
}

// The desktop's device (the x11 backend, here on SDL's offscreen video and
// dummy audio, which plays to nowhere at the real pace) pulls the mix on its
// own thread: a buffer written is played to its end and marked done while
// the program only sleeps.
// A variable of the environment set for the life of the object, then as it was.
class Setting {
public:
    Setting(const char* name, const char* value) : name_(name) {
        const char* was = std::getenv(name);
        had_ = was != nullptr;
        if (had_) was_ = was;
        setenv(name, value, 1);
    }
    ~Setting() {
        if (had_) setenv(name_, was_.c_str(), 1);
        else unsetenv(name_);
    }

private:
    const char* name_;
    bool had_;
    std::string was_;
};

TEST(MixerDeathTest, TheDesktopsDevicePullsTheMix) {
    Setting desktop("QX_HEADLESS", "0"), video("SDL_VIDEODRIVER", "offscreen"), audio("SDL_AUDIODRIVER", "dummy");
    auto body = [] {
        if (waveOutGetNumDevs() != 1) {
            std::fprintf(stderr, "no device\n");
            std::_Exit(1);
        }
        const WAVEFORMATEX f = qx_device_format();
        HWAVEOUT h = nullptr;
        static int16_t samples[4410 * 2];  // 100 ms
        WAVEHDR hdr{};
        hdr.lpData = reinterpret_cast<LPSTR>(samples);
        hdr.dwBufferLength = sizeof samples;
        if (waveOutOpen(&h, WAVE_MAPPER, &f, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR ||
            waveOutPrepareHeader(h, &hdr, sizeof hdr) != MMSYSERR_NOERROR ||
            waveOutWrite(h, &hdr, sizeof hdr) != MMSYSERR_NOERROR)
            std::_Exit(2);
        // However long it takes: the test's own timeout is the only bound.
        while (waveOutUnprepareHeader(h, &hdr, sizeof hdr) == WAVERR_STILLPLAYING) Sleep(5);
        std::fprintf(stderr, "played, %s\n", (hdr.dwFlags & WHDR_DONE) ? "done" : "not marked done");
        std::_Exit(waveOutClose(h) == MMSYSERR_NOERROR ? 0 : 3);
    };
    EXPECT_EXIT(body(), testing::ExitedWithCode(0), "played, done");
}

}  // namespace
