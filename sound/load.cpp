// Loaded sounds: WAV files read whole (bounded by kQxMaxWavBytes), decoded
// (wav.cpp) and kept by id until deleted. A file the loader does not take
// ends the program through the load-error box, as a picture does.
#include "sound.h"

#include <memory>
#include <new>

namespace {

// The bytes of the file, read whole; false when it cannot be read or is too large.
bool read_file(const char* name, std::vector<unsigned char>* bytes) {
    HANDLE h = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD high = 0;
    const DWORD low = GetFileSize(h, &high);
    const uint64_t size = uint64_t(high) << 32 | low;
    bool ok = low != INVALID_FILE_SIZE && size <= kQxMaxWavBytes;
    if (ok) {
        bytes->resize(size_t(size));
        DWORD got = 0;
        ok = ReadFile(h, bytes->data(), DWORD(size), &got, nullptr) && got == size;
    }
    CloseHandle(h);
    return ok;
}

std::vector<std::unique_ptr<std::vector<int16_t>>> g_sounds;  // by id - 1

}  // namespace

WAVEFORMATEX qx_device_format(void) {
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = 2;
    f.nSamplesPerSec = kQxRate;
    f.wBitsPerSample = 16;
    f.nBlockAlign = 4;
    f.nAvgBytesPerSec = kQxRate * 4;
    return f;
}

const std::vector<int16_t>* qx_wav_samples(int id) {
    if (id < 1 || size_t(id) > g_sounds.size()) return nullptr;
    return g_sounds[size_t(id) - 1].get();
}

int qx_loadwav(const char* file) {
    try {
        std::vector<unsigned char> bytes;
        auto sound = std::make_unique<std::vector<int16_t>>();
        if (file && read_file(file, &bytes) && qx_decode_wav(bytes.data(), bytes.size(), sound.get())) {
            g_sounds.push_back(std::move(sound));
            return int(g_sounds.size());
        }
    } catch (const std::bad_alloc&) {
    }
    qx_load_error("WAVロードエラー:", file);
}

void qx_deletewav(int id) {
    if (!qx_wav_samples(id)) return;
    qx_forget_voices(id);
    g_sounds[size_t(id) - 1].reset();
}
