#include "tools/content/noise.h"

#include <cmath>

namespace demo {

uint32_t Random::Next() {
    // SplitMix64: small, fast and the same on every platform.
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<uint32_t>((z ^ (z >> 31)) >> 32);
}

namespace {

float Lattice(int x, int y, uint32_t seed) {
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return static_cast<float>(h & 0xFFFFFF) / 16777215.0f;
}

float Smooth(float t) { return t * t * (3 - 2 * t); }

int Wrap(int i, int period) { return period > 0 ? ((i % period) + period) % period : i; }

}  // namespace

float ValueNoise(float x, float y, uint32_t seed, int period) {
    const float fx = std::floor(x), fy = std::floor(y);
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    const float tx = Smooth(x - fx), ty = Smooth(y - fy);
    const int x0 = Wrap(ix, period), x1 = Wrap(ix + 1, period);
    const int y0 = Wrap(iy, period), y1 = Wrap(iy + 1, period);
    const float top = Lattice(x0, y0, seed) + (Lattice(x1, y0, seed) - Lattice(x0, y0, seed)) * tx;
    const float bottom = Lattice(x0, y1, seed) + (Lattice(x1, y1, seed) - Lattice(x0, y1, seed)) * tx;
    return top + (bottom - top) * ty;
}

float Fractal(float x, float y, int octaves, uint32_t seed, int period) {
    float sum = 0, weight = 1, total = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += ValueNoise(x, y, seed + static_cast<uint32_t>(o) * 101u, period) * weight;
        total += weight;
        x *= 2, y *= 2, weight *= 0.5f;
        if (period > 0) period *= 2;
    }
    return sum / total;
}

}  // namespace demo
