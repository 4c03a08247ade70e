// A program that waits for a key in getch, which spins on the key state
// without sleeping: the page must go on running meanwhile (its canvas shown,
// its key events heard), and the key that comes ends the wait. What it
// draws then stays on the canvas, although it ends at once.
#include <qx.h>

int Main(void) {
    qx_printf(10, 10, 15, "getch?");
    int code = getch();
    qx_printf(10, 30, 15, "got %d", code);
    return 0;
}
