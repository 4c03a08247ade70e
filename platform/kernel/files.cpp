// Reading files through kernel32's calls: CreateFileA opens an existing
// regular file for reading and nothing else, GetFileSize and ReadFile read
// it, CloseHandle lets it go. Anything but a regular file is refused before
// it is opened, as pictures are: opening a FIFO waits for a writer, and a
// device may never end. The open itself does not wait either, and what was
// opened is checked again, in case the name changed hands in between.
#include "gdi/cp932.h"

#include <windows.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <new>
#include <string>
#include <vector>

namespace {

struct File {
    int fd;
};

std::mutex g_lock;
std::vector<File*> g_files;  // every handle CreateFileA gave that is not closed

File* file(HANDLE h) {
    auto it = std::find(g_files.begin(), g_files.end(), static_cast<File*>(h));
    return it == g_files.end() ? nullptr : *it;
}

}  // namespace

extern "C" HANDLE WINAPI CreateFileA(LPCSTR name, DWORD access, DWORD share, void* security, DWORD disposition,
                                     DWORD flags, HANDLE templ) {
    if (!name || access != GENERIC_READ || (share & ~DWORD(FILE_SHARE_READ)) || security ||
        disposition != OPEN_EXISTING || (flags & ~DWORD(FILE_ATTRIBUTE_NORMAL)) || templ)
        return INVALID_HANDLE_VALUE;
    // File names come in code page 932; the file system here speaks UTF-8.
    std::string path;
    try {
        path = plat::cp932_to_utf8(name);
    } catch (...) {
        return INVALID_HANDLE_VALUE;
    }
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return INVALID_HANDLE_VALUE;
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return INVALID_HANDLE_VALUE;
    File* f = nullptr;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !(f = new (std::nothrow) File{fd})) {
        close(fd);
        return INVALID_HANDLE_VALUE;
    }
    std::lock_guard<std::mutex> g(g_lock);
    try {
        g_files.push_back(f);
    } catch (...) {
        close(fd);
        delete f;
        return INVALID_HANDLE_VALUE;
    }
    return f;
}

extern "C" DWORD WINAPI GetFileSize(HANDLE h, LPDWORD high) {
    std::lock_guard<std::mutex> g(g_lock);
    File* f = file(h);
    struct stat st;
    if (!f || fstat(f->fd, &st) != 0) return INVALID_FILE_SIZE;
    const uint64_t size = uint64_t(st.st_size);
    if (high) *high = DWORD(size >> 32);
    return DWORD(size);
}

// Reads up to n bytes from where the last read ended; 0 read at the end of the file.
extern "C" BOOL WINAPI ReadFile(HANDLE h, LPVOID buffer, DWORD n, LPDWORD done, void* overlapped) {
    std::lock_guard<std::mutex> g(g_lock);
    File* f = file(h);
    if (done) *done = 0;
    if (!f || overlapped || (!buffer && n)) return FALSE;
    DWORD got = 0;
    while (got < n) {
        const ssize_t r = read(f->fd, static_cast<char*>(buffer) + got, n - got);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return FALSE;
        if (r == 0) break;
        got += DWORD(r);
    }
    if (done) *done = got;
    return TRUE;
}

extern "C" BOOL WINAPI CloseHandle(HANDLE h) {
    std::lock_guard<std::mutex> g(g_lock);
    File* f = file(h);
    if (!f) return FALSE;
    g_files.erase(std::find(g_files.begin(), g_files.end(), f));
    close(f->fd);
    delete f;
    return TRUE;
}
