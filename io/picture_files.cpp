// Choosing the decoder by the file name, loading a whole file, and saving in
// the format chosen with the extension forced onto the name.
#include "io/picture_files.h"

#include <cctype>
#include <cerrno>
#include <sys/stat.h>

#include "io/atomic_file.h"
#include "io/decode_util.h"

namespace jollix {
using namespace io_detail;

namespace {

// No picture file that can be opened needs more: the largest picture
// accepted, as a bitmap of 32 bits a pixel, is 1 GiB; 64 MiB more leave room
// for headers, palettes and metafile records. Larger files are refused
// before a byte is read.
constexpr size_t kMaxFileBytes = size_t(kMaxPicturePixels) * 4 + (size_t(64) << 20);

} // namespace

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
    case PictureFormat::Unknown: break;
    }
    fail("the file type is not one that can be opened (JPEG, BMP, GIF, ICO, WMF or EMF)");
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
    if (format == PictureFormat::Unknown)
        throw reason("the file type is not one that can be opened (JPEG, BMP, GIF, ICO, WMF or EMF)");
    try {
        const std::string bytes = readWholeFile(fileName, kMaxFileBytes);
        if (bytes.empty()) throw JollixError("the file is empty");
        return decodePicture(format, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    } catch (const JollixError& e) {
        throw reason(e.what());
    } catch (const std::bad_alloc&) {
        throw reason("there is not enough memory to open it");
    }
}

std::string forcedFileName(const std::string& name, SaveFormat format) {
    const char* ext = format == SaveFormat::Jpeg ? ".jpg" : format == SaveFormat::Bmp ? ".bmp" : ".wmf";
    const size_t slash = name.find_last_of('/');
    const size_t base = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = name.find_last_of('.');
    // A dot that starts the last component ("/home/u/.hidden") is part of the
    // name, not an extension.
    if (dot == std::string::npos || dot <= base) return name + ext;
    return name.substr(0, dot) + ext;
}

void saveBmp(const Picture& picture, const std::string& path) { writeFileAtomically(path, encodeFor(path, [&] { return encodeBmp(picture); })); }

void SaveAsMetafile(const Picture& picture, const std::string& name) {
    saveWmf(picture, forcedFileName(name, SaveFormat::Wmf));
}

std::string SavePictureFile(const Picture& picture, const std::string& name, SaveFormat format) {
    const std::string path = forcedFileName(name, format);
    try {
        switch (format) {
        case SaveFormat::Jpeg: saveJpeg(picture, path); break;
        case SaveFormat::Bmp: saveBmp(picture, path); break;
        case SaveFormat::Wmf: SaveAsMetafile(picture, name); break;
        default: throw JollixError("Cannot save the picture " + path + ": unknown file type.");
        }
    } catch (const std::bad_alloc&) {
        throw JollixError("Cannot save the picture " + path + ": there is not enough memory.");
    }
    return path;
}

} // namespace jollix
