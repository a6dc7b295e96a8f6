// 2D effects: screen-aligned textured quads drawn at a 3D point (glows, sparks,
// lens flares), only where the depth buffer shows the point's centre. They are
// drawn after the scene's meshes, without depth test, blended.
#include <cstdint>

#include "common/vecmath.h"
#include "engine/effects/flare_fade.h"
#include "engine/messages/messages.h"
#include "engine/pictures/picture_stores.h"
#include "engine/raster_link/raster_link.h"
#include "tessaly/engine_api.h"
#include "tessaly/lighting_interface.h"

namespace {

constexpr uint16_t kQuadIndices[6] = {0, 1, 3, 1, 2, 3};
constexpr float kQuadTexCoords[4][2] = {{1, 0}, {1, 1}, {0, 1}, {0, 0}};

// Truncation toward zero into a range where int arithmetic cannot overflow;
// NaN gives 0. Screen positions of points far off screen stay far off screen.
int Truncate(float v) {
    constexpr float kLimit = 1073741824.0f;  // 2^30
    if (!(v == v)) return 0;
    if (v > kLimit) return static_cast<int>(kLimit);
    if (v < -kLimit) return -static_cast<int>(kLimit);
    return static_cast<int>(v);
}

// Blue, green and red bytes times k (0..1), truncated; alpha kept.
uint32_t ScaleColour(uint32_t colour, float k) {
    uint32_t out = colour & 0xFF000000u;
    for (int shift = 0; shift <= 16; shift += 8) {
        const uint32_t byte = (colour >> shift) & 0xFFu;
        out |= static_cast<uint32_t>(static_cast<float>(byte) * k) << shift;
    }
    return out;
}

// A colour channel 0..1 as a byte, truncated; out-of-range values are clamped
// so they never spill into the neighbouring byte.
uint32_t ChannelByte(float v) {
    const float scaled = v * 255.0f;
    if (!(scaled > 0.0f)) return 0;
    if (scaled >= 255.0f) return 255;
    return static_cast<uint32_t>(scaled);
}

// Flares keep the size in pixels they have in the 640 x 480 frame the demo was
// made for, in any mode: the projection grows with the frame's height, so
// their sizes shrink by as much. Other effects grow with the picture.
constexpr float kFlareReferenceHeight = 480.0f;

float FlarePixelScale() {
    int width = 0, height = 0, bits = 0;
    Raster().GetVideoModeData(RememberedCard(), RememberedVideoMode(), &width, &height, &bits, nullptr);
    return height > 0 ? kFlareReferenceHeight / static_cast<float>(height) : 1.0f;
}

struct Effect {
    int texture;
    Vector3 position;
    float halfWidth;
    float halfHeight;
    uint32_t colour;
    int blendMode;
};

int DrawEffect(Effect fx, bool fade, r_MsgCallback cb) {
    const RasterEntryTable& r = Raster();
    const int textures = TextureCapacity();
    if (fx.texture < 0 || fx.texture >= textures) {
        EngineMessage(cb, "r_Render2DFX : Warning, Texture Handle Out Of Range (%d , 0 - %d)", fx.texture,
                      textures - 1);
        fx.texture = -1;
    }
    const Matrix44 identity = MatIdentity();
    r.SetModelMatrix(&identity);

    // One depth-buffer probe of the centre pixel decides visibility.
    TLVertex centre{};
    r.FullVertexCamWork(&centre, &fx.position, 1);
    const int x = Truncate(centre.sx);
    const int y = Truncate(centre.sy);
    const unsigned depth = static_cast<unsigned>(Truncate(centre.sz * 65535.0f));
    if (r.ZTest(x, y, x + 1, y + 1, depth) == 0) return 0;

    // A point closer than one unit to the camera plane, or behind the camera,
    // is not drawn: behind the camera the projection would mirror the quad
    // onto the screen.
    Vector3 c{};
    r.TransformIntoCamSpace(&fx.position, &c, 1, identity, 0);
    if (!(c.z >= 1.0f)) return 0;

    if (fade) {
        const float k = FlareFade(c.z + fx.halfWidth);
        fx.halfWidth *= k;
        fx.halfHeight *= k;
        fx.colour = ScaleColour(fx.colour, k);
        const float pixels = FlarePixelScale();
        fx.halfWidth *= pixels;
        fx.halfHeight *= pixels;
    }

    const Vector3 corners[4] = {
        {c.x + fx.halfWidth, c.y + fx.halfHeight, c.z},
        {c.x + fx.halfWidth, c.y - fx.halfHeight, c.z},
        {c.x - fx.halfWidth, c.y - fx.halfHeight, c.z},
        {c.x - fx.halfWidth, c.y + fx.halfHeight, c.z},
    };
    TLVertex quad[4]{};
    r.TransformInto2DSpace(quad, corners, 4);
    for (int i = 0; i < 4; ++i) {
        quad[i].diffuse = fx.colour;
        quad[i].tex[0][0] = kQuadTexCoords[i][0];
        quad[i].tex[0][1] = kQuadTexCoords[i][1];
    }

    r.Start3D();
    r.SetTexture(0, fx.texture);
    r.SetRenderState(RS_ZCHECK, 0);
    r.SetRenderState(RS_ALPHABLEND, 1);
    r.SetRenderState(RS_BLENDMODE, fx.blendMode & 0xFF);
    r.SimpleIndexedTLRender(quad, 4, kQuadIndices, 6, -1);
    return r.End3D();
}

}  // namespace

TESSALY_EXPORT int r_Render2DFX(int texture, Vector3 position, float halfWidth, float halfHeight, uint32_t colour,
                                int blendMode, int reserved, r_MsgCallback cb) {
    (void)reserved;
    return DrawEffect({texture, position, halfWidth, halfHeight, colour, blendMode}, false, cb);
}

TESSALY_EXPORT int r_RenderFlare(int texture, Vector3 position, float halfWidth, float halfHeight, uint32_t colour,
                                 int blendMode, int reserved, r_MsgCallback cb) {
    (void)reserved;
    return DrawEffect({texture, position, halfWidth, halfHeight, colour, blendMode}, true, cb);
}

// One additive flare of texture 0 (the flare picture) per switched-on light
// that is not a distant one, as large as the light's range.
TESSALY_EXPORT void r_RenderLightEffects(void) {
    LightDescription d;
    for (int i = 0; i < _GetLightsNum(); ++i) {
        if (_GetLight(&d, i) == nullptr) continue;
        if (d.switchedOn == 0 || (d.light.type & LIGHT_DISTANT) != 0) continue;
        const Matrix44& p = d.light.placement;
        const Vector3 position{p.m[12], p.m[13], p.m[14]};
        const uint32_t colour =
            ChannelByte(d.light.red) << 16 | ChannelByte(d.light.green) << 8 | ChannelByte(d.light.blue);
        DrawEffect({0, position, d.light.range, d.light.range, colour, BLEND_ADDITIVE}, true, nullptr);
    }
}
