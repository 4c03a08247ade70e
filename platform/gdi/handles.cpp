// The handle table shared by every USER and GDI object of the layer, and the
// test seam that counts its objects.
#include "gdi/objects.h"

#include "gdi/font.h"

#include <layer_seams.h>

#include <algorithm>

namespace plat {

namespace {
uintptr_t encode(uint32_t index, uint16_t generation) {
    return (static_cast<uintptr_t>(index) + 1) << HandleTable::kGenerationBits | generation;
}
}  // namespace

// Never destroyed, like the window registry: objects stay valid for as long
// as any thread of the process runs. Made before main, so reaching it costs
// no initialisation check.
HandleTable& g_handle_table = *new HandleTable;

void* HandleTable::allocate(Kind kind, Slot** out) {
    uint32_t index;
    if (!free_.empty()) {
        index = free_.back();
        free_.pop_back();
    } else {
        // Both tables grow before anything changes, so a failed allocation
        // leaves them as they were; and the free list can always take every
        // slot back without allocating, so releasing never fails.
        if (slots_.size() == slots_.capacity()) slots_.reserve(std::max<size_t>(64, 2 * slots_.capacity()));
        if (free_.capacity() < slots_.capacity()) free_.reserve(slots_.capacity());
        index = static_cast<uint32_t>(slots_.size());
        slots_.emplace_back();
        count_ = slots_.size();
    }
    Slot& s = slots_[index];
    s.kind = kind;
    s.stock = false;
    s.delete_pending = false;
    s.selected = 0;
    ++live_;
    *out = &s;
    return reinterpret_cast<void*>(encode(index, s.generation));
}

void HandleTable::release(const void* handle) {
    if (Slot* s = lookup_any(handle)) release(s);
}

void HandleTable::release(Slot* s) {
    // Only the kind's own object is held; a brush holds none.
    switch (s->kind) {
        case Kind::dc: s->dc.reset(); break;
        case Kind::bitmap: s->bitmap.reset(); break;
        case Kind::font: s->font.reset(); break;
        case Kind::window: s->window = nullptr; break;
        default: break;
    }
    s->kind = Kind::free;
    // Generation 0 is never issued, so a zeroed value cannot match a live slot.
    if (++s->generation == 0) s->generation = 1;
    free_.push_back(static_cast<uint32_t>(s - slots_.data()));
    --live_;
}

Bitmap* bitmap_from(HBITMAP h) {
    Slot* s = handles().lookup(h, Kind::bitmap);
    return s ? s->bitmap.get() : nullptr;
}

Font* font_from(HFONT h) {
    Slot* s = handles().lookup(h, Kind::font);
    return s ? s->font.get() : nullptr;
}

}  // namespace plat

size_t plat::seam::live_objects() { return plat::handles().live(); }
