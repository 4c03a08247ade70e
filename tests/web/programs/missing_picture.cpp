// A game whose picture is not in its packed folder: qx_loadbmp shows the
// load-error box, and its OK ends the program with status 1.
#include <qx.h>

int Main(void) {
    HDC ship = qx_loadbmp("pics/ship.bmp");
    qx_drawbmp(gvram, 0, 0, 16, 16, ship);  // not reached
    return 0;
}
