// JPEG files through libjpeg-turbo's libjpeg interface.
//
// Reading: full size, fancy upsampling and block smoothing on, the accurate
// integer DCT; greyscale, YCbCr, RGB, CMYK and YCCK files (Adobe's inverted
// CMYK included) all become 24-bit BGR, through the file's ICC profile when
// it has one of its kind of colour. libjpeg's default error handler ends
// the process; here it is replaced by one that jumps back and turns the
// library's message into a JollixError. Warnings that mean damaged or cut
// short data are treated as errors too, and the size is checked right after
// the header. A photo whose EXIF block (APP1) has an orientation tag is
// turned upright as its rows go into the picture.
//
// The picture is made scanline by scanline straight into its tiles, and the
// coded data is given back as libjpeg goes past it.
//
// The decoder's work is bounded by the picture it makes: every scan visits
// each coefficient block of the components it covers, even when its data is
// a few bytes of "nothing here" runs, so a small progressive file of
// hundreds of scans over a huge picture could keep the program busy for
// minutes. The markers are read first (cheap: no decoding) and a file whose
// scans together would visit more blocks than kPassBudget whole passes over
// the picture is refused before anything big is allocated; libjpeg's
// progress monitor holds the same budget while decoding.
//
// Writing: quality 90, floating-point DCT, baseline, three components, JFIF.
#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

#include "core/tiles.h"
#include "io/atomic_file.h"
#include "io/colour_profile.h"
#include "io/decode_util.h"
#include "io/input_bytes.h"
#include "io/picture_files.h"
#include "io/picture_rows.h"

namespace jollix {
using namespace io_detail;

namespace {

constexpr int kMaxScans = 500;
// Whole-picture passes a file may ask for. The usual progressive script
// costs 5 to 6, the most elaborate encoder scripts about 12, a baseline
// file 1. Small pictures get kFreeBlocks besides, whatever their scans.
constexpr uint64_t kPassBudget = 40;
constexpr uint64_t kFreeBlocks = uint64_t(1) << 24;

uint64_t blockBudget(uint64_t pictureBlocks) { return kPassBudget * pictureBlocks + kFreeBlocks; }

// What the markers say about the work of decoding: the coefficient blocks
// of the picture and the blocks all scans visit together.
struct ScanWork {
    uint64_t pictureBlocks = 0;
    uint64_t scanBlocks = 0;
    int scans = 0;
};

// Reads the frame header and every scan header, skipping the coded data in
// between; stops quietly at anything odd (libjpeg then reports it).
ScanWork measureScans(const uint8_t* data, size_t size) {
    ScanWork work;
    struct Component {
        int id;
        uint64_t blocks;
    };
    std::vector<Component> components;
    size_t pos = 2;
    auto be16 = [&](size_t at) { return unsigned(data[at] << 8 | data[at + 1]); };
    while (pos + 1 < size) {
        if (data[pos] != 0xFF) return work;
        while (pos + 1 < size && data[pos + 1] == 0xFF) ++pos;  // fill bytes
        if (pos + 1 >= size) return work;
        const unsigned marker = data[pos + 1];
        pos += 2;
        if (marker == 0xD9) return work;                                     // EOI
        if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) continue;  // no segment
        if (pos + 2 > size) return work;
        const size_t length = be16(pos);
        if (length < 2 || pos + length > size) return work;
        const uint8_t* seg = data + pos;
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame && components.empty() && length >= 8) {
            const uint64_t height = be16(pos + 3), width = be16(pos + 5);
            const unsigned count = seg[7];
            if (length < 8 + 3 * size_t(count) || count == 0) return work;
            unsigned hMax = 1, vMax = 1;
            for (unsigned i = 0; i < count; ++i) {
                hMax = std::max(hMax, unsigned(seg[9 + 3 * i] >> 4));
                vMax = std::max(vMax, unsigned(seg[9 + 3 * i] & 15));
            }
            // Blocks of each component, padded to whole MCUs (an upper bound).
            const uint64_t mcusX = (width + 8 * hMax - 1) / (8 * hMax), mcusY = (height + 8 * vMax - 1) / (8 * vMax);
            for (unsigned i = 0; i < count; ++i) {
                const uint64_t blocks = mcusX * (seg[9 + 3 * i] >> 4) * mcusY * (seg[9 + 3 * i] & 15);
                components.push_back({seg[8 + 3 * i], blocks});
                work.pictureBlocks += blocks;
            }
        } else if (marker == 0xDA && length >= 3) {
            const unsigned count = seg[2];
            if (length < 3 + 2 * size_t(count)) return work;
            ++work.scans;
            for (unsigned i = 0; i < count; ++i)
                for (const Component& c : components)
                    if (c.id == seg[3 + 2 * i]) work.scanBlocks += c.blocks;
            // Skip the coded data: up to the next marker that is neither a
            // stuffed 0xFF 0x00 nor a restart marker.
            pos += length;
            for (;;) {
                const void* ff = std::memchr(data + pos, 0xFF, size - pos);
                if (!ff) return work;
                pos = size_t(static_cast<const uint8_t*>(ff) - data);
                if (pos + 1 >= size) return work;
                const uint8_t next = data[pos + 1];
                if (next == 0x00 || (next >= 0xD0 && next <= 0xD7)) {
                    pos += 2;
                    continue;
                }
                break;
            }
            continue;
        }
        pos += length;
    }
    return work;
}

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX + 64];
};

[[noreturn]] void jumpBack(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::longjmp(err->jump, 1);
}

void errorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    jumpBack(cinfo);
}

// Warnings (level -1) that mean the data is damaged or incomplete end the
// decoding; harmless ones (extra bytes between markers, an unknown JFIF
// revision, a bad ICC profile) are ignored. Trace messages are ignored.
void emitMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;
    switch (cinfo->err->msg_code) {
        case JWRN_JPEG_EOF:
        case JWRN_HIT_MARKER:
        case JWRN_HUFF_BAD_CODE:
        case JWRN_ARITH_BAD_CODE:
        case JWRN_MUST_RESYNC:
        case JWRN_BOGUS_PROGRESSION:
        case JWRN_NOT_SEQUENTIAL: errorExit(cinfo);
        default: break;
    }
}

void outputMessage(j_common_ptr) {}

// The decoder's progress monitor, counting the blocks each scan visits as
// libjpeg reads the scan headers.
struct WorkMonitor {
    jpeg_progress_mgr pub;
    int lastScan = 0;
    uint64_t spent = 0, budget = 0;
};

void progress(j_common_ptr cinfo) {
    if (!cinfo->is_decompressor) return;
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    auto* monitor = reinterpret_cast<WorkMonitor*>(cinfo->progress);
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (d->input_scan_number > kMaxScans) {
        std::snprintf(err->message, sizeof err->message, "the JPEG file has more than %d scans", kMaxScans);
        jumpBack(cinfo);
    }
    if (d->input_scan_number > monitor->lastScan) {
        monitor->lastScan = d->input_scan_number;
        for (int i = 0; i < d->comps_in_scan; ++i)
            monitor->spent += uint64_t(d->cur_comp_info[i]->width_in_blocks) * d->cur_comp_info[i]->height_in_blocks;
        if (monitor->spent > monitor->budget) {
            std::snprintf(err->message, sizeof err->message,
                          "the JPEG file asks for far more decoding work than its picture needs");
            jumpBack(cinfo);
        }
    }
}

void installErrorManager(ErrorManager& err) {
    jpeg_std_error(&err.pub);
    err.pub.error_exit = errorExit;
    err.pub.emit_message = emitMessage;
    err.pub.output_message = outputMessage;
    err.message[0] = 0;
}

// The coded data handed to libjpeg a piece at a time, each piece given back
// once libjpeg has gone past it (libjpeg never reads backwards): what the
// file costs shrinks as the picture grows. Past the end, an end-of-image
// marker with libjpeg's "premature end" warning, as its memory source does.
struct PieceSource {
    jpeg_source_mgr pub;
    const uint8_t* data = nullptr;
    size_t size = 0, pieceStart = 0, next = 0;
    static constexpr size_t kPiece = size_t(1) << 20;

    void use(j_decompress_ptr cinfo, const uint8_t* bytes, size_t count) {
        data = bytes;
        size = count;
        pub.init_source = [](j_decompress_ptr) {};
        pub.fill_input_buffer = fill;
        pub.skip_input_data = skip;
        pub.resync_to_restart = jpeg_resync_to_restart;
        pub.term_source = [](j_decompress_ptr) {};
        pub.bytes_in_buffer = 0;
        pub.next_input_byte = nullptr;
        cinfo->src = &pub;
    }
    static boolean fill(j_decompress_ptr cinfo) {
        auto* s = reinterpret_cast<PieceSource*>(cinfo->src);
        doneWithInput(s->data + s->pieceStart, s->data + s->next);
        if (s->next >= s->size) {
            static const JOCTET kEnd[2] = {0xFF, JPEG_EOI};
            WARNMS(cinfo, JWRN_JPEG_EOF);
            s->pub.next_input_byte = kEnd;
            s->pub.bytes_in_buffer = 2;
            return TRUE;
        }
        s->pieceStart = s->next;
        s->pub.next_input_byte = s->data + s->next;
        s->pub.bytes_in_buffer = std::min(kPiece, s->size - s->next);
        s->next += s->pub.bytes_in_buffer;
        return TRUE;
    }
    static void skip(j_decompress_ptr cinfo, long count) {
        auto* src = cinfo->src;
        if (count <= 0) return;
        while (size_t(count) > src->bytes_in_buffer) {
            count -= long(src->bytes_in_buffer);
            fill(cinfo);
        }
        src->next_input_byte += count;
        src->bytes_in_buffer -= size_t(count);
    }
};

// State that must survive a longjmp lives on the heap, reached through a
// pointer that is set before setjmp and never changed afterwards.
struct DecodeState {
    ErrorManager err;
    jpeg_decompress_struct cinfo;
    WorkMonitor progress;
    PieceSource source;
    bool created = false;
    int orientation = 1;
    ColourProfile profile;
    std::unique_ptr<PictureRows> picture;
    std::unique_ptr<CmykToBgr> inks;
    std::vector<uint8_t> row, bgr;
    ~DecodeState() {
        if (created) jpeg_destroy_decompress(&cinfo);
    }
};

struct EncodeState {
    ErrorManager err;
    jpeg_compress_struct cinfo;
    bool created = false;
    unsigned char* buffer = nullptr;
    unsigned long bufferSize = 0;
    std::vector<uint8_t> row;
    ~EncodeState() {
        if (created) jpeg_destroy_compress(&cinfo);
        std::free(buffer);
    }
};

// Runs the decoding; returns false after a libjpeg error (message in s.err).
bool runDecode(DecodeState* s, const uint8_t* data, size_t size, uint64_t maxPixels, std::string* sizeError) {
    installErrorManager(s->err);
    s->cinfo.err = &s->err.pub;
    if (setjmp(s->err.jump)) return false;
    jpeg_create_decompress(&s->cinfo);
    s->created = true;
    s->progress.pub.progress_monitor = progress;
    s->cinfo.progress = &s->progress.pub;
    // libjpeg-turbo's own memory bound, besides the pixel limit below.
    s->cinfo.mem->max_memory_to_use = long(std::min<uint64_t>(maxPixels * 16 + (64u << 20), 0x7FFFFFFF));
    s->source.use(&s->cinfo, data, size);
    jpeg_save_markers(&s->cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_save_markers(&s->cinfo, JPEG_APP0 + 2, 0xFFFF);  // the ICC profile
    jpeg_read_header(&s->cinfo, TRUE);
    JOCTET* icc = nullptr;
    unsigned iccLength = 0;
    if (jpeg_read_icc_profile(&s->cinfo, &icc, &iccLength)) {
        s->profile = ColourProfile::fromIcc(icc, iccLength);
        std::free(icc);
        // A profile of another kind of colour than the file's says nothing
        // about its pixels.
        const bool cmykFile = s->cinfo.jpeg_color_space == JCS_CMYK || s->cinfo.jpeg_color_space == JCS_YCCK;
        const bool greyFile = s->cinfo.jpeg_color_space == JCS_GRAYSCALE;
        if (s->profile.isCmyk() != cmykFile || (s->profile.isGrey() && !greyFile)) s->profile = ColourProfile();
    }
    for (jpeg_saved_marker_ptr m = s->cinfo.marker_list; m; m = m->next)
        if (m->marker == JPEG_APP0 + 1 && m->data_length >= 6 && std::memcmp(m->data, "Exif\0\0", 6) == 0) {
            s->orientation = exifOrientation(m->data, m->data_length);
            break;
        }

    const int64_t w = s->cinfo.image_width, h = s->cinfo.image_height;
    try {
        checkPictureSize(w, h, maxPixels, "JPEG picture");
    } catch (const JollixError& e) {
        *sizeError = e.what();
        return false;
    }
    uint64_t pictureBlocks = 0;
    for (int i = 0; i < s->cinfo.num_components; ++i)
        pictureBlocks += uint64_t(s->cinfo.comp_info[i].width_in_blocks) * s->cinfo.comp_info[i].height_in_blocks;
    s->progress.budget = blockBudget(pictureBlocks);
    bool cmyk = false;
    switch (s->cinfo.jpeg_color_space) {
        case JCS_GRAYSCALE:
        case JCS_YCbCr:
        case JCS_RGB: s->cinfo.out_color_space = JCS_EXT_BGR; break;
        case JCS_CMYK:
        case JCS_YCCK:
            s->cinfo.out_color_space = JCS_CMYK;
            cmyk = true;
            break;
        default: *sizeError = "the JPEG file's colour space cannot be read"; return false;
    }
    s->cinfo.scale_num = 1;
    s->cinfo.scale_denom = 1;
    s->cinfo.dct_method = JDCT_ISLOW;
    s->cinfo.do_fancy_upsampling = TRUE;
    s->cinfo.do_block_smoothing = TRUE;
    s->cinfo.dither_mode = JDITHER_NONE;
    s->cinfo.quantize_colors = FALSE;
    jpeg_start_decompress(&s->cinfo);
    const int ow = int(s->cinfo.output_width), oh = int(s->cinfo.output_height);
    const int comps = s->cinfo.output_components;
    if (ow != w || oh != h || comps != (cmyk ? 4 : 3)) {
        *sizeError = "the JPEG decoder gave an unexpected layout";
        return false;
    }
    s->picture = std::make_unique<PictureRows>(ow, oh, s->orientation);
    s->row.resize(size_t(ow) * comps);
    s->bgr.resize(size_t(ow) * 3);
    // Adobe's files store CMYK inverted (0 = full ink).
    if (cmyk) s->inks = std::make_unique<CmykToBgr>(s->profile, 8, 4, bool(s->cinfo.saw_Adobe_marker));
    while (s->cinfo.output_scanline < s->cinfo.output_height) {
        const int y = int(s->cinfo.output_scanline);
        JSAMPROW rows[1] = {s->row.data()};
        if (jpeg_read_scanlines(&s->cinfo, rows, 1) != 1) {
            *sizeError = "the JPEG data ended early";
            return false;
        }
        if (cmyk) {
            s->inks->convert(s->row.data(), s->bgr.data(), ow);
            s->picture->bgr(y, s->bgr.data());
        } else {
            s->picture->bgr(y, s->row.data());
        }
    }
    jpeg_finish_decompress(&s->cinfo);
    return true;
}

bool runEncode(EncodeState* s, const Picture& picture) {
    installErrorManager(s->err);
    s->cinfo.err = &s->err.pub;
    if (setjmp(s->err.jump)) return false;
    jpeg_create_compress(&s->cinfo);
    s->created = true;
    jpeg_mem_dest(&s->cinfo, &s->buffer, &s->bufferSize);
    s->cinfo.image_width = JDIMENSION(picture.width());
    s->cinfo.image_height = JDIMENSION(picture.height());
    s->cinfo.input_components = 3;
    s->cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&s->cinfo);  // YCbCr, JFIF marker, baseline Huffman
    jpeg_set_quality(&s->cinfo, 90, TRUE);
    s->cinfo.dct_method = JDCT_FLOAT;
    s->cinfo.write_JFIF_header = TRUE;
    s->cinfo.optimize_coding = FALSE;
    jpeg_start_compress(&s->cinfo, TRUE);
    s->row.resize(size_t(picture.width()) * 3);
    const TileReader reader(picture);
    while (s->cinfo.next_scanline < s->cinfo.image_height) {
        reader.copyRow(int(s->cinfo.next_scanline), 0, picture.width(), s->row.data());
        JSAMPROW rows[1] = {s->row.data()};
        jpeg_write_scanlines(&s->cinfo, rows, 1);
    }
    jpeg_finish_compress(&s->cinfo);
    return true;
}

}  // namespace

Picture decodeJpeg(const uint8_t* data, size_t size, uint64_t maxPixels) {
    if (size < 2 || data[0] != 0xFF || data[1] != 0xD8) fail("the file is not a JPEG file");
    const ScanWork work = measureScans(data, size);
    if (work.scans > kMaxScans) fail("the JPEG file has more than " + std::to_string(kMaxScans) + " scans");
    if (work.scanBlocks > blockBudget(work.pictureBlocks))
        fail("the JPEG file asks for far more decoding work than its picture needs");
    auto state = std::make_unique<DecodeState>();
    std::string sizeError;
    if (!runDecode(state.get(), data, size, maxPixels, &sizeError)) {
        if (!sizeError.empty()) fail(sizeError);
        // Valid files of kinds libjpeg does not decode are named as such.
        const int code = state->err.pub.msg_code;
        if (code == JERR_BAD_PRECISION)
            fail(std::to_string(state->err.pub.msg_parm.i[0]) + "-bit JPEG is not supported");
        if (code == JERR_SOF_UNSUPPORTED) {
            const int marker = state->err.pub.msg_parm.i[0];
            fail(marker == 0xC3 || marker == 0xC7 || marker == 0xCB || marker == 0xCF
                     ? "lossless JPEG is not supported"
                     : "hierarchical JPEG is not supported");
        }
        fail(std::string("the JPEG data is damaged (") + state->err.message + ")");
    }
    Picture picture = state->picture->take();
    convertToSrgb(picture, state->profile);
    return picture;
}

std::string encodeJpeg(const Picture& picture) {
    if (picture.isEmpty()) throw JollixError("an empty picture cannot be saved");
    if (picture.width() > JPEG_MAX_DIMENSION || picture.height() > JPEG_MAX_DIMENSION)
        throw JollixError("the picture is too large for a JPEG file (at most " + std::to_string(JPEG_MAX_DIMENSION) +
                          " pixels a side)");
    auto state = std::make_unique<EncodeState>();
    if (!runEncode(state.get(), picture))
        throw JollixError(std::string("the JPEG encoder failed (") + state->err.message + ")");
    return std::string(reinterpret_cast<const char*>(state->buffer), state->bufferSize);
}

void saveJpeg(const Picture& picture, const std::string& path) { writePictureFile(picture, path, SaveFormat::Jpeg); }

}  // namespace jollix
