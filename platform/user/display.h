// Display modes: the full-screen mode a program asked for with
// ChangeDisplaySettingsA waits for the borderless window that covers it.
#pragma once

namespace plat {
struct Window;
// Enters the pending full-screen mode when w is a popup placed over exactly
// that mode's area; true when w is (now) the full-screen window.
bool take_fullscreen(Window* w);
}  // namespace plat
