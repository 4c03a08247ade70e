// FPS: frame pacing for a fixed target rate, and the rate actually reached.
// Stamps are timeGetTime milliseconds; all arithmetic is unsigned 32-bit, so
// the clock's wrap-around after 2^32 ms is absorbed.
#pragma once

#include <windows.h>

// Sets the frame period to 1000 / fps ms (integer division: 60 gives 16).
// A rate of 0 is taken as 1 (a period of 1000 ms).
void fpsInit(DWORD fps);
// Stamps the start and the end of the frame's measured work.
void fpsBegin(void);
void fpsEnd(void);
// 1 and *waitTime = the rest of the period when the frame ended early, else 0.
// waitTime must not be null.
int fpsGetWaitTime(DWORD* waitTime);
// Counts the frame; 1 and *fpsValue = frames since the last report when the
// frame ended more than 1000 ms after it, else 0.
int fpsGetValue(DWORD* fpsValue);
