// The sample: a frame loop held at 60 frames per second that shows the rate
// it reaches once per second and ends when a key is held.
#include <qx.h>

#include "FPS.h"

int Main(void) {
    DWORD waitTime = 0;
    DWORD fpsValue = 0;
    fpsInit(60);
    for (;;) {
        ML();
        fpsBegin();
        if (kbhit()) return 0;
        fpsEnd();
        if (fpsGetWaitTime(&waitTime)) Sleep(waitTime);
        if (fpsGetValue(&fpsValue)) qx_printf(10, 10, 15, "FPS:%d", static_cast<int>(fpsValue));
    }
}
