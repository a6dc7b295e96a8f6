// The distance fade of lens flares (internal to libt7gfx.so).
#pragma once

// Scale factor of a flare whose camera depth plus half width is d:
// k = sqrt(d / 80), rising to 1 at d = 80, then 1 / sqrt(k) beyond, so a far
// flare shrinks slowly. 0 for d <= 0 (or NaN): nothing left to draw.
float FlareFade(float d);
