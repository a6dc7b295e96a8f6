// JPEG reading through libjpeg-turbo: baseline and progressive, colour and
// grey, and four-channel (CMYK and YCCK) files, which the library hands over
// as CMYK and which are turned into RGB here. A file cut short or with
// damaged entropy data is refused instead of shown with the grey filler the
// library would put in its place.
//
// libjpeg reports errors by longjmp. The functions that call setjmp hold only
// trivially destructible locals; everything that owns memory lives in their
// callers.

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
// jpeglib.h needs size_t and FILE declared before it.
#include <jerror.h>
#include <jpeglib.h>

#include "plugins/images/picture.h"

namespace images {
namespace {

// Progressive files can ask for any number of scans, each a pass over the
// whole picture; more than this is taken for a hostile file.
constexpr int kMaxScans = 1000;
// The library's working memory: progressive files keep every coefficient,
// 2 bytes a sample, 384 MB for the largest picture accepted (three full-size
// channels).
constexpr long kMaxDecoderMemory = 512L << 20;

struct JpegErrors {
    jpeg_error_mgr manager;  // first, so the library's pointer is also ours
    std::jmp_buf jump;
    char fault[JMSG_LENGTH_MAX + 40];
    bool damaged;  // a warning that means the picture is not what the file meant
};

void OnError(j_common_ptr cinfo) {
    auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
    char text[JMSG_LENGTH_MAX];
    cinfo->err->format_message(cinfo, text);
    std::snprintf(errors->fault, sizeof errors->fault, "%s", text);
    std::longjmp(errors->jump, 1);
}

// Level -1 messages are warnings. Data ending early, a marker inside the
// entropy data or a broken progression leave a picture partly made up, so
// they end the read; warnings about harmless oddities are ignored.
void OnMessage(j_common_ptr cinfo, int level) {
    if (level != -1) return;
    auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
    switch (cinfo->err->msg_code) {
        case JWRN_JPEG_EOF:
        case JWRN_HIT_MARKER:
        case JWRN_MUST_RESYNC:
        case JWRN_NOT_SEQUENTIAL:
        case JWRN_BOGUS_PROGRESSION:
        case JWRN_HUFF_BAD_CODE: {
            char text[JMSG_LENGTH_MAX];
            cinfo->err->format_message(cinfo, text);
            std::snprintf(errors->fault, sizeof errors->fault, "%s", text);
            errors->damaged = true;
            std::longjmp(errors->jump, 1);
        }
        default:
            break;
    }
}

void OnProgress(j_common_ptr cinfo) {
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->is_decompressor && d->input_scan_number > kMaxScans) {
        auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
        std::snprintf(errors->fault, sizeof errors->fault, "more than %d scans", kMaxScans);
        std::longjmp(errors->jump, 1);
    }
}

bool ReadHeader(jpeg_decompress_struct* cinfo, JpegErrors* errors) {
    if (setjmp(errors->jump)) return false;
    jpeg_read_header(cinfo, TRUE);
    // Grey and YCbCr come out as RGB; four-channel files as CMYK, converted below.
    const bool fourChannels = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    cinfo->out_color_space = fourChannels ? JCS_CMYK : JCS_RGB;
    return true;
}

// One CMYK row to RGB in place (4 bytes in, 3 out). Adobe files store the
// inks inverted (255 is no ink), which is what the library hands over for
// files with an Adobe marker; others store them plainly.
void CmykToRgb(uint8_t* row, int width, bool inverted) {
    for (int x = 0; x < width; ++x) {
        int c = row[4 * x], m = row[4 * x + 1], y = row[4 * x + 2], k = row[4 * x + 3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        row[3 * x] = static_cast<uint8_t>((c * k + 127) / 255);
        row[3 * x + 1] = static_cast<uint8_t>((m * k + 127) / 255);
        row[3 * x + 2] = static_cast<uint8_t>((y * k + 127) / 255);
    }
}

// Decodes every row into the picture; CMYK rows go through cmykRow (one
// row of width x 4 bytes) first.
bool ReadRows(jpeg_decompress_struct* cinfo, JpegErrors* errors, Picture* picture, uint8_t* cmykRow) {
    if (setjmp(errors->jump)) return false;
    jpeg_start_decompress(cinfo);
    const bool cmyk = cinfo->out_color_space == JCS_CMYK;
    if (int(cinfo->output_width) != picture->width || int(cinfo->output_height) != picture->height ||
        cinfo->output_components != (cmyk ? 4 : 3))
        ERREXIT(cinfo, JERR_BAD_J_COLORSPACE);
    while (cinfo->output_scanline < cinfo->output_height) {
        const int y = static_cast<int>(cinfo->output_scanline);
        JSAMPROW row = cmyk ? cmykRow : picture->Row(y);
        jpeg_read_scanlines(cinfo, &row, 1);
        if (cmyk) {
            CmykToRgb(cmykRow, picture->width, cinfo->saw_Adobe_marker);
            std::memcpy(picture->Row(y), cmykRow, picture->RowBytes());
        }
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

}  // namespace

bool DecodeJpeg(std::span<const uint8_t> file, Picture& out, std::string& fault) {
    out = Picture{};
    if (file.size() < 3 || file[0] != 0xFF || file[1] != 0xD8 || file[2] != 0xFF) {
        fault = "no JPEG start marker";
        return false;
    }
    jpeg_decompress_struct cinfo{};
    JpegErrors errors{};
    cinfo.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = OnError;
    errors.manager.emit_message = OnMessage;
    jpeg_progress_mgr progress{};
    progress.progress_monitor = OnProgress;

    bool ok = true;
    if (setjmp(errors.jump)) {
        ok = false;  // creating the decoder failed
    } else {
        jpeg_create_decompress(&cinfo);
        cinfo.progress = &progress;
        cinfo.mem->max_memory_to_use = kMaxDecoderMemory;
        jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
    }
    ok = ok && ReadHeader(&cinfo, &errors);
    if (ok) {
        ok = Allocate(out, cinfo.image_width, cinfo.image_height, 24, fault);
    } else {
        fault = errors.fault;
    }
    std::unique_ptr<uint8_t[]> cmykRow;
    if (ok && cinfo.out_color_space == JCS_CMYK) {
        cmykRow.reset(new (std::nothrow) uint8_t[size_t(out.width) * 4]);
        if (!cmykRow) {
            fault = "not enough memory for the picture";
            ok = false;
        }
    }
    if (ok && !ReadRows(&cinfo, &errors, &out, cmykRow.get())) {
        fault = errors.fault;
        ok = false;
    }
    jpeg_destroy_decompress(&cinfo);
    if (!ok) out = Picture{};
    return ok;
}

}  // namespace images
