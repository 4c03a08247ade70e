// wsprintfA: printf-style formatting into a buffer of at most 1024 bytes.
// The conversions it shares with printf (%s, %c, %d, %i, %u, %x, %X, %%,
// with flags, width and precision) behave as printf's; it has no floating
// point.
#include <windows.h>

#include <cstdarg>
#include <cstdio>

extern "C" int WINAPIV wsprintfA(LPSTR buffer, LPCSTR format, ...) {
    if (!buffer || !format) return 0;
    va_list ap;
    va_start(ap, format);
    // Windows writes at most 1024 bytes, the terminator included.
    int n = std::vsnprintf(buffer, 1024, format, ap);
    va_end(ap);
    if (n < 0) {
        buffer[0] = '\0';
        return 0;
    }
    return n > 1023 ? 1023 : n;
}
