// PNG files, encoded in memory with libpng's simplified interface (8-bit
// RGB, nothing that changes from run to run, no time stamp: the same pixels
// always give the same bytes) and put in place whole. A shot's path is the
// user's: only a name nothing has yet, or a regular file, is written, never a
// FIFO (that would block), a device, a directory or a symbolic link. The
// bytes go to a new file beside it first, which is renamed over the name only
// once every byte is written and closed; when anything fails, only that new
// file is removed, and what had the name before keeps it untouched.
#include "backend/headless/headless.h"

#include <png.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace plat::backend::headless {

namespace {

const char* kind_of(mode_t mode) {
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISLNK(mode)) return "a symbolic link";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a regular file";
}

std::string folder_of(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool encode(const uint32_t* pixels, int w, int h, int stride, std::vector<unsigned char>* png, std::string* why) {
    std::vector<unsigned char> rgb(size_t(w) * size_t(h) * 3);
    unsigned char* out = rgb.data();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t p = pixels[size_t(y) * size_t(stride) + size_t(x)];
            *out++ = uint8_t(p >> 16);
            *out++ = uint8_t(p >> 8);
            *out++ = uint8_t(p);
        }
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(w);
    image.height = png_uint_32(h);
    image.format = PNG_FORMAT_RGB;
    // Room for the largest PNG these pixels can make: one pass.
    png->resize(PNG_IMAGE_PNG_SIZE_MAX(image));
    png_alloc_size_t size = png->size();
    const bool ok = png_image_write_to_memory(&image, png->data(), &size, 0, rgb.data(), w * 3, nullptr);
    png->resize(ok ? size : 0);
    if (!ok) *why = image.message[0] ? image.message : "libpng cannot encode it";
    png_image_free(&image);
    return ok;
}

bool write_all(int fd, const unsigned char* p, size_t n) {
    while (n > 0) {
        const ssize_t done = ::write(fd, p, n);
        if (done < 0 && errno == EINTR) continue;
        if (done == 0) errno = EIO;
        if (done <= 0) return false;
        p += done;
        n -= size_t(done);
    }
    return true;
}

// A new file beside path, made by this call (O_EXCL) with the mode given
// (the umask applies); -1 with why set when none can be made.
int make_temporary(const std::string& path, mode_t mode, std::string* name, std::string* why) {
    static unsigned serial = 0;
    const std::string folder = folder_of(path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        *name = folder + "/.qx-shot-" + std::to_string(getpid()) + "-" + std::to_string(serial++) + ".tmp";
        const int fd = ::open(name->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0) return fd;
        if (errno != EEXIST) break;
    }
    *why = "cannot make a new file in " + shown(folder) + ": " + std::strerror(errno);
    return -1;
}

// The bytes as the file named path, put in place whole or not at all.
bool replace_file(const std::string& path, const std::vector<unsigned char>& bytes, std::string* why) {
    struct stat st;
    const bool exists = ::lstat(path.c_str(), &st) == 0;
    if (!exists && errno != ENOENT) {
        *why = std::strerror(errno);
        return false;
    }
    if (exists && !S_ISREG(st.st_mode)) {
        *why = std::string("it is ") + kind_of(st.st_mode) + "; shots replace regular files only";
        return false;
    }
    std::string temporary;
    const int fd = make_temporary(path, 0666, &temporary, why);
    if (fd < 0) return false;
    // A file replaced keeps its permissions; a new one has the umask's.
    bool ok = !exists || ::fchmod(fd, st.st_mode & 07777) == 0;
    ok = ok && write_all(fd, bytes.data(), bytes.size());
    int error_number = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error_number = errno;
    }
    if (ok && ::rename(temporary.c_str(), path.c_str()) != 0) {
        *why = std::string("cannot put it in place: ") + std::strerror(errno);
        ::unlink(temporary.c_str());
        return false;
    }
    if (!ok) {
        *why = std::string("cannot write it: ") + std::strerror(error_number);
        ::unlink(temporary.c_str());
    }
    return ok;
}

}  // namespace

bool write_png(const std::string& path, const uint32_t* pixels, int w, int h, int stride, std::string* why) {
    std::vector<unsigned char> png;
    return encode(pixels, w, h, stride, &png, why) && replace_file(path, png, why);
}

}  // namespace plat::backend::headless
