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
    while (c.next_scanline < c.image_height) {
        picture.readRow(int(c.next_scanline), row.data());
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

}  // namespace jollix::test
