// A program that asks for full screen (mode 2) twice: first at a size no
// display offers, which sets the mode but enters nothing, then at the
// canvas's own size, which the page enters in answer to the user. Between
// the two it waits for a key and its release; after, for a key.
#include <qx.h>

int Main(void) {
    qx_setscreen(0, 0, 20000, 20000, 2, "full screen");
    qx_printf(10, 10, 15, "big %d", bai);
    getch();
    while (kbhit()) Sleep(16);
    qx_setscreen(0, 0, 640, 400, 2, "full screen");
    qx_printf(10, 10, 15, "fits %d", bai);
    getch();
    return 0;
}
