// MessageBoxA, drawn by the layer: a small modal window centred on its owner,
// painted with the layer's own GDI and fonts, so Japanese text renders the
// same as everywhere else. While it is open the owner is disabled (it gets no
// input) but its messages are still dispatched, so it keeps repainting.
// Keyboard: Enter presses the focused button (the default one at first), Tab
// and the arrow keys move the focus, Space presses it, Y and N answer Yes and
// No, Esc cancels where the box has a way to cancel. A key answers when it is
// released, as a push button does: a program that polls the keyboard once the
// box is gone does not see the answering key still held.
#include "backend/backend.h"
#include "common/out_of_memory.h"
#include "gdi/cp932.h"
#include "seams/state.h"
#include "user/window.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace plat {
namespace {

constexpr int kMargin = 16, kIcon = 32, kLineH = 20, kButtonW = 96, kButtonH = 28, kGap = 10, kBand = 48;
constexpr int kFontH = 16;

struct Button {
    int id;
    const char* label;  // code page 932
    RECT rect;
};

struct MsgBox {
    HWND hwnd = nullptr;
    std::string text, caption;
    UINT type = 0;
    std::vector<Button> buttons;
    std::vector<std::string> lines;
    int focus = 0;
    int pressed = -1;
    WPARAM armed = 0;  // the answering key that went down in the box
    int result = 0;
    int text_x = kMargin, text_y = kMargin;
    HFONT font = nullptr;
};

std::vector<MsgBox*> g_boxes;

MsgBox* box_of(HWND h) {
    for (MsgBox* b : g_boxes)
        if (b->hwnd == h) return b;
    return nullptr;
}

// A w x h rectangle of the box's DC in colour c, as a solid brush paints it.
void fill(HDC hdc, int x, int y, int w, int h, COLORREF c) {
    if (DC* dc = dc_from(hdc)) fill_rect(*dc, x, y, int64_t(x) + w, int64_t(y) + h, to_pixel(c));
}

void frame(HDC dc, const RECT& r, int t, COLORREF c) {
    int w = r.right - r.left, h = r.bottom - r.top;
    fill(dc, r.left, r.top, w, t, c);
    fill(dc, r.left, r.bottom - t, w, t, c);
    fill(dc, r.left, r.top, t, h, c);
    fill(dc, r.right - t, r.top, t, h, c);
}

void draw_icon(HDC dc, UINT type) {
    UINT icon = type & 0xF0;
    if (!icon) return;
    const int cx = kMargin + kIcon / 2, cy = kMargin + kIcon / 2, r = kIcon / 2 - 1;
    COLORREF color = icon == MB_ICONHAND ? RGB(0xD0, 0x20, 0x20)
                     : icon == MB_ICONEXCLAMATION ? RGB(0xE8, 0xB0, 0x00)
                                                   : RGB(0x20, 0x60, 0xD0);
    for (int dy = -r; dy <= r; ++dy) {
        int half = int(std::sqrt(double(r * r - dy * dy)));
        fill(dc, cx - half, cy + dy, 2 * half + 1, 1, color);
    }
    if (icon == MB_ICONHAND) {
        // A white cross, three pixels thick.
        for (int i = -7; i <= 7; ++i)
            for (int t = -1; t <= 1; ++t) {
                SetPixel(dc, cx + i + t, cy + i, 0xFFFFFF);
                SetPixel(dc, cx + i + t, cy - i, 0xFFFFFF);
            }
        return;
    }
    const char* glyph = icon == MB_ICONQUESTION ? "?" : icon == MB_ICONEXCLAMATION ? "!" : "i";
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, 0xFFFFFF);
    SIZE sz{};
    GetTextExtentPoint32A(dc, glyph, 1, &sz);
    TextOutA(dc, cx - sz.cx / 2, cy - sz.cy / 2, glyph, 1);
}

void paint(MsgBox& b, HDC dc) {
    RECT client{};
    GetClientRect(b.hwnd, &client);
    int band_top = client.bottom - kBand;
    fill(dc, 0, 0, client.right, band_top, 0xFFFFFF);
    fill(dc, 0, band_top, client.right, kBand, RGB(0xF0, 0xF0, 0xF0));
    HGDIOBJ old_font = SelectObject(dc, b.font);
    draw_icon(dc, b.type);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, 0x000000);
    for (size_t i = 0; i < b.lines.size(); ++i)
        TextOutA(dc, b.text_x, b.text_y + int(i) * kLineH, b.lines[i].data(), int(b.lines[i].size()));
    for (size_t i = 0; i < b.buttons.size(); ++i) {
        const Button& bt = b.buttons[i];
        bool focused = int(i) == b.focus;
        bool down = int(i) == b.pressed;
        fill(dc, bt.rect.left, bt.rect.top, kButtonW, kButtonH, down ? RGB(0xCC, 0xE4, 0xF7) : RGB(0xE1, 0xE1, 0xE1));
        frame(dc, bt.rect, focused ? 2 : 1, focused ? RGB(0x00, 0x78, 0xD7) : RGB(0xAD, 0xAD, 0xAD));
        SIZE sz{};
        int n = int(std::char_traits<char>::length(bt.label));
        GetTextExtentPoint32A(dc, bt.label, n, &sz);
        TextOutA(dc, (bt.rect.left + bt.rect.right - sz.cx) / 2, (bt.rect.top + bt.rect.bottom - sz.cy) / 2,
                 bt.label, n);
    }
    SelectObject(dc, old_font);
}

int button_at(const MsgBox& b, int x, int y) {
    for (size_t i = 0; i < b.buttons.size(); ++i) {
        const RECT& r = b.buttons[i].rect;
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return int(i);
    }
    return -1;
}

int cancel_id(const MsgBox& b) {
    for (const Button& bt : b.buttons)
        if (bt.id == IDCANCEL) return IDCANCEL;
    return b.buttons.size() == 1 ? b.buttons[0].id : 0;
}

void answer(MsgBox& b, int id) {
    for (const Button& bt : b.buttons)
        if (bt.id == id) b.result = id;
}

LRESULT CALLBACK box_proc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    MsgBox* b = box_of(h);
    if (!b) return DefWindowProcA(h, m, wp, lp);
    auto redraw = [h] { InvalidateRect(h, nullptr, FALSE); };
    switch (m) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(h, &ps);
            paint(*b, dc);
            EndPaint(h, &ps);
            return 0;
        }
        case WM_KEYDOWN: {
            int n = int(b->buttons.size());
            bool shift = (GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0;
            switch (wp) {
                case VK_TAB: b->focus = (b->focus + (shift ? n - 1 : 1)) % n; redraw(); break;
                case VK_RIGHT: case VK_DOWN: b->focus = (b->focus + 1) % n; redraw(); break;
                case VK_LEFT: case VK_UP: b->focus = (b->focus + n - 1) % n; redraw(); break;
                case VK_RETURN: case VK_SPACE: case 'Y': case 'N': case VK_ESCAPE: b->armed = wp; break;
                default: break;
            }
            return 0;
        }
        case WM_KEYUP: {
            if (wp != b->armed) return 0;
            b->armed = 0;
            switch (wp) {
                case VK_RETURN: case VK_SPACE: answer(*b, b->buttons[size_t(b->focus)].id); break;
                case 'Y': answer(*b, IDYES); break;
                case 'N': answer(*b, IDNO); break;
                case VK_ESCAPE: if (int id = cancel_id(*b)) answer(*b, id); break;
                default: break;
            }
            return 0;
        }
        case WM_LBUTTONDOWN:
            b->pressed = button_at(*b, short(LOWORD(lp)), short(HIWORD(lp)));
            if (b->pressed >= 0) b->focus = b->pressed;
            redraw();
            return 0;
        case WM_LBUTTONUP: {
            int at = button_at(*b, short(LOWORD(lp)), short(HIWORD(lp)));
            if (at >= 0 && at == b->pressed) answer(*b, b->buttons[size_t(at)].id);
            b->pressed = -1;
            redraw();
            return 0;
        }
        case WM_CLOSE:
            if (int id = cancel_id(*b)) answer(*b, id);
            return 0;
        default:
            return DefWindowProcA(h, m, wp, lp);
    }
}

const char* register_box_class() {
    static const char* name = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = box_proc;
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        wc.lpszClassName = "#32770";
        RegisterClassA(&wc);
        return "#32770";
    }();
    return name;
}

void layout(MsgBox& b, HDC measure, int* cw, int* ch) {
    b.lines.clear();
    size_t start = 0;
    for (;;) {
        size_t nl = b.text.find('\n', start);
        std::string line = b.text.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        b.lines.push_back(line);
        if (nl == std::string::npos) break;
        start = nl + 1;
    }
    int text_w = 0;
    for (const auto& l : b.lines) {
        SIZE sz{};
        GetTextExtentPoint32A(measure, l.data(), int(l.size()), &sz);
        text_w = std::max(text_w, int(sz.cx));
    }
    int text_h = int(b.lines.size()) * kLineH;
    bool icon = (b.type & 0xF0) != 0;
    b.text_x = kMargin + (icon ? kIcon + 12 : 0);
    b.text_y = kMargin + std::max(0, (icon ? kIcon : 0) - text_h) / 2 + (kLineH - kFontH) / 2;
    int n = int(b.buttons.size());
    int buttons_w = n * kButtonW + (n - 1) * kGap;
    *cw = std::clamp(std::max(b.text_x + text_w + kMargin * 2, buttons_w + kMargin * 2), 240, 1200);
    int content_h = std::max(text_h, icon ? kIcon : 0);
    *ch = kMargin + content_h + kMargin + kBand;
    int x = *cw - kMargin - buttons_w, y = *ch - kBand + (kBand - kButtonH) / 2;
    for (auto& bt : b.buttons) {
        bt.rect = RECT{x, y, x + kButtonW, y + kButtonH};
        x += kButtonW + kGap;
    }
}

}  // namespace
}  // namespace plat

using namespace plat;

// The box itself; it may run out of memory only before its window is up.
static int message_box(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    if (!text) text = "";
    if (!caption) caption = "Error";
    if (auto answer = seam::state().box_answer) return answer(owner, text, caption, type);
    if (!backend::current().boxes_answerable()) {
        // Nobody to see it and answer: say it on standard error, and fail as
        // MessageBox does when it cannot create its window.
        std::fprintf(stderr, "%s: %s\n", cp932_to_utf8(caption).c_str(), cp932_to_utf8(text).c_str());
        return 0;
    }
    if (const auto say = backend::current().box_shown) say(cp932_to_utf8(caption).c_str(), cp932_to_utf8(text).c_str());
    MsgBox b;
    b.text = text;
    b.caption = caption;
    b.type = type;
    // Button labels in code page 932: "はい(Y)", "いいえ(N)", "キャンセル".
    switch (type & 0xF) {
        case MB_YESNO: b.buttons = {{IDYES, "\x82\xcd\x82\xa2(Y)", {}}, {IDNO, "\x82\xa2\x82\xa2\x82\xa6(N)", {}}}; break;
        case MB_OKCANCEL:
            b.buttons = {{IDOK, "OK", {}}, {IDCANCEL, "\x83\x4c\x83\x83\x83\x93\x83\x5a\x83\x8b", {}}};
            break;
        default: b.buttons = {{IDOK, "OK", {}}}; break;
    }
    if ((type & MB_DEFBUTTON2) && b.buttons.size() > 1) b.focus = 1;
    b.font = CreateFontA(kFontH, 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, DEFAULT_QUALITY, 0,
                         "IPAGothic");
    HDC measure = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(measure, b.font);
    int cw = 0, ch = 0;
    layout(b, measure, &cw, &ch);
    SelectObject(measure, old);
    DeleteDC(measure);

    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    RECT r{0, 0, cw, ch};
    AdjustWindowRect(&r, style, FALSE);
    int ow = r.right - r.left, oh = r.bottom - r.top;
    RECT around{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    Window* ow_win = window_from(owner);
    if (ow_win) around = ow_win->outer;
    int x = int((int64_t(around.left) + around.right - ow) / 2);
    int y = int((int64_t(around.top) + around.bottom - oh) / 2);
    x = std::clamp(x, 0, std::max(0, GetSystemMetrics(SM_CXSCREEN) - ow));
    y = std::clamp(y, 0, std::max(0, GetSystemMetrics(SM_CYSCREEN) - oh));

    const char* box_class = register_box_class();
    g_boxes.push_back(&b);
    bool owner_was_enabled = ow_win ? ow_win->enabled : true;
    if (ow_win) ow_win->enabled = false;
    HWND h = CreateWindowExA(WS_EX_TOPMOST, box_class, caption, style, x, y, ow, oh,
                             ow_win ? owner : nullptr, nullptr, nullptr, nullptr);
    b.hwnd = h;
    if (h) {
        ShowWindow(h, SW_SHOW);
        SetForegroundWindow(h);
        while (!b.result && IsWindow(h)) {
            MSG m;
            while (!b.result && PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
                if (m.message == WM_QUIT) {
                    // A quit ends the box; the message goes back for the caller's loop.
                    PostQuitMessage(int(m.wParam));
                    b.result = IDCANCEL;
                    break;
                }
                TranslateMessage(&m);
                DispatchMessageA(&m);
            }
            if (!b.result) backend::current().wait_events(10);
        }
        DestroyWindow(h);
    }
    g_boxes.erase(std::remove(g_boxes.begin(), g_boxes.end(), &b), g_boxes.end());
    DeleteObject(b.font);
    if (ow_win && window_from(owner)) {
        ow_win->enabled = owner_was_enabled;
        SetForegroundWindow(owner);
    }
    return b.result;
}

// Short of memory, the box fails as when its window cannot be made: 0.
extern "C" int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    return or_fail(0, [&] { return message_box(owner, text, caption, type); });
}
