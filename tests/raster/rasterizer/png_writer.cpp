#include "png_writer.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "raster_fixture.h"

namespace rt {

namespace {

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<uint8_t>(v >> s));
}

void Chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    Put32(out, static_cast<uint32_t>(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = start; i < out.size(); ++i) {
        crc ^= out[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    Put32(out, ~crc);
}

}  // namespace

std::vector<uint8_t> EncodePng(int width, int height, const std::vector<uint8_t>& rgb) {
    std::vector<uint8_t> raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // filter: none
        raw.insert(raw.end(), rgb.begin() + static_cast<long>(y) * width * 3,
                   rgb.begin() + static_cast<long>(y + 1) * width * 3);
    }
    std::vector<uint8_t> z = {0x78, 0x01};  // zlib stream of stored deflate blocks
    for (size_t pos = 0; pos < raw.size();) {
        const size_t n = std::min<size_t>(65535, raw.size() - pos);
        z.insert(z.end(), {static_cast<uint8_t>(pos + n == raw.size()), static_cast<uint8_t>(n),
                           static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(~n), static_cast<uint8_t>(~n >> 8)});
        z.insert(z.end(), raw.begin() + static_cast<long>(pos), raw.begin() + static_cast<long>(pos + n));
        pos += n;
    }
    uint32_t a = 1, b = 0;
    for (uint8_t c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    Put32(z, (b << 16) | a);
    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, ihdr;
    Put32(ihdr, static_cast<uint32_t>(width));
    Put32(ihdr, static_cast<uint32_t>(height));
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
    Chunk(out, "IHDR", ihdr);
    Chunk(out, "IDAT", z);
    Chunk(out, "IEND", {});
    return out;
}

std::string CheckGolden(const std::string& name) {
    const raster::FrameSurface& s = raster::GetDevice().back;
    std::vector<uint8_t> rgb;
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x)
            for (int shift : {16, 8, 0}) rgb.push_back(static_cast<uint8_t>(Pixel(x, y) >> shift));
    const std::vector<uint8_t> png = EncodePng(s.width, s.height, rgb);
    const std::string path = std::string(TESSALY_SOURCE_DIR) + "/tests/raster/rasterizer/golden/" + name + ".png";
    const char* regen = std::getenv("TESSALY_REGENERATE_GOLDEN");
    if (regen != nullptr && regen[0] == '1') {
        std::ofstream f(path, std::ios::binary);
        f.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
        return f ? "" : "cannot write " + path;
    }
    std::ifstream f(path, std::ios::binary);
    if (!f) return "missing golden frame " + path + " (run with TESSALY_REGENERATE_GOLDEN=1)";
    const std::vector<uint8_t> stored((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    return stored == png ? "" : "frame differs from " + path;
}

}  // namespace rt
