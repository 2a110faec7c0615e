// The format table and what reads it: choosing the decoder by name or by
// content, the dialogs' type lists and the saved formats' extensions.
#include "io/formats.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "io/decode_util.h"

namespace jollix {
using namespace io_detail;

namespace {

bool startsWith(const uint8_t* data, size_t size, size_t at, const char* text, size_t length) {
    return size >= at + length && std::memcmp(data + at, text, length) == 0;
}

bool isJpeg(const uint8_t* d, size_t n) { return startsWith(d, n, 0, "\xFF\xD8\xFF", 3); }
bool isBmp(const uint8_t* d, size_t n) { return startsWith(d, n, 0, "BM", 2); }
bool isGif(const uint8_t* d, size_t n) { return startsWith(d, n, 0, "GIF87a", 6) || startsWith(d, n, 0, "GIF89a", 6); }
bool isPng(const uint8_t* d, size_t n) { return startsWith(d, n, 0, "\x89PNG\r\n\x1A\n", 8); }
bool isWebp(const uint8_t* d, size_t n) { return startsWith(d, n, 0, "RIFF", 4) && startsWith(d, n, 8, "WEBP", 4); }
bool isTiff(const uint8_t* d, size_t n) { return startsWith(d, n, 0, "II*\0", 4) || startsWith(d, n, 0, "MM\0*", 4); }
bool isHeif(const uint8_t* d, size_t n) { return startsWith(d, n, 4, "ftyp", 4); }
bool isEmf(const uint8_t* d, size_t n) {
    return startsWith(d, n, 0, "\x01\0\0\0", 4) && startsWith(d, n, 40, " EMF", 4);
}
bool isIco(const uint8_t* d, size_t n) {
    return startsWith(d, n, 0, "\0\0\1\0", 4) || startsWith(d, n, 0, "\0\0\2\0", 4);
}
bool isWmf(const uint8_t* d, size_t n) {
    if (startsWith(d, n, 0, "\xD7\xCD\xC6\x9A", 4)) return true;  // placeable metafile
    // A bare Windows metafile: type 1 or 2, a header of 9 words, version 0x300 or 0x100.
    return n >= 18 && (d[0] == 1 || d[0] == 2) && d[1] == 0 && d[2] == 9 && d[3] == 0 && d[4] == 0 &&
           (d[5] == 1 || d[5] == 3);
}

// Rows in the order of the open dialog's entries; the save dialog's order is
// their saveEntry.
const FileFormat kFormats[] = {
    {PictureFormat::Jpeg, "JPEG", "JPEG", "jpg jpeg jpe jfif", "image/jpeg", isJpeg, decodeJpeg,
     "*.jpg|*.jpeg;*.jpe;*.jfif", int(SaveFormat::Jpeg), encodeJpeg, "jpg jpeg"},
    {PictureFormat::Bmp, "BMP", "BMP", "bmp dib", "image/bmp", isBmp, decodeBmp, "*.bmp;*.dib", int(SaveFormat::Bmp),
     encodeBmp, "bmp"},
    {PictureFormat::Wmf, "WMF", "Windows metafile", "wmf", "image/wmf", isWmf, decodeWmf, "*.wmf", int(SaveFormat::Wmf),
     encodeWmf, "wmf"},
    {PictureFormat::Emf, "EMF", "Enhanced metafile", "emf", "image/emf", isEmf, decodeEmf, "*.emf", 0, nullptr, ""},
    {PictureFormat::Gif, "GIF", "GIF", "gif", "image/gif", isGif, decodeGif, "*.gif", 0, nullptr, ""},
    {PictureFormat::Png, "PNG", "PNG", "png", "image/png", isPng, decodePng, "*.png", int(SaveFormat::Png), encodePng,
     "png"},
    {PictureFormat::Webp, "WebP", "WebP", "webp", "image/webp", isWebp, decodeWebp, "*.webp", int(SaveFormat::Webp),
     encodeWebp, "webp"},
    {PictureFormat::Tiff, "TIFF", "TIFF", "tif tiff", "image/tiff", isTiff, decodeTiff, "*.tif;*.tiff",
     int(SaveFormat::Tiff), encodeTiff, "tif tiff"},
    {PictureFormat::Heif, "HEIC", "HEIC, HEIF", "heic heif hif", "image/heif image/heic", isHeif, decodeHeif,
     "*.heic;*.heif;*.hif", 0, nullptr, ""},
    // Icons are reached through "All files" only.
    {PictureFormat::Ico, "ICO", "Icon", "ico", "image/vnd.microsoft.icon", isIco, decodeIco, "", 0, nullptr, ""},
};

std::string lowerCase(std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string upperCase(std::string s) {
    for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// The rows that are saved, in the save dialog's order.
std::vector<const FileFormat*> savedFormats() {
    std::vector<const FileFormat*> rows;
    for (const FileFormat& f : kFormats)
        if (f.saveEntry > 0) rows.push_back(&f);
    std::sort(rows.begin(), rows.end(), [](auto* a, auto* b) { return a->saveEntry < b->saveEntry; });
    return rows;
}

}  // namespace

std::span<const FileFormat> fileFormats() { return kFormats; }

const FileFormat* fileFormat(PictureFormat format) {
    for (const FileFormat& f : kFormats)
        if (f.format == format) return &f;
    return nullptr;
}

const FileFormat* fileFormat(SaveFormat format) {
    for (const FileFormat& f : kFormats)
        if (f.saveEntry == int(format)) return &f;
    return nullptr;
}

std::vector<std::string> wordsOf(const char* list) {
    std::vector<std::string> words;
    std::string word;
    for (const char* p = list;; ++p) {
        if (*p == ' ' || *p == '\0') {
            if (!word.empty()) words.push_back(word);
            word.clear();
            if (*p == '\0') break;
        } else {
            word += *p;
        }
    }
    return words;
}

std::string extensionKey(const std::string& fileName) {
    return upperCase(fileName.size() < 4 ? fileName : fileName.substr(fileName.size() - 4));
}

PictureFormat formatForName(const std::string& fileName) {
    // The key is the name's last four characters, so a three-letter
    // extension is matched with its dot and a four-letter one without
    // ("xjpeg" opens as JPEG).
    const std::string key = extensionKey(fileName);
    for (const FileFormat& f : kFormats)
        for (const std::string& ext : wordsOf(f.extensions))
            if (key == upperCase(ext.size() == 3 ? "." + ext : ext)) return f.format;
    return PictureFormat::Unknown;
}

PictureFormat formatFromContent(const uint8_t* data, size_t size) {
    for (const FileFormat& f : kFormats)
        if (f.hasSignature(data, size)) return f.format;
    return PictureFormat::Unknown;
}

PictureFormat formatOfFile(const std::string& fileName) {
    const PictureFormat byName = formatForName(fileName);
    return byName != PictureFormat::Unknown ? byName : formatOfFileContent(fileName);
}

PictureFormat formatOfFileContent(const std::string& fileName) {
    // Only regular files are looked into; a pipe or a device could block.
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return PictureFormat::Unknown;
    uint8_t head[64];
    ssize_t got = -1;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) got = ::read(fd, head, sizeof head);
    ::close(fd);
    return got > 0 ? formatFromContent(head, size_t(got)) : PictureFormat::Unknown;
}

Picture decodePicture(PictureFormat format, const uint8_t* data, size_t size, uint64_t maxPixels) {
    const FileFormat* f = fileFormat(format);
    if (!f) fail(unknownTypeReason());
    return f->decode(data, size, maxPixels);
}

std::string formatNamesText() {
    std::string text;
    for (const FileFormat& f : kFormats) text += (text.empty() ? "" : ", ") + std::string(f.name);
    return text;
}

const char* unknownTypeReason() {
    static const std::string reason = [] {
        std::string names = formatNamesText();
        const size_t last = names.rfind(", ");
        if (last != std::string::npos) names.replace(last, 2, " or ");
        return "the file type is not one that can be opened (" + names + ")";
    }();
    return reason.c_str();
}

const char* saveExtension(SaveFormat format) {
    const FileFormat* f = fileFormat(format);
    if (!f) throw JollixError("unknown file type");
    // The first saved extension, with its dot: kept in a table of its own so
    // that the pointer stays valid.
    static const std::vector<std::string> forced = [] {
        std::vector<std::string> v(size_t(kSaveFormatCount) + 1);
        for (const FileFormat& row : kFormats)
            if (row.saveEntry > 0) v[size_t(row.saveEntry)] = "." + wordsOf(row.saveExtensions).front();
        return v;
    }();
    return forced[size_t(f->saveEntry)].c_str();
}

bool saveFormatForName(const std::string& name, SaveFormat* format) {
    const size_t slash = name.find_last_of('/');
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
    const std::string ext = lowerCase(name.substr(dot + 1));
    for (const FileFormat& f : kFormats)
        for (const std::string& e : wordsOf(f.saveExtensions))
            if (ext == e) {
                *format = static_cast<SaveFormat>(f.saveEntry);
                return true;
            }
    return false;
}

std::string encodePicture(const Picture& picture, SaveFormat format) {
    const FileFormat* f = fileFormat(format);
    if (!f || !f->encode) throw JollixError("unknown file type");
    return f->encode(picture);
}

std::string openDialogFilter() {
    // Each entry's description is its mask.
    std::string filter;
    for (const FileFormat& f : kFormats) {
        std::string entries = f.openEntries;
        size_t start = 0;
        while (start < entries.size()) {
            size_t bar = entries.find('|', start);
            if (bar == std::string::npos) bar = entries.size();
            const std::string mask = entries.substr(start, bar - start);
            filter += mask + "|" + mask + "|";
            start = bar + 1;
        }
    }
    return filter + "All files|*.*";
}

std::string saveDialogFilter() {
    std::string filter;
    for (const FileFormat* f : savedFormats()) {
        const std::string mask = std::string("*") + saveExtension(static_cast<SaveFormat>(f->saveEntry));
        if (!filter.empty()) filter += "|";
        filter += mask + "|" + mask;
    }
    return filter;
}

std::string savedExtensionsText() {
    std::vector<std::string> all;
    for (const FileFormat* f : savedFormats())
        for (const std::string& e : wordsOf(f->saveExtensions)) all.push_back("." + e);
    std::string text;
    for (size_t i = 0; i < all.size(); ++i) text += (i == 0 ? "" : i + 1 == all.size() ? " or " : ", ") + all[i];
    return text;
}

}  // namespace jollix
