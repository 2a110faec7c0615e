// Writes the hostile inputs of the fuzz corpus into the folder given: files
// that once froze the program or ate its memory, made here rather than kept
// as megabytes in the repository. Each name starts with the format it is
// for, so that every fuzz target finds its own.
#include <cstdio>
#include <fstream>
#include <string>

#include "tests/io/made_files.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_hostile_corpus FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    auto put = [&](const std::string& name, const std::string& bytes) {
        std::ofstream out(folder + "/" + name, std::ios::binary);
        out << bytes;
        return bool(out);
    };
    using namespace jollix::test;
    bool ok = true;
    // A progressive JPEG of 16384 x 16384 whose 499 AC scans ask for two
    // thousand million block visits.
    ok &= put("jpeg-progressive-499-scans.jpg", progressiveJpegBomb(16384, 499));
    // Enhanced metafiles of 100,000 picture-filling rectangles, directly and
    // through the mapping mode.
    ok &= put("emf-100000-rectangles.emf", manyRectanglesEmf(1000, 1000, 100000));
    ok &= put("emf-100000-rectangles-4000.emf", manyRectanglesEmf(4000, 4000, 100000));
    ok &= put("emf-5000-scaled-rectangles.emf", manyRectanglesEmf(1000, 1000, 5000, true));
    // A polyline running across the picture and back 200,000 times.
    ok &= put("emf-200000-line-zigzag.emf", zigzagEmf(1000, 200000));
    // Big pictures in a few bytes: a lossless WebP of one colour, an
    // animation whose one frame is its whole canvas, a HEIF grid using one
    // tile for all, a metafile filling its picture.
    ok &= put("webp-16384-one-colour.webp", oneColourWebp(16384, 16384));
    ok &= put("webp-16384-animated.webp", animatedWebp(16384, 16384, 16384, 16384));
    ok &= put("heic-grid-8192-one-tile.heic", heifGridOfOneTile(128, 128, 8192, 8192));
    ok &= put("wmf-16384-filled.wmf", fullRectangleWmf(16384, 16384));
    // What reading a device gives: zeros, under every picture name.
    const std::string zeros(1 << 20, '\0');
    for (const char* name :
         {"bmp-zeros.bmp", "jpeg-zeros.jpg", "gif-zeros.gif", "ico-zeros.ico", "wmf-zeros.wmf", "emf-zeros.emf"})
        ok &= put(name, zeros);
    // A batch rubber drag to a far point: steps, for the batch command.
    ok &= put("steps-far-rubber.txt", "rubber@0,0:1000000000,1000000000\n");
    if (!ok) std::fprintf(stderr, "make_hostile_corpus: cannot write into %s\n", folder.c_str());
    return ok ? 0 : 1;
}
