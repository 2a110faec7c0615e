// Choosing the decoder by the file name, loading a whole file, and saving in
// the format chosen with the extension forced onto the name.
#include "io/picture_files.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <istream>
#include <sys/stat.h>

#include "io/atomic_file.h"
#include "io/decode_util.h"
#include "io/input_bytes.h"
#include "io/wmf_canvas.h"

namespace jollix {
using namespace io_detail;

namespace {

// No picture file that can be opened needs more: the largest picture
// accepted, as a bitmap of 32 bits a pixel, is 1 GiB; 64 MiB more leave room
// for headers, palettes and metafile records. Larger files are refused
// before a byte is read.
constexpr size_t kMaxFileBytes = size_t(kMaxPicturePixels) * 4 + (size_t(64) << 20);

constexpr const char* kUnknownType =
    "the file type is not one that can be opened (JPEG, BMP, GIF, ICO, WMF, EMF, PNG, WebP, TIFF or HEIC)";

bool startsWith(const uint8_t* data, size_t size, size_t at, const char* text, size_t length) {
    return size >= at + length && std::memcmp(data + at, text, length) == 0;
}

}  // namespace

std::string extensionKey(const std::string& fileName) {
    std::string key = fileName.size() < 4 ? fileName : fileName.substr(fileName.size() - 4);
    for (char& c : key) c = char(std::toupper(static_cast<unsigned char>(c)));
    return key;
}

PictureFormat formatForName(const std::string& fileName) {
    const std::string key = extensionKey(fileName);
    if (key == ".BMP") return PictureFormat::Bmp;
    if (key == ".ICO") return PictureFormat::Ico;
    if (key == ".JPG" || key == "JPEG") return PictureFormat::Jpeg;
    if (key == ".GIF") return PictureFormat::Gif;
    if (key == ".WMF") return PictureFormat::Wmf;
    if (key == ".EMF") return PictureFormat::Emf;
    if (key == ".PNG") return PictureFormat::Png;
    if (key == "WEBP") return PictureFormat::Webp;
    if (key == ".TIF" || key == "TIFF") return PictureFormat::Tiff;
    if (key == "HEIC" || key == "HEIF") return PictureFormat::Heif;
    return PictureFormat::Unknown;
}

PictureFormat formatFromContent(const uint8_t* data, size_t size) {
    auto at = [&](size_t offset, const char* text, size_t length) {
        return startsWith(data, size, offset, text, length);
    };
    if (at(0, "\xFF\xD8\xFF", 3)) return PictureFormat::Jpeg;
    if (at(0, "\x89PNG\r\n\x1A\n", 8)) return PictureFormat::Png;
    if (at(0, "GIF87a", 6) || at(0, "GIF89a", 6)) return PictureFormat::Gif;
    if (at(0, "BM", 2)) return PictureFormat::Bmp;
    if (at(0, "RIFF", 4) && at(8, "WEBP", 4)) return PictureFormat::Webp;
    if (at(0, "II*\0", 4) || at(0, "MM\0*", 4)) return PictureFormat::Tiff;
    if (at(4, "ftyp", 4)) return PictureFormat::Heif;
    if (at(0, "\xD7\xCD\xC6\x9A", 4)) return PictureFormat::Wmf;  // placeable metafile
    if (at(0, "\x01\0\0\0", 4) && at(40, " EMF", 4)) return PictureFormat::Emf;
    if (at(0, "\0\0\1\0", 4) || at(0, "\0\0\2\0", 4)) return PictureFormat::Ico;
    // A bare Windows metafile: type 1 or 2, a header of 9 words, version 0x300 or 0x100.
    if (size >= 18 && (data[0] == 1 || data[0] == 2) && data[1] == 0 && data[2] == 9 && data[3] == 0 &&
        (data[5] == 1 || data[5] == 3) && data[4] == 0)
        return PictureFormat::Wmf;
    return PictureFormat::Unknown;
}

Picture decodePicture(PictureFormat format, const uint8_t* data, size_t size, uint64_t maxPixels) {
    switch (format) {
        case PictureFormat::Bmp: return decodeBmp(data, size, maxPixels);
        case PictureFormat::Ico: return decodeIco(data, size, maxPixels);
        case PictureFormat::Jpeg: return decodeJpeg(data, size, maxPixels);
        case PictureFormat::Gif: return decodeGif(data, size, maxPixels);
        case PictureFormat::Wmf: return decodeWmf(data, size, maxPixels);
        case PictureFormat::Emf: return decodeEmf(data, size, maxPixels);
        case PictureFormat::Png: return decodePng(data, size, maxPixels);
        case PictureFormat::Webp: return decodeWebp(data, size, maxPixels);
        case PictureFormat::Tiff: return decodeTiff(data, size, maxPixels);
        case PictureFormat::Heif: return decodeHeif(data, size, maxPixels);
        case PictureFormat::Unknown: break;
    }
    fail(kUnknownType);
}

Picture LoadPictureFile(const std::string& fileName) {
    const PictureFormat format = formatForName(fileName);
    auto reason = [&](const std::string& why) {
        if (format == PictureFormat::Ico) return JollixError("Input picture" + fileName + "Error." + why);
        return JollixError("Cannot open the picture " + fileName + ": " + why + ".");
    };
    struct stat st;
    if (fileName.empty() || ::stat(fileName.c_str(), &st) != 0) {
        if (fileName.empty() || errno == ENOENT || errno == ENOTDIR) throw reason("the file does not exist");
    }
    if (format == PictureFormat::Unknown) throw reason(kUnknownType);
    try {
        const InputBytes bytes = InputBytes::readFile(fileName, kMaxFileBytes);
        if (bytes.size() == 0) throw JollixError("the file is empty");
        const InputScope scope(bytes);
        return decodePicture(format, bytes.data(), bytes.size());
    } catch (const JollixError& e) {
        throw reason(e.what());
    } catch (const std::bad_alloc&) {
        throw reason("there is not enough memory to open it");
    }
}

Picture LoadPictureStream(std::istream& in, const std::string& what) {
    auto reason = [&](const std::string& why) {
        return JollixError("Cannot open the picture " + what + ": " + why + ".");
    };
    try {
        // The format is told by the first bytes, before the rest is read:
        // a stream that is no picture is refused at once.
        PictureFormat format = PictureFormat::Unknown;
        const InputBytes bytes = InputBytes::readStream(in, kMaxFileBytes, [&](const uint8_t* data, size_t size) {
            format = formatFromContent(data, size);
            if (format == PictureFormat::Unknown) throw JollixError(kUnknownType);
        });
        const InputScope scope(bytes);
        return decodePicture(format, bytes.data(), bytes.size());
    } catch (const JollixError& e) {
        throw reason(e.what());
    } catch (const std::bad_alloc&) {
        throw reason("there is not enough memory to open it");
    }
}

const char* saveExtension(SaveFormat format) {
    switch (format) {
        case SaveFormat::Jpeg: return ".jpg";
        case SaveFormat::Bmp: return ".bmp";
        case SaveFormat::Wmf: return ".wmf";
        case SaveFormat::Png: return ".png";
        case SaveFormat::Webp: return ".webp";
        case SaveFormat::Tiff: return ".tif";
    }
    throw JollixError("unknown file type");
}

bool saveFormatForName(const std::string& name, SaveFormat* format) {
    const size_t slash = name.find_last_of('/');
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
    std::string ext = name.substr(dot + 1);
    for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
    static const struct {
        const char* ext;
        SaveFormat format;
    } kExtensions[] = {
        {"jpg", SaveFormat::Jpeg}, {"jpeg", SaveFormat::Jpeg}, {"bmp", SaveFormat::Bmp},  {"wmf", SaveFormat::Wmf},
        {"png", SaveFormat::Png},  {"webp", SaveFormat::Webp}, {"tif", SaveFormat::Tiff}, {"tiff", SaveFormat::Tiff},
    };
    for (const auto& e : kExtensions)
        if (ext == e.ext) {
            *format = e.format;
            return true;
        }
    return false;
}

std::string forcedFileName(const std::string& name, SaveFormat format) {
    return withExtension(name, saveExtension(format));
}

std::string withExtension(const std::string& name, const std::string& ext) {
    const size_t slash = name.find_last_of('/');
    const size_t base = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = name.find_last_of('.');
    // A dot that starts the last component ("/home/u/.hidden") is part of the
    // name, not an extension.
    if (dot == std::string::npos || dot <= base) return name + ext;
    return name.substr(0, dot) + ext;
}

void prepareReadingOnThreads(PictureFormat format) {
    if (format == PictureFormat::Wmf || format == PictureFormat::Emf) io_detail::ensureGuiApplication();
}

void saveBmp(const Picture& picture, const std::string& path) { writePictureFile(picture, path, SaveFormat::Bmp); }

std::string encodePicture(const Picture& picture, SaveFormat format) {
    switch (format) {
        case SaveFormat::Jpeg: return encodeJpeg(picture);
        case SaveFormat::Bmp: return encodeBmp(picture);
        case SaveFormat::Wmf: return encodeWmf(picture);
        case SaveFormat::Png: return encodePng(picture);
        case SaveFormat::Webp: return encodeWebp(picture);
        case SaveFormat::Tiff: return encodeTiff(picture);
    }
    throw JollixError("unknown file type");
}

void writePictureFile(const Picture& picture, const std::string& path, SaveFormat format) {
    try {
        writeFileAtomically(path, encodeFor(path, [&] { return encodePicture(picture, format); }));
    } catch (const std::bad_alloc&) {
        throw JollixError("Cannot save the picture " + path + ": there is not enough memory.");
    }
}

void SaveAsMetafile(const Picture& picture, const std::string& name) {
    saveWmf(picture, forcedFileName(name, SaveFormat::Wmf));
}

std::string SavePictureFile(const Picture& picture, const std::string& name, SaveFormat format) {
    const std::string path = forcedFileName(name, format);
    writePictureFile(picture, path, format);
    return path;
}

}  // namespace jollix
