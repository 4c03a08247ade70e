// The hand-off of a window's client surface from the layer, which draws on it,
// to the backend, which shows it. Every draw marks the surface dirty
// (Surface::touch, surface.h); the backend takes the surface when it was drawn
// on or its window was uncovered. A backend may present from a thread of its own, so the
// pixels are read, and reallocated by the layer, only under the lock.
#pragma once

#include "backend/surface.h"

#include <atomic>
#include <mutex>

namespace plat::backend {

struct SurfaceHandoff {
    explicit SurfaceHandoff(Surface* s) : surface(s) {}

    Surface* const surface;
    std::mutex lock;                   // held while the pixels are read or reallocated
    std::atomic<bool> exposed{false};  // set by the backend: the window was uncovered

    // True when the surface must be shown again, once per change: it was drawn
    // on, or uncovered, since the last take.
    bool take() {
        bool drawn = surface->dirty.exchange(false, std::memory_order_relaxed);
        bool uncovered = exposed.exchange(false, std::memory_order_relaxed);
        return drawn || uncovered;
    }
};

}  // namespace plat::backend
