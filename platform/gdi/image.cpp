// LoadImageA for bitmap files: the file is decoded at its own size into a
// DIB section whose depth GetObject reports as the file's. Only regular
// files are read, and only as far as the picture needs.
#include "common/out_of_memory.h"
#include "gdi/bmp.h"
#include "gdi/cp932.h"
#include "gdi/objects.h"

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// An open picture file, read at offsets as the decoder asks.
class PictureFile final : public plat::BmpFile {
public:
    PictureFile(int fd, uint64_t size) : BmpFile(size), fd_(fd) {}
    ~PictureFile() { close(fd_); }
    PictureFile(const PictureFile&) = delete;
    PictureFile& operator=(const PictureFile&) = delete;

    bool read(uint64_t at, uint8_t* buf, size_t n) override {
        while (n > 0) {
            ssize_t got = pread(fd_, buf, n, off_t(at));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return false;  // an error, or the file has shrunk
            buf += got;
            n -= size_t(got);
            at += uint64_t(got);
        }
        return true;
    }

private:
    int fd_;
};

bool load(const char* cp932_name, plat::DecodedBmp* bmp) {
    // File names come in code page 932; the file system here speaks UTF-8.
    const std::string path = plat::cp932_to_utf8(cp932_name);
    // Anything but a regular file is refused before it is opened: opening a
    // FIFO waits for a writer, and a device may never end. The open itself
    // does not wait either, and what was opened is checked again, in case
    // the name was changed in between.
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return false;
    }
    PictureFile file(fd, uint64_t(st.st_size));
    return plat::decode_bmp(file, bmp);
}

}  // namespace

using namespace plat;

extern "C" HANDLE WINAPI LoadImageA(HINSTANCE, LPCSTR name, UINT type, int cx, int cy, UINT flags) {
    // Bitmaps from files at their own size are what is provided.
    if (type != IMAGE_BITMAP || !(flags & LR_LOADFROMFILE) || !name || cx != 0 || cy != 0) return nullptr;
    // A large picture with too little memory left is a failed load.
    return or_fail<HANDLE>(nullptr, [&]() -> HANDLE {
        DecodedBmp bmp;
        if (!load(name, &bmp)) return nullptr;
        auto made = std::make_unique<Bitmap>();
        Surface& s = made->surface;
        s.storage = std::move(bmp.pixels);
        s.width = s.stride = bmp.width;
        s.height = bmp.height;
        s.bits = s.storage.data();
        s.bits_per_pixel = bmp.bits_per_pixel;
        s.forget_ground();  // a picture: nothing known of its pixels
        Slot* slot = nullptr;
        auto h = static_cast<HBITMAP>(handles().allocate(Kind::bitmap, &slot));
        slot->bitmap = std::move(made);
        return h;
    });
}
