// The layer's object model: one typed handle table for windows, device
// contexts, bitmaps, brushes and fonts, and the surfaces they draw on.
//
// A handle is (slot index + 1) << 16 | generation. A stale handle (its slot
// freed or reused) or a handle of the wrong type resolves to nullptr, so every
// entry point can reject it with its Win32 failure value. Brushes live inside
// their slot: making, selecting and deleting one allocates nothing once the
// table has grown to its working size.
#pragma once

#include "backend/surface.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace plat {

using backend::to_colorref;
using backend::to_pixel;

// What a bitmap or a window's client area draws on: the seam's surface (its
// pixels, their size and the dirty flag), with what GDI keeps besides: the
// depth GetObject reports and the pixels' storage.
struct Surface : backend::Surface {
    int bits_per_pixel = 32;
    std::vector<uint32_t> storage;

    // w x h pixels, all black, rows as wide as the surface; short of memory,
    // throws with the surface as it was.
    void resize(int w, int h);
};

enum class Kind : uint8_t { free, window, dc, bitmap, brush, font };

struct Window;
struct Font;

struct Bitmap {
    Surface surface;
};

struct Brush {
    COLORREF color = 0;
    bool null_brush = false;
};

struct DC {
    Surface* surface = nullptr;  // nullptr: a screen DC, or a window that is gone
    Window* window = nullptr;    // set for window DCs
    bool memory = false;
    RECT clip{0, 0, 0, 0};       // window DCs from BeginPaint are clipped to the update rect
    bool has_clip = false;
    HBITMAP bitmap = nullptr;    // memory DCs: the selected bitmap
    HBITMAP default_bitmap = nullptr;
    HBRUSH brush = nullptr;
    HFONT font = nullptr;        // nullptr or the stock system font: the built-in bitmap font
    COLORREF text_color = 0x000000;
    COLORREF bk_color = 0xFFFFFF;
    int bk_mode = OPAQUE;
    int stretch_mode = BLACKONWHITE;
};

// 64 bytes, a cache line: a slot's address is its index shifted, not multiplied.
struct alignas(64) Slot {
    Kind kind = Kind::free;
    uint16_t generation = 1;
    bool stock = false;
    bool delete_pending = false;  // deleted while selected: freed when deselected
    int selected = 0;             // DCs the object is selected into
    Brush brush;                  // inline: brushes are made per pixel
    std::unique_ptr<DC> dc;
    std::unique_ptr<Bitmap> bitmap;
    std::unique_ptr<Font> font;
    Window* window = nullptr;     // owned by the window registry
};

class HandleTable {
public:
    // A handle is (slot index + 1) << kGenerationBits | generation.
    static constexpr unsigned kGenerationBits = 16;

    // Returns the new slot's handle value; short of memory, throws
    // std::bad_alloc with the table unchanged.
    void* allocate(Kind kind, Slot** out);
    // Lookups are inline: every GDI call makes several.
    Slot* lookup_any(const void* handle) {
        auto v = reinterpret_cast<uintptr_t>(handle);
        uintptr_t index1 = v >> kGenerationBits;
        if (index1 - 1 >= count_) return nullptr;  // also rejects index 0
        Slot& s = slots_.data()[index1 - 1];
        return s.kind != Kind::free && s.generation == static_cast<uint16_t>(v) ? &s : nullptr;
    }
    Slot* lookup(const void* handle, Kind kind) {
        Slot* s = lookup_any(handle);
        return s && s->kind == kind ? s : nullptr;
    }
    void release(const void* handle);
    void release(Slot* slot);  // a slot lookup returned
    size_t live() const { return live_; }

private:
    std::vector<Slot> slots_;
    size_t count_ = 0;  // slots_.size(), kept at hand for the lookups
    std::vector<uint32_t> free_;
    size_t live_ = 0;
};

extern HandleTable& g_handle_table;
inline HandleTable& handles() { return g_handle_table; }

inline DC* dc_from(HDC hdc) {
    Slot* s = handles().lookup(hdc, Kind::dc);
    return s ? s->dc.get() : nullptr;
}
Bitmap* bitmap_from(HBITMAP h);
Font* font_from(HFONT h);
inline COLORREF brush_color(HBRUSH h, bool* is_null) {
    Slot* s = handles().lookup(h, Kind::brush);
    *is_null = !s || s->brush.null_brush;
    return s ? s->brush.color : 0;
}

// A half-open device rectangle, in 64 bits so no int coordinate overflows.
struct Box { int64_t left, top, right, bottom; };

// The part of its surface a DC may draw on: the surface, narrowed by the clip
// rectangle of a paint DC. Empty when the DC has no surface.
inline Box visible_box(const DC& dc) {
    if (!dc.surface) return Box{0, 0, 0, 0};
    Box b{0, 0, dc.surface->width, dc.surface->height};
    if (dc.has_clip) {
        b.left = b.left > dc.clip.left ? b.left : dc.clip.left;
        b.top = b.top > dc.clip.top ? b.top : dc.clip.top;
        b.right = b.right < dc.clip.right ? b.right : dc.clip.right;
        b.bottom = b.bottom < dc.clip.bottom ? b.bottom : dc.clip.bottom;
    }
    return b;
}

// Fills a device rectangle of a DC's surface, clipped to the surface and to the
// DC's clip rectangle. Coordinates are 64-bit so no caller overflows.
void fill_rect(DC& dc, int64_t left, int64_t top, int64_t right, int64_t bottom, uint32_t pixel);

// Window DCs hold a pointer into their window; the window clears it when it goes.
void detach_window_dcs(Window* w);

}  // namespace plat
