#include "engine/effects/flare_fade.h"

#include <cmath>

float FlareFade(float d) {
    if (!(d > 0.0f)) return 0.0f;
    float k = std::sqrt(d * 0.0125f);
    if (k > 1.0f) k = 1.0f / std::sqrt(k);
    return k;
}
