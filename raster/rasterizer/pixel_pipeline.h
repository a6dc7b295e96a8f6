// The work done for one covered pixel, shared by every pixel walker: depth
// test, texture sample, modulation with the Gouraud colour, blending,
// antialiasing coverage, dithered store and depth write. Template parameters
// select the specialised variant for target format, depth width and texture
// filter; the blend mode is a well-predicted branch.
#pragma once

#include <cstdint>
#include <type_traits>

#include "raster/rasterizer/blend.h"
#include "raster/rasterizer/texture_sampling.h"

namespace raster {

template <TargetKind Target, DepthKind Depth, TexKind Tex>
struct PixelConfig {
    static constexpr TargetKind kTarget = Target;
    static constexpr DepthKind kDepth = Depth;
    static constexpr TexKind kTex = Tex;
};

inline uint32_t ColourChannel(uint64_t v) {
    const int64_t c = static_cast<int64_t>(v) >> kColourFractionBits;
    return c < 0 ? 0u : (c > 255 ? 255u : static_cast<uint32_t>(c));
}

inline uint32_t DepthValue(uint64_t v, uint64_t depthMax) {
    const int64_t z = static_cast<int64_t>(v) >> kDepthFractionBits;
    if (z < 0) return 0;
    return static_cast<uint64_t>(z) > depthMax ? static_cast<uint32_t>(depthMax) : static_cast<uint32_t>(z);
}

// Shades pixel x of the given rows from its depth and colour plane values and
// its texel point (unused when untextured). coverage is the number of the 16
// antialiasing samples covered (16 without antialiasing): a partly covered
// pixel is mixed with what the frame holds and does not write depth.
template <class Cfg>
TESSALY_RASTER_INLINE void ShadePixel(const DrawContext& dc, uint8_t* colourRow, uint8_t* depthRow, int x, int y,
                                      const uint64_t* in, const TexPoint& texel, int coverage) {
    uint32_t z = 0;
    if constexpr (Cfg::kDepth != DepthKind::None) {
        z = DepthValue(in[kPlaneZ], dc.depthMax);
        uint32_t stored;
        if constexpr (Cfg::kDepth == DepthKind::Bits16)
            stored = reinterpret_cast<const uint16_t*>(depthRow)[x];
        else
            stored = reinterpret_cast<const uint32_t*>(depthRow)[x];
        if (!DepthPasses(dc.depthFunc, z, stored)) return;
    }
    Rgba c{ColourChannel(in[kPlaneR]), ColourChannel(in[kPlaneG]), ColourChannel(in[kPlaneB]),
           ColourChannel(in[kPlaneA])};
    if constexpr (Cfg::kTex != TexKind::None) {
        const uint32_t t = SampleTexture<Cfg::kTex>(dc, texel);
        c.r = Modulate((t >> 16) & 255, c.r);
        c.g = Modulate((t >> 8) & 255, c.g);
        c.b = Modulate(t & 255, c.b);
        c.a = Modulate(t >> 24, c.a);
    }
    if (dc.blend != 0 || coverage < 16) {
        const Rgba d = UnpackTarget(Cfg::kTarget, colourRow, x);
        c = BlendColour(dc.blend, c, d);
        if (coverage < 16) {
            const uint32_t k = static_cast<uint32_t>(coverage), m = 16 - k;
            c = {(c.r * k + d.r * m) >> 4, (c.g * k + d.g * m) >> 4, (c.b * k + d.b * m) >> 4, c.a};
        }
    }
    StoreTarget<Cfg::kTarget>(colourRow, x, y, c);
    if constexpr (Cfg::kDepth != DepthKind::None) {
        if (dc.depthWrite && coverage == 16) {
            if constexpr (Cfg::kDepth == DepthKind::Bits16)
                reinterpret_cast<uint16_t*>(depthRow)[x] = static_cast<uint16_t>(z);
            else
                reinterpret_cast<uint32_t*>(depthRow)[x] = z;
        }
    }
}

// Calls f(PixelConfig<...>{}) with the configuration matching dc.
template <class F>
inline void WithPixelConfig(const DrawContext& dc, F&& f) {
    auto byTex = [&](auto target, auto depth) {
        constexpr TargetKind T = decltype(target)::value;
        constexpr DepthKind D = decltype(depth)::value;
        switch (dc.tex) {
            case TexKind::Nearest:
                f(PixelConfig<T, D, TexKind::Nearest>{});
                break;
            case TexKind::Bilinear:
                f(PixelConfig<T, D, TexKind::Bilinear>{});
                break;
            case TexKind::NearestAnySize:
                f(PixelConfig<T, D, TexKind::NearestAnySize>{});
                break;
            case TexKind::BilinearAnySize:
                f(PixelConfig<T, D, TexKind::BilinearAnySize>{});
                break;
            default:
                f(PixelConfig<T, D, TexKind::None>{});
                break;
        }
    };
    auto byDepth = [&](auto target) {
        switch (dc.depthKind) {
            case DepthKind::Bits16:
                byTex(target, std::integral_constant<DepthKind, DepthKind::Bits16>{});
                break;
            case DepthKind::Bits32:
                byTex(target, std::integral_constant<DepthKind, DepthKind::Bits32>{});
                break;
            default:
                byTex(target, std::integral_constant<DepthKind, DepthKind::None>{});
                break;
        }
    };
    switch (dc.target) {
        case TargetKind::RGB565Dither:
            byDepth(std::integral_constant<TargetKind, TargetKind::RGB565Dither>{});
            break;
        case TargetKind::XRGB8888:
            byDepth(std::integral_constant<TargetKind, TargetKind::XRGB8888>{});
            break;
        default:
            byDepth(std::integral_constant<TargetKind, TargetKind::RGB565>{});
            break;
    }
}

}  // namespace raster
