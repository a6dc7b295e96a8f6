// Deterministic pseudo-random numbers and lattice noise. Everything the
// generator makes derives from fixed seeds, so two runs write the same bytes.
#pragma once

#include <cstdint>

namespace demo {

class Random {
public:
    explicit Random(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
    uint32_t Next();
    float Unit() { return static_cast<float>(Next() >> 8) / 16777216.0f; }  // [0, 1)
    float Range(float low, float high) { return low + (high - low) * Unit(); }
    int Below(int n) { return static_cast<int>(Next() % static_cast<uint32_t>(n)); }

private:
    uint64_t state_;
};

// Smooth value noise in [0, 1]; with period > 0 it repeats every period
// lattice cells, so textures tile.
float ValueNoise(float x, float y, uint32_t seed, int period = 0);
// Sum of octaves of value noise, each twice as fine and half as strong, in [0, 1].
float Fractal(float x, float y, int octaves, uint32_t seed, int period = 0);

}  // namespace demo
