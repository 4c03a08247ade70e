// PNG files, encoded in memory with libpng's simplified interface (8-bit
// RGB, nothing that changes from run to run, no time stamp: the same pixels
// always give the same bytes) and put in place whole (files.cpp).
#include "backend/headless/headless.h"

#include <png.h>

#include <cstring>

namespace plat::backend::headless {

namespace {

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

}  // namespace

bool write_png(const std::string& path, const uint32_t* pixels, int w, int h, int stride, std::string* why) {
    std::vector<unsigned char> png;
    return encode(pixels, w, h, stride, &png, why) && replace_file(path, png.data(), png.size(), why);
}

}  // namespace plat::backend::headless
