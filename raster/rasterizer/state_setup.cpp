#include "raster/rasterizer/state_setup.h"

#include <algorithm>
#include <bit>

namespace raster {

namespace {

bool IsPow2(int v) { return v > 0 && (v & (v - 1)) == 0; }

// Binds the texture of the state's handle; a handle out of range, an empty
// slot or a malformed level chain leaves the draw untextured.
void BindTexture(const Device& dev, DrawContext& dc) {
    dc.tex = TexKind::None;
    dc.levelCount = 0;
    const int handle = dev.state.texture;
    if (handle < 0 || handle >= static_cast<int>(dev.textures.size())) return;
    const Texture& t = dev.textures[static_cast<size_t>(handle)];
    if (!t.present()) return;
    const TextureLevel& base = t.levels[0];
    if (base.width <= 0 || base.height <= 0 ||
        base.texels.size() < static_cast<size_t>(base.width) * static_cast<size_t>(base.height))
        return;
    int count = 0;
    for (const TextureLevel& l : t.levels) {
        if (count == kMaxTextureLevels) break;
        if (l.width <= 0 || l.height <= 0 ||
            l.texels.size() < static_cast<size_t>(l.width) * static_cast<size_t>(l.height))
            break;
        TexLevel& out = dc.levels[count++];
        out.texels = l.texels.data();
        out.width = l.width;
        out.height = l.height;
        out.pow2 = IsPow2(l.width) && IsPow2(l.height);
        out.widthShift = out.pow2 ? std::countr_zero(static_cast<unsigned>(l.width)) : 0;
        out.scaleU = static_cast<float>(l.width) / static_cast<float>(base.width);
        out.scaleV = static_cast<float>(l.height) / static_cast<float>(base.height);
    }
    dc.levelCount = count;
    dc.texWidth = static_cast<float>(base.width);
    dc.texHeight = static_cast<float>(base.height);
    bool pow2 = true;
    for (int k = 0; k < count; ++k) pow2 = pow2 && dc.levels[k].pow2;
    if (dev.state.bilinear)
        dc.tex = pow2 ? TexKind::Bilinear : TexKind::BilinearAnySize;
    else
        dc.tex = pow2 ? TexKind::Nearest : TexKind::NearestAnySize;
}

}  // namespace

bool BuildDrawContext(const Device& dev, FrameSurface& back, DepthSurface& depth, DrawContext& dc) {
    if (!back.present() || back.width <= 0 || back.height <= 0) return false;
    const RasterState& s = dev.state;
    dc.colour = back.pixels.data();
    dc.colourPitch = back.pitch;
    if (back.format == PixelFormat::XRGB8888)
        dc.target = TargetKind::XRGB8888;
    else
        dc.target = s.dither ? TargetKind::RGB565Dither : TargetKind::RGB565;

    int w = back.width, h = back.height;
    dc.depth = nullptr;
    dc.depthKind = DepthKind::None;
    DepthSurface& ds = depth;
    if (s.depthTest && ds.present() && ds.width > 0 && ds.height > 0) {
        dc.depth = ds.samples.data();
        dc.depthPitch = ds.pitch;
        dc.depthKind = ds.bits == 32 ? DepthKind::Bits32 : DepthKind::Bits16;
        w = std::min(w, ds.width);
        h = std::min(h, ds.height);
    }
    dc.depthMax = (ds.present() && ds.bits == 32) ? 0xFFFFFFFFull : 0xFFFFull;

    // The viewport rectangle; the all-zero state before any r_SetViewportArea
    // means the whole frame.
    const ViewportState& vp = dev.viewport;
    int x0 = 0, y0 = 0, x1 = w, y1 = h;
    if (vp.x != 0 || vp.y != 0 || vp.width != 0 || vp.height != 0) {
        x0 = std::max(vp.x, 0);
        y0 = std::max(vp.y, 0);
        x1 = std::min(vp.x + vp.width, w);
        y1 = std::min(vp.y + vp.height, h);
    }
    if (x0 >= x1 || y0 >= y1) return false;
    dc.clipX0 = x0;
    dc.clipY0 = y0;
    dc.clipX1 = x1;
    dc.clipY1 = y1;
    dc.guardX0 = -kGuardBand;
    dc.guardY0 = -kGuardBand;
    dc.guardX1 = static_cast<float>(back.width) + kGuardBand;
    dc.guardY1 = static_cast<float>(back.height) + kGuardBand;

    dc.depthWrite = s.depthWrite;
    dc.depthFunc = s.depthFunc;
    dc.blend = s.alphaBlend ? s.blendMode : 0;
    if (dc.blend != BLEND_ADDITIVE && dc.blend != BLEND_TRANSLUCENT && dc.blend != BLEND_SOURCE_COLOUR) dc.blend = 0;
    dc.antialias = s.antialias;
    dc.fill = s.fill;
    dc.cull = s.cull;
    BindTexture(dev, dc);
    return true;
}

}  // namespace raster
