#include "picture_writers.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

namespace picturetest {
namespace {

void Put16(Bytes& b, uint32_t v) { b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)}); }
void Put32(Bytes& b, uint32_t v) { Put16(b, v & 0xFFFF), Put16(b, v >> 16); }
void Big16(Bytes& b, uint32_t v) { b.insert(b.end(), {uint8_t(v >> 8), uint8_t(v)}); }
void Big32(Bytes& b, uint32_t v) { Big16(b, v >> 16), Big16(b, v & 0xFFFF); }

void Chunk(Bytes& out, const char* id, const Bytes& data) {
    out.insert(out.end(), id, id + 4);
    Big32(out, uint32_t(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() & 1) out.push_back(0);
}

// ByteRun1: runs of three or more equal bytes as repeats, the rest literal.
Bytes ByteRun1(const Bytes& row) {
    Bytes out;
    for (size_t i = 0; i < row.size();) {
        size_t run = 1;
        while (i + run < row.size() && row[i + run] == row[i] && run < 128) ++run;
        if (run >= 3) {
            out.insert(out.end(), {uint8_t(257 - run), row[i]});
            i += run;
            continue;
        }
        size_t n = 0;
        while (i + n < row.size() && n < 128) {
            size_t ahead = 1;
            while (i + n + ahead < row.size() && row[i + n + ahead] == row[i + n] && ahead < 3) ++ahead;
            if (ahead >= 3) break;
            ++n;
        }
        out.push_back(uint8_t(n - 1));
        out.insert(out.end(), row.begin() + long(i), row.begin() + long(i + n));
        i += n;
    }
    return out;
}

}  // namespace

Bytes WritePng(const PngSpec& s) {
    char* data = nullptr;
    size_t size = 0;
    std::FILE* f = open_memstream(&data, &size);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_set_IHDR(png, info, s.width, s.height, s.depth, s.colourType,
                 s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, 0, 0);
    if (!s.palette.empty())
        png_set_PLTE(png, info, reinterpret_cast<png_const_colorp>(s.palette.data()), int(s.palette.size() / 3));
    if (!s.trns.empty()) {
        png_color_16 grey{};
        png_set_tRNS(png, info, s.trns.data(), int(s.trns.size()), &grey);
    }
    png_write_info(png, info);
    if (s.samples.empty()) {  // the header alone
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        Bytes out(data, data + size);
        std::free(data);
        return out;
    }
    const int channels = png_get_channels(png, info);
    const size_t rowSamples = size_t(s.width) * channels;
    // Rows packed as PNG stores them: big-endian 16-bit samples, sub-byte samples high bits first.
    std::vector<Bytes> rows(s.height, Bytes((rowSamples * s.depth + 7) / 8));
    for (int y = 0; y < s.height; ++y)
        for (size_t i = 0; i < rowSamples; ++i) {
            const int v = s.samples[y * rowSamples + i];
            if (s.depth == 16) {
                rows[y][2 * i] = uint8_t(v >> 8);
                rows[y][2 * i + 1] = uint8_t(v);
            } else {
                const size_t bit = i * s.depth;
                rows[y][bit / 8] |= uint8_t(v << (8 - s.depth - bit % 8));
            }
        }
    std::vector<png_bytep> pointers;
    for (Bytes& r : rows) pointers.push_back(r.data());
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    Bytes out(data, data + size);
    std::free(data);
    return out;
}

Bytes WriteJpeg(const Rgb& p, JpegKind kind) {
    jpeg_compress_struct c{};
    jpeg_error_mgr errors{};
    c.err = jpeg_std_error(&errors);
    jpeg_create_compress(&c);
    unsigned char* data = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &data, &size);
    c.image_width = p.width;
    c.image_height = p.height;
    c.input_components = kind == JpegKind::Grey ? 1 : kind == JpegKind::Cmyk ? 4 : 3;
    c.in_color_space = kind == JpegKind::Grey ? JCS_GRAYSCALE : kind == JpegKind::Cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 95, TRUE);
    if (kind == JpegKind::Progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    Bytes row(size_t(p.width) * 4);
    while (c.next_scanline < c.image_height) {
        const uint8_t* src = p.pixels.data() + size_t(c.next_scanline) * p.width * p.channels;
        for (int x = 0; x < p.width; ++x) {
            const uint8_t* s = src + x * p.channels;
            if (kind == JpegKind::Grey) {
                row[x] = s[0];
            } else if (kind == JpegKind::Cmyk) {
                // libjpeg writes CMYK with an Adobe marker, which means inverted inks.
                for (int k = 0; k < 3; ++k) row[4 * x + k] = s[k];
                row[4 * x + 3] = 255;
            } else {
                for (int k = 0; k < 3; ++k) row[3 * x + k] = s[k];
            }
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    Bytes out(data, data + size);
    std::free(data);
    return out;
}

Bytes WriteBmp(const Rgb& p, int bits, bool topDown, const Bytes& indices, const Bytes& palette) {
    const size_t rowBytes = (size_t(p.width) * bits / 8 + 3) / 4 * 4;
    const uint32_t infoSize = bits == 32 ? 108 : 40;  // the V4 header carries the alpha mask
    const uint32_t paletteBytes = bits == 8 ? uint32_t(palette.size() / 3 * 4) : 0;
    const uint32_t offset = 14 + infoSize + paletteBytes;
    Bytes b = {'B', 'M'};
    Put32(b, uint32_t(offset + rowBytes * p.height));
    Put32(b, 0);
    Put32(b, offset);
    Put32(b, infoSize);
    Put32(b, uint32_t(p.width));
    Put32(b, uint32_t(topDown ? -p.height : p.height));
    Put16(b, 1);
    Put16(b, uint32_t(bits));
    Put32(b, bits == 32 ? 3 : 0);  // bit fields for 32 bits
    Put32(b, uint32_t(rowBytes * p.height));
    Put32(b, 2835), Put32(b, 2835);
    Put32(b, bits == 8 ? uint32_t(palette.size() / 3) : 0), Put32(b, 0);
    if (bits == 32) {
        Put32(b, 0x00FF0000), Put32(b, 0x0000FF00), Put32(b, 0x000000FF), Put32(b, 0xFF000000);
        Put32(b, 0x73524742);  // sRGB
        b.resize(b.size() + 48);
    }
    for (size_t i = 0; i + 2 < palette.size(); i += 3)
        b.insert(b.end(), {palette[i + 2], palette[i + 1], palette[i], 0});
    for (int row = 0; row < p.height; ++row) {
        const int y = topDown ? row : p.height - 1 - row;
        Bytes line(rowBytes);
        for (int x = 0; x < p.width; ++x) {
            if (bits == 8) {
                line[x] = indices[size_t(y) * p.width + x];
                continue;
            }
            const uint8_t* s = p.pixels.data() + (size_t(y) * p.width + x) * p.channels;
            uint8_t* d = line.data() + x * (bits / 8);
            d[0] = s[2], d[1] = s[1], d[2] = s[0];
            if (bits == 32) d[3] = p.channels == 4 ? s[3] : 255;
        }
        b.insert(b.end(), line.begin(), line.end());
    }
    return b;
}

Bytes WriteIlbm(int width, int height, int planes, const std::vector<uint32_t>& values, const Bytes& cmap,
                bool compressed, uint32_t camg, size_t bodyCut) {
    const size_t rowBytes = size_t(width + 15) / 16 * 2;
    Bytes body;
    for (int y = 0; y < height; ++y)
        for (int plane = 0; plane < planes; ++plane) {
            Bytes row(rowBytes);
            for (int x = 0; x < width; ++x)
                if ((values[size_t(y) * width + x] >> plane) & 1) row[x / 8] |= uint8_t(0x80 >> (x % 8));
            if (compressed) row = ByteRun1(row);
            body.insert(body.end(), row.begin(), row.end());
        }
    body.resize(body.size() - bodyCut);
    Bytes bmhd;
    Big16(bmhd, width), Big16(bmhd, height), Big32(bmhd, 0);
    bmhd.insert(bmhd.end(), {uint8_t(planes), 0, uint8_t(compressed ? 1 : 0), 0, 0, 0, 1, 1});
    Big16(bmhd, width), Big16(bmhd, height);
    Bytes form = {'I', 'L', 'B', 'M'};
    Chunk(form, "BMHD", bmhd);
    if (!cmap.empty()) Chunk(form, "CMAP", cmap);
    if (camg) {
        Bytes c;
        Big32(c, camg);
        Chunk(form, "CAMG", c);
    }
    Chunk(form, "BODY", body);
    Bytes out;
    Chunk(out, "FORM", form);
    return out;
}

Bytes WritePbm(int width, int height, const std::vector<uint32_t>& indices, const Bytes& cmap, bool compressed) {
    const size_t rowBytes = size_t(width + 1) / 2 * 2;
    Bytes body;
    for (int y = 0; y < height; ++y) {
        Bytes row(rowBytes);
        for (int x = 0; x < width; ++x) row[x] = uint8_t(indices[size_t(y) * width + x]);
        body.insert(body.end(), row.begin(), row.end());
    }
    if (compressed) body = ByteRun1(body);  // one stream: runs cross the rows
    Bytes bmhd;
    Big16(bmhd, width), Big16(bmhd, height), Big32(bmhd, 0);
    bmhd.insert(bmhd.end(), {8, 0, uint8_t(compressed ? 1 : 0), 0, 0, 0, 1, 1});
    Big16(bmhd, width), Big16(bmhd, height);
    Bytes form = {'P', 'B', 'M', ' '};
    Chunk(form, "BMHD", bmhd);
    Chunk(form, "CMAP", cmap);
    Chunk(form, "BODY", body);
    Bytes out;
    Chunk(out, "FORM", form);
    return out;
}

Rgb Gradient(int width, int height, int channels) {
    Rgb p{width, height, channels, Bytes(size_t(width) * height * channels)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* d = p.pixels.data() + (size_t(y) * width + x) * channels;
            d[0] = uint8_t(x * 255 / (width - 1));
            d[1] = uint8_t(y * 255 / (height - 1));
            d[2] = uint8_t(128 + (x - y) / 2);
            if (channels == 4) d[3] = uint8_t((x * 37 + y * 11) & 255);
        }
    return p;
}

}  // namespace picturetest
