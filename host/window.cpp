// The runtime's window: its class, its creation, its window procedure and the
// message pump the application calls once per frame.
#include "runtime.h"

namespace {

// Asks before quitting, for ESC and for the close button alike.
void confirm_quit(HWND hWnd) {
    if (MessageBoxA(hWnd, "本当に終了しますか？", "終了確認です", MB_YESNO | MB_ICONQUESTION) == IDYES) Terminate();
}

}  // namespace

void qx_create_window(HINSTANCE instance) {
    WNDCLASSA wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = "WCNAME";
    RegisterClassA(&wc);
    // Requested tiny and off the corner; qx_setscreen gives the real placement.
    qx_window = CreateWindowExA(WS_EX_TOPMOST, "WCNAME", titlebar, WS_OVERLAPPEDWINDOW | WS_VISIBLE, -10, -10, 3, 3,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    UpdateWindow(qx_window);
}

LRESULT CALLBACK WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    switch (uMsg) {
        case WM_CREATE:
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_PAINT: {
            // Nothing of our own to draw; the background erase is the default one.
            PAINTSTRUCT ps;
            BeginPaint(hWnd, &ps);
            EndPaint(hWnd, &ps);
            return 0;
        }
        case WM_CLOSE:
            confirm_quit(hWnd);
            return 0;
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE) confirm_quit(hWnd);
            return 0;
        default:
            return DefWindowProcA(hWnd, uMsg, wParam, lParam);
    }
}

void ML(void) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}
