// The runtime state and its compile-time defaults. The palette is in draw/.
#include "runtime.h"

int screenx = 0;
int screeny = 0;
int screenwidth = 320;
int screenheight = 200;
int bai = 1;
char titlebar[101] = "タイトルです";
HDC gvram = nullptr;
HFONT hfont = nullptr;
HFONT holdfont = nullptr;
HWND qx_window = nullptr;
