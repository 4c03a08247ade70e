// Test seams of the layer: the few places where a test replaces what the
// desktop would supply (held keys, the clock, the user's answer to a message
// box, the length of a sleep) or looks inside (live GDI objects). Not part of
// the Win32 API; of the programs, only tests and benchmarks include this. The
// layer keeps what they set in seams.cpp; the Windows build of the tests has
// its own (tests/unit/seams_windows.cpp).
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace plat::seam {

// Injected keys count as held in GetAsyncKeyState, on top of the real keyboard.
void press_key(int vk, bool down);
void release_all_keys();

// timeGetTime returns ms from now on (until release_clock).
void set_clock(DWORD ms);
void release_clock();

// Sleep reports each requested duration here instead of sleeping (nullptr: sleep).
void on_sleep(void (*hook)(DWORD ms));

// MessageBoxA returns answer(text, caption, type) instead of showing a box.
using BoxAnswer = int (*)(HWND owner, const char* text, const char* caption, UINT type);
void answer_message_boxes(BoxAnswer answer);

// GDI and USER objects alive in the process.
size_t live_objects();

// True where the tests run on Wine rather than on Windows or our layer: the
// few places where Wine departs from Microsoft's documentation are marked
// with this, and the reason, in the tests.
bool running_on_wine();

}  // namespace plat::seam

namespace plat::seam {
// Puts the window's surface on screen now, on the calling thread, and waits
// until the display server has taken it. For measuring what presenting costs.
void present_now(HWND window);
}  // namespace plat::seam

namespace plat::seam {
// While on, the mix goes to the test instead of the device (which plays
// silence), and waveOutOpen finds a device even where there is none:
// render_audio takes the next frames (16-bit stereo at 44,100 Hz,
// interleaved) of every open waveOut handle, mixed.
void capture_audio(bool on);
void render_audio(int16_t* out, int frames);
}  // namespace plat::seam
