#pragma once
// Byte builders for small Windows and enhanced metafiles, record by record,
// as a drawing program would write them: the tests use them to make
// metafiles with content that the program's own writer never produces
// (shapes, text, pens and brushes, files without the placeable header).
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace jollix::test {

class WmfBuilder {
public:
    // A placeable file with the given bounding box and units per inch, or
    // (placeable = false) a bare metafile.
    WmfBuilder(bool placeable, int16_t right, int16_t bottom, uint16_t unitsPerInch = 96)
        : placeable_(placeable), right_(right), bottom_(bottom), inch_(unitsPerInch) {}

    // A record of 16-bit parameters.
    WmfBuilder& record(uint16_t function, std::initializer_list<uint16_t> params) {
        return record(function, std::vector<uint16_t>(params));
    }
    WmfBuilder& record(uint16_t function, const std::vector<uint16_t>& params) {
        const uint32_t words = 3 + uint32_t(params.size());
        put32(body_, words);
        put16(body_, function);
        for (uint16_t p : params) put16(body_, p);
        largest_ = std::max(largest_, words);
        return *this;
    }
    WmfBuilder& windowOrg(int16_t x, int16_t y) { return record(0x020B, {uint16_t(y), uint16_t(x)}); }
    WmfBuilder& windowExt(int16_t x, int16_t y) { return record(0x020C, {uint16_t(y), uint16_t(x)}); }
    // Solid brush of colour 0x00BBGGRR.
    WmfBuilder& brush(uint32_t colour) {
        ++objects_;
        return record(0x02FC, {0, uint16_t(colour), uint16_t(colour >> 16), 0});
    }
    WmfBuilder& pen(uint32_t colour, int16_t width = 1) {
        ++objects_;
        return record(0x02FA, {0, uint16_t(width), 0, uint16_t(colour), uint16_t(colour >> 16)});
    }
    WmfBuilder& nullPen() {
        ++objects_;
        return record(0x02FA, {5, 0, 0, 0, 0});
    }
    WmfBuilder& select(uint16_t index) { return record(0x012D, {index}); }
    WmfBuilder& rectangle(int16_t l, int16_t t, int16_t r, int16_t b) {
        return record(0x041B, {uint16_t(b), uint16_t(r), uint16_t(t), uint16_t(l)});
    }
    WmfBuilder& ellipse(int16_t l, int16_t t, int16_t r, int16_t b) {
        return record(0x0418, {uint16_t(b), uint16_t(r), uint16_t(t), uint16_t(l)});
    }
    WmfBuilder& font(int16_t height, const std::string& face) {
        ++objects_;
        std::vector<uint16_t> p = {uint16_t(height), 0, 0, 0, 400, 0, 0, 0, 0};
        std::string name = face;
        name.resize(32, '\0');
        for (size_t i = 0; i < 32; i += 2) p.push_back(uint16_t(uint8_t(name[i]) | (uint8_t(name[i + 1]) << 8)));
        return record(0x02FB, p);
    }
    WmfBuilder& textOut(int16_t x, int16_t y, const std::string& text) {
        std::vector<uint16_t> p = {uint16_t(text.size())};
        std::string s = text;
        if (s.size() % 2) s.push_back('\0');
        for (size_t i = 0; i < s.size(); i += 2) p.push_back(uint16_t(uint8_t(s[i]) | (uint8_t(s[i + 1]) << 8)));
        p.push_back(uint16_t(y));
        p.push_back(uint16_t(x));
        return record(0x0521, p);
    }

    std::string bytes() const {
        std::string out;
        if (placeable_) {
            const uint16_t w[10] = {0xCDD7, 0x9AC6, 0, 0, 0, uint16_t(right_), uint16_t(bottom_), inch_, 0, 0};
            uint16_t sum = 0;
            for (uint16_t v : w) {
                put16(out, v);
                sum ^= v;
            }
            put16(out, sum);
        }
        std::string body = body_;
        put32(body, 3);
        put16(body, 0);
        put16(out, 1);
        put16(out, 9);
        put16(out, 0x0300);
        put32(out, uint32_t(9 + body.size() / 2));
        put16(out, objects_);
        put32(out, largest_);
        put16(out, 0);
        return out + body;
    }

private:
    static void put16(std::string& s, uint32_t v) {
        s.push_back(char(v & 0xFF));
        s.push_back(char((v >> 8) & 0xFF));
    }
    static void put32(std::string& s, uint32_t v) {
        put16(s, v & 0xFFFF);
        put16(s, v >> 16);
    }
    bool placeable_;
    int16_t right_, bottom_;
    uint16_t inch_;
    uint16_t objects_ = 0;
    uint32_t largest_ = 3;
    std::string body_;
};

// Enhanced metafiles: a header with the given bounds (device pixels) and
// frame (0.01 mm), records of 32-bit fields, and the EOF record.
class EmfBuilder {
public:
    EmfBuilder(int32_t boundsRight, int32_t boundsBottom, int32_t frameRight, int32_t frameBottom)
        : bounds_{0, 0, boundsRight, boundsBottom}, frame_{0, 0, frameRight, frameBottom} {}

    EmfBuilder& record(uint32_t type, std::initializer_list<uint32_t> fields) {
        put32(body_, type);
        put32(body_, uint32_t(8 + fields.size() * 4));
        for (uint32_t f : fields) put32(body_, f);
        ++records_;
        return *this;
    }
    // Raw record bytes after type and size (padded to 4 bytes by the caller).
    EmfBuilder& rawRecord(uint32_t type, const std::string& payload) {
        put32(body_, type);
        put32(body_, uint32_t(8 + payload.size()));
        body_ += payload;
        ++records_;
        return *this;
    }
    EmfBuilder& brush(uint32_t index, uint32_t colour) { return record(39, {index, 0, colour, 0}); }
    EmfBuilder& pen(uint32_t index, uint32_t colour) { return record(38, {index, 0, 1, 0, colour}); }
    EmfBuilder& select(uint32_t index) { return record(37, {index}); }
    EmfBuilder& rectangle(int32_t l, int32_t t, int32_t r, int32_t b) {
        return record(43, {uint32_t(l), uint32_t(t), uint32_t(r), uint32_t(b)});
    }
    EmfBuilder& ellipse(int32_t l, int32_t t, int32_t r, int32_t b) {
        return record(42, {uint32_t(l), uint32_t(t), uint32_t(r), uint32_t(b)});
    }

    std::string bytes() const {
        std::string body = body_;
        put32(body, 14);  // EMR_EOF
        put32(body, 20);
        put32(body, 0);
        put32(body, 16);
        put32(body, 20);
        std::string out;
        put32(out, 1);  // EMR_HEADER
        put32(out, 108);
        for (int32_t v : bounds_) put32(out, uint32_t(v));
        for (int32_t v : frame_) put32(out, uint32_t(v));
        put32(out, 0x464D4520);
        put32(out, 0x10000);
        put32(out, uint32_t(108 + body.size()));
        put32(out, uint32_t(records_ + 2));
        put16(out, 8);  // handles
        put16(out, 0);
        put32(out, 0);  // description
        put32(out, 0);
        put32(out, 0);     // palette entries
        put32(out, 1920);  // reference device, pixels
        put32(out, 1080);
        put32(out, 508);  // and millimetres (96 dpi)
        put32(out, 286);
        put32(out, 0);  // pixel format
        put32(out, 0);
        put32(out, 0);       // OpenGL
        put32(out, 508000);  // micrometres
        put32(out, 285750);
        return out + body;
    }

private:
    static void put16(std::string& s, uint32_t v) {
        s.push_back(char(v & 0xFF));
        s.push_back(char((v >> 8) & 0xFF));
    }
    static void put32(std::string& s, uint32_t v) {
        put16(s, v & 0xFFFF);
        put16(s, v >> 16);
    }
    int32_t bounds_[4];
    int32_t frame_[4];
    size_t records_ = 0;
    std::string body_;
};

}  // namespace jollix::test
