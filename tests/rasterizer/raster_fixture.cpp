#include "raster_fixture.h"

#include <cstring>

namespace rt {

void MakeDevice(int w, int h, raster::PixelFormat format, int depthBits) {
    raster::Device& dev = raster::GetDevice();
    dev.back = {};
    dev.back.width = w;
    dev.back.height = h;
    dev.back.format = format;
    dev.back.pitch = w * (format == raster::PixelFormat::RGB565 ? 2 : 4);
    dev.back.pixels.assign(static_cast<size_t>(dev.back.pitch) * h, 0);
    dev.depth = {};
    if (depthBits > 0) {
        dev.depth.width = w;
        dev.depth.height = h;
        dev.depth.bits = depthBits;
        dev.depth.pitch = w * depthBits / 8;
        dev.depth.samples.assign(static_cast<size_t>(dev.depth.pitch) * h, 0);
        FillDepth(depthBits == 32 ? 0xFFFFFFFFu : 0xFFFFu);
    }
    dev.textures.assign(8, raster::Texture{});
    dev.viewport = {};
    dev.xf = {};
    raster::ResetRenderStates();
    raster::SetRasterPath(raster::RasterPath::Fast);
}

void ReleaseDevice() {
    raster::Device& dev = raster::GetDevice();
    dev.back = {};
    dev.depth = {};
    std::vector<raster::Texture>().swap(dev.textures);
    r_FreeAllocatedVtcs(nullptr);
    raster::SetRasterPath(raster::RasterPath::Fast);
}

TLVertex V(float x, float y, float z, uint32_t colour, float u, float v, float rhw) {
    TLVertex t{};
    t.sx = x;
    t.sy = y;
    t.sz = z;
    t.rhw = rhw;
    t.diffuse = colour;
    t.tex[0][0] = u;
    t.tex[0][1] = v;
    return t;
}

uint32_t RawPixel(int x, int y) {
    const raster::FrameSurface& b = raster::GetDevice().back;
    const uint8_t* row = b.pixels.data() + static_cast<size_t>(y) * b.pitch;
    if (b.format == raster::PixelFormat::RGB565) return reinterpret_cast<const uint16_t*>(row)[x];
    return reinterpret_cast<const uint32_t*>(row)[x];
}

uint32_t Pixel(int x, int y) {
    const raster::FrameSurface& b = raster::GetDevice().back;
    const uint32_t p = RawPixel(x, y);
    if (b.format == raster::PixelFormat::XRGB8888) return p & 0xFFFFFF;
    const uint32_t r = (p >> 11) & 31, g = (p >> 5) & 63, bl = p & 31;
    return ((r << 3 | r >> 2) << 16) | ((g << 2 | g >> 4) << 8) | (bl << 3 | bl >> 2);
}

uint32_t Depth(int x, int y) {
    const raster::DepthSurface& d = raster::GetDevice().depth;
    const uint8_t* row = d.samples.data() + static_cast<size_t>(y) * d.pitch;
    if (d.bits == 32) return reinterpret_cast<const uint32_t*>(row)[x];
    return reinterpret_cast<const uint16_t*>(row)[x];
}

void FillColour(uint32_t rgb) {
    raster::FrameSurface& b = raster::GetDevice().back;
    for (int y = 0; y < b.height; ++y) {
        uint8_t* row = b.pixels.data() + static_cast<size_t>(y) * b.pitch;
        for (int x = 0; x < b.width; ++x) {
            if (b.format == raster::PixelFormat::XRGB8888) {
                reinterpret_cast<uint32_t*>(row)[x] = rgb;
            } else {
                const uint32_t r = (rgb >> 16) & 255, g = (rgb >> 8) & 255, bl = rgb & 255;
                reinterpret_cast<uint16_t*>(row)[x] = static_cast<uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (bl >> 3));
            }
        }
    }
}

void FillDepth(uint32_t value) {
    raster::DepthSurface& d = raster::GetDevice().depth;
    for (int y = 0; y < d.height; ++y) {
        uint8_t* row = d.samples.data() + static_cast<size_t>(y) * d.pitch;
        for (int x = 0; x < d.width; ++x) {
            if (d.bits == 32) reinterpret_cast<uint32_t*>(row)[x] = value;
            else reinterpret_cast<uint16_t*>(row)[x] = static_cast<uint16_t>(value);
        }
    }
}

int CountPixels(uint32_t rgb) {
    const raster::FrameSurface& b = raster::GetDevice().back;
    int n = 0;
    for (int y = 0; y < b.height; ++y)
        for (int x = 0; x < b.width; ++x) n += Pixel(x, y) == rgb ? 1 : 0;
    return n;
}

void AddTexture(int handle, int w, int h, const std::vector<uint32_t>& texels, bool mips) {
    raster::Texture& t = raster::GetDevice().textures[static_cast<size_t>(handle)];
    t.levels.clear();
    t.levels.push_back({w, h, texels});
    while (mips && w > 1 && h > 1) {
        const raster::TextureLevel& src = t.levels.back();
        raster::TextureLevel dst{w / 2, h / 2, {}};
        dst.texels.resize(static_cast<size_t>(dst.width) * dst.height);
        for (int y = 0; y < dst.height; ++y)
            for (int x = 0; x < dst.width; ++x) {
                uint32_t out = 0;
                for (int s = 0; s < 32; s += 8) {
                    uint32_t sum = 0;
                    for (int k = 0; k < 4; ++k)
                        sum += (src.texels[(2 * y + k / 2) * src.width + 2 * x + k % 2] >> s) & 255;
                    out |= (sum / 4) << s;
                }
                dst.texels[y * dst.width + x] = out;
            }
        t.levels.push_back(std::move(dst));
        w /= 2;
        h /= 2;
    }
}

void AddLevelColouredTexture(int handle, int size, const std::vector<uint32_t>& colours) {
    raster::Texture& t = raster::GetDevice().textures[static_cast<size_t>(handle)];
    t.levels.clear();
    for (size_t k = 0; k < colours.size() && (size >> k) > 0; ++k) {
        const int s = size >> k;
        t.levels.push_back({s, s, std::vector<uint32_t>(static_cast<size_t>(s) * s, colours[k])});
    }
}

}  // namespace rt
