// Input bytes in an anonymous mapping: reserved at the most the input may
// take (address space only), filled by read() without any copy, and given
// back page by page with madvise(MADV_DONTNEED) as decoders finish with it.
#include "io/input_bytes.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <istream>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/error.h"

namespace jollix::io_detail {

namespace {

thread_local const uint8_t* scopeBegin = nullptr;
thread_local const uint8_t* scopeEnd = nullptr;

size_t pageSize() {
    static const size_t size = size_t(::sysconf(_SC_PAGESIZE));
    return size;
}

[[noreturn]] void cannotRead(int error) {
    throw JollixError(std::string("the file cannot be read (") + std::strerror(error) + ")");
}

void* reserve(size_t bytes) {
    void* p = ::mmap(nullptr, std::max<size_t>(bytes, 1), PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    return p;
}

}  // namespace

InputBytes::InputBytes(InputBytes&& other) noexcept
    : base_(other.base_), reserved_(other.reserved_), size_(other.size_) {
    other.base_ = nullptr;
    other.reserved_ = other.size_ = 0;
}

InputBytes::~InputBytes() {
    if (base_) ::munmap(base_, std::max<size_t>(reserved_, 1));
}

InputBytes InputBytes::readFile(const std::string& path, size_t maxBytes) {
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a
    // writer. It means nothing for regular files, the only kind read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) cannotRead(errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st;
    if (::fstat(fd, &st) != 0) cannotRead(errno);
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
    // One byte more than the file holds, to notice a file that grew.
    const size_t room = size_t(st.st_size) + 1;
    InputBytes bytes(reserve(room), room);
    auto* at = static_cast<char*>(bytes.base_);
    for (;;) {
        if (bytes.size_ == room) throw JollixError("the file changed while it was read");
        const ssize_t n = ::read(fd, at + bytes.size_, room - bytes.size_);
        if (n < 0) {
            if (errno == EINTR) continue;
            cannotRead(errno);
        }
        if (n == 0) break;
        bytes.size_ += size_t(n);
    }
    return bytes;
}

InputBytes InputBytes::readStream(std::istream& in, size_t maxBytes,
                                  const std::function<void(const uint8_t*, size_t)>& firstBytes) {
    InputBytes bytes(reserve(maxBytes + 1), maxBytes + 1);
    auto* at = static_cast<char*>(bytes.base_);
    bool told = false;
    for (;;) {
        // Small reads until the first bytes are in, so that a stream of no
        // picture is refused at once; then large ones.
        const size_t want = told ? size_t(1) << 20 : kFirstBytes - bytes.size_;
        const size_t n =
            size_t(in.read(at + bytes.size_, std::streamsize(std::min(want, bytes.reserved_ - bytes.size_))).gcount());
        bytes.size_ += n;
        if (bytes.size_ > maxBytes) throw JollixError("it is too large");
        if (!told && (bytes.size_ >= kFirstBytes || !in)) {
            told = true;
            if (in.bad()) throw JollixError("it could not be read");
            if (bytes.size_ == 0) throw JollixError("it is empty");
            firstBytes(bytes.data(), bytes.size_);
        }
        if (!in) break;
    }
    if (in.bad()) throw JollixError("it could not be read");
    return bytes;
}

InputScope::InputScope(const InputBytes& bytes) : previousBegin_(scopeBegin), previousEnd_(scopeEnd) {
    scopeBegin = bytes.data();
    scopeEnd = bytes.data() + bytes.size();
}

InputScope::~InputScope() {
    scopeBegin = previousBegin_;
    scopeEnd = previousEnd_;
}

void doneWithInput(const uint8_t* from, const uint8_t* to) {
    if (!scopeBegin || from < scopeBegin || to > scopeEnd || from >= to) return;
    const uintptr_t page = pageSize();
    const uintptr_t first = (reinterpret_cast<uintptr_t>(from) + page - 1) & ~(page - 1);
    const uintptr_t last = reinterpret_cast<uintptr_t>(to) & ~(page - 1);
    if (first < last) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
}

}  // namespace jollix::io_detail
