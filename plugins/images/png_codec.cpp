// PNG reading and writing through libpng. Every colour type and depth is
// turned into 8-bit R,G,B or R,G,B,A: palettes and grey are expanded, a tRNS
// chunk becomes an alpha channel, 16-bit channels are scaled to 8 bits and
// interlaced files are de-interlaced. Gamma and colour-space chunks are
// ignored: textures are used as stored.
//
// libpng reports errors by longjmp. The functions that call setjmp hold only
// trivially destructible locals; everything that owns memory lives in their
// callers.

#include <png.h>

#include <csetjmp>
#include <cstring>

#include "plugins/images/picture.h"

namespace images {
namespace {

// Ancillary chunks (text, ICC profiles) larger than this are skipped, so a
// compressed chunk cannot expand into a large allocation.
constexpr png_alloc_size_t kMaxChunkBytes = 8u << 20;

struct PngReadState {
    const uint8_t* data;
    size_t size;
    size_t at;
    char fault[200];
};

void OnError(png_structp png, png_const_charp message) {
    auto* fault = static_cast<char*>(png_get_error_ptr(png));
    std::snprintf(fault, 200, "%s", message);
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void ReadBytes(png_structp png, png_bytep out, png_size_t length) {
    auto* s = static_cast<PngReadState*>(png_get_io_ptr(png));
    if (s->size - s->at < length) png_error(png, "file ends early");
    std::memcpy(out, s->data + s->at, length);
    s->at += length;
}

// Reads the header and sets the transforms; false with the fault set when the
// file is not a PNG or its header is refused by libpng.
bool ReadHeader(png_structp png, png_infop info, png_uint_32& width, png_uint_32& height, int& channels) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_info(png, info);
    width = png_get_image_width(png, info);
    height = png_get_image_height(png, info);
    const int colour = png_get_color_type(png, info);
    const bool alpha = (colour & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);
    png_set_expand(png);  // palette to RGB, grey below 8 bits to 8, tRNS to alpha
    png_set_scale_16(png);
    if (!(colour & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    channels = alpha ? 4 : 3;
    if (png_get_channels(png, info) != channels || png_get_bit_depth(png, info) != 8)
        png_error(png, "unexpected pixel layout after conversion");
    return true;
}

// Reads every pass of every row into the picture.
bool ReadRows(png_structp png, Picture* picture) {
    if (setjmp(png_jmpbuf(png))) return false;
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass)
        for (int y = 0; y < picture->height; ++y) png_read_row(png, picture->Row(y), nullptr);
    return true;
}

struct PngWriteState {
    std::FILE* file;
    char fault[200];
};

void WriteBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* s = static_cast<PngWriteState*>(png_get_io_ptr(png));
    if (std::fwrite(data, 1, length, s->file) != length) png_error(png, "write failed");
}

void FlushBytes(png_structp png) {
    auto* s = static_cast<PngWriteState*>(png_get_io_ptr(png));
    std::fflush(s->file);
}

bool WriteAll(png_structp png, png_infop info, const uint8_t* bgr, int bytesPerPixel, int width, int height,
              int pitch) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // Frames are captured at every presented frame: favour speed over size.
    png_set_compression_level(png, 1);
    png_write_info(png, info);
    png_set_bgr(png);
    if (bytesPerPixel == 4) png_set_filler(png, 0, PNG_FILLER_AFTER);  // the fourth byte is dropped
    for (int y = 0; y < height; ++y) png_write_row(png, const_cast<png_bytep>(bgr + size_t(y) * pitch));
    png_write_end(png, nullptr);
    return true;
}

}  // namespace

bool DecodePng(std::span<const uint8_t> file, Picture& out, std::string& fault) {
    out = Picture{};
    if (file.size() < 8 || png_sig_cmp(file.data(), 0, 8) != 0) {
        fault = "no PNG signature";
        return false;
    }
    // The header chunk comes first: a size it claims is refused before the
    // library reads further.
    if (file.size() >= 24 && std::memcmp(file.data() + 12, "IHDR", 4) == 0) {
        auto big32 = [&](size_t at) {
            return (uint32_t(file[at]) << 24) | (uint32_t(file[at + 1]) << 16) | (uint32_t(file[at + 2]) << 8) |
                   file[at + 3];
        };
        if (!CheckSize(big32(16), big32(20), fault)) return false;
    }
    PngReadState state{file.data(), file.size(), 0, {}};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, state.fault, OnError, OnWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        fault = "not enough memory for the decoder";
        return false;
    }
    png_set_read_fn(png, &state, ReadBytes);
    // The side and pixel limits are checked below with a clear message; the
    // library's own limit only has to let every accepted size through.
    png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
    png_set_chunk_malloc_max(png, kMaxChunkBytes);

    png_uint_32 width = 0, height = 0;
    int channels = 0;
    bool ok = ReadHeader(png, info, width, height, channels);
    if (!ok)
        fault = state.fault;
    else
        ok = Allocate(out, width, height, channels * 8, fault);
    if (ok && !ReadRows(png, &out)) {
        fault = state.fault;
        ok = false;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    if (!ok) out = Picture{};
    return ok;
}

bool EncodePng(std::FILE* file, const uint8_t* bgr, int bytesPerPixel, int width, int height, int pitch,
               std::string& fault) {
    PngWriteState state{file, {}};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, state.fault, OnError, OnWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        fault = "not enough memory for the encoder";
        return false;
    }
    png_set_write_fn(png, &state, WriteBytes, FlushBytes);
    const bool ok = WriteAll(png, info, bgr, bytesPerPixel, width, height, pitch);
    if (!ok) fault = state.fault;
    png_destroy_write_struct(&png, &info);
    return ok;
}

}  // namespace images
