// LoadImageA for bitmap files: the file is decoded at its own size into a
// DIB section whose depth GetObject reports as the file's.
#include "gdi/bmp.h"
#include "gdi/cp932.h"
#include "gdi/objects.h"

#include <cstdio>
#include <memory>

namespace {

// Files larger than the largest picture could need are not read.
constexpr long kMaxFileBytes = long(plat::kMaxBmpPixels) * 4 + (1 << 20);

bool read_file(const char* cp932_name, std::vector<uint8_t>& bytes) {
    // File names come in code page 932; the file system here speaks UTF-8.
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(plat::cp932_to_utf8(cp932_name).c_str(), "rb"), std::fclose);
    if (!f || std::fseek(f.get(), 0, SEEK_END) != 0) return false;
    long size = std::ftell(f.get());
    if (size <= 0 || size > kMaxFileBytes || std::fseek(f.get(), 0, SEEK_SET) != 0) return false;
    bytes.resize(size_t(size));
    return std::fread(bytes.data(), 1, bytes.size(), f.get()) == bytes.size();
}

}  // namespace

using namespace plat;

extern "C" HANDLE WINAPI LoadImageA(HINSTANCE, LPCSTR name, UINT type, int cx, int cy, UINT flags) {
    // Bitmaps from files at their own size are what is provided.
    if (type != IMAGE_BITMAP || !(flags & LR_LOADFROMFILE) || !name || cx != 0 || cy != 0) return nullptr;
    std::vector<uint8_t> bytes;
    DecodedBmp bmp;
    if (!read_file(name, bytes) || !decode_bmp(bytes.data(), bytes.size(), &bmp)) return nullptr;
    Slot* slot = nullptr;
    auto h = static_cast<HBITMAP>(handles().allocate(Kind::bitmap, &slot));
    slot->bitmap = std::make_unique<Bitmap>();
    Surface& s = slot->bitmap->surface;
    s.storage = std::move(bmp.pixels);
    s.width = s.stride = bmp.width;
    s.height = bmp.height;
    s.bits = s.storage.data();
    s.bits_per_pixel = bmp.bits_per_pixel;
    return h;
}
