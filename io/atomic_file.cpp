#include "io/atomic_file.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <limits.h>
#include <mutex>
#include <pthread.h>
#include <random>
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
    // The ends of a write that users meet most get plain words.
    if (error == EFBIG)
        what = "file too large: the system's limit on file size was reached";
    else if (error == ENOSPC)
        what = "the disc is full";
    else if (error == EPIPE)
        what = "the program reading the pipe closed it";
    throw JollixError("Cannot write the file " + path + ": " + what + " (" + std::strerror(error) + ").");
}

[[noreturn]] void refused(const std::string& path, const char* what) {
    throw JollixError("Cannot write the file " + path + ": " + what + ".");
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

// ---------------------------------------------------------------------------
// The temporary files that exist, for the signal handler. Slots live in
// chunks that are never freed, so the handler can walk them at any moment
// without locks; a slot's state says whether it holds a file (2), is being
// filled (1) or is free (0).

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

struct TemporarySlot {
    std::atomic<int> state{0};
    int folder = -1;  // the open folder the file is in
    char name[NAME_MAX + 1] = {};
};

struct SlotChunk {
    TemporarySlot slots[64];
    SlotChunk* next = nullptr;
};

std::atomic<SlotChunk*> g_chunks{nullptr};
// Threads renaming temporary files into place, and a signal that arrived
// meanwhile (handled when the last of them is done).
std::atomic<int> g_renaming{0};
std::atomic<int> g_deferredSignal{0};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<SlotChunk*>::is_always_lock_free);

void fillSlot(TemporarySlot& slot, int folder, const std::string& name) {
    slot.folder = folder;
    const size_t n = std::min(name.size(), sizeof slot.name - 1);
    std::memcpy(slot.name, name.data(), n);
    slot.name[n] = '\0';
    slot.state.store(2, std::memory_order_release);
}

TemporarySlot* registerTemporary(int folder, const std::string& name) {
    for (SlotChunk* c = g_chunks.load(std::memory_order_acquire); c; c = c->next)
        for (TemporarySlot& slot : c->slots) {
            int expected = 0;
            if (slot.state.compare_exchange_strong(expected, 1, std::memory_order_acq_rel)) {
                fillSlot(slot, folder, name);
                return &slot;
            }
        }
    auto* chunk = new SlotChunk;  // kept for the life of the process
    chunk->slots[0].state.store(1, std::memory_order_relaxed);
    fillSlot(chunk->slots[0], folder, name);
    SlotChunk* head = g_chunks.load(std::memory_order_acquire);
    do chunk->next = head;
    while (!g_chunks.compare_exchange_weak(head, chunk, std::memory_order_acq_rel));
    return &chunk->slots[0];
}

void forgetTemporary(TemporarySlot* slot) {
    if (slot) slot->state.store(0, std::memory_order_release);
}

// Only async-signal-safe calls from here on: removes every registered
// temporary file, then lets the signal end the program with its own status.
void removeTemporariesAndEnd(int signal) {
    for (SlotChunk* c = g_chunks.load(std::memory_order_acquire); c; c = c->next)
        for (TemporarySlot& slot : c->slots)
            if (slot.state.load(std::memory_order_acquire) == 2) ::unlinkat(slot.folder, slot.name, 0);
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    ::sigaction(signal, &standard, nullptr);
    ::raise(signal);  // delivered when the handler returns, or now outside one
}

void onTerminatingSignal(int signal) {
    const int savedErrno = errno;
    if (g_renaming.load(std::memory_order_acquire) > 0) {
        g_deferredSignal.store(signal, std::memory_order_release);
    } else {
        removeTemporariesAndEnd(signal);
    }
    errno = savedErrno;
}

void installSignalCleanup() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (int signal : kSignals) {
            struct sigaction current {};
            // A signal the program ignores (nohup) or handles itself stays so.
            if (::sigaction(signal, nullptr, &current) != 0 || current.sa_handler != SIG_DFL ||
                (current.sa_flags & SA_SIGINFO))
                continue;
            struct sigaction cleanup {};
            cleanup.sa_handler = onTerminatingSignal;
            cleanup.sa_flags = SA_RESTART;
            ::sigemptyset(&cleanup.sa_mask);
            for (int other : kSignals) ::sigaddset(&cleanup.sa_mask, other);
            ::sigaction(signal, &cleanup, nullptr);
        }
    });
}

// Holds the terminating signals off the calling thread while it creates or
// renames and registers or forgets a temporary file, so that the handler
// never sees one without the other.
class SignalsHeld {
public:
    SignalsHeld() {
        sigset_t set;
        ::sigemptyset(&set);
        for (int signal : kSignals) ::sigaddset(&set, signal);
        ::pthread_sigmask(SIG_BLOCK, &set, &old_);
    }
    ~SignalsHeld() { ::pthread_sigmask(SIG_SETMASK, &old_, nullptr); }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
    sigset_t old_;
};

// While renaming, a signal taken on any thread waits for the renames to end.
class RenamingNow {
public:
    RenamingNow() { g_renaming.fetch_add(1, std::memory_order_acq_rel); }
    ~RenamingNow() {
        if (g_renaming.fetch_sub(1, std::memory_order_acq_rel) == 1)
            if (const int signal = g_deferredSignal.exchange(0, std::memory_order_acq_rel)) {
                SignalsHeld held;  // the handler must not run inside the cleanup
                removeTemporariesAndEnd(signal);
                // raise() with the signal held leaves it pending until `held`
                // ends, which ends the program.
            }
    }
    RenamingNow(const RenamingNow&) = delete;
    RenamingNow& operator=(const RenamingNow&) = delete;
};

// ---------------------------------------------------------------------------

// The temporary file's name: hidden, beside the target, and never longer
// than the folder's file system allows, however long the target's name is
// (the name is cut at a character boundary to make room for the suffix).
std::string temporaryNameFor(int folder, const std::string& base) {
    static constexpr size_t kSuffix = 7;  // ".XXXXXX"
    long nameMax = ::fpathconf(folder, _PC_NAME_MAX);
    if (nameMax <= 0 || nameMax > NAME_MAX) nameMax = NAME_MAX;
    const size_t room = size_t(nameMax) - 1 - kSuffix;  // the leading dot and the suffix
    std::string kept = base;
    if (kept.size() > room) {
        size_t cut = room;
        while (cut > 0 && (static_cast<unsigned char>(kept[cut]) & 0xC0) == 0x80) --cut;  // UTF-8 continuation
        kept.resize(cut);
    }
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937_64 random{std::random_device{}()};
    std::string name = "." + kept + ".";
    for (int i = 0; i < 6; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
    return name;
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

bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Writes all of bytes to fd; false with errno set when it cannot.
bool writeAll(int fd, std::string_view bytes) {
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        // A device or pipe gets the bytes in pieces, as a stream.
        const ssize_t n = ::write(fd, p, std::min<size_t>(left, size_t(1) << 20));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        p += n;
        left -= size_t(n);
    }
    return true;
}

// Writing to a pipe whose reader has gone raises SIGPIPE, which would end
// the program; held off the calling thread while it writes, the write fails
// with EPIPE instead and the signal it raised is taken back.
class BrokenPipeHeld {
public:
    BrokenPipeHeld() {
        ::sigemptyset(&pipe_);
        ::sigaddset(&pipe_, SIGPIPE);
        ::pthread_sigmask(SIG_BLOCK, &pipe_, &old_);
        sigset_t pending;
        ::sigpending(&pending);
        wasPending_ = ::sigismember(&pending, SIGPIPE) == 1;
    }
    ~BrokenPipeHeld() {
        sigset_t pending;
        if (!wasPending_ && ::sigpending(&pending) == 0 && ::sigismember(&pending, SIGPIPE) == 1) {
            const timespec now{0, 0};
            ::sigtimedwait(&pipe_, nullptr, &now);
        }
        ::pthread_sigmask(SIG_SETMASK, &old_, nullptr);
    }
    BrokenPipeHeld(const BrokenPipeHeld&) = delete;
    BrokenPipeHeld& operator=(const BrokenPipeHeld&) = delete;

private:
    sigset_t pipe_, old_;
    bool wasPending_ = false;
};

}  // namespace

struct FileWrites::Entry {
    std::string path;  // the file written, links followed
    // A regular file: its temporary file, in the open folder.
    int folder = -1;
    std::string folderPath;
    std::string temporary;
    TemporarySlot* slot = nullptr;
    // A device or pipe: open, written at commit.
    int stream = -1;
    std::string bytes;

    // Removes the temporary file (from wherever its folder is now).
    void abandon() {
        if (slot) {
            SignalsHeld held;
            ::unlinkat(folder, temporary.c_str(), 0);
            forgetTemporary(slot);
            slot = nullptr;
        }
        if (stream >= 0) {
            ::close(stream);
            stream = -1;
        }
    }
};

FileWrites::FileWrites() {
    ignoreFileSizeSignal();
    installSignalCleanup();
}

FileWrites::~FileWrites() {
    for (auto& entry : entries_) entry->abandon();
    for (const auto& [path, fd] : folders_) ::close(fd);
}

int FileWrites::folderHandle(const std::string& folder, const std::string& path) {
    std::lock_guard lock(mutex_);
    for (const auto& [known, fd] : folders_)
        if (known == folder) return fd;
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) writeFailed(path, "the folder does not take a new file", errno);
    folders_.emplace_back(folder, fd);
    return fd;
}

void FileWrites::add(const std::string& name, std::string_view bytes) {
    if (name.empty()) throw JollixError("Cannot write a file without a name.");
    auto entry = std::make_unique<Entry>();
    Entry& e = *entry;
    e.path = followLinks(name);
    const std::string& path = e.path;

    struct stat st;
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) refused(path, "it is a folder");
    if (exists && S_ISBLK(st.st_mode)) refused(path, "it is a block device, which is never written over");
    if (exists && S_ISSOCK(st.st_mode)) refused(path, "it is a socket, not a file");
    if (exists && (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode))) {
        // Opened as it is, never created or truncated: a pipe waits here
        // for its reader, as any program writing into one does.
        int fd;
        do fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        while (fd < 0 && errno == EINTR);
        if (fd < 0) writeFailed(path, "the device or pipe cannot be opened for writing", errno);
        struct stat opened;
        if (::fstat(fd, &opened) == 0 && (S_ISCHR(opened.st_mode) || S_ISFIFO(opened.st_mode))) {
            e.stream = fd;
            e.bytes.assign(bytes);
            std::lock_guard lock(mutex_);
            entries_.push_back(std::move(entry));
            return;
        }
        ::close(fd);  // replaced by something else meanwhile: written as a file below
    } else if (exists && !S_ISREG(st.st_mode)) {
        refused(path, "it is not a file");
    }

    e.folderPath = folderOf(path);
    e.folder = folderHandle(e.folderPath, path);
    // A new file gets 0666 less the umask, from the system; a replaced one
    // its own permissions, set once the temporary file is written.
    const bool keepMode = exists && S_ISREG(st.st_mode);
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        e.temporary = temporaryNameFor(e.folder, baseOf(path));
        SignalsHeld held;
        fd = ::openat(e.folder, e.temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC,
                      keepMode ? 0600 : 0666);
        if (fd >= 0)
            e.slot = registerTemporary(e.folder, e.temporary);
        else if (errno != EEXIST || attempt > 100)
            writeFailed(path, "the folder does not take a new file", errno);
    }
    auto abandon = [&](const char* what) {
        const int error = errno;
        ::close(fd);
        e.abandon();
        writeFailed(path, what, error);
    };
    if (!writeAll(fd, bytes)) abandon("writing failed");
    if (keepMode && ::fchmod(fd, st.st_mode & 07777) != 0) abandon("setting the file's permissions failed");
    if (::fsync(fd) != 0) abandon("flushing the file to disk failed");
    if (::close(fd) != 0) {
        const int error = errno;
        e.abandon();
        writeFailed(path, "closing the file failed", error);
    }
    std::lock_guard lock(mutex_);
    entries_.push_back(std::move(entry));
}

void FileWrites::commit() {
    std::lock_guard lock(mutex_);
    // A folder that was moved or replaced while its file was written no
    // longer holds the file that was asked for: nothing goes into it, and its
    // temporary file is removed where it now is.
    for (auto& entry : entries_) {
        Entry& e = *entry;
        if (!e.slot) continue;
        struct stat now, opened;
        if (::stat(e.folderPath.c_str(), &now) != 0 || ::fstat(e.folder, &opened) != 0 || !sameFile(now, opened))
            refused(e.path, "its folder was moved or removed while it was written; nothing was written there");
    }
    // Devices and pipes next: what they took cannot be taken back, and the
    // files are not yet touched when one of them fails. Then every file is
    // put in place.
    for (auto& entry : entries_) {
        Entry& e = *entry;
        if (e.stream < 0) continue;
        BrokenPipeHeld pipeHeld;
        if (!writeAll(e.stream, e.bytes)) writeFailed(e.path, "writing failed", errno);
        const int fd = e.stream;
        e.stream = -1;
        // A device may report a failed write only when closed.
        if (::close(fd) != 0 && errno != EINTR) writeFailed(e.path, "closing the device or pipe failed", errno);
    }
    {
        RenamingNow renaming;
        for (auto& entry : entries_) {
            Entry& e = *entry;
            if (!e.slot) continue;
            SignalsHeld held;
            if (::renameat(e.folder, e.temporary.c_str(), e.folder, baseOf(e.path).c_str()) != 0)
                writeFailed(e.path, "replacing the file failed", errno);
            forgetTemporary(e.slot);
            e.slot = nullptr;
        }
    }
    // After the rename the folder's own entry must reach the disc too, or a
    // power cut can lose the new name. File systems that cannot flush a
    // folder say EINVAL; that is no failure of the save.
    for (const auto& [folder, fd] : folders_)
        if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) {
            const int error = errno;
            std::string path = folder;
            for (auto& entry : entries_)
                if (entry->folderPath == folder) path = entry->path;
            writeFailed(path, "the file was written but its folder could not be flushed to disk", error);
        }
}

void writeFileAtomically(const std::string& name, std::string_view bytes) {
    FileWrites writes;
    writes.add(name, bytes);
    writes.commit();
}

}  // namespace jollix::io_detail
