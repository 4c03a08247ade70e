// WinMain: bring up the window in the default screen mode, take its surface,
// run the application, end.
#include "runtime.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
    qx_create_window(hInstance);
    qx_setscreen(screenx, screeny, screenwidth, screenheight, bai, titlebar);
    gvram = GetDC(qx_window);
    Main();
    Terminate();
}
