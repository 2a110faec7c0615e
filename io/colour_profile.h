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
    // Unknown codes leave the pixels as they are. High dynamic range (PQ,
    // code 16, and HLG, code 18) is brought into sRGB's range by one plain
    // tone mapping, channel by channel: the signal becomes light relative to
    // the reference white of 203 cd/m2 (PQ: its absolute light; HLG: its
    // scene light shown on a 1000 cd/m2 display, system gamma 1.2); light up
    // to 0.75 of that white stays as it is, and light above it is
    // compressed smoothly toward sRGB's white (x -> 0.75 + 0.25 d / (d +
    // 0.25), d = x - 0.75), so the reference white shows at 0.875 of sRGB's
    // white in linear light (240 of 255) and brighter highlights keep their
    // steps up to 255.
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
    // Grey profiles convert grey pixels; RGB profiles RGB ones (grey pixels
    // are given to them as RGB); CMYK profiles CMYK samples (CmykToBgr).
    bool isGrey() const { return space_ == Space::Grey; }
    bool isCmyk() const { return space_ == Space::Cmyk; }
    const void* handle() const { return profile_.get(); }

private:
    enum class Space { Rgb, Grey, Cmyk };
    static ColourProfile adopt(void* profile);
    std::shared_ptr<void> profile_;
    Space space_ = Space::Rgb;
};

// CMYK samples to BGR: through the file's CMYK profile when it has one,
// else by the plain formula (red is the light the cyan and the black ink
// leave, (1 - C)(1 - K), and so on).
class CmykToBgr {
public:
    // Samples of `bits` (8 or 16, in the machine's byte order) bits,
    // `stride` a pixel: C, M, Y, K first, then samples that are skipped.
    // Inverted samples say 0 for full ink (Adobe's CMYK JPEG files).
    CmykToBgr(const ColourProfile& profile, int bits, int stride, bool inverted);
    ~CmykToBgr();
    CmykToBgr(const CmykToBgr&) = delete;
    CmykToBgr& operator=(const CmykToBgr&) = delete;

    void convert(const void* samples, uint8_t* bgr, int count) const;

private:
    void* transform_ = nullptr;  // lcms2's, or null for the formula
    int bits_, stride_;
    bool inverted_;
};

// Converts a decoded 24-bit picture (BGR) to sRGB in place, tile by tile.
// Under a grey profile each channel goes through the profile's grey curve
// (the picture being grey); an sRGB or CMYK profile leaves it unchanged.
void convertToSrgb(Picture& picture, const ColourProfile& profile);

// The samples of a decoded row: grey, grey + alpha, RGB or RGBA, each 8 or
// 16 bits (16-bit samples in the machine's byte order).
struct RowFormat {
    int channels = 3;  // 1 grey, 2 grey + alpha, 3 RGB, 4 RGBA
    int bits = 8;      // 8 or 16
    // Colour already multiplied by alpha (a TIFF's associated alpha).
    bool premultiplied = false;
    // The colour samples are C, M, Y, K (0 for no ink): channels 4, or 5
    // with alpha.
    bool cmyk = false;
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
    std::unique_ptr<CmykToBgr> cmyk_;
    std::vector<uint8_t> spread_, flat_, bgr_;
};

}  // namespace jollix::io_detail
