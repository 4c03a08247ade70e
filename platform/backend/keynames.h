// Names of virtual keys, for whatever spells keys as text (a key script): a
// letter or a main-row digit is named by itself ("A", "7"), every other key by
// its Win32 constant without the VK_ ("SPACE", "RETURN", "ESCAPE", "UP",
// "SHIFT", "NUMPAD0", "F1"). Names are upper case and matched exactly.
#pragma once

#include <string_view>

namespace plat::backend {

// The virtual-key code of a key name, or 0 when no key has that name.
int vk_named(std::string_view name);

// The name of a virtual-key code, or nullptr when the code has none here.
const char* vk_name(int vk);

}  // namespace plat::backend
