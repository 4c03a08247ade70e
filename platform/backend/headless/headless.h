// The headless backend's own header: its windows, its virtual clock, the key
// script it plays and its shots, and the functions its files provide for the
// table in start.cpp and for one another. Nothing is shown and nothing is
// waited for: windows are records in memory whose surfaces are read only for
// shots, and time passes only when the program sleeps, waits for input or
// polls.
#pragma once

#include "backend/backend.h"
#include "backend/headless/script.h"

#include <cstdint>
#include <string>
#include <vector>

namespace plat::backend::headless {

// The statuses a headless run ends with besides the program's own. Before
// the start, a key script or a setting that is wrong ends it with 2 (start.cpp).
constexpr int kStuckStatus = 3;      // it waits for input the script cannot give
constexpr int kShotFailedStatus = 4; // a shot could not be written: wins over every other end
constexpr int kTimeLimitStatus = 5;  // the clock reached QX_TIME_LIMIT

// A window in memory. There is no window manager, so no frame: the outer
// corner the layer places is the client area's corner.
struct HWindow : Native {
    std::string title;                  // UTF-8
    int x = 0, y = 0;                   // on the screen
    bool visible = false;
    HWindow* owner_window = nullptr;    // a box's owner: shots draw the box over it
    SurfaceHandoff* handoff = nullptr;  // the client area, from present on
};

inline HWindow* hwin(Native* n) { return static_cast<HWindow*>(n); }

// ---- The seam's functions (backend/functions.h), each in the file of its
// concern: windows.cpp (create to activate, present, present_sync),
// modes.cpp (frame_extents, the display modes, screen_size, show_cursor),
// keys.cpp (key_down), events.cpp (pump, wait_events), start.cpp
// (boxes_answerable, box_shown), clock.cpp (now_ms, sleep_ms), audio.cpp (audio_open) and shots.cpp
// (ending).
#define QX_BACKEND_FUNCTION QX_BACKEND_DECLARATION
#include "backend/functions.h"

// ---- What the files share besides
// windows.cpp
std::vector<HWindow*>& windows();  // back to front: the last is in front
HWindow* front();                  // the visible window in front (it has the focus), or nullptr
HWindow* program_window();         // the program's first window while it lives, or nullptr

// clock.cpp: virtual time
// What one poll of the keys, the clock or the event queue costs: a program
// that spins on any of them still reaches the script's next event.
constexpr uint64_t kPollUs = 1;
uint64_t elapsed_us();  // since the run began
// Moves the clock on and plays the script's events that it passes; at the
// time limit, ends the run there.
void advance_us(uint64_t us);
void set_time_limit(uint32_t ms);  // 0: none

// keys.cpp
void set_key(int vk, bool down);  // as the script holds or lets go of it

// events.cpp: the script played, and what it reports to the layer
void play(Script script);
void play_until(uint64_t us);  // every event due by then, in order
// The program did more than poll the keys: it read the clock, slept or
// pumped messages.
void active();
// The program polled a key: once the script has no event left, a second of
// nothing else ends the run as waiting for a key.
void polled_keys();
// Ends the run with this status, the exit shot taken first.
[[noreturn]] void end_run(int status);
void forget(HWindow* w);  // drops what was to be reported to w, which is going
// Says at the end of the run which events it did not reach.
void report_unplayed();

// shots.cpp
void set_exit_shot(const std::string& path);
void shot(const std::string& path);
// The program's window is going: what it shows now is what the exit shot shows.
void keep_last_image(HWindow* w);

// files.cpp: files put in place whole, at the end, under the name the user gave
struct Replacement {
    std::string path, temporary;  // the name, and the new file beside it that takes it
    int fd = -1;                  // the new file, open for writing
};
// Makes the new file beside path; false with why set when path is there and
// is not a regular file, or no new file can be made.
bool begin_replacement(const std::string& path, Replacement* r, std::string* why);
// Closes the new file and renames it over path; false with why set (and the
// new file removed) when either fails.
bool commit_replacement(Replacement* r, std::string* why);
void abandon_replacement(Replacement* r);  // the new file removed, path untouched
bool write_all(int fd, const unsigned char* p, size_t n);  // false with errno set
bool replace_file(const std::string& path, const unsigned char* bytes, size_t n, std::string* why);

// shots.cpp: a file of the run (a shot, the recording) could not be written;
// the run ends with kShotFailedStatus.
void count_failure();

// audio.cpp: the sound of the run, recorded in virtual time
void set_recording(const std::string& path);  // QX_AUDIO_SHOT
// Renders the mix up to the clock (elapsed_us), so that what the program
// changes next lands on the sample of its time.
void render_audio_to_now();
// Renders to the clock and puts the recording in place; false when it
// could not be written (said on standard error).
bool finish_recording();

// png.cpp
// Writes w x h pixels (0x00RRGGBB, rows top-down, stride pixels a row) as an
// 8-bit RGB PNG; false with why set when it cannot.
bool write_png(const std::string& path, const uint32_t* pixels, int w, int h, int stride, std::string* why);

}  // namespace plat::backend::headless
