#pragma once
// Colour profiles of opened pictures, and the one way decoded pixels become
// the program's picture.
//
// Everything the program shows, edits and saves is sRGB. A file that says
// its pixels are in another colour space (an embedded ICC profile, a PNG's
// gamma and chromaticities or coding-independent code points, a HEIF's nclx
// box, a BMP's calibrated colour space) has them converted to sRGB as it is
// opened, by Little CMS (lcms2). A file that says nothing, or says sRGB, is
// taken as sRGB and its pixels are left exactly as they are.
//
// Decoders whose rows may need converting hand them, as they come, to a
// PictureRowWriter: it composes transparent parts onto white, converts the
// colours, reduces 16-bit samples to 8 bits, and gives each row to the
// decoders' PictureRows, which writes it straight into the picture's tiles
// where the file's orientation puts it: no second full-size copy is made.
// Decoders whose library hands over a finished picture convert it in place
// with convertToSrgb.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/picture.h"
#include "io/picture_rows.h"

namespace jollix::io_detail {

class ColourProfile {
public:
    // sRGB: nothing to convert.
    ColourProfile() = default;

    // An ICC profile's bytes. A profile that cannot be parsed is taken as
    // sRGB (the pixels are still good; a bad profile is no reason to refuse
    // a picture), and so is one that lcms2 recognises as sRGB itself.
    static ColourProfile fromIcc(const uint8_t* data, size_t size);

    // Coding-independent code points (ITU-T H.273), as a PNG cICP chunk or a
    // HEIF nclx box give them: colour primaries and transfer characteristics.
    // Codes the program cannot convert faithfully (PQ and HLG high dynamic
    // range) and unknown codes leave the pixels as they are.
    static ColourProfile fromCodePoints(int primaries, int transfer);

    // A PNG's gAMA (the file gamma, e.g. 0.45455) and optional cHRM (white
    // point then red, green, blue as x, y pairs; null for sRGB's). A gamma of
    // about 1/2.2 with sRGB's chromaticities is sRGB, as PNG encoders mean it.
    static ColourProfile fromGamma(double fileGamma, const double* chromaticities);

    // A BMP's colour space: the header from its size field on, `size` bytes
    // of it readable, and the whole file's bytes from the header's start for
    // an embedded profile. Headers older than version 4 say nothing (sRGB).
    static ColourProfile fromBitmapHeader(const uint8_t* header, size_t size);

    bool isSrgb() const { return !profile_; }
    // Grey profiles convert grey pixels only; RGB profiles RGB ones (grey
    // pixels are given to them as RGB).
    bool isGrey() const { return grey_; }
    const void* handle() const { return profile_.get(); }

private:
    static ColourProfile adopt(void* profile);
    std::shared_ptr<void> profile_;
    bool grey_ = false;
};

// Converts a decoded 24-bit picture (BGR) to sRGB in place, tile by tile.
// An sRGB or grey profile leaves it unchanged.
void convertToSrgb(Picture& picture, const ColourProfile& profile);

// The samples of a decoded row: grey, grey + alpha, RGB or RGBA, each 8 or
// 16 bits (16-bit samples in the machine's byte order).
struct RowFormat {
    int channels = 3;  // 1 grey, 2 grey + alpha, 3 RGB, 4 RGBA
    int bits = 8;      // 8 or 16
    // Colour already multiplied by alpha (a TIFF's associated alpha).
    bool premultiplied = false;
};

class PictureRowWriter {
public:
    // A picture for a decoded image of width x height pixels stored as
    // `orientation` (1 to 8, as EXIF numbers it) says; the picture itself is
    // upright, so orientations 5 to 8 swap its sides.
    PictureRowWriter(int width, int height, int orientation, RowFormat format, const ColourProfile& profile);
    ~PictureRowWriter();
    PictureRowWriter(const PictureRowWriter&) = delete;
    PictureRowWriter& operator=(const PictureRowWriter&) = delete;

    // Row y of the stored image: width pixels in the row format. Rows may
    // come in any order; each must come once.
    void writeRow(int y, const void* samples);
    // Part of row y of an upright picture (orientation 1): count pixels that
    // land at x0, x0 + step, x0 + 2 step ... (an interlaced PNG's passes).
    void writePixels(int y, int x0, int step, int count, const void* samples);

    int width() const { return width_; }
    // The picture, once every row has been written.
    Picture take() { return rows_.take(); }

private:
    // The samples of count pixels as BGR in bgr_.
    void convert(const void* samples, int count);
    int width_, height_, orientation_;
    RowFormat format_;
    PictureRows rows_;           // puts each row where the orientation says
    void* transform_ = nullptr;  // lcms2 transform to BGR 8-bit, or null
    bool greyToRgb_ = false;     // grey rows spread to RGB for an RGB profile
    // 16-bit rows under a profile of curves and a matrix: each channel's
    // curve as a table to linear light, the matrix to sRGB's primaries, and
    // sRGB's curve as a table from linear light.
    struct MatrixShaper;
    std::unique_ptr<MatrixShaper> shaper_;
    std::vector<uint8_t> spread_, flat_, bgr_;
};

}  // namespace jollix::io_detail
