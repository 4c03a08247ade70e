// One text in the faces games ask for by their Windows names, black on white,
// drawn as screentext's findrendered draws its patterns: the page draws them
// with the IPA fonts it packs, Mincho for "ＭＳ 明朝" and Gothic for
// "ＭＳ ゴシック". Waits for a key.
#include <qx.h>

#include <cstring>

namespace {

void write(const char* face, int y, const char* text) {
    HFONT font = CreateFontA(32, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, 0, 0,
                             DEFAULT_QUALITY, 0, face);
    HGDIOBJ old = SelectObject(gvram, font);
    SetBkMode(gvram, TRANSPARENT);
    SetTextColor(gvram, RGB(0, 0, 0));
    TextOutA(gvram, 40, y, text, int(std::strlen(text)));
    SelectObject(gvram, old);
    DeleteObject(font);
}

}  // namespace

int Main(void) {
    qx_setscreen(0, 0, 640, 400, 0, "faces");
    qx_box(gvram, 0, 0, 640, 400, 1, 15);
    write("ＭＳ 明朝", 40, "日本の文字");
    write("ＭＳ ゴシック", 120, "日本の文字");
    getch();
    return 0;
}
