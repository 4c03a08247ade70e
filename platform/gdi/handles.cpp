// The handle table shared by every USER and GDI object of the layer, and the
// test seam that counts its objects.
#include "gdi/objects.h"

#include "gdi/font.h"

#include <layer_seams.h>

#include <algorithm>
#include <new>

namespace plat {

constinit HandleTable g_handle_table;

void HandleTable::grow() {
    // Both arrays are made before anything changes, so a failed allocation
    // leaves the table as it was.
    const size_t capacity = std::max<size_t>(64, 2 * count_);
    if (capacity <= count_ || capacity > (size_t(1) << 31)) throw std::bad_alloc();
    auto* slots = static_cast<Slot*>(::operator new(sizeof(Slot) * capacity, std::align_val_t(alignof(Slot))));
    uint32_t* free_list = new (std::nothrow) uint32_t[capacity];
    if (!free_list) {
        ::operator delete(slots, std::align_val_t(alignof(Slot)));
        throw std::bad_alloc();
    }
    for (size_t i = 0; i < count_; ++i) {
        new (&slots[i]) Slot(std::move(slots_[i]));
        slots_[i].~Slot();
    }
    for (size_t i = count_; i < capacity; ++i) new (&slots[i]) Slot();
    // The free list keeps its order; the new slots go under it, lowest
    // index on top, so that slots are handed out in order.
    std::copy(free_, free_ + free_count_, free_list + (capacity - count_));
    for (size_t i = 0; i < capacity - count_; ++i) free_list[i] = uint32_t(capacity - 1 - i);
    // The old slots and list are given back only now that nothing reads them.
    if (slots_) ::operator delete(slots_, std::align_val_t(alignof(Slot)));
    delete[] free_;
    slots_ = slots;
    free_ = free_list;
    // Slots have moved: the memos that point at them are forgotten.
    // (allocate gave the spare back before growing the table)
    forget_hot();
    stock_brush_ = nullptr;
    stock_slot_ = nullptr;
    free_count_ += capacity - count_;
    count_ = capacity;
}

DC* HandleTable::dc_looked_up(const void* handle) {
    Slot* s = lookup(handle, Kind::dc);
    if (!s) return nullptr;
    memo_dc_handle_ = handle;
    memo_dc_ = s->dc.get();
    return memo_dc_;
}

Slot* HandleTable::brush_looked_up(const void* handle) {
    Slot* s = lookup(handle, Kind::brush);
    if (s && s->delete_pending()) return nullptr;
    if (s && s->stock) {
        stock_brush_ = handle;
        stock_slot_ = s;
    }
    return s;
}

void HandleTable::drop_object(Slot* s) {
    switch (s->kind()) {
        case Kind::dc:
            if (memo_dc_ == s->dc.get()) {
                memo_dc_handle_ = nullptr;
                memo_dc_ = nullptr;
            }
            s->dc.reset();
            break;
        case Kind::bitmap: s->bitmap.reset(); break;
        case Kind::font: s->font.reset(); break;
        case Kind::window: s->window = nullptr; break;
        default: break;
    }
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
