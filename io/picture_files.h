#pragma once
// Reading and writing picture files.
//
// Open reads JPEG, BMP, GIF, ICO, WMF, EMF, PNG, WebP, TIFF (the first page)
// and HEIC/HEIF (the primary image) files, chosen by the file name's
// extension, or by the file's first bytes when the extension is not a known
// one or its decoder finds another format's data; it always delivers an upright 24-bit picture: photos are
// turned and mirrored as their EXIF orientation says, transparent parts
// become white. Save writes JPEG, BMP, a placeable WMF, PNG (lossless), WebP
// (quality 90) or TIFF, forcing the matching extension onto the name; no
// camera metadata is ever written.
//
// Every decoder treats its bytes as hostile: a missing, unknown, empty,
// damaged or oversized file gives a JollixError whose text names the file and
// the reason, and the caller's picture is never touched (loading returns a new
// picture or throws). Writing goes to a temporary file in the target's folder
// that is renamed over the target only once it is complete, so a failed save
// leaves an existing file as it was; a device or a pipe is written into and
// never replaced (io/atomic_file.h).
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>

#include "core/picture.h"

namespace jollix {

// Largest picture any decoder will allocate: 2^28 pixels, and no side longer
// than kMaxPictureSide. Checked against the header before any allocation.
inline constexpr uint64_t kMaxPicturePixels = uint64_t(1) << 28;
inline constexpr int kMaxPictureSide = 100000;

// The extension key: the last four characters of the name upper-cased (the
// whole name when it is shorter). "photo.jpeg" -> "JPEG", "a.Bmp" -> ".BMP".
std::string extensionKey(const std::string& fileName);

enum class PictureFormat { Bmp, Ico, Jpeg, Gif, Wmf, Emf, Png, Webp, Tiff, Heif, Unknown };
// The format Open first reads a file of this name as, by its extension key
// (the format table's extensions: ".BMP" or ".DIB", ".ICO", ".JPG", "JPEG",
// ".JPE" or "JFIF", ".GIF", ".WMF", ".EMF", ".PNG", "WEBP", ".TIF" or
// "TIFF", "HEIC", "HEIF" or ".HIF"); anything else is Unknown.
PictureFormat formatForName(const std::string& fileName);

// The format of a picture held in memory, told by its first bytes (for
// pictures read from a pipe, which have no name). Unknown when none fits.
PictureFormat formatFromContent(const uint8_t* data, size_t size);

// Reads a picture file: by the decoder its name chooses, else by the one its
// first bytes choose. Returns a new 24-bit picture, or throws JollixError
// naming the file and the reason (no such file, unknown type, a GIF
// without images, damaged data, too large). An icon that cannot be read gives
// the message "Input picture" + fileName + "Error." + the reason, run together.
Picture loadPictureFile(const std::string& fileName);

// Makes, on the calling thread, what some readers need from the toolkit
// (metafiles draw their text with Qt's fonts, whose application object must
// be made on the main thread), so that files of the format can then be read
// on other threads too. Does nothing for the other formats.
void prepareReadingOnThreads(PictureFormat format);

// Reads a picture from a stream to its end (the batch command's standard
// input), its format told by its first bytes. Throws JollixError naming
// `what` and the reason.
Picture loadPictureStream(std::istream& in, const std::string& what);

// The entries of the save dialog, numbered as its type list.
enum class SaveFormat { Jpeg = 1, Bmp = 2, Wmf = 3, Png = 4, Webp = 5, Tiff = 6 };
inline constexpr int kSaveFormatCount = 6;

// The extension each saved format gets: ".jpg", ".bmp", ".wmf", ".png",
// ".webp", ".tif".
const char* saveExtension(SaveFormat format);

// The name a save actually writes: the extension (the part after the last dot
// of the last path component) replaced by the format's extension, or added
// when the name has none. "out.png" -> "out.jpg", "out" -> "out.jpg".
std::string forcedFileName(const std::string& name, SaveFormat format);
// The same with any extension (".gif").
std::string withExtension(const std::string& name, const std::string& ext);

// The format a name's own extension asks for, in any case: .jpg .jpeg .bmp
// .wmf .png .webp .tif .tiff ("out.JPEG" -> Jpeg, ".png" -> Png). Returns
// false for any other extension and for a name without one.
bool saveFormatForName(const std::string& name, SaveFormat* format);

// Writes the picture in the given format under forcedFileName(name, format),
// overwriting an existing file of that name. Returns the path written.
// Throws JollixError on failure; an existing file then stays intact.
std::string savePictureFile(const Picture& picture, const std::string& name, SaveFormat format);

// The metafile writer: a placeable Windows metafile drawing the picture once,
// written under the name with its extension replaced by ".wmf".
void saveAsMetafile(const Picture& picture, const std::string& name);

// Writers under exactly the given path (no extension forced), atomically.
void saveJpeg(const Picture& picture, const std::string& path);
void saveBmp(const Picture& picture, const std::string& path);
void saveWmf(const Picture& picture, const std::string& path);
// Any format under exactly the given path. Throws JollixError naming the
// file and the reason; an existing file then stays intact.
void writePictureFile(const Picture& picture, const std::string& path, SaveFormat format);

// The encoded bytes of each written format.
std::string encodeJpeg(const Picture& picture);
std::string encodeBmp(const Picture& picture);
std::string encodeWmf(const Picture& picture);
std::string encodePng(const Picture& picture);   // lossless, marked sRGB
std::string encodeWebp(const Picture& picture);  // quality 90
std::string encodeTiff(const Picture& picture);  // Deflate with a predictor, lossless
std::string encodePicture(const Picture& picture, SaveFormat format);

// Decoders of whole files held in memory. Each returns a 24-bit picture or
// throws JollixError with the reason (without the file name). maxPixels
// lowers the size limit (the fuzz targets use a small one).
Picture decodeBmp(const uint8_t* data, size_t size, uint64_t maxPixels = kMaxPicturePixels);
Picture decodeJpeg(const uint8_t* data, size_t size, uint64_t maxPixels = kMaxPicturePixels);
Picture decodeGif(const uint8_t* data, size_t size, uint64_t maxPixels = kMaxPicturePixels);
Picture decodeIco(const uint8_t* data, size_t size, uint64_t maxPixels = kMaxPicturePixels);
Picture decodeWmf(const uint8_t* data, size_t size, uint64_t maxPixels = kMaxPicturePixels);
Picture decodeEmf(const uint8_t* data, size_t size, uint64_t maxPixels = kMaxPicturePixels);
Picture decodePng(const uint8_t* data, size_t size, uint64_t maxPixels = kMaxPicturePixels);
Picture decodeWebp(const uint8_t* data, size_t size, uint64_t maxPixels = kMaxPicturePixels);
Picture decodeTiff(const uint8_t* data, size_t size, uint64_t maxPixels = kMaxPicturePixels);
Picture decodeHeif(const uint8_t* data, size_t size, uint64_t maxPixels = kMaxPicturePixels);

// Decodes bytes as the given format (Unknown throws).
Picture decodePicture(PictureFormat format, const uint8_t* data, size_t size, uint64_t maxPixels = kMaxPicturePixels);

}  // namespace jollix
