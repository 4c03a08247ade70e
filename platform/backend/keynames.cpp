// The virtual-key name table: one name per key code, made once.
#include "backend/keynames.h"

#include <windows.h>

#include <array>
#include <cstdio>

namespace plat::backend {

namespace {

struct Named { int vk; const char* name; };

constexpr Named kNamed[] = {
    {VK_BACK, "BACK"},       {VK_TAB, "TAB"},           {VK_RETURN, "RETURN"},     {VK_SHIFT, "SHIFT"},
    {VK_CONTROL, "CONTROL"}, {VK_MENU, "MENU"},         {VK_CAPITAL, "CAPITAL"},   {VK_ESCAPE, "ESCAPE"},
    {VK_SPACE, "SPACE"},     {VK_PRIOR, "PRIOR"},       {VK_NEXT, "NEXT"},         {VK_END, "END"},
    {VK_HOME, "HOME"},       {VK_LEFT, "LEFT"},         {VK_UP, "UP"},             {VK_RIGHT, "RIGHT"},
    {VK_DOWN, "DOWN"},       {VK_INSERT, "INSERT"},     {VK_DELETE, "DELETE"},     {VK_MULTIPLY, "MULTIPLY"},
    {VK_ADD, "ADD"},         {VK_SUBTRACT, "SUBTRACT"}, {VK_DECIMAL, "DECIMAL"},   {VK_DIVIDE, "DIVIDE"},
    {VK_NUMLOCK, "NUMLOCK"}, {VK_LSHIFT, "LSHIFT"},     {VK_RSHIFT, "RSHIFT"},     {VK_LCONTROL, "LCONTROL"},
    {VK_RCONTROL, "RCONTROL"},
};

struct Table {
    std::array<const char*, 256> name{};
    // Storage for the names that are made rather than written out above:
    // letters and digits (2 bytes each), NUMPAD0-9 and F1-F12 (9 at most).
    char made[26 + 10 + 10 + 12][10] = {};

    Table() {
        int next = 0;
        auto make = [&](int vk, const char* format, int n) {
            std::snprintf(made[next], sizeof made[next], format, n);
            name[size_t(vk)] = made[next++];
        };
        for (int i = 0; i < 26; ++i) make('A' + i, "%c", 'A' + i);
        for (int i = 0; i < 10; ++i) make('0' + i, "%c", '0' + i);
        for (int i = 0; i < 10; ++i) make(VK_NUMPAD0 + i, "NUMPAD%d", i);
        for (int i = 0; i < 12; ++i) make(VK_F1 + i, "F%d", i + 1);
        for (const Named& k : kNamed) name[size_t(k.vk)] = k.name;
    }
};

const Table& table() {
    static const Table t;
    return t;
}

}  // namespace

int vk_named(std::string_view name) {
    const Table& t = table();
    for (int vk = 1; vk < 256; ++vk)
        if (t.name[size_t(vk)] && name == t.name[size_t(vk)]) return vk;
    return 0;
}

const char* vk_name(int vk) { return vk > 0 && vk < 256 ? table().name[size_t(vk)] : nullptr; }

}  // namespace plat::backend
