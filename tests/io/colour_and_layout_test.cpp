// Colour profiles converted to sRGB as pictures open, PNG and TIFF files of
// every depth and layout, valid files of unsupported kinds named as such, no
// library talking on standard error, and picture bombs decoded in the memory
// and time of their picture. Every file is made here: by ImageMagick from
// pixels the test knows, or byte by byte.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <lcms2.h>
#include <libheif/heif.h>
#include <zlib.h>

#include "core/error.h"
#include "io/picture_files.h"
#include "io_test_util.h"

using namespace jollix;
using namespace jollix::test;

namespace {

// ---- files made here ------------------------------------------------------

std::string zlibOf(const std::string& raw) {
    uLongf size = compressBound(uLong(raw.size()));
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(raw.data()),
              uLong(raw.size()), 9);
    out.resize(size);
    return out;
}

// A PNG of the given header whose IDAT holds `zdata` (a zlib stream), with
// `extra` chunks (already framed) before it.
std::string pngWith(uint32_t w, uint32_t h, int depth, int colourType, const std::string& zdata,
                    const std::string& extra = "") {
    std::string png = "\x89PNG\r\n\x1A\n";
    std::string ihdr;
    bigEndian32(ihdr, w);
    bigEndian32(ihdr, h);
    ihdr += char(depth);
    ihdr += char(colourType);
    ihdr += std::string(3, '\0');
    pngChunk(png, "IHDR", ihdr);
    png += extra;
    for (size_t at = 0; at < zdata.size(); at += size_t(1) << 20)
        pngChunk(png, "IDAT", zdata.substr(at, size_t(1) << 20));
    if (zdata.empty()) pngChunk(png, "IDAT", "");
    pngChunk(png, "IEND", "");
    return png;
}

// A little-endian TIFF of one strip: tags as (tag, type, count, values);
// values of SHORT (3) and LONG (4) type. The strip offset and byte count
// tags are added.
struct Tag {
    uint16_t tag, type;
    std::vector<uint32_t> values;
};
std::string tiffWith(std::vector<Tag> tags, const std::string& strip) {
    std::string out = "II*";
    out += '\0';
    put32(out, 8);
    tags.push_back({273, 4, {0}});  // strip offset, filled below
    tags.push_back({279, 4, {uint32_t(strip.size())}});
    std::sort(tags.begin(), tags.end(), [](const Tag& a, const Tag& b) { return a.tag < b.tag; });
    const size_t ifdSize = 2 + tags.size() * 12 + 4;
    std::string overflow;  // values that do not fit in their entry
    const size_t overflowAt = 8 + ifdSize;
    std::string ifd;
    put16(ifd, uint32_t(tags.size()));
    std::vector<size_t> stripOffsetEntry;
    for (const Tag& t : tags) {
        put16(ifd, t.tag);
        put16(ifd, t.type);
        put32(ifd, uint32_t(t.values.size()));
        std::string v;
        for (uint32_t x : t.values) t.type == 3 ? put16(v, x) : put32(v, x);
        if (t.tag == 273) stripOffsetEntry.push_back(ifd.size());
        if (v.size() <= 4) {
            v.resize(4, '\0');
            ifd += v;
        } else {
            put32(ifd, uint32_t(overflowAt + overflow.size()));
            overflow += v;
        }
    }
    put32(ifd, 0);
    out += ifd + overflow;
    const uint32_t stripAt = uint32_t(out.size());
    for (size_t e : stripOffsetEntry)
        for (int i = 0; i < 4; ++i) out[8 + e + size_t(i)] = char(stripAt >> (8 * i));
    return out + strip;
}

// A PAM file (ImageMagick reads it) of 1 to 4 samples a pixel, 8 or 16 bits.
void writePam(const std::string& path, int w, int h, int channels, int maxval, const std::vector<uint16_t>& samples) {
    static const char* tuple[] = {"", "GRAYSCALE", "GRAYSCALE_ALPHA", "RGB", "RGB_ALPHA"};
    std::string out = "P7\nWIDTH " + std::to_string(w) + "\nHEIGHT " + std::to_string(h) + "\nDEPTH " +
                      std::to_string(channels) + "\nMAXVAL " + std::to_string(maxval) + "\nTUPLTYPE " +
                      tuple[channels] + "\nENDHDR\n";
    for (uint16_t v : samples) {
        if (maxval > 255) out += char(v >> 8);
        out += char(v & 255);
    }
    writeBytes(path, out);
}

void magick(const std::string& args) {
    const std::string command = "convert " + args + " 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// ---- colours ----------------------------------------------------------------

// A smooth, saturated picture: hues across, lightness down.
Picture colourfulPicture(int w, int h) {
    Picture p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double hue = 6.0 * x / w, light = 0.25 + 0.6 * y / h;
            const double c = std::min(light, 1 - light) * 2 * 0.95;
            const double f = c * (1 - std::fabs(std::fmod(hue, 2.0) - 1));
            double r = 0, g = 0, b = 0;
            switch (int(hue)) {
                case 0: r = c, g = f; break;
                case 1: r = f, g = c; break;
                case 2: g = c, b = f; break;
                case 3: g = f, b = c; break;
                case 4: r = f, b = c; break;
                default: r = c, b = f; break;
            }
            const double m = light - c / 2;
            auto byte = [m](double v) { return uint32_t(std::lround(std::clamp(v + m, 0.0, 1.0) * 255)); };
            p.setPixel(x, y, byte(r) | byte(g) << 8 | byte(b) << 16);
        }
    return p;
}

double meanSaturation(const Picture& p) {
    double sum = 0;
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x) {
            const uint32_t c = p.pixel(x, y);
            const int r = c & 255, g = (c >> 8) & 255, b = (c >> 16) & 255;
            const int hi = std::max({r, g, b}), lo = std::min({r, g, b});
            sum += hi == 0 ? 0 : double(hi - lo) / hi;
        }
    return sum / (double(p.width()) * p.height());
}

// An Adobe RGB (1998) compatible profile: its primaries, D65 white, gamma 563/256.
cmsHPROFILE adobeRgbProfile() {
    const cmsCIExyY white{0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}};
    cmsToneCurve* curve = cmsBuildGamma(nullptr, 563.0 / 256.0);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE p = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(curve);
    return p;
}

std::string profileBytes(cmsHPROFILE p) {
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(p, nullptr, &size);
    std::string bytes(size, '\0');
    cmsSaveProfileToMem(p, bytes.data(), &size);
    return bytes;
}

// The picture's pixels as 16-bit RGB samples in the given profile's space.
std::vector<uint16_t> samplesIn(const Picture& p, cmsHPROFILE to) {
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHTRANSFORM t = cmsCreateTransform(srgb, TYPE_RGB_8, to, TYPE_RGB_16, INTENT_PERCEPTUAL, cmsFLAGS_NOOPTIMIZE);
    std::vector<uint8_t> rgb;
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x) {
            const uint32_t c = p.pixel(x, y);
            rgb.insert(rgb.end(), {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16)});
        }
    std::vector<uint16_t> out(rgb.size());
    cmsDoTransform(t, rgb.data(), out.data(), cmsUInt32Number(rgb.size() / 3));
    cmsDeleteTransform(t);
    cmsCloseProfile(srgb);
    return out;
}

}  // namespace

TEST(ColourProfiles, AdobeRgbFilesOpenAsTheSrgbPictureTheyWereMadeFrom) {
    TempDir dir;
    const Picture original = colourfulPicture(96, 64);
    cmsHPROFILE adobe = adobeRgbProfile();
    writeBytes(dir / "adobe.icc", profileBytes(adobe));
    const std::vector<uint16_t> adobeSamples = samplesIn(original, adobe);
    writePam(dir / "adobe.pam", 96, 64, 3, 65535, adobeSamples);
    // What a file of 8-bit Adobe RGB samples should give: those samples (the
    // file opened without its profile) converted exactly, the slow way.
    auto exactly = [&](const std::string& file) {
        magick(file + " +profile icc " + file + ".bare.png");
        const Picture raw = loadPictureFile(file + ".bare.png");
        std::vector<uint8_t> in, out(size_t(raw.width()) * raw.height() * 3);
        for (int y = 0; y < raw.height(); ++y)
            for (int x = 0; x < raw.width(); ++x) {
                const uint32_t c = raw.pixel(x, y);
                in.insert(in.end(), {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16)});
            }
        cmsHPROFILE from = adobeRgbProfile(), srgb = cmsCreate_sRGBProfile();
        cmsHTRANSFORM t =
            cmsCreateTransform(from, TYPE_RGB_8, srgb, TYPE_BGR_8, INTENT_PERCEPTUAL, cmsFLAGS_NOOPTIMIZE);
        cmsDoTransform(t, in.data(), out.data(), cmsUInt32Number(in.size() / 3));
        cmsDeleteTransform(t);
        cmsCloseProfile(from);
        cmsCloseProfile(srgb);
        return Picture::fromFlat(raw.width(), raw.height(), out.data(), size_t(raw.width()) * 3);
    };
    cmsCloseProfile(adobe);
    // The Adobe RGB pixels with the profile attached (not converted).
    // JPEG noise: what the same encoder does to the sRGB picture itself.
    writePam(dir / "srgb.pam", 96, 64, 3, 255, [&] {
        std::vector<uint16_t> v;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 96; ++x) {
                const uint32_t c = original.pixel(x, y);
                v.insert(v.end(), {uint16_t(c & 255), uint16_t((c >> 8) & 255), uint16_t(c >> 16)});
            }
        return v;
    }());
    magick(dir / "srgb.pam" + " -quality 97 -sampling-factor 1x1 " + dir / "srgb.jpg");
    const Picture plainJpeg = loadPictureFile(dir / "srgb.jpg");
    const int noiseMax = maxChannelDifference(plainJpeg, original);
    const double noiseMean = meanChannelDifference(plainJpeg, original);
    std::printf("JPEG noise of the sRGB picture: max %d, mean %.2f\n", noiseMax, noiseMean);
    struct Case {
        const char* file;
        const char* options;
        bool sixteen;
    } cases[] = {
        {"a.jpg", "-quality 97 -sampling-factor 1x1", false},
        {"a.png", "-depth 16", true},
        {"a.tif", "-depth 16 -compress zip", true},
        {"a8.png", "-depth 8", false},
        {"a8.tif", "-depth 8", false},
        {"a.webp", "-define webp:lossless=true", false},
    };
    for (const Case& c : cases) {
        magick(dir / "adobe.pam" + " -profile " + dir / "adobe.icc" + " " + c.options + " " + dir / c.file);
        const Picture p = loadPictureFile(dir / c.file);
        // 16-bit files give the picture back; 8-bit ones what their samples
        // hold (near black Adobe RGB's 8-bit steps are coarse in sRGB).
        const Picture best = c.sixteen ? original : exactly(dir / c.file);
        EXPECT_LE(maxChannelDifference(p, best), 1) << c.file;
        EXPECT_LE(meanChannelDifference(p, best), 0.05) << c.file;
        EXPECT_LE(meanChannelDifference(p, original), 2 * noiseMean + 0.3) << c.file;
        EXPECT_NEAR(meanSaturation(p), meanSaturation(original), 0.01) << c.file;
        std::printf("%s: max %d, mean %.2f from the sRGB picture\n", c.file, maxChannelDifference(p, original),
                    meanChannelDifference(p, original));
    }
    // The same JPEG without its profile shows the washed-out Adobe numbers.
    magick(dir / "a.jpg" + " +profile icc " + dir / "bare.jpg");
    const double bare = meanSaturation(loadPictureFile(dir / "bare.jpg"));
    const double managed = meanSaturation(loadPictureFile(dir / "a.jpg"));
    std::printf("mean saturation: original %.3f, Adobe RGB JPEG unmanaged %.3f, managed %.3f\n",
                meanSaturation(original), bare, managed);
    EXPECT_LT(bare, managed - 0.05);
}

TEST(ColourProfiles, FilesWithoutAProfileOrWithAnSrgbOneKeepTheirPixelsExactly) {
    TempDir dir;
    const Picture original = samplePicture(70, 50);
    std::vector<uint16_t> samples;
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 70; ++x) {
            const uint32_t c = original.pixel(x, y);
            samples.insert(samples.end(), {uint16_t(c & 255), uint16_t((c >> 8) & 255), uint16_t(c >> 16)});
        }
    writePam(dir / "src.pam", 70, 50, 3, 255, samples);
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    writeBytes(dir / "srgb.icc", profileBytes(srgb));
    cmsCloseProfile(srgb);
    const std::string src = dir / "src.pam";
    const std::string icc = " -profile " + dir / "srgb.icc";
    for (const std::string& made : {
             // ImageMagick's usual PNG: gamma 1/2.2 and sRGB's chromaticities.
             src + " " + dir / "plain.png",
             src + " -define png:exclude-chunks=gAMA,cHRM,sRGB,bKGD " + dir / "bare.png",
             src + icc + " " + dir / "icc.png",
             src + " " + dir / "plain.tif",
             src + icc + " " + dir / "icc.tif",
         })
        magick(made);
    for (const char* name : {"plain.png", "bare.png", "icc.png", "plain.tif", "icc.tif"})
        EXPECT_EQ(maxChannelDifference(loadPictureFile(dir / name), original), 0) << name;
    // A JPEG decodes the same with an sRGB profile as without one.
    magick(src + " -quality 90 " + dir / "plain.jpg");
    magick(src + icc + " -quality 90 " + dir / "icc.jpg");
    EXPECT_TRUE(loadPictureFile(dir / "plain.jpg") == loadPictureFile(dir / "icc.jpg"));
}

TEST(ColourProfiles, SavedPngFilesSaySrgbAndOpenUnchanged) {
    const Picture p = samplePicture(30, 20);
    const std::string png = encodePng(p);
    const size_t chunk = png.find("sRGB");
    ASSERT_NE(chunk, std::string::npos);
    EXPECT_LT(chunk, png.find("IDAT"));
    EXPECT_TRUE(decodePng(u8(png), png.size()) == p);
}

TEST(ColourProfiles, BitmapsWithACalibratedColourSpaceAreConverted) {
    // A version 4 bitmap of one dark grey pixel: calibrated RGB of sRGB's
    // primaries with gamma 1.0 (linear light) brightens it; the same header
    // saying sRGB, or calibrated with nothing filled in, leaves it alone.
    auto bitmap = [](uint32_t type, bool filled) {
        std::string b = "BM";
        put32(b, 14 + 108 + 4);
        put32(b, 0);
        put32(b, 14 + 108);
        put32(b, 108);
        put32(b, 1);
        put32(b, 1);
        put16(b, 1);
        put16(b, 24);
        for (int i = 0; i < 6; ++i) put32(b, 0);  // compression .. important colours
        for (int i = 0; i < 4; ++i) put32(b, 0);  // masks
        put32(b, type);
        // The primaries' XYZ in 2.30 fixed point (sRGB's, D65), then gamma.
        const double xyz[9] = {0.4124, 0.2126, 0.0193, 0.3576, 0.7152, 0.1192, 0.1805, 0.0722, 0.9505};
        for (double v : xyz) put32(b, filled ? uint32_t(v * (1 << 30)) : 0);
        for (int i = 0; i < 3; ++i) put32(b, filled ? 1u << 16 : 0);
        b += std::string("\x20\x20\x20\0", 4);
        return b;
    };
    const std::string linear = bitmap(0, true), srgb = bitmap(0x73524742, true), empty = bitmap(0, false);
    EXPECT_GT(int(decodeBmp(u8(linear), linear.size()).pixel(0, 0) & 255), 90);
    EXPECT_EQ(decodeBmp(u8(srgb), srgb.size()).pixel(0, 0), 0x202020u);
    EXPECT_EQ(decodeBmp(u8(empty), empty.size()).pixel(0, 0), 0x202020u);
}

TEST(ColourProfiles, PngColourChunksAreHonouredInTheirOrder) {
    // A mid-grey-ish colour under each chunk: cICP (Display P3) wins over an
    // iCCP, an sRGB chunk over gAMA, and a gamma of 1.0 brightens the darks.
    auto rows = [](uint8_t r, uint8_t g, uint8_t b) {
        std::string raw;
        for (int y = 0; y < 2; ++y)
            raw += std::string("\0", 1) + std::string() + char(r) + char(g) + char(b) + char(r) + char(g) + char(b);
        return zlibOf(raw);
    };
    auto chunk = [](const char* type, const std::string& body) {
        std::string s;
        pngChunk(s, type, body);
        return s;
    };
    std::string gammaOne, gammaSrgb;
    bigEndian32(gammaOne, 100000);
    bigEndian32(gammaSrgb, 45455);
    const std::string p3 = chunk("cICP", std::string("\x0C\x0D\x00\x01", 4));
    const std::string srgbChunk = chunk("sRGB", std::string("\0", 1));
    struct Case {
        const char* what;
        std::string chunks;
        bool changes;
    } cases[] = {
        {"none", "", false},
        {"sRGB", srgbChunk, false},
        {"sRGB over gamma 1.0", srgbChunk + chunk("gAMA", gammaOne), false},
        {"gamma 1/2.2", chunk("gAMA", gammaSrgb), false},
        {"gamma 1.0", chunk("gAMA", gammaOne), true},
        {"cICP Display P3", p3, true},
    };
    const std::string data = rows(200, 60, 40);
    for (const Case& c : cases) {
        const std::string png = pngWith(2, 2, 8, 2, data, c.chunks);
        const uint32_t got = decodePng(u8(png), png.size()).pixel(1, 1);
        if (c.changes)
            EXPECT_NE(got, 0x283CC8u) << c.what;
        else
            EXPECT_EQ(got, 0x283CC8u) << c.what;
    }
    // Linear light: 60 of 255 is far brighter in sRGB; P3's red is redder.
    const std::string linear = pngWith(2, 2, 8, 2, data, chunk("gAMA", gammaOne));
    EXPECT_GT(int((decodePng(u8(linear), linear.size()).pixel(0, 0) >> 8) & 255), 120);
    const std::string wide = pngWith(2, 2, 8, 2, data, p3);
    EXPECT_GT(int(decodePng(u8(wide), wide.size()).pixel(0, 0) & 255), 200);
}

// ---- CMYK, grey and high dynamic range --------------------------------------

namespace {

// A CMYK printing profile made here: each ink takes away the light of its
// colour and a little of its neighbour's (cyan some green, yellow some
// red), so that its colours stand far from the plain formula's.
cmsHPROFILE testCmykProfile() {
    cmsHPROFILE p = cmsCreateProfilePlaceholder(nullptr);
    cmsSetProfileVersion(p, 4.3);
    cmsSetDeviceClass(p, cmsSigOutputClass);
    cmsSetColorSpace(p, cmsSigCmykData);
    cmsSetPCS(p, cmsSigLabData);
    cmsPipeline* toLab = cmsPipelineAlloc(nullptr, 4, 3);
    cmsStage* table = cmsStageAllocCLut16bit(nullptr, 9, 4, 3, nullptr);
    cmsStageSampleCLut16bit(
        table,
        [](const cmsUInt16Number in[], cmsUInt16Number out[], void*) -> cmsInt32Number {
            const double c = in[0] / 65535.0, m = in[1] / 65535.0, y = in[2] / 65535.0, k = in[3] / 65535.0;
            const double r = (1 - c) * (1 - 0.3 * y) * (1 - k) * 0.95, g = (1 - m) * (1 - 0.3 * c) * (1 - k) * 0.95,
                         b = (1 - y) * (1 - k) * 0.95;
            // Linear sRGB to XYZ as seen under D50.
            const cmsCIEXYZ xyz{0.4361 * r + 0.3851 * g + 0.1431 * b, 0.2225 * r + 0.7169 * g + 0.0606 * b,
                                0.0139 * r + 0.0971 * g + 0.7141 * b};
            cmsCIELab lab;
            cmsXYZ2Lab(cmsD50_XYZ(), &lab, &xyz);
            cmsFloat2LabEncoded(out, &lab);
            return TRUE;
        },
        nullptr, 0);
    // Stored as curves, table, curves: the layout the profile's tag needs.
    cmsPipelineInsertStage(toLab, cmsAT_END, cmsStageAllocToneCurves(nullptr, 4, nullptr));
    cmsPipelineInsertStage(toLab, cmsAT_END, table);
    cmsPipelineInsertStage(toLab, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, nullptr));
    cmsWriteTag(p, cmsSigAToB0Tag, toLab);
    cmsWriteTag(p, cmsSigMediaWhitePointTag, cmsD50_XYZ());
    cmsPipelineFree(toLab);
    return p;
}

// sRGB's encoding of linear light.
uint32_t srgbOfLinear(double l) {
    const double e = l <= 0.0031308 ? 12.92 * l : 1.055 * std::pow(l, 1 / 2.4) - 0.055;
    return uint32_t(std::lround(std::clamp(e, 0.0, 1.0) * 255));
}

// A HEIF file of the picture coded by libheif's HEVC encoder, stating an
// ICC profile or code points.
std::string heifFile(const Picture& p, const std::string& icc, int primaries = 0, int transfer = 0) {
    heif_context* context = heif_context_alloc();
    heif_image* image = nullptr;
    heif_image_create(p.width(), p.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image);
    heif_image_add_plane(image, heif_channel_interleaved, p.width(), p.height(), 8);
    int stride = 0;
    uint8_t* rows = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x)
            for (int c = 0; c < 3; ++c)
                rows[size_t(y) * size_t(stride) + size_t(3 * x + c)] = uint8_t(p.pixel(x, y) >> (8 * c));
    if (!icc.empty()) heif_image_set_raw_color_profile(image, "prof", icc.data(), icc.size());
    heif_color_profile_nclx* nclx = heif_nclx_color_profile_alloc();
    nclx->color_primaries = heif_color_primaries(primaries);
    nclx->transfer_characteristics = heif_transfer_characteristics(transfer);
    nclx->matrix_coefficients = heif_matrix_coefficients_ITU_R_BT_601_6;
    nclx->full_range_flag = 1;
    if (primaries) heif_image_set_nclx_color_profile(image, nclx);
    heif_encoder* encoder = nullptr;
    heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder);
    EXPECT_NE(encoder, nullptr) << "libheif has no HEVC encoder";
    std::string out;
    if (encoder) {
        heif_encoder_set_lossy_quality(encoder, 95);
        heif_encoding_options* options = heif_encoding_options_alloc();
        if (primaries) {
            // The code points are written only when asked for here too.
            options->output_nclx_profile = nclx;
            options->macOS_compatibility_workaround_no_nclx_profile = 0;
        }
        EXPECT_EQ(heif_context_encode_image(context, image, encoder, options, nullptr).code, heif_error_Ok);
        heif_encoding_options_free(options);
        heif_encoder_release(encoder);
        heif_writer writer{1, [](heif_context*, const void* data, size_t size, void* to) {
                               static_cast<std::string*>(to)->append(static_cast<const char*>(data), size);
                               return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
                           }};
        heif_context_write(context, &writer, &out);
    }
    heif_nclx_color_profile_free(nclx);
    heif_image_release(image);
    heif_context_free(context);
    return out;
}

// A WebP file in the simple form (one image chunk) given an ICC profile:
// the extended form's header saying so, the profile, the image chunk.
std::string webpWithIcc(const std::string& webp, const std::string& icc, int w, int h) {
    auto le = [](std::string& s, uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) s += char(v >> (8 * i));
    };
    std::string chunks = "VP8X";
    le(chunks, 10, 4);
    chunks += std::string("\x20\0\0\0", 4);  // flags: an ICC profile
    le(chunks, uint32_t(w - 1), 3);
    le(chunks, uint32_t(h - 1), 3);
    chunks += "ICCP";
    le(chunks, uint32_t(icc.size()), 4);
    chunks += icc;
    if (icc.size() % 2) chunks += '\0';
    chunks += webp.substr(12);
    std::string out = "RIFF";
    le(out, uint32_t(4 + chunks.size()), 4);
    return out + "WEBP" + chunks;
}

// Patches of flat colour, 16 x 16 each (JPEG blocks keep them flat), in
// rows of `across`.
template <class Colour>
Picture patches(int count, int across, Colour colourOf) {
    const int down = (count + across - 1) / across;
    Picture p(16 * across, 16 * down, 0xFFFFFF);
    for (int i = 0; i < count; ++i)
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) p.setPixel(16 * (i % across) + x, 16 * (i / across) + y, colourOf(i));
    return p;
}

uint32_t patchCentre(const Picture& p, int i, int across) {
    return p.pixel(16 * (i % across) + 8, 16 * (i / across) + 8);
}

int channelDistance(uint32_t a, uint32_t b) {
    int most = 0;
    for (int s = 0; s < 24; s += 8) most = std::max(most, std::abs(int((a >> s) & 255) - int((b >> s) & 255)));
    return most;
}

}  // namespace

TEST(ColourProfiles, CmykFilesConvertThroughTheirProfile) {
    TempDir dir;
    // Inks of each patch: every corner of the cube, some half tones, black.
    std::vector<std::array<uint8_t, 4>> inks;
    for (int i = 0; i < 8; ++i)
        inks.push_back({uint8_t(i & 1 ? 255 : 0), uint8_t(i & 2 ? 255 : 0), uint8_t(i & 4 ? 255 : 0), 0});
    inks.push_back({128, 64, 0, 0});
    inks.push_back({0, 128, 200, 40});
    inks.push_back({100, 100, 100, 100});
    inks.push_back({30, 200, 60, 0});
    const int across = 4, count = int(inks.size()), w = 16 * across, h = 16 * (count / across);
    std::string raw(size_t(w) * h * 4, '\0');
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 4; ++c)
                raw[(size_t(y) * w + x) * 4 + size_t(c)] = char(inks[size_t(y / 16 * across + x / 16)][size_t(c)]);
    writeBytes(dir / "inks.cmyk", raw);
    cmsHPROFILE cmyk = testCmykProfile();
    writeBytes(dir / "cmyk.icc", profileBytes(cmyk));
    // What each patch should show: its inks through the profile, and by the
    // plain formula.
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHTRANSFORM t = cmsCreateTransform(cmyk, TYPE_CMYK_8, srgb, TYPE_RGB_8, INTENT_PERCEPTUAL, 0);
    ASSERT_NE(t, nullptr);
    std::vector<uint32_t> managed, plain;
    for (const auto& ink : inks) {
        uint8_t rgb[3];
        cmsDoTransform(t, ink.data(), rgb, 1);
        managed.push_back(rgb[0] | uint32_t(rgb[1]) << 8 | uint32_t(rgb[2]) << 16);
        uint32_t v = 0;
        for (int c = 0; c < 3; ++c)
            v |= uint32_t(std::lround((255 - ink[size_t(c)]) * (255 - ink[3]) / 255.0)) << (8 * c);
        plain.push_back(v);
    }
    cmsDeleteTransform(t);
    cmsCloseProfile(srgb);
    cmsCloseProfile(cmyk);
    int apart = 0;
    for (size_t i = 0; i < inks.size(); ++i) apart = std::max(apart, channelDistance(managed[i], plain[i]));
    ASSERT_GT(apart, 30) << "the test profile should differ from the plain formula";

    const std::string source =
        "-size " + std::to_string(w) + "x" + std::to_string(h) + " -depth 8 cmyk:" + dir / "inks.cmyk";
    struct Case {
        const char* file;
        const char* options;
        bool profile;
        int tolerance;
    } cases[] = {
        // ImageMagick writes CMYK JPEG files inverted, with Adobe's marker.
        {"cmyk.jpg", "-quality 100", true, 4},
        {"bare.jpg", "-quality 100", false, 4},
        {"cmyk8.tif", "", true, 1},
        {"cmyk16.tif", "-depth 16", true, 2},
        {"planes.tif", "-interlace plane -compress zip", true, 1},
        {"tiles.tif", "-define tiff:tile-geometry=16x16 -compress lzw", true, 1},
        {"alpha.tif", "-alpha opaque", true, 1},  // inks and an alpha sample
        {"bare.tif", "", false, 1},
    };
    for (const Case& c : cases) {
        magick(source + (c.profile ? " -profile " + dir / "cmyk.icc" : std::string()) + " " + c.options + " " +
               dir / c.file);
        const Picture p = loadPictureFile(dir / c.file);
        ASSERT_EQ(p.width(), w) << c.file;
        for (int i = 0; i < count; ++i) {
            const uint32_t want = (c.profile ? managed : plain)[size_t(i)];
            EXPECT_LE(channelDistance(patchCentre(p, i, across), want), c.tolerance)
                << c.file << " patch " << i << std::hex << ": " << patchCentre(p, i, across) << " against " << want;
        }
    }
}

TEST(ColourProfiles, GreyProfilesAreHonouredInEveryFormat) {
    TempDir dir;
    // A grey profile of linear light: its levels are far brighter in sRGB.
    cmsToneCurve* linear = cmsBuildGamma(nullptr, 1.0);
    cmsHPROFILE grey = cmsCreateGrayProfile(cmsD50_xyY(), linear);
    cmsFreeToneCurve(linear);
    const std::string icc = profileBytes(grey);
    cmsCloseProfile(grey);
    writeBytes(dir / "grey.icc", icc);
    const uint8_t levels[] = {0, 10, 30, 60, 120, 200, 255, 90};
    const int across = 4, count = 8;
    const Picture flat = patches(count, across, [&](int i) { return uint32_t(levels[i]) * 0x010101u; });
    std::string pgm = "P5\n" + std::to_string(flat.width()) + " " + std::to_string(flat.height()) + "\n255\n";
    for (int y = 0; y < flat.height(); ++y)
        for (int x = 0; x < flat.width(); ++x) pgm += char(flat.pixel(x, y) & 255);
    writeBytes(dir / "grey.pgm", pgm);
    struct Case {
        const char* file;
        const char* options;
        int tolerance;
    } cases[] = {
        {"g.png", "", 1},
        {"g.tif", "", 1},
        {"g.jpg", "-quality 100", 2},
        {"g.webp", "-define webp:lossless=true", 1},
        {"g.heif", nullptr, 3},  // made by libheif below
    };
    for (const Case& c : cases) {
        const std::string file = dir / c.file;
        if (!c.options) {
            writeBytes(file, heifFile(flat, icc));
        } else if (std::string(c.file).ends_with(".webp")) {
            // ImageMagick leaves a grey profile out of WebP files: put it in.
            magick(dir / "grey.pgm" + " " + c.options + " " + file);
            writeBytes(file, webpWithIcc(readBytes(file), icc, flat.width(), flat.height()));
        } else {
            magick(dir / "grey.pgm" + " -profile " + dir / "grey.icc" + " " + c.options + " " + file);
        }
        const Picture p = loadPictureFile(dir / c.file);
        for (int i = 0; i < count; ++i) {
            const uint32_t want = srgbOfLinear(levels[i] / 255.0) * 0x010101u;
            EXPECT_LE(channelDistance(patchCentre(p, i, across), want), c.tolerance)
                << c.file << " level " << int(levels[i]) << std::hex << ": " << patchCentre(p, i, across);
        }
    }
}

TEST(ColourProfiles, HighDynamicRangeCodePointsAreToneMappedIntoSrgb) {
    // Grey levels of BT.2020 PQ and HLG pictures, as PNG cICP chunks and as
    // HEIF nclx boxes. The reference white (PQ 203 cd/m2, HLG 0.75) shows at
    // 0.875 of sRGB's white in linear light, 18 % of it as itself; black
    // stays black, the brightest signal reaches (near) sRGB's white.
    struct Case {
        int transfer;
        uint8_t signal;
        int low, high;  // the sRGB level expected
    } cases[] = {
        {16, 0, 0, 0}, {16, 148, 236, 244}, {16, 105, 113, 123}, {16, 255, 254, 255},
        {18, 0, 0, 0}, {18, 191, 236, 244}, {18, 111, 113, 123}, {18, 255, 248, 255},
    };
    const int across = 4;
    for (int transfer : {16, 18}) {
        std::vector<uint8_t> levels;
        for (const Case& c : cases)
            if (c.transfer == transfer) levels.push_back(c.signal);
        const Picture flat =
            patches(int(levels.size()), across, [&](int i) { return uint32_t(levels[size_t(i)]) * 0x010101u; });
        std::string raw;
        for (int y = 0; y < flat.height(); ++y) {
            raw += '\0';
            for (int x = 0; x < flat.width(); ++x) raw += std::string(3, char(flat.pixel(x, y) & 255));
        }
        std::string cicp;
        pngChunk(cicp, "cICP", std::string{char(9), char(transfer), char(0), char(1)});
        const std::string png = pngWith(uint32_t(flat.width()), uint32_t(flat.height()), 8, 2, zlibOf(raw), cicp);
        const std::string heif = heifFile(flat, "", 9, transfer);
        for (const auto& [what, picture] :
             {std::pair{"PNG", decodePng(u8(png), png.size())}, std::pair{"HEIF", decodeHeif(u8(heif), heif.size())}}) {
            const int slack = std::string(what) == "HEIF" ? 3 : 0;
            for (size_t i = 0; i < levels.size(); ++i) {
                const Case& c = *std::find_if(std::begin(cases), std::end(cases), [&](const Case& k) {
                    return k.transfer == transfer && k.signal == levels[i];
                });
                const int got = int(patchCentre(picture, int(i), across) & 255);
                EXPECT_GE(got, c.low - slack) << what << " transfer " << transfer << " signal " << int(c.signal);
                EXPECT_LE(got, c.high + slack) << what << " transfer " << transfer << " signal " << int(c.signal);
            }
        }
    }
}

TEST(Layouts, PngAndTiffOfEveryDepthAndLayoutGiveTheirPixels) {
    TempDir dir;
    const int w = 37, h = 23;  // odd sizes: partial tiles, strips and bytes
    // 16-bit RGBA and grey + alpha sources; expected pixels computed here.
    std::vector<uint16_t> rgba, greyAlpha;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint16_t a = uint16_t(x < 5 ? 0 : x < 10 ? 32768 : 65535);
            rgba.insert(rgba.end(), {uint16_t(x * 1771), uint16_t(y * 2841), uint16_t((x * y * 97) & 0xFFFF), a});
            greyAlpha.insert(greyAlpha.end(), {uint16_t((x + y) * 1100), a});
        }
    auto expected = [&](bool grey, bool alpha, int bits) {
        Picture p(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const size_t i = size_t(y) * w + x;
                uint32_t c[3];
                for (int s = 0; s < 3; ++s) {
                    double v = grey ? greyAlpha[2 * i] : rgba[4 * i + size_t(s)];
                    double a = alpha ? (grey ? greyAlpha[2 * i + 1] : rgba[4 * i + 3]) / 65535.0 : 1.0;
                    if (bits == 8) {
                        v = std::round(v / 257.0) * 257.0;
                        a = std::round(a * 255) / 255;
                    }
                    c[s] = uint32_t(std::lround((v / 65535.0 * a + (1 - a)) * 255));
                }
                p.setPixel(x, y, c[0] | c[1] << 8 | c[2] << 16);
            }
        return p;
    };
    writePam(dir / "rgba.pam", w, h, 4, 65535, rgba);
    writePam(dir / "ga.pam", w, h, 2, 65535, greyAlpha);
    struct Case {
        const char* source;
        const char* options;
        const char* file;
        bool grey, alpha;
        int bits;
    } cases[] = {
        {"rgba.pam", "-depth 16", "rgba16.png", false, true, 16},
        {"rgba.pam", "-depth 8", "rgba8.png", false, true, 8},
        {"rgba.pam", "-alpha off -depth 16", "rgb16.png", false, false, 16},
        {"rgba.pam", "-depth 16 -interlace PNG", "interlaced.png", false, true, 16},
        {"ga.pam", "-depth 16", "ga16.png", true, true, 16},
        {"ga.pam", "-depth 8", "ga8.png", true, true, 8},
        {"rgba.pam", "-alpha off -depth 16 -interlace plane", "planar16.tif", false, false, 16},
        {"rgba.pam", "-depth 16 -interlace plane -compress zip", "planar16a.tif", false, true, 16},
        {"rgba.pam", "-alpha off -depth 16 -define tiff:tile-geometry=16x16", "tiled16.tif", false, false, 16},
        {"rgba.pam", "-depth 8 -define tiff:tile-geometry=16x16 -compress lzw", "tiled8a.tif", false, true, 8},
        {"rgba.pam", "-alpha off -depth 16 -define tiff:rows-per-strip=5", "strips16.tif", false, false, 16},
        {"ga.pam", "-depth 8", "ga8.tif", true, true, 8},
        {"ga.pam", "-depth 16", "ga16.tif", true, true, 16},
        {"ga.pam", "-alpha off -depth 16 -interlace plane", "grey16.tif", true, false, 16},
    };
    for (const Case& c : cases) {
        magick(dir / c.source + " " + c.options + " " + dir / c.file);
        const Picture p = loadPictureFile(dir / c.file);
        const Picture want = expected(c.grey, c.alpha, c.bits);
        EXPECT_LE(maxChannelDifference(p, want), 1) << c.file;
    }
}

TEST(Layouts, SixteenBitRgbPngWithATransparentColour) {
    // 16-bit RGB with tRNS: only the exact 16-bit colour is transparent.
    std::string raw;
    const uint16_t key[3] = {0x1234, 0x5678, 0x9ABC};
    for (int y = 0; y < 4; ++y) {
        raw += '\0';
        for (int x = 0; x < 4; ++x) {
            const uint16_t v[3] = {uint16_t(key[0] + (x == 3 ? 1 : 0)), key[1], uint16_t(key[2] + y * 0x1000)};
            for (uint16_t s : v) raw += std::string{char(s >> 8), char(s & 255)};
        }
    }
    std::string trns;
    for (uint16_t s : key) trns += std::string{char(s >> 8), char(s & 255)};
    std::string chunks;
    pngChunk(chunks, "tRNS", trns);
    const std::string png = pngWith(4, 4, 16, 2, zlibOf(raw), chunks);
    const Picture p = decodePng(u8(png), png.size());
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const bool clear = y == 0 && x != 3;
            const uint32_t want = clear ? 0xFFFFFFu
                                        : uint32_t(std::lround(key[0] / 257.0 + (x == 3 ? 1 / 257.0 : 0))) |
                                              uint32_t(std::lround(key[1] / 257.0)) << 8 |
                                              uint32_t(std::lround((key[2] + y * 0x1000) / 257.0)) << 16;
            EXPECT_EQ(p.pixel(x, y), want) << x << "," << y;
        }
}

TEST(Layouts, SmallDepthsPalettesAndPolaritiesOfTiff) {
    // 1-bit min-is-white, 4-bit palette with 8-bit entries, 2-bit grey, and
    // an orientation tag, made byte by byte.
    const std::vector<Tag> common = {{256, 3, {8}}, {257, 3, {2}}, {259, 3, {1}}, {277, 3, {1}}, {278, 3, {2}}};
    auto with = [&](std::vector<Tag> more) {
        std::vector<Tag> t = common;
        t.insert(t.end(), more.begin(), more.end());
        return t;
    };
    const std::string white1 = tiffWith(with({{258, 3, {1}}, {262, 3, {0}}}), std::string("\xF0\x0F", 2));
    Picture p = decodeTiff(u8(white1), white1.size());
    EXPECT_EQ(p.pixel(0, 0), 0u);
    EXPECT_EQ(p.pixel(7, 0), 0xFFFFFFu);
    EXPECT_EQ(p.pixel(0, 1), 0xFFFFFFu);

    std::vector<uint32_t> palette(48, 0);
    palette[1] = 255;       // entry 1 red (8-bit values in a 16-bit table)
    palette[16 + 2] = 255;  // entry 2 green
    palette[32 + 3] = 255;  // entry 3 blue
    const std::string pal = tiffWith(with({{258, 3, {4}}, {262, 3, {3}}, {320, 3, palette}}),
                                     std::string("\x12\x30\x00\x00\x00\x00\x00\x00", 8));
    p = decodeTiff(u8(pal), pal.size());
    EXPECT_EQ(p.pixel(0, 0), 0x0000FFu);
    EXPECT_EQ(p.pixel(1, 0), 0x00FF00u);
    EXPECT_EQ(p.pixel(2, 0), 0xFF0000u);
    EXPECT_EQ(p.pixel(3, 0), 0u);

    const std::string grey2 = tiffWith(with({{258, 3, {2}}, {262, 3, {1}}, {274, 3, {6}}}),
                                       std::string("\x1B\x00\x00\x00", 4));  // 0 1 2 3, then black
    p = decodeTiff(u8(grey2), grey2.size());
    ASSERT_EQ(p.width(), 2);  // turned a quarter: 2 x 8
    EXPECT_EQ(p.pixel(1, 0), 0u);
    EXPECT_EQ(p.pixel(1, 1), 0x555555u);
    EXPECT_EQ(p.pixel(1, 3), 0xFFFFFFu);
}

TEST(Messages, ValidFilesOfUnsupportedKindsSaySoByName) {
    TempDir dir;
    magick("-size 16x16 gradient:red-blue -quality 90 " + dir / "a.jpg");
    std::string jpeg = readBytes(dir / "a.jpg");
    const size_t sof = jpeg.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    std::string twelve = jpeg, lossless = jpeg;
    twelve[sof + 4] = 12;
    lossless[sof + 1] = char(0xC3);
    const std::vector<Tag> base = {{256, 3, {4}}, {257, 3, {1}}, {259, 3, {1}}, {262, 3, {1}}, {277, 3, {1}}};
    auto tiff = [&](uint32_t bits, uint32_t format, uint32_t compression = 1) {
        std::vector<Tag> t = base;
        t[2].values = {compression};
        t.push_back({258, 3, {bits}});
        t.push_back({339, 3, {format}});
        return tiffWith(t, std::string(size_t(4 * bits / 8), '\0'));
    };
    // A HEIF whose primary image is coded as AVC, or JPEG: just its boxes.
    auto box = [](const char* type, const std::string& body) {
        std::string b;
        bigEndian32(b, uint32_t(8 + body.size()));
        return b + std::string(type, 4) + body;
    };
    auto heifOf = [&](const char* brand, const char* itemType) {
        const std::string full(4, '\0');  // version 0, no flags
        const std::string meta =
            full + box("hdlr", full + std::string(4, '\0') + "pict" + std::string(13, '\0')) +
            box("pitm", full + std::string("\0\1", 2)) +
            box("iinf", full + std::string("\0\1", 2) +
                            box("infe", std::string("\2\0\0\0\0\1\0\0", 8) + itemType + std::string(1, '\0')));
        return box("ftyp", std::string(brand) + std::string(4, '\0') + "mif1" + brand) + box("meta", meta);
    };
    struct Case {
        PictureFormat format;
        std::string bytes;
        const char* message;
    } cases[] = {
        {PictureFormat::Heif, heifOf("avci", "avc1"), "HEIF image coded as AVC is not supported"},
        {PictureFormat::Heif, heifOf("jpeg", "jpeg"), "HEIF image coded as JPEG is not supported"},
        {PictureFormat::Jpeg, twelve, "12-bit JPEG is not supported"},
        {PictureFormat::Jpeg, lossless, "lossless JPEG is not supported"},
        {PictureFormat::Tiff, tiff(64, 1), "TIFF with 64-bit samples is not supported"},
        {PictureFormat::Tiff, tiff(32, 1), "TIFF with 32-bit samples is not supported"},
        {PictureFormat::Tiff, tiff(32, 3), "TIFF with floating-point samples is not supported"},
        {PictureFormat::Tiff, tiff(8, 1, 34892), "TIFF compressed with "},
    };
    for (const Case& c : cases) {
        const std::string e = errorOf([&] { decodePicture(c.format, u8(c.bytes), c.bytes.size()); });
        EXPECT_EQ(e.rfind(c.message, 0), 0u) << e;
        EXPECT_EQ(e.find("damaged"), std::string::npos) << e;
    }
    // Damaged data is still called damaged.
    std::string cut = jpeg.substr(0, jpeg.size() / 2);
    EXPECT_NE(errorOf([&] { decodeJpeg(u8(cut), cut.size()); }).find("damaged"), std::string::npos);
}

TEST(Messages, NoDecoderWritesToStandardError) {
    TempDir dir;
    magick("-size 40x30 gradient:red-blue " + dir / "a.png");
    magick("-size 40x30 gradient:red-blue " + dir / "a.tif");
    std::string png = readBytes(dir / "a.png"), tiff = readBytes(dir / "a.tif");
    std::string badCrc = png;  // a text chunk's checksum broken: libpng warns
    const size_t text = badCrc.find("tEXt");
    ASSERT_NE(text, std::string::npos);
    badCrc[text + 6] ^= 1;
    std::string unknownTag = tiff;  // a private tag libtiff warns about
    std::vector<std::pair<PictureFormat, std::string>> inputs = {
        {PictureFormat::Png, badCrc},
        {PictureFormat::Png, png.substr(0, png.size() - 30)},
        {PictureFormat::Tiff, tiff.substr(0, tiff.size() / 2)},
        {PictureFormat::Tiff,
         tiffWith({{256, 3, {1}}, {257, 3, {1}}, {258, 3, {8}}, {262, 3, {1}}, {65000, 3, {7}}}, std::string(1, '\0'))},
        {PictureFormat::Tiff, "II*\0\x08\0\0\0\xFF\xFF"},
    };
    std::fflush(stderr);
    const int saved = ::dup(2);
    const std::string capture = dir / "stderr.txt";
    const int fd = ::open(capture.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(fd, 2);
    ::close(fd);
    for (const auto& [format, bytes] : inputs) (void)errorOf([&] { decodePicture(format, u8(bytes), bytes.size()); });
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    EXPECT_EQ(readBytes(capture), "");
}
