// Device contexts and the objects selected into them: stock objects,
// SelectObject, DeleteObject, memory DCs, compatible bitmaps and solid
// brushes. The DC's drawing attributes are in attributes.cpp; pixel loops
// live elsewhere.
#include "gdi/dc.h"

#include "common/out_of_memory.h"
#include "gdi/font.h"
#include "gdi/objects.h"

#include <climits>
#include <cstdlib>
#include <cstring>

namespace plat {

namespace {

// Upper bounds for a bitmap, so that a wild size fails cleanly instead of
// exhausting memory: 32767 pixels a side (the Windows limit for a DDB side)
// and 256 MiB of pixels.
constexpr int64_t kMaxSide = 32767;
constexpr int64_t kMaxPixels = int64_t(256) << 20 >> 2;

struct Stock {
    HGDIOBJ brushes[6]{};
    HGDIOBJ system_font{};
    HBITMAP mono_bitmap{};
};

Stock& stock() {
    static Stock s = [] {
        Stock st;
        const COLORREF colors[5] = {0xFFFFFF, 0xC0C0C0, 0x808080, 0x404040, 0x000000};
        for (int i = 0; i < 6; ++i) {
            Slot* slot = nullptr;
            st.brushes[i] = handles().allocate(Kind::brush, &slot);
            slot->stock = true;
            slot->refs = Slot::kStockRefs;
            slot->brush.set(i < 5 ? colors[i] : 0, i == 5);
        }
        Slot* slot = nullptr;
        st.system_font = handles().allocate(Kind::font, &slot);
        slot->stock = true;
        slot->refs = Slot::kStockRefs;
        slot->font = std::make_unique<Font>();
        slot->font->builtin = true;
        std::strcpy(slot->font->logfont.lfFaceName, "System");
        slot->font->logfont.lfHeight = 16;
        slot->font->logfont.lfWeight = FW_NORMAL;
        st.mono_bitmap = static_cast<HBITMAP>(handles().allocate(Kind::bitmap, &slot));
        slot->stock = true;
        slot->refs = Slot::kStockRefs;
        slot->bitmap = std::make_unique<Bitmap>();
        slot->bitmap->surface.resize(1, 1);
        slot->bitmap->surface.bits_per_pixel = 1;
        return st;
    }();
    return s;
}


// The object of a slot deleted while selected, now that nothing holds it.
[[gnu::cold]] [[gnu::noinline]] void release_pending(Slot* s) { handles().release(s); }

// One more selection of a slot, and one fewer: an object deleted while
// selected goes with its last. A stock object's are not counted: it is never
// freed, and a point's brush, selected and put back, then writes nothing to
// the stock brush's slot.
inline void count_selection(Slot& s) {
    if (!s.stock) ++s.refs;
}
inline void deselect(Slot& s) {
    if (!s.stock && --s.refs == Slot::kPending) release_pending(&s);
}

// The same for a handle a DC holds, which may be null (no bitmap).
inline void deselect(const void* h) {
    if (Slot* s = handles().selected_slot(h)) deselect(*s);
}


DC* new_dc(HDC* out) {
    auto made = std::make_unique<DC>();
    const auto white = static_cast<HBRUSH>(stock().brushes[WHITE_BRUSH]);
    made->brush = white;
    made->font = static_cast<HFONT>(stock().system_font);
    Slot* slot = nullptr;
    *out = static_cast<HDC>(handles().allocate(Kind::dc, &slot));
    slot->dc = std::move(made);
    return slot->dc.get();
}

}  // namespace

void Surface::resize(int w, int h) {
    w = w > 0 ? w : 0;
    h = h > 0 ? h : 0;
    std::vector<uint32_t> fresh(size_t(w) * size_t(h), 0);  // may throw: the surface stays as it was
    storage.swap(fresh);
    width = stride = w;
    height = h;
    bits = storage.data();
    grounded(0);
}

HDC make_window_dc(Window* w, Surface* s) {
    HDC h = nullptr;
    DC* dc = new_dc(&h);
    dc->window = w;
    dc->surface = s;
    return h;
}

void free_dc(HDC hdc) {
    DC* dc = dc_from(hdc);
    if (!dc) return;
    deselect(dc->brush);
    deselect(dc->font);
    deselect(dc->bitmap);
    handles().release(hdc);
}

}  // namespace plat

using namespace plat;

extern "C" HGDIOBJ WINAPI GetStockObject(int i) {
    return or_fail<HGDIOBJ>(nullptr, [&]() -> HGDIOBJ {
        if (i >= WHITE_BRUSH && i <= NULL_BRUSH) return stock().brushes[i];
        if (i == SYSTEM_FONT || i == DEFAULT_GUI_FONT) return stock().system_font;
        return nullptr;
    });
}

extern "C" DWORD WINAPI GetObjectType(HGDIOBJ h) {
    Slot* s = handles().lookup_any(h);
    if (!s) return 0;
    switch (s->kind()) {
        case Kind::brush: return OBJ_BRUSH;
        case Kind::font: return OBJ_FONT;
        case Kind::bitmap: return OBJ_BITMAP;
        case Kind::dc: return s->dc->memory ? OBJ_MEMDC : OBJ_DC;
        default: return 0;
    }
}

namespace {

[[gnu::noinline]] HGDIOBJ select_object(HDC hdc, HGDIOBJ h) {
    DC* dc = dc_from(hdc);
    Slot* s = handles().lookup_any(h);
    if (!dc || !s || s->delete_pending()) return nullptr;
    HGDIOBJ old = nullptr;
    switch (s->kind()) {
        case Kind::brush:
            old = dc->brush;
            if (old == h) return old;
            dc->brush = static_cast<HBRUSH>(h);
            break;
        case Kind::font:
            old = dc->font;
            if (old == h) return old;
            dc->font = static_cast<HFONT>(h);
            break;
        case Kind::bitmap: {
            // Only memory DCs take bitmaps, and a bitmap sits in one DC at a time.
            if (!dc->memory) return nullptr;
            old = dc->bitmap;
            if (old == h) return old;
            if (s->selected() > 0 && !s->stock) return nullptr;
            dc->bitmap = static_cast<HBITMAP>(h);
            dc->surface = &s->bitmap->surface;
            break;
        }
        default:
            return nullptr;
    }
    count_selection(*s);
    deselect(old);
    return old;
}

[[gnu::noinline]] BOOL delete_object(HGDIOBJ h) {
    Slot* s = handles().lookup_any(h);
    if (!s || s->kind() == Kind::dc || s->kind() == Kind::window) return FALSE;
    if (s->stock) return TRUE;
    if (s->selected() > 0) {
        if (s->kind() == Kind::bitmap) return FALSE;
        // Windows keeps a selected brush or font alive until it is deselected.
        handles().mark_delete_pending(s);
        return TRUE;
    }
    handles().release(s);
    return TRUE;
}

}  // namespace

// Brushes, made and selected per pixel, take the short way, small enough
// to be inlined into the caller when the layer is linked with it; every
// other object and every failure the general one.
QX_FAST_ENTRIES_BEGIN
extern "C" QX_FAST_ENTRY HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ h) {
    DC* dc = dc_from(hdc);
    Slot* s = handles().brush(h);
    if (!dc || !s) [[unlikely]]
        return select_object(hdc, h);
    const HBRUSH old = dc->brush;
    if (old != h) {
        Slot& o = handles().held_slot(old);
        dc->brush = static_cast<HBRUSH>(h);
        count_selection(*s);
        deselect(o);
    }
    return old;
}
QX_FAST_ENTRIES_END

QX_FAST_ENTRIES_BEGIN
extern "C" QX_FAST_ENTRY BOOL WINAPI DeleteObject(HGDIOBJ h) {
    // An unselected brush that is not a stock object is freed at once.
    if (handles().free_hot_brush(h)) [[likely]]
        return TRUE;
    Slot* s = handles().brush(h);
    if (!s || s->refs != 0) [[unlikely]]
        return delete_object(h);
    handles().release_brush_to_spare(s, h);
    return TRUE;
}
QX_FAST_ENTRIES_END

extern "C" int WINAPI GetObjectA(HANDLE h, int c, LPVOID pv) {
    Slot* s = handles().lookup_any(h);
    if (!s) return 0;
    if (s->kind() == Kind::font) {
        if (!pv) return sizeof(LOGFONTA);
        int n = c < int(sizeof(LOGFONTA)) ? c : int(sizeof(LOGFONTA));
        if (n <= 0) return 0;
        std::memcpy(pv, &s->font->logfont, size_t(n));
        return n;
    }
    if (s->kind() == Kind::bitmap) {
        if (!pv) return sizeof(BITMAP);
        if (c < int(sizeof(BITMAP))) return 0;
        const Surface& sf = s->bitmap->surface;
        BITMAP bm{};
        bm.bmWidth = sf.width;
        bm.bmHeight = sf.height;
        bm.bmPlanes = 1;
        bm.bmBitsPixel = WORD(sf.bits_per_pixel);
        bm.bmWidthBytes = ((sf.width * sf.bits_per_pixel + 15) / 16) * 2;
        std::memcpy(pv, &bm, sizeof bm);
        return sizeof(BITMAP);
    }
    if (s->kind() == Kind::brush) {
        struct { UINT style; COLORREF color; ULONG_PTR hatch; } lb{s->brush.null_brush() ? 1u : 0u, s->brush.color(), 0};
        if (!pv) return sizeof lb;
        if (c < int(sizeof lb)) return 0;
        std::memcpy(pv, &lb, sizeof lb);
        return sizeof lb;
    }
    return 0;
}

extern "C" HGDIOBJ WINAPI GetCurrentObject(HDC hdc, UINT type) {
    DC* dc = dc_from(hdc);
    if (!dc) return nullptr;
    switch (type) {
        case OBJ_BRUSH: return dc->brush;
        case OBJ_FONT: return dc->font;
        case OBJ_BITMAP: return dc->bitmap;
        default: return nullptr;
    }
}

extern "C" HDC WINAPI CreateCompatibleDC(HDC hdc) {
    if (hdc && !dc_from(hdc)) return nullptr;
    return or_fail<HDC>(nullptr, [] {
        HBITMAP mono = stock().mono_bitmap;
        HDC h = nullptr;
        DC* dc = new_dc(&h);
        dc->memory = true;
        // A new memory DC holds the stock 1 x 1 monochrome bitmap.
        dc->bitmap = mono;
        dc->surface = &bitmap_from(mono)->surface;
        return h;
    });
}

extern "C" BOOL WINAPI DeleteDC(HDC hdc) {
    DC* dc = dc_from(hdc);
    if (!dc || dc->window) return FALSE;  // window DCs go back through ReleaseDC
    free_dc(hdc);
    return TRUE;
}

extern "C" HBITMAP WINAPI CreateCompatibleBitmap(HDC hdc, int cx, int cy) {
    DC* dc = dc_from(hdc);
    if (!dc) return nullptr;
    // A negative size counts by its magnitude, as Windows takes it.
    cx = cx == INT_MIN ? INT_MAX : std::abs(cx);
    cy = cy == INT_MIN ? INT_MAX : std::abs(cy);
    // A memory DC still holding its default bitmap is monochrome, and so is
    // what is made compatible with it; a zero size also gives 1 x 1 monochrome.
    bool mono = (dc->memory && dc->surface && dc->surface->bits_per_pixel == 1) || cx == 0 || cy == 0;
    if (cx == 0 || cy == 0) cx = cy = 1;
    if (cx > kMaxSide || cy > kMaxSide || int64_t(cx) * cy > kMaxPixels) return nullptr;
    // Without the memory for its pixels the call fails, as on Windows: the
    // caller goes on with no bitmap.
    return or_fail<HBITMAP>(nullptr, [&] {
        auto made = std::make_unique<Bitmap>();
        made->surface.resize(cx, cy);
        made->surface.bits_per_pixel = mono ? 1 : 32;
        Slot* slot = nullptr;
        auto h = static_cast<HBITMAP>(handles().allocate(Kind::bitmap, &slot));
        slot->bitmap = std::move(made);
        return h;
    });
}

namespace {
// A brush when the table must grow for it first: that allocates, and short
// of memory the call fails.
[[gnu::cold]] [[gnu::noinline]] HBRUSH new_brush_growing(COLORREF color) {
    return or_fail<HBRUSH>(nullptr, [&] {
        Slot* slot = nullptr;
        auto h = static_cast<HBRUSH>(handles().allocate(Kind::brush, &slot));
        slot->brush.set(color & 0x00FFFFFF, false);
        handles().made_brush(h, slot);
        return h;
    });
}
}  // namespace

QX_FAST_ENTRIES_BEGIN
extern "C" QX_FAST_ENTRY HBRUSH WINAPI CreateSolidBrush(COLORREF color) {
    // The spare slot (the one the last deleted brush left, when brushes are
    // made and deleted per pixel), or another free one, takes the brush
    // without allocating.
    Slot* slot = nullptr;
    HBRUSH h;
    if (handles().has_spare()) [[likely]] {
        h = static_cast<HBRUSH>(handles().take_spare_brush(&slot));
    } else if (handles().has_free_slot()) {
        h = static_cast<HBRUSH>(handles().allocate(Kind::brush, &slot));
        handles().made_brush(h, slot);
    } else {
        return new_brush_growing(color);
    }
    slot->brush.set(color & 0x00FFFFFF, false);
    return h;
}
QX_FAST_ENTRIES_END
