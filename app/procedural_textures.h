// The two textures regenerated every 3D frame: fire in texture slot 1 and
// rippling water (the lake picture of texture slot 2) in slot 2.
#pragma once

#include <cstdint>

// Takes the lake picture out of texture slot 2 and builds the wave table. An
// empty slot leaves the water effect off.
void SetUpWater();
// Fire, then water, each handed to the engine as a fresh 24-bit texture.
void UpdateProceduralTextures();
// Frees both effects' pictures; the fire is set up afresh on its next update.
void ReleaseProceduralTextures();

// The fire's colour for a heat value: black through dark red and orange to pale yellow.
void FirePaletteEntry(int heat, uint8_t rgb[3]);
// Heat after one step of rising: a quarter of the four-cell sum, minus a loss
// that grows as the heat falls; never below 0.
int CoolHeat(int averaged);
// Entry k of the wave table: sin(angle / 57.4) with angle = k * 360 / 64 truncated.
float WaveSine(int k);
// True while the water effect runs (the lake picture was there at set-up).
bool WaterActive();
