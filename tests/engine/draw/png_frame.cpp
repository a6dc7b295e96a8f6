#include "png_frame.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace et {
namespace {

class BitWriter {
public:
    explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}
    // Plain values go least significant bit first.
    void Bits(uint32_t value, int count) {
        for (int i = 0; i < count; ++i) Bit((value >> i) & 1u);
    }
    // Huffman codes go most significant bit first.
    void Code(uint32_t code, int length) {
        for (int i = length - 1; i >= 0; --i) Bit((code >> i) & 1u);
    }
    void Flush() {
        if (used_ > 0) out_.push_back(static_cast<uint8_t>(acc_));
        acc_ = 0;
        used_ = 0;
    }

private:
    void Bit(uint32_t b) {
        acc_ |= b << used_;
        if (++used_ == 8) Flush();
    }
    std::vector<uint8_t>& out_;
    uint32_t acc_ = 0;
    int used_ = 0;
};

// A literal/length symbol with the fixed code table.
void Symbol(BitWriter& w, int s) {
    if (s < 144)
        w.Code(0x30u + uint32_t(s), 8);
    else if (s < 256)
        w.Code(0x190u + uint32_t(s - 144), 9);
    else if (s < 280)
        w.Code(uint32_t(s - 256), 7);
    else
        w.Code(0xC0u + uint32_t(s - 280), 8);
}

// Repeats the previous byte `length` (3..258) times: a match at distance 1.
void RepeatPrevious(BitWriter& w, int length) {
    static const int kBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                  31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
    static const int kExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                   2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
    int i = 28;
    while (kBase[i] > length) --i;
    Symbol(w, 257 + i);
    w.Bits(uint32_t(length - kBase[i]), kExtra[i]);
    w.Code(0, 5);  // distance code 0: distance 1
}

std::vector<uint8_t> Deflate(const std::vector<uint8_t>& data) {
    std::vector<uint8_t> out = {0x78, 0x01};
    BitWriter w(out);
    w.Bits(1, 1);  // last block
    w.Bits(1, 2);  // fixed codes
    size_t i = 0;
    while (i < data.size()) {
        if (i > 0) {
            size_t run = 0;
            while (run < 258 && i + run < data.size() && data[i + run] == data[i - 1]) ++run;
            if (run >= 3) {
                RepeatPrevious(w, int(run));
                i += run;
                continue;
            }
        }
        Symbol(w, data[i]);
        ++i;
    }
    Symbol(w, 256);
    w.Flush();
    uint32_t a = 1, b = 0;
    for (uint8_t c : data) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    const uint32_t adler = b << 16 | a;
    for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(adler >> s));
    return out;
}

uint32_t Crc(const uint8_t* p, size_t n) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xFFFFFFFFu;
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(v >> s));
}

void Chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    Put32(out, uint32_t(data.size()));
    std::vector<uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    Put32(out, Crc(body.data(), body.size()));
}

}  // namespace

std::vector<uint8_t> EncodePng(int width, int height, const std::vector<uint8_t>& rgb) {
    const size_t stride = size_t(width) * 3;
    std::vector<uint8_t> filtered;
    filtered.reserve((stride + 1) * size_t(height));
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = rgb.data() + size_t(y) * stride;
        filtered.push_back(1);  // Sub: each byte minus the same byte of the pixel to its left
        for (size_t x = 0; x < stride; ++x) filtered.push_back(uint8_t(row[x] - (x >= 3 ? row[x - 3] : 0)));
    }
    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    Put32(header, uint32_t(width));
    Put32(header, uint32_t(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB
    Chunk(out, "IHDR", header);
    Chunk(out, "IDAT", Deflate(filtered));
    Chunk(out, "IEND", {});
    return out;
}

std::string CheckGolden(const std::string& name, int width, int height, const std::vector<uint8_t>& rgb) {
    if (rgb.size() != size_t(width) * size_t(height) * 3) return "frame could not be read";
    const std::vector<uint8_t> png = EncodePng(width, height, rgb);
    const std::string path = std::string(TESSALY_SOURCE_DIR) + "/tests/engine/draw/golden/" + name + ".png";
    const char* regenerate = std::getenv("TESSALY_REGENERATE_GOLDEN");
    if (regenerate != nullptr && regenerate[0] == '1') {
        std::ofstream f(path, std::ios::binary);
        f.write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
        return f ? "" : "cannot write " + path;
    }
    std::ifstream f(path, std::ios::binary);
    if (!f) return "missing golden frame " + path + " (run with TESSALY_REGENERATE_GOLDEN=1)";
    const std::vector<uint8_t> stored((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    if (stored != png) return "frame differs from " + path;
    return "";
}

}  // namespace et
