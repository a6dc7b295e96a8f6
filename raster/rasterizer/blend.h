// Colour combination, blending, dithering and the depth test, shared by every
// pixel walker. Colours are 8-bit channels; the frame holds RGB565 or XRGB8888.
#pragma once

#include <cstdint>

#include "raster/rasterizer/state_setup.h"

namespace raster {

struct Rgba {
    uint32_t r, g, b, a;
};

// Texel x diffuse per channel, exact at 0 and 255.
inline uint32_t Modulate(uint32_t t, uint32_t d) { return (t * (d + 1)) >> 8; }

inline Rgba UnpackTarget(TargetKind kind, const uint8_t* row, int x) {
    if (kind == TargetKind::XRGB8888) {
        const uint32_t p = reinterpret_cast<const uint32_t*>(row)[x];
        return {(p >> 16) & 255, (p >> 8) & 255, p & 255, 0};
    }
    const uint32_t p = reinterpret_cast<const uint16_t*>(row)[x];
    const uint32_t r = (p >> 11) & 31, g = (p >> 5) & 63, b = p & 31;
    return {r << 3 | r >> 2, g << 2 | g >> 4, b << 3 | b >> 2, 0};
}

// The blend modes: translucent = source x (1 - source alpha) + destination x
// source alpha; additive = source + destination (saturating); source colour =
// source x source, destination discarded.
inline Rgba BlendColour(int mode, Rgba s, Rgba d) {
    switch (mode) {
        case BLEND_TRANSLUCENT: {
            const uint32_t a = s.a + (s.a >> 7);  // 0..256
            return {(s.r * (256 - a) + d.r * a) >> 8, (s.g * (256 - a) + d.g * a) >> 8,
                    (s.b * (256 - a) + d.b * a) >> 8, s.a};
        }
        case BLEND_ADDITIVE: {
            auto sat = [](uint32_t v) { return v > 255 ? 255u : v; };
            return {sat(s.r + d.r), sat(s.g + d.g), sat(s.b + d.b), s.a};
        }
        case BLEND_SOURCE_COLOUR:
            return {Modulate(s.r, s.r), Modulate(s.g, s.g), Modulate(s.b, s.b), s.a};
        default:
            return s;
    }
}

// 4 x 4 ordered dither thresholds (0..15).
inline constexpr uint8_t kBayer4[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

template <TargetKind Kind>
inline void StoreTarget(uint8_t* row, int x, int y, Rgba c) {
    if constexpr (Kind == TargetKind::XRGB8888) {
        reinterpret_cast<uint32_t*>(row)[x] = (c.r << 16) | (c.g << 8) | c.b;
    } else {
        uint32_t r = c.r, g = c.g, b = c.b;
        if constexpr (Kind == TargetKind::RGB565Dither) {
            const uint32_t t = kBayer4[y & 3][x & 3];
            r = r + (t >> 1);
            g = g + (t >> 2);
            b = b + (t >> 1);
            r = r > 255 ? 255 : r;
            g = g > 255 ? 255 : g;
            b = b > 255 ? 255 : b;
        } else {
            (void)y;
        }
        reinterpret_cast<uint16_t*>(row)[x] = static_cast<uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
    }
}

inline bool DepthPasses(DepthFunc f, uint32_t incoming, uint32_t stored) {
    switch (f) {
        case DepthFunc::Less:
            return incoming < stored;
        case DepthFunc::LessEqual:
            return incoming <= stored;
        case DepthFunc::Greater:
            return incoming > stored;
        default:
            return incoming >= stored;
    }
}

}  // namespace raster
