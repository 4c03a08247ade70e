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

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// An entry point that is a few instructions on its common path, with the
// rest out of line: linked with link-time optimisation, its body is inlined
// into every caller, past the inliner's size limit for functions not
// declared inline (which the entry points, declared by <windows.h>, are
// not). Without link-time optimisation it is an ordinary function. GCC
// warns that such a function "might not be inlinable", true of callers in
// other units compiled without link-time optimisation, where nothing is
// lost: QX_FAST_ENTRIES_BEGIN / _END hold that warning back around them.
#define QX_FAST_ENTRY [[gnu::always_inline]]
#if defined(__GNUC__) && !defined(__clang__)
#define QX_FAST_ENTRIES_BEGIN _Pragma("GCC diagnostic push") _Pragma("GCC diagnostic ignored \"-Wattributes\"")
#define QX_FAST_ENTRIES_END _Pragma("GCC diagnostic pop")
#else
#define QX_FAST_ENTRIES_BEGIN
#define QX_FAST_ENTRIES_END
#endif

namespace plat {

using backend::to_colorref;
using backend::to_pixel;

// What a bitmap or a window's client area draws on: the seam's surface (its
// pixels, their size and the dirty flag), with what GDI keeps besides: the
// depth GetObject reports, the pixels' storage, and what is known of them.
//
// The damage rectangle: once the whole surface has been filled with one
// pixel value (the ground), every pixel outside `damage` still holds it.
// Every write to the pixels grows the rectangle over what it wrote
// (drew()), so a fill in the ground's colour (a game clearing its back
// buffer every frame) refills only the damage. The pixels themselves are
// always written: reads see what they would without it. The layer hands
// out no pointer to a surface's pixels; if one were, that surface would
// have to forget its ground for good.
struct Surface : backend::Surface {
    int bits_per_pixel = 32;
    std::vector<uint32_t> storage;
    bool ground_known = false;  // pixels arbitrary until a whole-surface fill
    uint32_t ground = 0;
    struct Damage { int32_t left, top, right, bottom; };
    Damage damage{kNoDamage, kNoDamage, -kNoDamage, -kNoDamage};  // empty: left >= right

    static constexpr int32_t kNoDamage = INT32_MAX;

    // w x h pixels, all black, rows as wide as the surface; short of memory,
    // throws with the surface as it was.
    void resize(int w, int h);
    // [left, right) x [top, bottom), inside the surface and not empty, was
    // written; marks the surface dirty for the backend too.
    [[gnu::always_inline]] void drew(int64_t left, int64_t top, int64_t right, int64_t bottom) {
        // Most writes land inside the damage already: compared, not stored.
        if (left < damage.left) damage.left = int32_t(left);
        if (top < damage.top) damage.top = int32_t(top);
        if (right > damage.right) damage.right = int32_t(right);
        if (bottom > damage.bottom) damage.bottom = int32_t(bottom);
        touch();
    }
    // The whole surface now holds `pixel`.
    void grounded(uint32_t pixel) {
        ground_known = true;
        ground = pixel;
        damage = Damage{kNoDamage, kNoDamage, -kNoDamage, -kNoDamage};
        touch();
    }
    // Pixels changed in ways not followed (a new picture, a resized window).
    void forget_ground() {
        ground_known = false;
        touch();
    }
};

enum class Kind : uint8_t { free, window, dc, bitmap, brush, font };

struct Window;
struct Font;

struct Bitmap {
    Surface surface;
};

struct Brush {
    // What a fill with the brush writes: the colour as a surface pixel,
    // found once, in both halves of a word (two pixels side by side, as a
    // doubled pixel's rows are written), the top bit set for the null
    // brush, which paints nothing (a pixel's top byte is 0). One word,
    // written in one store when the brush is made and copied in one move
    // when a DC selects it: a copy read as two halves of one store, or as
    // one word of two stores, would wait for the stores to reach the cache.
    struct Look {
        uint64_t bits = 0x00FFFFFF'00FFFFFFu;  // white
        uint32_t pixel() const { return static_cast<uint32_t>(bits); }
        bool paints() const { return static_cast<int64_t>(bits) >= 0; }
        uint64_t two() const { return bits; }  // when it paints
        static Look of(uint32_t pixel, bool paints) {
            return Look{(uint64_t(pixel) << 32 | pixel) | (paints ? 0 : uint64_t(1) << 63)};
        }
    };
    Look look;
    bool null_brush() const { return !look.paints(); }
    COLORREF color() const { return to_colorref(look.pixel()); }  // as made, its top byte cleared
    void set(COLORREF c, bool null) { look = Look::of(to_pixel(c), !null); }
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
    // kind << 16 | generation, so that one comparison checks both. 64 bits
    // wide, as the table's counts are: no store of a 32-bit pixel can alias
    // them, so the compiler need not read them again after one.
    uint64_t tag = 1;
    // The DCs the object is selected into, and kPending once it was deleted
    // while selected (it is freed when the count falls to 0). A stock object
    // is never freed and its selections are not counted: it holds
    // kStockRefs, so an object that can be freed at once is one with
    // refs == 0, a single comparison.
    uint32_t refs = 0;
    bool stock = false;
    Brush brush;                  // inline: brushes are made per pixel
    std::unique_ptr<DC> dc;
    std::unique_ptr<Bitmap> bitmap;
    std::shared_ptr<Font> font;   // fonts of one description share what they render (font.cpp)
    Window* window = nullptr;     // owned by the window registry

    static constexpr uint32_t kPending = 0x80000000u;
    static constexpr uint32_t kStockRefs = 0x40000000u;

    Kind kind() const { return static_cast<Kind>(tag >> 16); }
    uint16_t generation() const { return static_cast<uint16_t>(tag); }
    uint32_t selected() const { return refs & ~kPending; }
    bool delete_pending() const { return (refs & kPending) != 0; }
};

// The table is a fixed object with no constructor to run and no destructor:
// its address is known when the layer is linked, so a lookup loads no
// pointer to reach it, and objects stay valid for as long as any thread of
// the process runs. Making, looking up and freeing an object once the table
// has grown to its working size takes no lock and allocates nothing.
class HandleTable {
public:
    // A handle is (slot index + 1) << kGenerationBits | generation.
    static constexpr unsigned kGenerationBits = 16;

    // Returns the new slot's handle value; short of memory, throws
    // std::bad_alloc with the table unchanged.
    void* allocate(Kind kind, Slot** out) {
        if (has_spare()) give_back_spare();
        if (free_count_ == 0) grow();
        const uint32_t index = free_[--free_count_];
        Slot& s = slots_[index];
        // A free slot holds no selections and is no stock object (release).
        s.tag |= uint64_t(kind) << 16;
        *out = &s;
        return reinterpret_cast<void*>((static_cast<uintptr_t>(index) + 1) << kGenerationBits | s.generation());
    }
    // True when allocate cannot need memory.
    bool has_free_slot() const { return free_count_ != 0 || has_spare(); }

    // The hot brush slot: the brush made or deleted last. Live, hot_handle_
    // is its handle, and brush() answers for it without a lookup. Deleted,
    // it is the spare: kept off the free list with its next handle made
    // (hot_handle_, with kSpare set, which no handle has), so that a brush
    // made and deleted per pixel goes round one slot, its handle costing
    // no read of the slot. Any other allocation first puts the spare back
    // on top of the list, where it would have been.
    bool has_spare() const { return (hot_handle_ & kSpare) != 0; }
    void* take_spare_brush(Slot** out) {
        const uint64_t v = hot_handle_ & ~kSpare;
        hot_handle_ = v;
        Slot* s = hot_slot_;
        s->tag = tag_of(v, Kind::brush);
        *out = s;
        return reinterpret_cast<void*>(static_cast<uintptr_t>(v));
    }
    // A brush made on another slot becomes the hot one.
    void made_brush(const void* handle, Slot* s) {
        hot_handle_ = reinterpret_cast<uintptr_t>(handle);
        hot_slot_ = s;
    }
    // Frees a live brush, no DC holding it, behind handle h: its slot
    // becomes the spare, with the next generation.
    void release_brush_to_spare(Slot* s, const void* h) {
        if (s != hot_slot_) {
            if (has_spare()) give_back_spare();  // a live hot brush just stops being hot
            hot_slot_ = s;
        }
        hot_to_spare(reinterpret_cast<uintptr_t>(h));
    }
    // The same for the hot brush, when h is its handle and no DC holds it:
    // a brush made, selected, deselected and deleted. False otherwise.
    bool free_hot_brush(const void* h) {
        const auto v = reinterpret_cast<uintptr_t>(h);
        if (v != hot_handle_ || hot_slot_->refs != 0) return false;
        hot_to_spare(v);
        return true;
    }
    // Lookups are inline: every GDI call makes several.
    Slot* lookup_any(const void* handle) {
        auto v = reinterpret_cast<uintptr_t>(handle);
        uintptr_t index1 = v >> kGenerationBits;
        if (index1 - 1 >= count_) return nullptr;  // also rejects index 0
        Slot& s = slots_[index1 - 1];
        return s.kind() != Kind::free && s.generation() == static_cast<uint16_t>(v) ? &s : nullptr;
    }
    Slot* lookup(const void* handle, Kind kind) {
        auto v = reinterpret_cast<uintptr_t>(handle);
        uintptr_t index1 = v >> kGenerationBits;
        if (index1 - 1 >= count_) return nullptr;
        Slot& s = slots_[index1 - 1];
        return s.tag == tag_of(handle, kind) ? &s : nullptr;
    }
    // The tag a live object of that kind behind that handle has.
    static uint64_t tag_of(uint64_t handle, Kind kind) { return uint64_t(uint16_t(handle)) | uint64_t(kind) << 16; }
    static uint64_t tag_of(const void* handle, Kind kind) { return tag_of(reinterpret_cast<uintptr_t>(handle), kind); }
    void release(const void* handle) {
        if (Slot* s = lookup_any(handle)) release(s);
    }
    // A slot lookup returned. Only the kind's own object is held; a brush
    // holds none, and frees nothing.
    void release(Slot* s) {
        if (s->kind() != Kind::brush) drop_object(s);
        s->refs = 0;
        release_brush(s);
    }
    // Frees the slot of a brush no DC holds (a brush holds nothing else).
    // Generation 0 is never issued, so a zeroed value cannot match a live
    // slot.
    void release_brush(Slot* s) {
        forget_brush(s);
        const uint64_t next = (s->tag + 1) & 0xFFFF;
        s->tag = next ? next : 1;  // Kind::free
        free_[free_count_++] = static_cast<uint32_t>(s - slots_);
    }
    // Every slot is either free (on the list, or the spare) or holds an object.
    size_t live() const { return count_ - free_count_ - (has_spare() ? 1 : 0); }
    // The slot of an object selected into a DC, found without checking the
    // handle: a selected object is never freed (its deletion waits until it
    // is deselected), and a DC holds only handles that were valid when
    // selected. nullptr for a null handle.
    Slot* selected_slot(const void* handle) {
        uintptr_t index1 = reinterpret_cast<uintptr_t>(handle) >> kGenerationBits;
        return index1 - 1 < count_ ? &slots_[index1 - 1] : nullptr;
    }
    // The same for a handle known not to be null (a DC's brush always is one).
    Slot& held_slot(const void* handle) {
        return slots_[(reinterpret_cast<uintptr_t>(handle) >> kGenerationBits) - 1];
    }

    // The lookups that a pixel drawn as a brush, a selection, a fill, a
    // selection and a deletion repeats, answered from memos: the DC last
    // looked up (its object, which stays where it is while its handle is
    // live), the hot brush, and a stock brush (a DC's first brush, selected
    // back after each pixel), which is never freed. A memo is forgotten
    // when its object is freed or the slots move. The DC's and the stock
    // brush's, forgotten, hold the null handle and nullptr, the right
    // answer for the null handle; the hot one holds a value no handle is.
    DC* dc(const void* handle) {
        if (handle == memo_dc_handle_) [[likely]]
            return memo_dc_;
        return dc_looked_up(handle);
    }
    // A live brush that is not waiting to be freed (deleted while
    // selected): no memo holds one that is.
    Slot* brush(const void* handle) {
        if (reinterpret_cast<uintptr_t>(handle) == hot_handle_) [[likely]]
            return hot_slot_;
        if (handle == stock_brush_) return stock_slot_;
        return brush_looked_up(handle);
    }
    // Deleted while selected: freed once no DC holds it.
    void mark_delete_pending(Slot* s) {
        s->refs |= Slot::kPending;
        forget_brush(s);
    }

private:
    // More slots, all free; short of memory, throws with the table unchanged.
    void grow();
    // Out of line, whatever the optimiser would do: the browser build leaves
    // it out of Asyncify's instrumentation by name, and its body (a shared
    // pointer's release, a call through a pointer) inlined into a caller
    // would have the caller instrumented.
    [[gnu::noinline]] void drop_object(Slot* s);
    // dc() and brush() without their memos: looked up, and remembered when
    // live (a brush when it is a stock one).
    [[gnu::noinline]] DC* dc_looked_up(const void* handle);
    [[gnu::noinline]] Slot* brush_looked_up(const void* handle);
    // The live hot brush behind handle value v becomes the spare.
    void hot_to_spare(uintptr_t v) {
        uint16_t next = static_cast<uint16_t>(v + 1);
        next = next ? next : 1;  // generation 0 is never issued
        hot_slot_->tag = next;   // Kind::free
        hot_handle_ = ((v & ~uintptr_t(0xFFFF)) | next) | kSpare;
    }
    // The spare slot back on top of the free list.
    void give_back_spare() {
        free_[free_count_++] = static_cast<uint32_t>(hot_slot_ - slots_);
        forget_hot();
    }
    void forget_hot() {
        hot_handle_ = kNoHot;
        hot_slot_ = nullptr;
    }
    // A live brush's slot is being freed: no memo may answer for it.
    void forget_brush(const Slot* s) {
        if (s == hot_slot_) forget_hot();
    }

    // Never in a handle: handles are below 2^47 (a 32-bit index and a
    // 16-bit generation). kNoHot, no hot slot, matches no handle either,
    // the null handle included.
    static constexpr uint64_t kSpare = uint64_t(1) << 63;
    static constexpr uint64_t kNoHot = uint64_t(1) << 62;

    Slot* slots_ = nullptr;
    uint32_t* free_ = nullptr;  // as many entries as slots: releasing never allocates
    size_t count_ = 0;          // slots made
    size_t free_count_ = 0;
    const void* memo_dc_handle_ = nullptr;
    DC* memo_dc_ = nullptr;
    uint64_t hot_handle_ = kNoHot;
    Slot* hot_slot_ = nullptr;
    const void* stock_brush_ = nullptr;
    Slot* stock_slot_ = nullptr;
};

extern constinit HandleTable g_handle_table;
inline HandleTable& handles() { return g_handle_table; }

inline DC* dc_from(HDC hdc) { return handles().dc(hdc); }
Bitmap* bitmap_from(HBITMAP h);
Font* font_from(HFONT h);
inline COLORREF brush_color(HBRUSH h, bool* is_null) {
    Slot* s = handles().lookup(h, Kind::brush);
    *is_null = !s || s->brush.null_brush();
    return s ? s->brush.color() : 0;
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
