#include "io/atomic_file.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <limits.h>
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
    // The two ends of a write that users meet most get plain words.
    if (error == EFBIG)
        what = "file too large: the system's limit on file size was reached";
    else if (error == ENOSPC)
        what = "the disc is full";
    throw JollixError("Cannot write the file " + path + ": " + what + " (" + std::strerror(error) + ").");
}

// A write past the process's file-size limit (ulimit -f) raises SIGXFSZ,
// which ends the process by default. Ignored, the write fails with EFBIG
// instead, and the save is reported and cleaned up like any other failure.
// A handler the program installed itself is left alone.
void ignoreFileSizeSignal() {
    struct sigaction current {};
    if (::sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        ::sigaction(SIGXFSZ, &ignore, nullptr);
    }
}

// The temporary file's name: hidden, beside the target, and never longer
// than the folder's file system allows, however long the target's name is
// (the name is cut at a character boundary to make room for the suffix).
std::string temporaryNameFor(const std::string& folder, const std::string& base) {
    static constexpr char kSuffix[] = ".XXXXXX";
    long nameMax = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    if (nameMax <= 0) nameMax = NAME_MAX;
    const size_t room = size_t(nameMax) - 1 - (sizeof kSuffix - 1);  // the leading dot and the suffix
    std::string kept = base;
    if (kept.size() > room) {
        size_t cut = room;
        while (cut > 0 && (static_cast<unsigned char>(kept[cut]) & 0xC0) == 0x80) --cut;  // UTF-8 continuation
        kept.resize(cut);
    }
    return folder + "/." + kept + kSuffix;
}

// After the rename the folder's own entry must reach the disc too, or a
// power cut can lose the new name. File systems that cannot flush a folder
// say EINVAL; that is no failure of the save.
void syncFolder(const std::string& folder, const std::string& path) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    const int rc = ::fsync(fd);
    const int error = errno;
    ::close(fd);
    if (rc != 0 && error != EINVAL && error != EROFS)
        writeFailed(path, "the file was written but its folder could not be flushed to disk", error);
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

// The file a name stands for, symbolic links followed (also one that points
// to a file not there yet): saving through a link writes the file it points
// to and the link stays a link. Relative link texts are taken from the
// link's own folder.
std::string followLinks(const std::string& name) {
    std::string path = name;
    for (int links = 0; links < 40; ++links) {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        char target[PATH_MAX];
        const ssize_t n = ::readlink(path.c_str(), target, sizeof target);
        if (n <= 0 || size_t(n) >= sizeof target) return path;
        const std::string text(target, size_t(n));
        path = text.front() == '/' ? text : folderOf(path) + "/" + text;
    }
    throw JollixError("Cannot write the file " + name + ": " + std::strerror(ELOOP) + ".");
}

}  // namespace

void writeFileAtomically(const std::string& name, std::string_view bytes) {
    if (name.empty()) throw JollixError("Cannot write a file without a name.");
    const std::string path = followLinks(name);
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        throw JollixError("Cannot write the file " + path + ": it is a folder.");
    ignoreFileSizeSignal();
    const std::string folder = folderOf(path);
    std::string temp = temporaryNameFor(folder, baseOf(path));
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
    syncFolder(folder, path);
}

std::string readWholeFile(const std::string& path, size_t maxBytes) {
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a
    // writer. It means nothing for regular files, the only kind read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) throw JollixError(std::string("the file cannot be read (") + std::strerror(errno) + ")");
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st;
    if (::fstat(fd, &st) != 0) throw JollixError(std::string("the file cannot be read (") + std::strerror(errno) + ")");
    if (S_ISDIR(st.st_mode)) throw JollixError("it is a folder, not a file");
    if (!S_ISREG(st.st_mode)) {
        const char* kind = S_ISFIFO(st.st_mode)                         ? "a pipe"
                           : S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) ? "a device"
                           : S_ISSOCK(st.st_mode)                       ? "a socket"
                                                                        : "not a file";
        throw JollixError(std::string("it is ") + kind + ", not a picture file");
    }
    if (uint64_t(st.st_size) > maxBytes)
        throw JollixError("the file is too large (" + std::to_string(st.st_size) + " bytes, at most " +
                          std::to_string(maxBytes) + ")");
    std::string out;
    out.reserve(size_t(st.st_size));
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw JollixError(std::string("the file cannot be read (") + std::strerror(errno) + ")");
        }
        if (n == 0) break;
        // The file may grow while it is read.
        if (out.size() + size_t(n) > maxBytes) throw JollixError("the file is too large");
        out.append(buffer, size_t(n));
    }
    return out;
}

}  // namespace jollix::io_detail
