// Win32 functions report a lack of memory by failing with their documented
// failure value; none of them throws. An entry point that allocates runs its
// body through or_fail, and builds what it hands out completely before it
// takes a handle for it, so a failure midway leaves nothing half made.
#pragma once

#include <new>
#include <stdexcept>

namespace plat {

template <class R, class Body>
R or_fail(R failure, Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return failure;
    } catch (const std::length_error&) {  // a size no vector can hold
        return failure;
    }
}

}  // namespace plat
