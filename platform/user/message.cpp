// The thread's message queue and window-procedure dispatch. Native events
// become posted messages; WM_PAINT and WM_QUIT are synthesised when nothing
// else is waiting, in Windows' order (posted and input messages, then quit,
// then paint). DefWindowProcA gives Windows' defaults for what the layer
// produces: close, erase with the class brush, paint validation.
#include "backend/backend.h"
#include "common/out_of_memory.h"
#include "gdi/dc.h"
#include "user/window.h"

#include <deque>

namespace plat {

namespace {

struct Queue {
    std::deque<MSG> posted;
    bool quit = false;
    int quit_code = 0;
};

Queue& queue() {
    static Queue q;
    return q;
}

void post(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    MSG m{};
    m.hwnd = h;
    m.message = msg;
    m.wParam = wp;
    m.lParam = lp;
    m.time = timeGetTime();
    queue().posted.push_back(m);
}

// Input goes nowhere while a window is disabled (the owner of a modal box).
bool takes_input(Window* w) { return w && !w->destroyed && w->enabled; }

struct Sink final : backend::EventSink {
    bool held[256] = {};

    void close_requested(Window* w) override {
        if (takes_input(w)) post(w->handle, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    void key(Window* w, int vk, bool down, bool repeat) override {
        if (!takes_input(w) || vk <= 0 || vk > 255) return;
        // lParam: repeat count 1, previous-state bit 30, transition bit 31.
        LPARAM lp = 1;
        if (down && (repeat || held[vk])) lp |= LPARAM(1) << 30;
        if (!down) lp |= LPARAM(3) << 30;
        held[vk] = down;
        post(w->handle, down ? WM_KEYDOWN : WM_KEYUP, WPARAM(vk), lp);
    }
    // Uncovered, a window shows its surface again, which keeps every pixel
    // drawn: the backend presents it anew, and nothing is repainted or
    // erased (Wine serves exposures from its window surfaces the same way),
    // so a drawing made before the first ML() stays.
    void exposed(Window*) override {}
    void moved(Window* w, int x, int y) override {
        if (w && !w->destroyed) follow_native_move(w, x, y);
    }
    void resized(Window* w, int cw, int ch) override {
        if (w && !w->destroyed) follow_native_size(w, cw, ch);
    }
    void mouse(Window* w, unsigned msg, int x, int y) override {
        if (takes_input(w)) post(w->handle, msg, 0, LPARAM((y & 0xFFFF) << 16 | (x & 0xFFFF)));
    }
};

bool matches(const MSG& m, HWND filter, UINT lo, UINT hi) {
    if (filter == reinterpret_cast<HWND>(-1)) {
        if (m.hwnd) return false;
    } else if (filter && m.hwnd != filter) {
        return false;
    }
    return (lo == 0 && hi == 0) || (m.message >= lo && m.message <= hi);
}

bool in_range(UINT msg, UINT lo, UINT hi) { return (lo == 0 && hi == 0) || (msg >= lo && msg <= hi); }

void fill_with_class_brush(Window* w, HDC hdc, const RECT& r) {
    if (!w->cls.background) return;
    HGDIOBJ old = SelectObject(hdc, w->cls.background);
    PatBlt(hdc, r.left, r.top, r.right - r.left, r.bottom - r.top, PATCOPY);
    SelectObject(hdc, old);
}

}  // namespace

void erase_now(Window* w) {
    if (!w->erase || !w->has_update || !(w->style & WS_VISIBLE)) return;
    const HWND h = w->handle;
    HDC hdc = GetDC(h);
    DC* dc = dc_from(hdc);
    if (!dc) return;  // no memory for the DC: the paint erases instead
    dc->clip = w->update;
    dc->has_clip = true;
    // A window procedure that leaves it undone has it to do at the paint (fErase).
    if (SendMessageA(h, WM_ERASEBKGND, WPARAM(hdc), 0) && window_from(h)) w->erase = false;
    ReleaseDC(h, hdc);
}

void pump_native_events() {
    static Sink sink;
    backend::current().pump(sink);
}

}  // namespace plat

using namespace plat;

extern "C" BOOL WINAPI PeekMessageA(LPMSG msg, HWND h, UINT lo, UINT hi, UINT remove) {
    if (!msg) return FALSE;
    // Short of memory, new events wait for the next call; what is queued is
    // still delivered.
    or_fail(false, [] {
        pump_native_events();
        return true;
    });
    Queue& q = queue();
    for (auto it = q.posted.begin(); it != q.posted.end(); ++it) {
        if (!matches(*it, h, lo, hi)) continue;
        *msg = *it;
        if (remove & PM_REMOVE) q.posted.erase(it);
        return TRUE;
    }
    if (q.quit && in_range(WM_QUIT, lo, hi)) {
        *msg = MSG{};
        msg->message = WM_QUIT;
        msg->wParam = WPARAM(q.quit_code);
        msg->time = timeGetTime();
        if (remove & PM_REMOVE) q.quit = false;
        return TRUE;
    }
    if (in_range(WM_PAINT, lo, hi)) {
        for (Window* w : all_windows()) {
            if (!w->has_update || !(w->style & WS_VISIBLE)) continue;
            if (h && h != reinterpret_cast<HWND>(-1) && h != w->handle) continue;
            *msg = MSG{};
            msg->hwnd = w->handle;
            msg->message = WM_PAINT;
            msg->time = timeGetTime();
            return TRUE;  // WM_PAINT stays until the update region is validated
        }
    }
    return FALSE;
}

extern "C" BOOL WINAPI GetMessageA(LPMSG msg, HWND h, UINT lo, UINT hi) {
    while (!PeekMessageA(msg, h, lo, hi, PM_REMOVE)) backend::current().wait_events(10);
    return msg->message == WM_QUIT ? FALSE : TRUE;
}

extern "C" BOOL WINAPI TranslateMessage(const MSG* msg) {
    if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return FALSE;
    // Characters for the keys that make plain ASCII; shift state is read from
    // the keyboard, as Windows does at translation time.
    WPARAM vk = msg->wParam;
    int ch = 0;
    bool shift = (GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0;
    if (vk >= 'A' && vk <= 'Z') ch = shift ? int(vk) : int(vk) + 32;
    else if (vk >= '0' && vk <= '9' && !shift) ch = int(vk);
    else if (vk == VK_SPACE || vk == VK_RETURN || vk == VK_ESCAPE || vk == VK_BACK || vk == VK_TAB) ch = int(vk);
    if (ch && msg->message == WM_KEYDOWN)
        return or_fail<BOOL>(FALSE, [&] {
            post(msg->hwnd, WM_CHAR, WPARAM(ch), msg->lParam);
            return TRUE;
        });
    return TRUE;
}

extern "C" LRESULT WINAPI DispatchMessageA(const MSG* msg) {
    if (!msg) return 0;
    Window* w = window_from(msg->hwnd);
    return w ? call_proc(w, msg->message, msg->wParam, msg->lParam) : 0;
}

extern "C" LRESULT WINAPI SendMessageA(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    return call_proc(window_from(h), m, wp, lp);
}

extern "C" BOOL WINAPI PostMessageA(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    if (h && !window_from(h)) return FALSE;
    return or_fail<BOOL>(FALSE, [&] {
        post(h, m, wp, lp);
        return TRUE;
    });
}

extern "C" void WINAPI PostQuitMessage(int code) {
    queue().quit = true;
    queue().quit_code = code;
}

extern "C" LRESULT WINAPI DefWindowProcA(HWND h, UINT m, WPARAM wp, LPARAM) {
    Window* w = window_from(h);
    if (!w) return 0;
    switch (m) {
        case WM_NCCREATE: return TRUE;
        case WM_CLOSE: DestroyWindow(h); return 0;
        case WM_SYSCOMMAND:
            if ((wp & 0xFFF0) == SC_CLOSE) SendMessageA(h, WM_CLOSE, 0, 0);
            return 0;
        case WM_ERASEBKGND: {
            if (!w->cls.background) return 0;
            RECT r{0, 0, w->surface.width, w->surface.height};
            fill_with_class_brush(w, reinterpret_cast<HDC>(wp), r);
            return 1;
        }
        case WM_PAINT: {
            PAINTSTRUCT ps;
            BeginPaint(h, &ps);
            EndPaint(h, &ps);
            return 0;
        }
        default: return 0;
    }
}

extern "C" HDC WINAPI BeginPaint(HWND h, LPPAINTSTRUCT ps) {
    Window* w = window_from(h);
    if (!w || !ps) return nullptr;
    HDC hdc = GetDC(h);
    DC* dc = dc_from(hdc);
    if (!dc) return nullptr;  // no memory for the DC: the window stays invalid
    RECT r = w->has_update ? w->update : RECT{0, 0, 0, 0};
    dc->clip = r;
    dc->has_clip = true;
    *ps = PAINTSTRUCT{};
    ps->hdc = hdc;
    ps->rcPaint = r;
    bool erase = w->erase;
    w->has_update = false;
    w->erase = false;
    // The background is erased by WM_ERASEBKGND inside BeginPaint; fErase
    // tells the caller it still has to do so itself.
    ps->fErase = erase && SendMessageA(h, WM_ERASEBKGND, WPARAM(hdc), 0) == 0;
    return hdc;
}

extern "C" BOOL WINAPI EndPaint(HWND h, const PAINTSTRUCT* ps) {
    if (!ps) return FALSE;
    ReleaseDC(h, ps->hdc);
    return TRUE;
}
