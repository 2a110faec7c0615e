#include "io/atomic_file.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/error.h"

namespace jollix::io_detail {

namespace {

std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string baseOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

[[noreturn]] void writeFailed(const std::string& path, const char* what, int error) {
    throw JollixError("Cannot write the file " + path + ": " + what + " (" + std::strerror(error) + ").");
}

// The permissions a newly created file gets (0666 less the umask), or the
// existing target's own, so that replacing a file keeps its mode.
mode_t modeFor(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

void writeFileAtomically(const std::string& path, std::string_view bytes) {
    if (path.empty()) throw JollixError("Cannot write a file without a name.");
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        throw JollixError("Cannot write the file " + path + ": it is a folder.");
    const std::string folder = folderOf(path);
    std::string temp = folder + "/." + baseOf(path) + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) writeFailed(path, "the folder does not take a new file", errno);

    auto abandon = [&](const char* what) {
        const int error = errno;
        ::close(fd);
        ::unlink(temp.c_str());
        writeFailed(path, what, error);
    };
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            abandon("writing failed");
        }
        if (n == 0) {
            errno = ENOSPC;
            abandon("writing failed");
        }
        p += n;
        left -= size_t(n);
    }
    if (::fchmod(fd, modeFor(path)) != 0) abandon("setting the file's permissions failed");
    if (::fsync(fd) != 0) abandon("flushing the file to disk failed");
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        writeFailed(path, "closing the file failed", error);
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        writeFailed(path, "replacing the file failed", error);
    }
}

std::string readWholeFile(const std::string& path, size_t maxBytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw JollixError(std::string("the file cannot be read (") + std::strerror(errno) + ")");
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        ::close(fd);
        throw JollixError(std::string("the file cannot be read (") + std::strerror(error) + ")");
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        throw JollixError("it is a folder, not a file");
    }
    if (S_ISREG(st.st_mode) && uint64_t(st.st_size) > maxBytes) {
        ::close(fd);
        throw JollixError("the file is too large (" + std::to_string(st.st_size) + " bytes)");
    }
    std::string out;
    if (S_ISREG(st.st_mode)) out.reserve(size_t(st.st_size));
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            ::close(fd);
            throw JollixError(std::string("the file cannot be read (") + std::strerror(error) + ")");
        }
        if (n == 0) break;
        if (out.size() + size_t(n) > maxBytes) {
            ::close(fd);
            throw JollixError("the file is too large");
        }
        out.append(buffer, size_t(n));
    }
    ::close(fd);
    return out;
}

} // namespace jollix::io_detail
