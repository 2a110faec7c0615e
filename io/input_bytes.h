#pragma once
// The bytes of a picture file or of standard input, held in memory of their
// own while the picture is decoded, so that a decoder can give back what it
// has read as it goes: a bitmap's rows, a JPEG's or GIF's coded data. What
// the file costs then shrinks while the picture grows.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

namespace jollix::io_detail {

class InputBytes {
public:
    // The regular file at path, read whole. Refuses (JollixError) what is
    // not a regular file, a file of more than maxBytes, and read errors.
    static InputBytes readFile(const std::string& path, size_t maxBytes);
    // A stream read to its end. Once its first bytes are in (kFirstBytes, or
    // all of a shorter stream), firstBytes(data, size) is called: it may
    // refuse the stream (throw) before the rest is read. Past maxBytes the
    // stream is refused as it arrives.
    static constexpr size_t kFirstBytes = 64;
    static InputBytes readStream(std::istream& in, size_t maxBytes,
                                 const std::function<void(const uint8_t*, size_t)>& firstBytes);

    InputBytes(InputBytes&& other) noexcept;
    InputBytes& operator=(InputBytes&&) = delete;
    InputBytes(const InputBytes&) = delete;
    ~InputBytes();

    const uint8_t* data() const { return static_cast<const uint8_t*>(base_); }
    size_t size() const { return size_; }

private:
    InputBytes(void* base, size_t reserved) : base_(base), reserved_(reserved) {}
    void* base_ = nullptr;
    size_t reserved_ = 0, size_ = 0;
};

// While a scope lives, the decoders on its thread may give back the pages
// of these bytes they are done with (doneWithInput). Bytes from elsewhere
// (a test's string, a fuzz input) are never touched.
class InputScope {
public:
    explicit InputScope(const InputBytes& bytes);
    ~InputScope();
    InputScope(const InputScope&) = delete;
    InputScope& operator=(const InputScope&) = delete;

private:
    const uint8_t *previousBegin_, *previousEnd_;
};

// The decoder will never read [from, to) again: the whole pages inside it
// go back to the system when the bytes belong to the current InputScope.
void doneWithInput(const uint8_t* from, const uint8_t* to);

}  // namespace jollix::io_detail
