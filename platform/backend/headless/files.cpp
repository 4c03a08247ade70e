// Files a run writes at paths the user names (shots, the sound recording),
// put in place whole. Only a name nothing has yet, or a regular file, is
// written, never a FIFO (that would block), a device, a directory or a
// symbolic link. The bytes go to a new file beside it first, which is renamed
// over the name only once every byte is written and closed; when anything
// fails, only that new file is removed, and what had the name before keeps it
// untouched.
#include "backend/headless/headless.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace plat::backend::headless {

namespace {

const char* kind_of(mode_t mode) {
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISLNK(mode)) return "a symbolic link";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a regular file";
}

std::string folder_of(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A new file beside path, made by this call (O_EXCL) with the mode given
// (the umask applies); -1 with why set when none can be made.
int make_temporary(const std::string& path, mode_t mode, std::string* name, std::string* why) {
    static unsigned serial = 0;
    const std::string folder = folder_of(path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        *name = folder + "/.qx-shot-" + std::to_string(getpid()) + "-" + std::to_string(serial++) + ".tmp";
        const int fd = ::open(name->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0) return fd;
        if (errno != EEXIST) break;
    }
    *why = "cannot make a new file in " + shown(folder) + ": " + std::strerror(errno);
    return -1;
}

}  // namespace

bool write_all(int fd, const unsigned char* p, size_t n) {
    while (n > 0) {
        const ssize_t done = ::write(fd, p, n);
        if (done < 0 && errno == EINTR) continue;
        if (done == 0) errno = EIO;
        if (done <= 0) return false;
        p += done;
        n -= size_t(done);
    }
    return true;
}

bool begin_replacement(const std::string& path, Replacement* r, std::string* why) {
    struct stat st;
    const bool exists = ::lstat(path.c_str(), &st) == 0;
    if (!exists && errno != ENOENT) {
        *why = std::strerror(errno);
        return false;
    }
    if (exists && !S_ISREG(st.st_mode)) {
        *why = std::string("it is ") + kind_of(st.st_mode) + "; shots replace regular files only";
        return false;
    }
    r->path = path;
    r->fd = make_temporary(path, 0666, &r->temporary, why);
    if (r->fd < 0) return false;
    // A file replaced keeps its permissions; a new one has the umask's.
    if (exists && ::fchmod(r->fd, st.st_mode & 07777) != 0) {
        *why = std::string("cannot write it: ") + std::strerror(errno);
        abandon_replacement(r);
        return false;
    }
    return true;
}

bool commit_replacement(Replacement* r, std::string* why) {
    const int fd = r->fd;
    r->fd = -1;
    if (::close(fd) != 0) {
        *why = std::string("cannot write it: ") + std::strerror(errno);
        ::unlink(r->temporary.c_str());
        return false;
    }
    if (::rename(r->temporary.c_str(), r->path.c_str()) != 0) {
        *why = std::string("cannot put it in place: ") + std::strerror(errno);
        ::unlink(r->temporary.c_str());
        return false;
    }
    return true;
}

void abandon_replacement(Replacement* r) {
    if (r->fd >= 0) ::close(r->fd);
    r->fd = -1;
    ::unlink(r->temporary.c_str());
}

bool replace_file(const std::string& path, const unsigned char* bytes, size_t n, std::string* why) {
    Replacement r;
    if (!begin_replacement(path, &r, why)) return false;
    if (!write_all(r.fd, bytes, n)) {
        *why = std::string("cannot write it: ") + std::strerror(errno);
        abandon_replacement(&r);
        return false;
    }
    return commit_replacement(&r, why);
}

}  // namespace plat::backend::headless
