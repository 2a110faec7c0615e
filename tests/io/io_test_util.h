#pragma once
// Helpers of the picture file tests: test data, temporary folders, reference
// pictures decoded by QtGui, and colour distances.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>
#include <QThreadPool>
#include <zlib.h>

#include "core/error.h"
#include "core/picture.h"

namespace jollix::test {

// The message of the JollixError that `run` throws, or "(no error)".
inline std::string errorOf(const std::function<void()>& run) {
    try {
        run();
    } catch (const JollixError& e) {
        return e.what();
    }
    return "(no error)";
}

// One refused file of a decoder's table: what it is, its bytes, and words
// its message must contain.
struct RefusedFile {
    const char* what;
    std::string bytes;
    const char* message;
};

// Each file must be refused with a message that names its fault.
inline void expectRefusals(const std::function<void(const std::string&)>& decode,
                           const std::vector<RefusedFile>& files) {
    for (const RefusedFile& f : files) {
        const std::string message = errorOf([&] { decode(f.bytes); });
        EXPECT_NE(message.find(f.message), std::string::npos) << f.what << ": " << message;
    }
}

inline void bigEndian32(std::string& s, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) s.push_back(char(v >> shift));
}

// A PNG chunk: length, type, body and checksum.
inline void pngChunk(std::string& out, const char* type, const std::string& body) {
    bigEndian32(out, uint32_t(body.size()));
    const std::string typed = std::string(type, 4) + body;
    out += typed;
    bigEndian32(out, uint32_t(crc32(0, reinterpret_cast<const Bytef*>(typed.data()), uInt(typed.size()))));
}

inline std::string dataPath(const std::string& name) { return std::string(JOLLIX_TEST_DATA) + "/" + name; }

inline std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << path;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    ASSERT_TRUE(out.good()) << path;
}

inline const uint8_t* u8(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

// A fresh folder, removed with everything in it at the end of the test.
class TempDir {
public:
    TempDir() {
        std::string t = (std::filesystem::temp_directory_path() / "jollix-io-XXXXXX").string();
        path_ = ::mkdtemp(t.data());
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path_, ec);
    }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }
    size_t entries() const {
        return size_t(std::distance(std::filesystem::directory_iterator(path_), std::filesystem::directory_iterator()));
    }

private:
    std::string path_;
};

// A reference picture read by QtGui (PNG files made by ImageMagick).
inline Picture referencePicture(const std::string& path) {
    QImage image(QString::fromStdString(path));
    EXPECT_FALSE(image.isNull()) << path;
    image = image.convertToFormat(QImage::Format_RGB32);
    Picture p(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            p.setPixel(x, y, uint32_t(qRed(c)) | (uint32_t(qGreen(c)) << 8) | (uint32_t(qBlue(c)) << 16));
        }
    return p;
}

// The largest difference of one channel over all pixels (same sizes).
inline int maxChannelDifference(const Picture& a, const Picture& b) {
    EXPECT_EQ(a.width(), b.width());
    EXPECT_EQ(a.height(), b.height());
    int worst = 0;
    for (int y = 0; y < std::min(a.height(), b.height()); ++y)
        for (int x = 0; x < std::min(a.width(), b.width()); ++x) {
            const uint32_t p = a.pixel(x, y), q = b.pixel(x, y);
            for (int s = 0; s < 24; s += 8)
                worst = std::max(worst, std::abs(int((p >> s) & 255) - int((q >> s) & 255)));
        }
    return worst;
}

inline double meanChannelDifference(const Picture& a, const Picture& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const uint32_t p = a.pixel(x, y), q = b.pixel(x, y);
            for (int s = 0; s < 24; s += 8) sum += std::abs(int((p >> s) & 255) - int((q >> s) & 255));
        }
    return sum / (double(a.width()) * a.height() * 3);
}

// A picture with smooth areas, edges and noise, of any size.
inline Picture samplePicture(int w, int h, unsigned seed = 1) {
    Picture p(w, h);
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t r = uint32_t(x * 255 / std::max(1, w - 1));
            const uint32_t g = uint32_t(y * 255 / std::max(1, h - 1));
            const uint32_t b = (x / 8 + y / 8) % 2 ? 200u : 40u;
            p.setPixel(x, y, r | (g << 8) | (b << 16));
        }
    for (int i = 0; i < w * h / 50; ++i)
        p.setPixel(int(rng() % unsigned(w)), int(rng() % unsigned(h)), rng() & 0xFFFFFF);
    return p;
}

// Little-endian byte writing for hand-made files.
inline void put16(std::string& s, uint32_t v) {
    s.push_back(char(v & 0xFF));
    s.push_back(char((v >> 8) & 0xFF));
}
inline void put32(std::string& s, uint32_t v) {
    put16(s, v & 0xFFFF);
    put16(s, v >> 16);
}
inline uint32_t get16(const std::string& s, size_t at) { return uint8_t(s[at]) | (uint8_t(s[at + 1]) << 8); }
inline uint32_t get32(const std::string& s, size_t at) { return get16(s, at) | (get16(s, at + 2) << 16); }

// How a piece of work ended when run in a child process of its own (for
// work that may end the process or hang: a signal, a resource limit).
struct ChildOutcome {
    bool exited = false;  // returned normally (not killed by a signal)
    int signal = 0;       // the signal that ended it, if any
    std::string text;     // what the work returned
};

// Runs work() in a forked child that is killed after `seconds`.
//
// The child has only the thread that forked. The toolkit's thread pool, over
// which its raster painter and picture conversions share big pictures, is
// emptied first (its threads end): the child's pool then starts threads of
// its own, where it would otherwise hand its work to threads that the child
// does not have and wait for them for ever. (The program's own pool knows
// about fork: core/parallel.h.)
inline ChildOutcome runInChild(const std::function<std::string()>& work, unsigned seconds = 20) {
    QThreadPool::globalInstance()->waitForDone();
    int fds[2];
    if (::pipe(fds) != 0) return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        ::alarm(seconds);
        std::string text;
        try {
            text = work();
        } catch (const std::exception& e) {
            text = std::string("exception: ") + e.what();
        }
        (void)!::write(fds[1], text.data(), text.size());
        ::_exit(0);
    }
    ::close(fds[1]);
    ChildOutcome out;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) out.text.append(buffer, size_t(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    out.exited = WIFEXITED(status);
    out.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return out;
}

}  // namespace jollix::test
