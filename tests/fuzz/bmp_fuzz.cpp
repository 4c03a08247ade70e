// libFuzzer target: arbitrary bytes as a BMP file, through LoadImageA as the
// runtime calls it, then selected into a memory DC, read and copied, as a
// game would use the picture. Built with AddressSanitizer and
// UndefinedBehaviorSanitizer: any out-of-bounds access or undefined
// behaviour ends the run.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

const std::string& input_path() {
    static const std::string path = "/tmp/bmp-fuzz-" + std::to_string(getpid()) + ".bmp";
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FILE* f = std::fopen(input_path().c_str(), "wb");
    if (!f) return 0;
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
    HANDLE h = LoadImageA(GetModuleHandleA(nullptr), input_path().c_str(), IMAGE_BITMAP, 0, 0,
                          LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    if (!h) return 0;
    BITMAP bm{};
    GetObjectA(h, sizeof bm, &bm);
    HDC pic = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(pic, h);
    GetPixel(pic, 0, 0);
    GetPixel(pic, bm.bmWidth - 1, bm.bmHeight - 1);
    static HDC canvas = [] {
        HDC dc = CreateCompatibleDC(nullptr);
        SelectObject(dc, CreateCompatibleBitmap(GetDC(nullptr), 64, 64));
        return dc;
    }();
    StretchBlt(canvas, -3, -3, 2 * bm.bmWidth, 2 * bm.bmHeight, pic, 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
    TransparentBlt(canvas, 5, 5, 20, 20, pic, 1, 1, bm.bmWidth, bm.bmHeight, 0);
    SelectObject(pic, old);
    DeleteDC(pic);
    DeleteObject(h);
    return 0;
}
