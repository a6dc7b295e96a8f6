#include "hand_built_device.h"

namespace rt {

void MakeDevice(int w, int h, raster::PixelFormat format, int depthBits) {
    raster::DiscardDrawing();  // nothing recorded may reach the new surfaces
    raster::Device& dev = raster::GetDevice();
    const int bpp = format == raster::PixelFormat::RGB565 ? 2 : 4;
    dev.back = {w, h, w * bpp, format, std::vector<uint8_t>(static_cast<size_t>(w * bpp) * h, 0)};
    dev.depth = {};
    if (depthBits > 0) {
        dev.depth = {w, h, depthBits, w * depthBits / 8,
                     std::vector<uint8_t>(static_cast<size_t>(w * depthBits / 8) * h)};
        FillDepth(depthBits == 32 ? 0xFFFFFFFFu : 0xFFFFu);
    }
    dev.textures.assign(8, raster::Texture{});
    dev.viewport = {};
    raster::ResetRenderStates();
    raster::SetRasterPath(raster::RasterPath::Fast);
    const Matrix44 id = MatIdentity();
    r_SetFrustum(1.2f, 1.0f, 0.5f, 100.0f, nullptr);
    r_SetCamMatrix(&id);
    r_SetModelMatrix(&id);
}

void ReleaseDevice() {
    raster::DiscardDrawing();
    raster::SetDrawThreads(1);
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

void Quad(float x0, float y0, float x1, float y1, uint32_t c, float us, float vs, float z) {
    const TLVertex v[6] = {V(x0, y0, z, c, 0, 0),  V(x1, y0, z, c, us, 0),  V(x0, y1, z, c, 0, vs),
                           V(x1, y0, z, c, us, 0), V(x1, y1, z, c, us, vs), V(x0, y1, z, c, 0, vs)};
    r_SimpleTLRender(v, 6, 1, 0);
}

void DrawWorldQuad(const Vector3 (&p)[4], float us, float vs) {
    TLVertex tl[4] = {V(0, 0, 0, ~0u, 0, 0), V(0, 0, 0, ~0u, us, 0), V(0, 0, 0, ~0u, us, vs), V(0, 0, 0, ~0u, 0, vs)};
    r_FullVertexCamWork(tl, p, 4);
    raster::GetDevice().state.cull = raster::CullMode::None;
    const uint16_t idx[6] = {0, 1, 2, 0, 2, 3};
    r_SimpleIndexedTLRender(tl, 4, idx, 6, 1);
}

uint32_t Pixel(int x, int y) {
    raster::FinishDrawing();
    const raster::FrameSurface& b = raster::GetDevice().back;
    const uint8_t* row = b.pixels.data() + static_cast<size_t>(y) * b.pitch;
    if (b.format == raster::PixelFormat::XRGB8888) return reinterpret_cast<const uint32_t*>(row)[x] & 0xFFFFFF;
    return raster::UnpackPixel(b.format, reinterpret_cast<const uint16_t*>(row)[x]);
}

uint32_t Depth(int x, int y) {
    raster::FinishDrawing();
    const raster::DepthSurface& d = raster::GetDevice().depth;
    const uint8_t* row = d.samples.data() + static_cast<size_t>(y) * d.pitch;
    return d.bits == 32 ? reinterpret_cast<const uint32_t*>(row)[x] : reinterpret_cast<const uint16_t*>(row)[x];
}

void FillColour(uint32_t rgb) {
    raster::FrameSurface& b = raster::GetDevice().back;
    const uint32_t p = raster::PackPixel(b.format, rgb >> 16, (rgb >> 8) & 255, rgb & 255);
    for (int y = 0; y < b.height; ++y)
        for (int x = 0; x < b.width; ++x)
            raster::WritePixel(b.pixels.data() + static_cast<size_t>(y) * b.pitch, b.format, x, p);
}

void FillDepth(uint32_t value) {
    raster::DepthSurface& d = raster::GetDevice().depth;
    for (int y = 0; y < d.height; ++y) {
        uint8_t* row = d.samples.data() + static_cast<size_t>(y) * d.pitch;
        for (int x = 0; x < d.width; ++x) {
            if (d.bits == 32)
                reinterpret_cast<uint32_t*>(row)[x] = value;
            else
                reinterpret_cast<uint16_t*>(row)[x] = static_cast<uint16_t>(value);
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
    t.levels = {{w, h, texels}};
    for (; mips && w > 1 && h > 1; w /= 2, h /= 2) {
        const raster::TextureLevel& s = t.levels.back();
        raster::TextureLevel d{w / 2, h / 2, std::vector<uint32_t>(static_cast<size_t>(w / 2) * (h / 2))};
        for (int y = 0; y < d.height; ++y)
            for (int x = 0; x < d.width; ++x)
                for (int sh = 0; sh < 32; sh += 8) {
                    uint32_t sum = 0;
                    for (int k = 0; k < 4; ++k)
                        sum += (s.texels[(2 * y + k / 2) * s.width + 2 * x + k % 2] >> sh) & 255;
                    d.texels[y * d.width + x] |= (sum / 4) << sh;
                }
        t.levels.push_back(std::move(d));
    }
}

void AddLevelColouredTexture(int handle, int size, const std::vector<uint32_t>& colours) {
    raster::Texture& t = raster::GetDevice().textures[static_cast<size_t>(handle)];
    t.levels.clear();
    for (size_t k = 0; k < colours.size() && (size >> k) > 0; ++k)
        t.levels.push_back(
            {size >> k, size >> k, std::vector<uint32_t>(static_cast<size_t>(size >> k) * (size >> k), colours[k])});
}

std::vector<uint32_t> Checker(int size, int cell, uint32_t a, uint32_t b) {
    std::vector<uint32_t> t(static_cast<size_t>(size) * size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) t[y * size + x] = ((x / cell + y / cell) & 1) ? a : b;
    return t;
}

}  // namespace rt
