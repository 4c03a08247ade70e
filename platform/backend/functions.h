// The functions every backend provides, listed once. Each entry is
// QX_BACKEND_FUNCTION(result, name, parameters); whoever includes the list
// defines QX_BACKEND_FUNCTION first, and the list undefines it after:
// backend.h makes the fields of the table (Backend) of it, each backend's
// header declares its own functions with QX_BACKEND_DECLARATION, and each
// backend's start.cpp fills its table with QX_BACKEND_TABLE_ENTRY. A function
// added here is one line; every backend then has to write it, or the layer
// does not link.
//
// Every function that takes a Native* accepts nullptr (a window create could
// not make) and then does nothing. All are called on the program's one
// thread.
//
// No include guard: the list is read once for each use.

// ---- Windows
// A new window, hidden until shown, or nullptr when none can be made (the
// layer's window then lives on without one, and drawing on it works).
QX_BACKEND_FUNCTION(Native*, create, (Window* owner, const WindowParams& params))
QX_BACKEND_FUNCTION(void, destroy, (Native* n))
QX_BACKEND_FUNCTION(void, set_title, (Native* n, const char* utf8))
QX_BACKEND_FUNCTION(void, set_frame, (Native* n, bool decorated, bool resizable))
QX_BACKEND_FUNCTION(void, set_topmost, (Native* n, bool topmost))
QX_BACKEND_FUNCTION(void, set_transient_for, (Native* n, Native* owner))
// Places the outer frame's corner at (x, y) with the given client size.
QX_BACKEND_FUNCTION(void, move_resize, (Native* n, int x, int y, int client_w, int client_h))
QX_BACKEND_FUNCTION(void, show, (Native* n, bool visible))
QX_BACKEND_FUNCTION(void, activate, (Native* n))

// ---- The window manager's frame
// The frame around a window of that kind; zero where there is none.
QX_BACKEND_FUNCTION(Extents, frame_extents, (bool decorated, bool resizable))

// ---- Presentation
// From this call until destroy, what is drawn on the hand-off's surface
// reaches the screen within a frame period (16 ms), whether or not the
// program pumps messages, and only when it changed or was uncovered.
QX_BACKEND_FUNCTION(void, present, (Native* n, SurfaceHandoff* handoff))
// One presentation now, returning once the display has taken it (for
// measuring what presenting costs).
QX_BACKEND_FUNCTION(void, present_sync, (Native* n))

// ---- Display modes
QX_BACKEND_FUNCTION(bool, mode_available, (int w, int h))
// Makes n cover the screen in that mode; false when it cannot.
QX_BACKEND_FUNCTION(bool, enter_fullscreen, (Native* n, int w, int h))
// Every window back from full screen; the display back in its own mode.
QX_BACKEND_FUNCTION(void, leave_fullscreen, ())
QX_BACKEND_FUNCTION(void, screen_size, (int* w, int* h))

// ---- The cursor: the standard arrow, or none
QX_BACKEND_FUNCTION(void, show_cursor, (bool visible))

// ---- Keys
// Whether the key with this virtual-key code (1 to 255) is down, wherever
// the focus is, with no event pumping. getch spins on this: it must be
// cheap, and a backend that has to let its host run (a browser) yields here
// now and then.
QX_BACKEND_FUNCTION(bool, key_down, (int vk))

// ---- Events
// Reports to sink what happened since the last call; never waits.
QX_BACKEND_FUNCTION(void, pump, (EventSink& sink))
// Returns when events are waiting or timeout_ms has passed. Modal loops
// (GetMessageA, a message box) wait here.
QX_BACKEND_FUNCTION(void, wait_events, (int timeout_ms))
// Whether anyone can see a window and answer a message box. Where no one
// can, MessageBoxA says its text on standard error and fails at once,
// rather than wait for an answer that cannot come.
QX_BACKEND_FUNCTION(bool, boxes_answerable, ())
// A message box is opening with this caption and text. A backend whose runs
// are followed in a log (headless) says them there, so the log shows why a
// run ended; the others do nothing.
QX_BACKEND_FUNCTION(void, box_shown, (const char* caption_utf8, const char* text_utf8))

// ---- Time
// Milliseconds from an arbitrary start, wrapping at 2^32 (timeGetTime).
QX_BACKEND_FUNCTION(uint32_t, now_ms, ())
// Returns ms milliseconds later; 0 gives up the rest of the time slice.
QX_BACKEND_FUNCTION(void, sleep_ms, (uint32_t ms))

// ---- Sound
// Opens the audio device: 44,100 frames a second, 16-bit stereo. From then
// on, until the process ends, the device asks pull for every frame it plays
// (interleaved left, right): on a thread of its own (x11), as virtual time
// passes (headless), between the page's turns (web). false where there is
// no device; the backend has then said why, once, on standard error. Called
// at most once.
QX_BACKEND_FUNCTION(bool, audio_open, (AudioPull pull))

// ---- The end
// The process is ending, through TerminateProcess or exit(): the backend's
// last chance to leave something behind (a headless run's exit shot). It
// may end the process itself with a status of its own (a headless run whose
// shot could not be written); from exit(), output streams are flushed before
// it is called. Called at most once.
QX_BACKEND_FUNCTION(void, ending, ())

#undef QX_BACKEND_FUNCTION
