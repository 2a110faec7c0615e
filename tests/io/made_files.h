#pragma once
// Picture files made on the spot for the tests, the benchmarks and the
// hostile part of the fuzz corpus (tests/tools/make_hostile_corpus.cpp):
// a progressive JPEG written by libjpeg's standard scan script, a small
// progressive JPEG that asks for an enormous amount of decoding work, and
// an enhanced metafile of many picture-filling rectangles. Free of the test
// framework, so that the benchmark and the corpus maker can use it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "core/picture.h"
#include "core/tiles.h"
#include "metafile_builder.h"

namespace jollix::test {

// The picture as a progressive JPEG (libjpeg's default progression for
// colour: 10 scans), quality 90.
inline std::string progressiveJpeg(const Picture& picture) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = JDIMENSION(picture.width());
    c.image_height = JDIMENSION(picture.height());
    c.input_components = 3;
    c.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 90, TRUE);
    jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(size_t(picture.width()) * 3);
    const jollix::TileReader reader(picture);
    while (c.next_scanline < c.image_height) {
        reader.copyRow(int(c.next_scanline), 0, picture.width(), row.data());
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::string out(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return out;
}

// A well-formed greyscale progressive JPEG of side x side pixels (side a
// multiple of 8) with one DC scan and `acScans` AC scans that say "all
// zero" in a few bytes each: single-coefficient bands, each a first scan at
// the coarsest bit followed by its refinements, so that the progression is
// legal throughout. 16384 and 499 make a file of about 600 KB that makes a
// decoder without a work budget visit two thousand million blocks.
inline std::string progressiveJpegBomb(int side, int acScans) {
    std::string out;
    auto byte = [&](unsigned v) { out.push_back(char(v & 0xFF)); };
    auto word = [&](unsigned v) {
        byte(v >> 8);
        byte(v);
    };
    // Entropy-coded bits, most significant first, 0xFF stuffed with 0x00.
    unsigned acc = 0;
    int bits = 0;
    auto putBits = [&](unsigned value, int count) {
        for (int i = count - 1; i >= 0; --i) {
            acc = (acc << 1) | ((value >> i) & 1);
            if (++bits == 8) {
                byte(acc);
                if ((acc & 0xFF) == 0xFF) byte(0);
                acc = 0;
                bits = 0;
            }
        }
    };
    auto flush = [&] {
        if (bits) putBits(0x7F, 8 - bits);  // pad with ones
    };

    const uint64_t blocks = uint64_t(side / 8) * uint64_t(side / 8);
    word(0xFFD8);
    word(0xFFDB), word(67), byte(0);  // quantisation table 0: all ones
    for (int i = 0; i < 64; ++i) byte(1);
    word(0xFFC2), word(11), byte(8), word(unsigned(side)), word(unsigned(side)), byte(1);  // SOF2
    byte(1), byte(0x11), byte(0);
    // DC table 0: one symbol, 0 (no difference), code "0".
    word(0xFFC4), word(20), byte(0x00), byte(1);
    for (int i = 1; i < 16; ++i) byte(0);
    byte(0x00);
    // AC table 0: EOB7 (run of 128..255 blocks) as "0", EOB14 as "10".
    word(0xFFC4), word(21), byte(0x10), byte(1), byte(1);
    for (int i = 2; i < 16; ++i) byte(0);
    byte(0x70), byte(0xE0);
    auto scanHeader = [&](int ss, int se, int ah, int al) {
        word(0xFFDA), word(8), byte(1), byte(1), byte(0x00), byte(unsigned(ss)), byte(unsigned(se)),
            byte(unsigned(ah << 4 | al));
    };
    scanHeader(0, 0, 0, 0);
    for (uint64_t i = 0; i < blocks; ++i) putBits(0, 1);
    flush();
    int band = 1, ah = 0;
    for (int scan = 0; scan < acScans; ++scan) {
        // Band `band` at bit level: first scan Al 13, then Ah 13 .. 1.
        const int al = ah == 0 ? 13 : ah - 1;
        scanHeader(band, band, ah, al);
        uint64_t left = blocks;
        while (left >= 32767 + 128 || left == 32767) {
            putBits(0b10, 2);  // EOB14 + 14 bits: a run of 32767 blocks
            putBits(0x3FFF, 14);
            left -= 32767;
        }
        while (left > 0) {
            // Runs of 128 .. 255 blocks: EOB7 + 7 bits.
            const uint64_t run = left > 255 ? 128 : left;
            if (run < 128) throw std::logic_error("the side must be at least 96 pixels");
            putBits(0, 1);
            putBits(unsigned(run - 128), 7);
            left -= run;
        }
        flush();
        ah = al == 0 ? 0 : al;
        if (al == 0) ++band;
        if (band > 63) break;
    }
    word(0xFFD9);
    return out;
}

// An enhanced metafile of width x height pixels (at 96 pixels per inch)
// drawing `count` rectangles that each cover the whole picture. With
// `scaled`, each rectangle is 1 x 1 logical unit and the mapping mode
// stretches it over the picture.
inline std::string manyRectanglesEmf(int width, int height, int count, bool scaled = false) {
    auto hundredthsMm = [](int px) { return int32_t(px * 2540LL / 96); };
    EmfBuilder emf(width - 1, height - 1, hundredthsMm(width), hundredthsMm(height));
    if (scaled) {
        emf.record(17, {8});                                  // MM_ANISOTROPIC
        emf.record(9, {1, 1});                                // window extent
        emf.record(11, {uint32_t(width), uint32_t(height)});  // viewport extent
    }
    emf.brush(1, 0x0000FF).select(1);
    for (int i = 0; i < count; ++i) scaled ? emf.rectangle(0, 0, 1, 1) : emf.rectangle(0, 0, width, height);
    return emf.bytes();
}

// An enhanced metafile of side x side pixels whose one polyline runs
// `points` times across the picture and back, from far outside it on either
// side: few bytes a line, each line as long as the picture is wide.
inline std::string zigzagEmf(int side, int points) {
    auto hundredthsMm = [](int px) { return int32_t(px * 2540LL / 96); };
    EmfBuilder emf(side - 1, side - 1, hundredthsMm(side), hundredthsMm(side));
    std::string fields;
    auto put = [&fields](uint32_t v) {
        for (int i = 0; i < 4; ++i) fields.push_back(char((v >> (8 * i)) & 0xFF));
    };
    for (int i = 0; i < 4; ++i) put(0);  // bounds
    put(uint32_t(points));
    for (int i = 0; i < points; ++i) {
        put(uint32_t(i % 2 ? -1000000000 : 1000000000));
        put(uint32_t(int64_t(i) * side / points));
    }
    return emf.rawRecord(4, fields).bytes();  // EMR_POLYLINE
}

// Little-endian bytes of the file formats below.
inline void putLe(std::string& s, uint64_t v, int bytes) {
    // Bytes past the eighth are zero (a 64-bit shift by 64 or more is undefined).
    for (int i = 0; i < bytes; ++i) s.push_back(i < 8 ? char((v >> (8 * i)) & 0xFF) : char(0));
}
inline void putBe(std::string& s, uint64_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) s.push_back(char((v >> (8 * i)) & 0xFF));
}

// The bits of a lossless WebP image (VP8L) of width x height pixels, all of
// one colour (0xAARRGGBB): each of its five codes has a single symbol, so
// that a pixel costs no bits at all. 16384 square takes 14 bytes.
inline std::string losslessWebpBits(int width, int height, uint32_t argb) {
    std::string out;
    uint64_t acc = 0;
    int used = 0;
    auto bits = [&](uint32_t v, int n) {
        acc |= uint64_t(v) << used;
        used += n;
        while (used >= 8) {
            out.push_back(char(acc & 0xFF));
            acc >>= 8;
            used -= 8;
        }
    };
    bits(0x2F, 8);
    bits(uint32_t(width - 1), 14);
    bits(uint32_t(height - 1), 14);
    bits(argb >> 24 != 0xFF, 1);  // alpha used
    bits(0, 3);                   // version
    bits(0, 1);                   // no transform
    bits(0, 1);                   // no colour cache
    bits(0, 1);                   // no meta codes
    // Green, red, blue, alpha, distance: a simple code of one 8-bit symbol.
    const uint32_t symbols[5] = {(argb >> 8) & 0xFF, (argb >> 16) & 0xFF, argb & 0xFF, argb >> 24, 0};
    for (uint32_t symbol : symbols) {
        bits(1, 1);  // simple code
        bits(0, 1);  // one symbol
        bits(1, 1);  // of 8 bits
        bits(symbol, 8);
    }
    if (used) bits(0, 8 - used);
    return out;
}

// A RIFF chunk, padded to an even length.
inline std::string riffChunk(const char* fourcc, const std::string& data) {
    std::string out(fourcc, 4);
    putLe(out, data.size(), 4);
    out += data;
    if (data.size() % 2) out.push_back('\0');
    return out;
}
inline std::string riffWebp(const std::string& chunks) {
    std::string out = "RIFF";
    putLe(out, 4 + chunks.size(), 4);
    return out + "WEBP" + chunks;
}

// A lossless WebP file of width x height pixels of one colour: 34 bytes
// whatever its size (the format's limit is 16384 a side).
inline std::string oneColourWebp(int width, int height, uint32_t argb = 0xFF3060C0) {
    return riffWebp(riffChunk("VP8L", losslessWebpBits(width, height, argb)));
}

// An animated WebP file whose canvas is width x height, holding one frame
// of frameWidth x frameHeight of one colour at (x, y) (even numbers), on a
// background colour (0xAARRGGBB).
inline std::string animatedWebp(int width, int height, int frameWidth, int frameHeight, int x = 0, int y = 0,
                                uint32_t background = 0xFFFFFFFF, uint32_t argb = 0xFF3060C0) {
    std::string vp8x;
    putLe(vp8x, 0x02 | 0x10, 1);  // animation, alpha
    putLe(vp8x, 0, 3);
    putLe(vp8x, uint32_t(width - 1), 3);
    putLe(vp8x, uint32_t(height - 1), 3);
    std::string anim;
    putLe(
        anim,
        ((background >> 16) & 0xFF) | (background & 0xFF00) | ((background & 0xFF) << 16) | (background & 0xFF000000u),
        4);  // stored as blue, green, red, alpha
    putLe(anim, 0, 2);
    std::string frame;
    putLe(frame, uint32_t(x / 2), 3);
    putLe(frame, uint32_t(y / 2), 3);
    putLe(frame, uint32_t(frameWidth - 1), 3);
    putLe(frame, uint32_t(frameHeight - 1), 3);
    putLe(frame, 100, 3);  // duration
    putLe(frame, 0, 1);    // alpha-blend, no disposal
    frame += riffChunk("VP8L", losslessWebpBits(frameWidth, frameHeight, argb));
    return riffWebp(riffChunk("VP8X", vp8x) + riffChunk("ANIM", anim) + riffChunk("ANMF", frame));
}

// An ISO base media box.
inline std::string isoBox(const char* type, const std::string& body) {
    std::string out;
    putBe(out, 8 + body.size(), 4);
    return out + std::string(type, 4) + body;
}
inline std::string isoFullBox(const char* type, int version, uint32_t flags, const std::string& body) {
    std::string head;
    putBe(head, (uint32_t(version) << 24) | flags, 4);
    return isoBox(type, head + body);
}

// A HEIF file whose primary image is a grid of columns x rows tiles of 64 x
// 64 pixels, output width x height, every tile the same coded image (one
// HEVC tile of a grey-blue photo crop, 212 bytes): a few bytes a tile.
// extraItems more items (EXIF blocks, all the same bytes) come with it.
inline std::string heifGridOfOneTile(int columns, int rows, int width, int height, int extraItems = 0) {
    auto hex = [](const char* h) {
        std::string out;
        for (; h[0] && h[1]; h += 2) out.push_back(char(std::strtoul(std::string(h, 2).c_str(), nullptr, 16)));
        return out;
    };
    const std::string hvcC =
        hex("00000073687663430103700000000000000000001ef000fcfdf8f800000f03200001001840010c01ffff03700000030090000003"
            "000003001eba0240210001002742010103700000030090000003000003001ea020810596eaae9ae6c0800000030080000003008422"
            "000100064401c173c189");
    const std::string tile = hex(
        "000000d02801af06b208ad080780f17094081d126ec74563570d32073983ca9d1696d146c20663d629bcf84fa6bffff37d3a3241dc"
        "26d31c8b3d94a0f70deea16f23d3ff9ec98dc1ac615a98a42911f3f02fa0a94eb05612ad9d8f7986a454959d6218cd4cdab3add102"
        "3e70fd4f24103a449ff1923620cc1541d614894b65e344eb05817a2747d0f8e5b27c39a7a9f6a402b82b41e02a7de6002666c32663"
        "adf21f782a5d093a025ba9e847fe7f8944c187ffcf890c1b627f8ef7fd585078864ec5b9974053659ac5f7b9084050e9e5e11f1890");
    const std::string ftyp = hex("0000001c6674797068656963000000006d696631686569636d696166");
    const std::string hdlr = hex("0000002168646c7200000000000000007069637400000000000000000000000000");
    std::string pitm;
    putBe(pitm, 2, 2);
    // The grid: 32-bit output sizes.
    std::string grid;
    putBe(grid, 0, 1);
    putBe(grid, 1, 1);
    putBe(grid, uint32_t(rows - 1), 1);
    putBe(grid, uint32_t(columns - 1), 1);
    putBe(grid, uint32_t(width), 4);
    putBe(grid, uint32_t(height), 4);
    auto infe = [&](int id, const char* type) {
        std::string body;
        putBe(body, uint32_t(id), 2);
        putBe(body, 0, 2);
        return isoFullBox("infe", 2, 0, body + std::string(type, 4) + std::string(1, '\0'));
    };
    std::string iinf;
    putBe(iinf, uint32_t(2 + extraItems), 2);
    iinf += infe(1, "hvc1") + infe(2, "grid");
    for (int i = 0; i < extraItems; ++i) iinf += infe(3 + i, "Exif");
    iinf = isoFullBox("iinf", 0, 0, iinf);
    std::string dimg;
    putBe(dimg, 2, 2);
    putBe(dimg, uint32_t(columns * rows), 2);
    for (int i = 0; i < columns * rows; ++i) putBe(dimg, 1, 2);
    const std::string iref = isoFullBox("iref", 0, 0, isoBox("dimg", dimg));
    auto ispe = [&](int w, int h) {
        std::string body;
        putBe(body, uint32_t(w), 4);
        putBe(body, uint32_t(h), 4);
        return isoFullBox("ispe", 0, 0, body);
    };
    const std::string pixi = isoFullBox("pixi", 0, 0, hex("03080808"));
    const std::string ipco = isoBox("ipco", hvcC + ispe(64, 64) + ispe(width, height) + pixi);
    const std::string ipma = isoFullBox("ipma", 0, 0,
                                        hex("00000002000102810200020203"
                                            "84"));
    const std::string iprp = isoBox("iprp", ipco + ipma);
    const std::string idat = isoBox("idat", grid);
    // iloc: version 1, offsets and lengths of 4 bytes, base offsets of 4.
    auto meta = [&](uint32_t tileAt) {
        std::string iloc;
        putBe(iloc, 0x4440, 2);
        putBe(iloc, uint32_t(2 + extraItems), 2);
        putBe(iloc, 1, 2), putBe(iloc, 0, 2), putBe(iloc, 0, 2), putBe(iloc, 0, 4), putBe(iloc, 1, 2);
        putBe(iloc, tileAt, 4), putBe(iloc, tile.size(), 4);
        putBe(iloc, 2, 2), putBe(iloc, 1, 2), putBe(iloc, 0, 2), putBe(iloc, 0, 4), putBe(iloc, 1, 2);
        putBe(iloc, 0, 4), putBe(iloc, grid.size(), 4);
        for (int i = 0; i < extraItems; ++i) {
            putBe(iloc, uint32_t(3 + i), 2), putBe(iloc, 0, 2), putBe(iloc, 0, 2), putBe(iloc, 0, 4);
            putBe(iloc, 1, 2), putBe(iloc, tileAt, 4), putBe(iloc, tile.size(), 4);
        }
        return isoFullBox(
            "meta", 0, 0,
            hdlr + isoFullBox("pitm", 0, 0, pitm) + idat + isoFullBox("iloc", 1, 0, iloc) + iinf + iprp + iref);
    };
    const size_t tileAt = ftyp.size() + meta(0).size() + 8;
    return ftyp + meta(uint32_t(tileAt)) + isoBox("mdat", tile);
}

// A placeable metafile of width x height pixels (at 96 pixels per inch)
// that fills its whole picture with one rectangle: 82 bytes.
inline std::string fullRectangleWmf(int width, int height) {
    return WmfBuilder(true, int16_t(width), int16_t(height), 96)
        .brush(0x3060C0)
        .select(0)
        .rectangle(0, 0, int16_t(width), int16_t(height))
        .bytes();
}

// A bitmap file of width x height pixels, 24 bits, bottom-up, of a pattern
// that changes along both sides.
inline std::string patternBmp(int width, int height) {
    const uint64_t stride = (uint64_t(width) * 3 + 3) & ~uint64_t(3);
    std::string out = "BM";
    putLe(out, 54 + stride * uint64_t(height), 4);
    putLe(out, 0, 4);
    putLe(out, 54, 4);
    putLe(out, 40, 4);
    putLe(out, uint32_t(width), 4);
    putLe(out, uint32_t(height), 4);
    putLe(out, 1, 2);
    putLe(out, 24, 2);
    putLe(out, 0, 4);
    putLe(out, stride * uint64_t(height), 4);
    putLe(out, 0, 16);
    out.resize(size_t(54 + stride * uint64_t(height)));
    for (int y = 0; y < height; ++y) {
        char* row = &out[size_t(54 + stride * uint64_t(y))];
        for (int x = 0; x < width; ++x) {
            row[3 * x] = char(x);
            row[3 * x + 1] = char(y);
            row[3 * x + 2] = char(x ^ y);
        }
    }
    return out;
}

}  // namespace jollix::test
