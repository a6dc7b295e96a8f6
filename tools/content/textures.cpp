#include "tools/content/textures.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "tools/content/bitmap_font.h"
#include "tools/content/noise.h"

namespace demo {

namespace {

struct Colour {
    float r, g, b;
};

Colour Mix(Colour a, Colour b, float t) {
    t = std::clamp(t, 0.0f, 1.0f);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgba ToRgba(Colour c, float brightness = 1.0f) {
    const auto byte = [&](float v) {
        return static_cast<uint8_t>(std::clamp(v * brightness, 0.0f, 1.0f) * 255.0f + 0.5f);
    };
    return {byte(c.r), byte(c.g), byte(c.b), 255};
}

// Fills a square tiling picture from a colour function of (u, v) in [0, 1).
template <typename Fn>
Picture Paint(int width, int height, Fn colour) {
    Picture p(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p.At(x, y) = colour(static_cast<float>(x) / width, static_cast<float>(y) / height);
    return p;
}

// Tiling fractal noise over the picture, `cells` lattice cells across.
float Tiled(float u, float v, int cells, int octaves, uint32_t seed) {
    return Fractal(u * cells, v * cells, octaves, seed, cells);
}

// A 64 x 64 picture of three-octave tiled noise (cells across, seed) between
// two colours.
Picture TiledBetween(int cells, uint32_t seed, Colour low, Colour high) {
    return Paint(64, 64, [=](float u, float v) { return ToRgba(Mix(low, high, Tiled(u, v, cells, 3, seed))); });
}

Picture Clouds() {
    return Paint(256, 256, [](float u, float v) {
        const float n = Tiled(u, v, 4, 5, 11);
        const float cover = std::clamp((n - 0.45f) * 2.6f, 0.0f, 1.0f);
        const Colour sky = Mix({0.25f, 0.45f, 0.85f}, {0.45f, 0.65f, 0.95f}, Tiled(u, v, 2, 2, 12));
        return ToRgba(Mix(sky, {0.97f, 0.97f, 1.0f}, cover));
    });
}

Picture Lake() {
    return Paint(128, 128, [](float u, float v) {
        const float n = Tiled(u, v, 8, 3, 21);
        const float ripple = 0.5f + 0.5f * std::sin((u + v * 0.5f + n * 0.6f) * 2 * std::numbers::pi_v<float> * 6);
        Colour c = Mix({0.05f, 0.22f, 0.38f}, {0.15f, 0.45f, 0.6f}, n);
        c = Mix(c, {0.75f, 0.88f, 0.95f}, std::pow(ripple, 12.0f) * 0.7f);
        return ToRgba(c);
    });
}

Picture Grass() {
    return Paint(128, 128, [](float u, float v) {
        const float n = Tiled(u, v, 8, 4, 31), dirt = Tiled(u, v, 3, 3, 32);
        Colour c = Mix({0.18f, 0.38f, 0.1f}, {0.35f, 0.55f, 0.16f}, n);
        c = Mix(c, {0.45f, 0.36f, 0.22f}, (dirt - 0.55f) * 3.0f);
        return ToRgba(c);
    });
}

Picture Rock() {
    return Paint(128, 128, [](float u, float v) {
        const float n = Tiled(u, v, 6, 5, 41);
        const float crack = std::fabs(Tiled(u, v, 4, 3, 42) - 0.5f) < 0.02f ? 0.55f : 1.0f;
        return ToRgba(Mix({0.35f, 0.33f, 0.3f}, {0.62f, 0.6f, 0.56f}, n), crack);
    });
}

Picture Brick() {
    return Paint(128, 128, [](float u, float v) {
        const int row = static_cast<int>(v * 8);
        const float bu = u * 4 + (row % 2 ? 0.5f : 0.0f);
        const float fu = bu - std::floor(bu), fv = v * 8 - row;
        const bool mortar = fu < 0.05f || fv < 0.1f;
        const float n = Tiled(u, v, 16, 2, 51);
        const float tone = ValueNoise(std::floor(bu) + 0.5f, row + 0.5f, 52);
        if (mortar) return ToRgba({0.7f, 0.68f, 0.62f}, 0.8f + 0.2f * n);
        return ToRgba(Mix({0.55f, 0.22f, 0.15f}, {0.72f, 0.38f, 0.25f}, tone), 0.8f + 0.3f * n);
    });
}

Picture Marble() {
    return Paint(128, 128, [](float u, float v) {
        const float vein = std::sin((u * 3 + Tiled(u, v, 4, 4, 61) * 4) * 2 * std::numbers::pi_v<float>);
        return ToRgba(Mix({0.95f, 0.93f, 0.88f}, {0.55f, 0.55f, 0.6f}, std::pow(1 - std::fabs(vein), 6.0f)));
    });
}

// An environment picture: sky above the horizon line, ground below, a bright sun spot.
Picture Chrome() {
    return Paint(128, 128, [](float u, float v) {
        const Colour sky = Mix({0.95f, 0.97f, 1.0f}, {0.3f, 0.5f, 0.9f}, (0.5f - v) * 2.5f);
        const Colour ground = Mix({0.45f, 0.4f, 0.32f}, {0.15f, 0.12f, 0.1f}, (v - 0.5f) * 2.5f);
        Colour c = v < 0.5f ? sky : ground;
        const float du = u - 0.35f, dv = v - 0.3f;
        c = Mix(c, {1, 1, 0.9f}, 1.0f - std::sqrt(du * du + dv * dv) * 8);
        return ToRgba(c);
    });
}

Picture Bark() {
    return Paint(64, 64, [](float u, float v) {
        const float n = Fractal(u * 16, v * 2, 3, 71, 16);
        return ToRgba(Mix({0.22f, 0.14f, 0.08f}, {0.45f, 0.32f, 0.2f}, n));
    });
}

Picture Pine() { return TiledBetween(8, 81, {0.05f, 0.2f, 0.1f}, {0.15f, 0.42f, 0.18f}); }

// The mask: gold with engraved bands and dots.
Picture Mask() {
    return Paint(128, 128, [](float u, float v) {
        const float n = Tiled(u, v, 8, 3, 91);
        const float band = std::fabs(std::sin(v * std::numbers::pi_v<float> * 10));
        Colour c = Mix({0.55f, 0.38f, 0.1f}, {1.0f, 0.85f, 0.4f}, 0.4f + 0.6f * n);
        if (band < 0.12f) c = Mix(c, {0.3f, 0.15f, 0.05f}, 0.7f);
        const float du = std::fmod(u * 8, 1.0f) - 0.5f, dv = std::fmod(v * 8, 1.0f) - 0.5f;
        if (du * du + dv * dv < 0.03f) c = Mix(c, {0.2f, 0.6f, 0.7f}, 0.8f);
        return ToRgba(c);
    });
}

Picture Banner() {
    return Paint(64, 128, [](float u, float v) {
        Colour c = Mix({0.5f, 0.05f, 0.08f}, {0.75f, 0.1f, 0.12f}, Fractal(u * 4, v * 8, 2, 101, 4));
        const float du = u - 0.5f, dv = v - 0.35f;
        const float r = std::sqrt(du * du + dv * dv * 0.25f);
        if (r > 0.18f && r < 0.25f) c = {0.95f, 0.8f, 0.3f};
        if (u < 0.06f || u > 0.94f) c = {0.95f, 0.8f, 0.3f};
        return ToRgba(c);
    });
}

Picture Crystal() { return TiledBetween(4, 111, {0.2f, 0.7f, 0.9f}, {0.85f, 1.0f, 1.0f}); }

Picture Tiles() {
    return Paint(128, 128, [](float u, float v) {
        const bool dark = (static_cast<int>(u * 4) + static_cast<int>(v * 4)) % 2 != 0;
        const float n = Tiled(u, v, 8, 3, 121);
        const Colour base = dark ? Colour{0.2f, 0.18f, 0.22f} : Colour{0.82f, 0.8f, 0.75f};
        return ToRgba(base, 0.85f + 0.25f * n);
    });
}

Picture Wall() {
    return Paint(128, 128, [](float u, float v) {
        const int row = static_cast<int>(v * 4);
        const float bu = u * 2 + (row % 2 ? 0.5f : 0.0f);
        const bool joint = bu - std::floor(bu) < 0.03f || v * 4 - row < 0.04f;
        const float n = Tiled(u, v, 8, 4, 131);
        return ToRgba(Mix({0.42f, 0.38f, 0.33f}, {0.62f, 0.57f, 0.5f}, n), joint ? 0.5f : 1.0f);
    });
}

Picture Gold() {
    return Paint(64, 64, [](float u, float v) {
        return ToRgba(Mix({0.7f, 0.5f, 0.12f}, {1.0f, 0.9f, 0.5f}, Tiled(u, v, 4, 3, 141) * (1.2f - v * 0.6f)));
    });
}

Picture Wood() {
    return Paint(64, 64, [](float u, float v) {
        const float ring = std::sin((u * 6 + Tiled(u, v, 4, 3, 151) * 2) * 2 * std::numbers::pi_v<float>);
        return ToRgba(Mix({0.4f, 0.24f, 0.12f}, {0.6f, 0.4f, 0.22f}, 0.5f + 0.5f * ring));
    });
}

// A still flame for the fire texture's slot; the program redraws it every frame.
Picture Fire() {
    return Paint(32, 64, [](float u, float v) {
        const float width = 0.5f - std::fabs(u - 0.5f);
        const float heat = std::clamp(width * 2.4f * v + (Fractal(u * 4, v * 8, 3, 161) - 0.5f) * 0.4f, 0.0f, 1.0f);
        const Colour c = heat < 0.5f ? Mix({0, 0, 0}, {1, 0.25f, 0.05f}, heat * 2)
                                     : Mix({1, 0.25f, 0.05f}, {1, 1, 0.6f}, heat * 2 - 1);
        return ToRgba(c);
    });
}

}  // namespace

Picture FlarePicture() {
    return Paint(64, 64, [](float u, float v) {
        const float du = u - 0.5f + 1.0f / 128, dv = v - 0.5f + 1.0f / 128;
        const float r = std::sqrt(du * du + dv * dv) * 2;
        const float core = std::clamp(1 - r, 0.0f, 1.0f);
        const float glow = std::pow(core, 3.0f) + 0.25f * std::pow(core, 1.2f);
        const float angle = std::atan2(dv, du);
        const float rays = std::pow(std::fabs(std::cos(angle * 3)), 40.0f) * core * 0.6f;
        return ToRgba({1.0f, 0.92f, 0.75f}, glow + rays);
    });
}

Picture CreditsPicture() {
    Picture p = Paint(640, 480, [](float u, float v) {
        const float n = Fractal(u * 6, v * 4, 4, 171);
        return ToRgba(Mix({0.02f, 0.02f, 0.08f}, {0.12f, 0.06f, 0.2f}, v + (n - 0.5f) * 0.5f));
    });
    const auto centred = [&p](int y, std::string_view text, int scale, Rgba colour) {
        DrawText(p, (p.Width() - TextWidth(text, scale)) / 2, y, text, scale, colour);
    };
    const Rgba gold{255, 210, 90, 255}, white{230, 230, 240, 255}, grey{150, 150, 170, 255};
    centred(40, "TESSALY", 10, gold);
    centred(140, "A REAL-TIME DEMO", 3, white);
    centred(200, "CODE, GRAPHICS AND MUSIC", 2, grey);
    centred(225, "THE TESSALY DEVELOPERS", 3, white);
    centred(285, "RENDERED BY OUR OWN", 2, grey);
    centred(310, "SOFTWARE RASTERIZER", 2, grey);
    centred(370, "EVERY MESH, TEXTURE AND NOTE", 2, grey);
    centred(395, "GENERATED BY TESSALY-MAKE-DEMO", 2, grey);
    centred(440, "THANK YOU FOR WATCHING!", 2, gold);
    return p;
}

std::vector<NamedPicture> DemoPictures() {
    return {
        {"maps/fx_flare.tga", FlarePicture()},
        {"maps/fx_Phire.tga", Fire()},
        {"maps/terrain_lake.tga", Lake()},
        {"maps/clouds.tga", Clouds()},
        {"maps/grass.tga", Grass()},
        {"maps/rock.tga", Rock()},
        {"maps/brick.tga", Brick()},
        {"maps/marble.tga", Marble()},
        {"maps/chrome.tga", Chrome()},
        {"maps/bark.tga", Bark()},
        {"maps/pine.tga", Pine()},
        {"maps/mask.tga", Mask()},
        {"maps/banner.tga", Banner()},
        {"maps/crystal.tga", Crystal()},
        {"maps/tiles.tga", Tiles()},
        {"maps/wall.tga", Wall()},
        {"maps/gold.tga", Gold()},
        {"maps/wood.tga", Wood()},
        {"images/credits.tga", CreditsPicture()},
    };
}

}  // namespace demo
