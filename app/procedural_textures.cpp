// Fire: a heat field fed from a fixed random source column, rising and
// cooling one column per frame, coloured through a palette. Water: the lake
// picture shifted along rows and columns by two travelling sine waves.
#include "app/procedural_textures.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tessaly/engine_api.h"
#include "tessaly/raster_interface.h"

namespace {

constexpr int kFireRows = 32;     // heat rows: the texture's width
constexpr int kFireColumns = 66;  // heat columns: the texture's height plus two
constexpr int kRandomColumns = 70;
constexpr int kFireImageRows = 66;
constexpr int kFireTextureHeight = 64;

struct Fire {
    bool initialised = false;
    uint8_t palette[256][3] = {};
    uint8_t heat[kFireRows][kFireColumns] = {};
    int randomTable[kFireRows][kRandomColumns] = {};
    int sourceColumn = 0;
    std::vector<uint8_t> image;  // kFireImageRows x kFireRows x 3
};

constexpr int kWaveEntries = 64;
constexpr int kHorizontalAmplitude = 5;
constexpr int kVerticalAmplitude = 4;

struct Water {
    bool active = false;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> source, work, output;  // width x height x 3 each
    float sine[kWaveEntries] = {};
    int phase = 0;
};

Fire g_fire;
Water g_water;

// rand() in 0..32767 whatever the C library's own range is (glibc's reaches
// 2^31 - 1, which would send the source row and the table values far out of range).
int Rand15() { return std::rand() % 32768; }

int RandomScaled(int range) { return static_cast<int>(static_cast<double>(Rand15()) / 32767.0 * range); }

void SetUpFire() {
    for (int i = 0; i < 256; ++i) FirePaletteEntry(i, g_fire.palette[i]);
    g_fire.initialised = true;
    std::memset(g_fire.heat, 0, sizeof g_fire.heat);
    std::srand(456755);
    g_fire.image.assign(static_cast<size_t>(kFireImageRows) * kFireRows * 3, 0);
    for (int c = 0; c < kRandomColumns; ++c)
        for (int r = 0; r < kFireRows; ++r) g_fire.randomTable[r][c] = RandomScaled(255);
    g_fire.sourceColumn = 0;
}

void UpdateFire() {
    if (!g_fire.initialised) SetUpFire();
    const int k = RandomScaled(12);
    for (int i = 0; i < 20; ++i)
        g_fire.heat[k + i][1] = static_cast<uint8_t>(g_fire.randomTable[i][g_fire.sourceColumn]);

    // High columns first, so each cell averages last frame's lower column.
    for (int n = kFireColumns - 2; n >= 1; --n)
        for (int i = 1; i < kFireRows - 1; ++i) {
            const int sum = g_fire.heat[i][n + 1] + g_fire.heat[i][n] + g_fire.heat[i - 1][n] + g_fire.heat[i + 1][n];
            g_fire.heat[i][n + 1] = static_cast<uint8_t>(CoolHeat(sum / 4));
        }

    uint8_t* pixel = g_fire.image.data();
    for (int y = 0; y < kFireImageRows; ++y) {
        const bool black = y == 0 || y >= kFireTextureHeight - 1;
        for (int x = 0; x < kFireRows; ++x, pixel += 3) {
            const uint8_t* colour = black ? g_fire.palette[0] : g_fire.palette[g_fire.heat[x][kFireColumns - y]];
            std::memcpy(pixel, colour, 3);
        }
    }
    r_AddTexture(1, kFireRows, kFireTextureHeight, 24, g_fire.image.data(), "fx_phire.tga", TEXTURE_NOMIPMAP, nullptr);
    if (++g_fire.sourceColumn == kRandomColumns) g_fire.sourceColumn = 0;
}

// x modulo m into 0..m-1, for any sign.
int Wrap(int x, int m) {
    const int r = x % m;
    return r < 0 ? r + m : r;
}

void UpdateWater() {
    if (!g_water.active) return;
    const int w = g_water.width;
    const int h = g_water.height;
    const size_t row = static_cast<size_t>(w) * 3;

    int p = g_water.phase;
    for (int y = 0; y < h; ++y) {
        if (p == kWaveEntries) p = 0;
        const int shift = static_cast<int>(kHorizontalAmplitude * g_water.sine[p]);
        const uint8_t* from = &g_water.source[static_cast<size_t>(y) * row];
        uint8_t* to = &g_water.work[static_cast<size_t>(y) * row];
        for (int x = 0; x < w; ++x) std::memcpy(to + static_cast<size_t>(Wrap(x + shift, w)) * 3, from + x * 3, 3);
        ++p;
    }

    int q = g_water.phase + 23;
    for (int x = 0; x < w; ++x) {
        if (q >= kWaveEntries) q -= kWaveEntries;
        const float offset = kVerticalAmplitude * g_water.sine[q];
        for (int y = 0; y < h; ++y) {
            const int d = Wrap(static_cast<int>(static_cast<float>(y) + offset), h);
            std::memcpy(&g_water.output[static_cast<size_t>(d) * row + static_cast<size_t>(x) * 3],
                        &g_water.work[static_cast<size_t>(y) * row + static_cast<size_t>(x) * 3], 3);
        }
        ++q;
    }
    r_AddTexture(2, static_cast<unsigned>(w), static_cast<unsigned>(h), 24, g_water.output.data(), "terrain_lake.tga",
                 TEXTURE_NOMIPMAP, nullptr);
    if (++g_water.phase == kWaveEntries) g_water.phase = 0;
}

}  // namespace

void FirePaletteEntry(int heat, uint8_t rgb[3]) {
    const int i = heat & 63;
    int r, g, b;
    switch ((heat >> 6) & 3) {
        case 0:
            r = 4 * i;
            g = 0;
            b = i / 2;
            break;
        case 1:
            r = 255;
            g = 2 * i;
            b = 32;
            break;
        case 2:
            r = 255;
            g = 2 * i + 128;
            b = i + 32;
            break;
        default:
            r = 255;
            g = 255;
            b = 2 * i + 96;
            break;
    }
    rgb[0] = static_cast<uint8_t>(r);
    rgb[1] = static_cast<uint8_t>(g);
    rgb[2] = static_cast<uint8_t>(b);
}

int CoolHeat(int averaged) {
    const int e = static_cast<int>(averaged - (255 - averaged) * 0.006);
    return e < 0 ? 0 : e;
}

float WaveSine(int k) {
    const int angle = k * 360 / kWaveEntries;
    return static_cast<float>(std::sin(angle / 57.4));
}

bool WaterActive() { return g_water.active; }

void SetUpWater() {
    g_water = Water{};
    int width = 0, height = 0, pitch = 0, bits = 0;
    const uint8_t* locked = r_LockTexturePointer(2, &width, &height, &pitch, &bits);
    if (!locked) return;  // no lake picture: the water stays off
    if (width > 0 && height > 0 && pitch >= width * 3) {
        const size_t size = static_cast<size_t>(width) * static_cast<size_t>(height) * 3;
        g_water.width = width;
        g_water.height = height;
        g_water.source.assign(size, 0);
        g_water.work.assign(size, 0);
        g_water.output.assign(size, 0);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const uint8_t* from = locked + static_cast<size_t>(y) * static_cast<size_t>(pitch) + x * 3;
                uint8_t* to = &g_water.source[(static_cast<size_t>(y) * static_cast<size_t>(width) + x) * 3];
                to[0] = from[2];
                to[1] = from[1];
                to[2] = from[0];
            }
        g_water.active = true;
    }
    r_ReleaseTexturePointer(2, 1);
    for (int k = 0; k < kWaveEntries; ++k) g_water.sine[k] = WaveSine(k);
}

void UpdateProceduralTextures() {
    UpdateFire();
    UpdateWater();
}

void ReleaseProceduralTextures() {
    g_fire = Fire{};
    g_water = Water{};
}
