// r_SetViewportArea: the drawing area as fractions of the frame, giving the
// viewport description the rasterizer maps to and the rectangle the clears fill.
#include <cmath>
#include <type_traits>

#include "raster/raster_device.h"

using namespace raster;

namespace {

// Truncation toward zero that stays defined for huge or infinite products
// (a fraction far outside 0..1 still gives a rectangle beyond the frame).
int Truncate(float value) {
    constexpr float kLimit = 1 << 30;
    if (std::isnan(value)) return 0;
    if (value > kLimit) return 1 << 30;
    if (value < -kLimit) return -(1 << 30);
    return static_cast<int>(value);
}

}  // namespace

TESSALY_EXPORT int r_SetViewportArea(float left, float top, float right, float bottom, r_MsgCallback) {
    Device& dev = GetDevice();
    if (!(left >= 0)) left = 0;  // negative or NaN
    if (!(top >= 0)) top = 0;
    if (right > 1 || std::isnan(right)) right = 1;
    if (bottom > 1 || std::isnan(bottom)) bottom = 1;

    float w = static_cast<float>(static_cast<unsigned>(dev.back.width));
    float h = static_cast<float>(static_cast<unsigned>(dev.back.height));
    ViewportState& vp = dev.viewport;
    vp.x = Truncate(left * w);
    vp.y = Truncate(top * h);
    vp.width = Truncate((right - left) * w);
    vp.height = Truncate((bottom - top) * h);
    float ratio = (bottom - top) / (right - left);
    vp.clipX = -1.0f;
    vp.clipY = ratio;
    vp.clipWidth = 2.0f;
    vp.clipHeight = 2.0f * ratio;
    vp.clearLeft = vp.x;
    vp.clearTop = vp.y;
    vp.clearRight = vp.x + vp.width;
    vp.clearBottom = vp.y + vp.height;
    return 0;
}
